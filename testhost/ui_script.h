// pxhost --ui SCRIPT: the plug-in's own dialogs, headless, driven by a
// dialog script. The start-up chooser is answered with --session; the
// script's "shot" pictures are written as PNG files.
#pragma once

#include <string>

#include "testhost/scripted_dialogs.h"

namespace pxb::pxhost {

// Reads the script at scriptPath into *dialogs and sets them up to answer
// the chooser with session. False with a message when the script cannot be
// read or has a malformed line.
bool PrepareUiScript(const std::string& scriptPath, const std::string& session,
                     ui::ScriptedDialogs* dialogs, std::string* error);

// Writes a dialog's picture as a PNG file.
bool SavePicturePng(void* context, const ui::Picture& picture, const std::string& path,
                    std::string* error);

// After the runs: prints what the dialogs did to stderr, and turns a script
// that failed or was not carried out to its end into exit status 2.
int FinishUiScript(const ui::ScriptedDialogs& dialogs, int status);

}  // namespace pxb::pxhost
