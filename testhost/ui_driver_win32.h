// Drives the plug-in's real dialogs from a dialog script, as a user would:
// a thread of the test host finds the dialogs by caption and sends them
// window messages (slider positions, clicks, answers to file dialogs).
#pragma once

#include <string>

namespace pxb::pxhost {

// Starts the driver thread for the script at path before the run that opens
// the dialogs. False with a message when the script cannot be read.
bool StartUiDriver(const std::string& scriptPath, std::string* error);
// The same, and the plug-in's start-up session chooser, when it opens before
// the main dialog with no file proposed, is answered with sessionPath
// (pxhost's --session; a file that does not exist is created).
bool StartUiDriver(const std::string& scriptPath, const std::string& sessionPath,
                   std::string* error);

// Waits for the driver after the run; false with a message naming the
// script line when a command could not be carried out or the script did not
// run to its end.
bool FinishUiDriver(std::string* error);

}  // namespace pxb::pxhost
