// What the dialogs and the run do to the session: choosing, creating and
// switching session files and picking the member that filters the image.
// The dialog layer calls these; they keep the population, the session
// header, the run's session path and the parameter block in step.
#pragma once

#include <cstdint>
#include <string>

namespace pxb::host {

// Member k becomes the one that filters the host image: the population's
// chosen member and the session header's chosen index (stored with the next
// write of the session). The main dialog calls this when "ok" of group k is
// clicked, after its rendering has stopped.
void PickMember(int k);

// The low 16 bits of the current time in seconds, the seed word of new
// sessions.
std::uint16_t ClockWord();

// Seeds the nine build contexts (member k gets the state 357, clockWord, k)
// and creates the session file at path with nine new members of the run's
// root type and the current preview count. False with a message when the
// file cannot be written; then nothing has changed.
bool NewSession(const std::string& path, std::uint16_t clockWord, std::string* error);

enum class SessionOpening {
  kRead,          // an existing session was read
  kCreated,       // there was no file: a new session was created there
  kUnreadable,    // the file exists but cannot be read
  kRefused,       // the file is not a session this plug-in can use
  kNotCreatable,  // there was no file and none could be created
};

// The start-up chooser's work after the user has named a file: reads the
// session at path, or creates a new one there when no file exists. On
// anything but kRead and kCreated the population is as it was and *error
// says why.
SessionOpening OpenOrCreateSession(const std::string& path, std::string* error);

// The file-name part of path: the text after the last backslash or slash,
// at most 127 characters.
std::string SessionTitle(const std::string& path);

// Makes path the current session: the run's session path and title, and the
// parameter block's session path with haveSession set, so the next run opens
// it. False, changing nothing, when the path does not fit the parameter
// block (255 characters at most).
bool SetCurrentSessionPath(const std::string& path);

}  // namespace pxb::host
