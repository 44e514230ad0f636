// The dialogs a run opens, as seen from the host interface: the start-up
// session chooser, the main breeding dialog, and the offer to save the
// session elsewhere when its file cannot be written. The dialog layer installs
// its procedures here (the Windows plug-in its Win32 dialogs, a native host
// headless ones or stand-ins); until it does, each reports a cancel.
#pragma once

#include <string>

#include "host/platform.h"
#include "interface/pluginapi.h"

namespace pxb::host {

struct DialogProcs {
  void* context;  // passed back to both procedures

  // The start-up chooser, run when the parameter block names no session
  // yet: asks for a session file, an existing one to open or a new one to
  // create. currentPath is the current session path (may be empty), owner
  // the host's window. Returns true with *path set, false when the user
  // cancels. Opening or creating the file is the run's work
  // (OpenOrCreateSession).
  bool (*chooseSessionFile)(void* context, platform::WindowHandle owner,
                            const std::string& currentPath, std::string* path);

  // Runs the main breeding dialog modally, owned by owner, on the
  // population just read or created (GlobalPopulation(), preview count
  // GlobalSessionHeader().previewCount); the source image is the reduced
  // host image that record delivered. The dialog may switch sessions
  // (SetCurrentSessionPath). Returns the member the user picked, after
  // PickMember(k), or -1 when the user cancelled. Rendering has stopped
  // when it returns.
  int (*runMainDialog)(void* context, platform::WindowHandle owner, api::FilterRecord* record);

  // After the main dialog, when the session could not be written to its
  // file: tells the user problem and offers to save the session under
  // another name (a file chooser starting at currentPath). Returns true
  // with *path set when the user chose a file, false when the user
  // declines, and the session's changes are then given up.
  bool (*saveSessionElsewhere)(void* context, platform::WindowHandle owner,
                               const std::string& problem, const std::string& currentPath,
                               std::string* path);
};

// Installs procs (copied); null puts back the built-in ones, which cancel.
void SetDialogProcs(const DialogProcs* procs);
const DialogProcs& CurrentDialogProcs();

}  // namespace pxb::host
