// The checks a file dialog makes on the name the user chose, shared by the
// backends that stand in for the common file dialogs (GTK, headless), so
// every one of them accepts and refuses the same names.
#pragma once

#include <filesystem>
#include <string>

#include "ui/dialog_layer.h"

namespace pxb::ui {

// Completes path with the setup's default extension when it has none, then
// checks what the setup's flags ask for (the folder, for opening also the
// file, must exist) and that it fits the caller's buffer. Accepted: the
// path and its file title are copied into the setup's buffers. Refused:
// false with the reason in *why, the buffers untouched.
bool AcceptChosenFile(FileDialogSetup* setup, std::filesystem::path path, std::string* why);

}  // namespace pxb::ui
