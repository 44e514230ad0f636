// The common file dialogs of the breeding dialogs: filter files to save and
// to open, and session files to choose or create.
#pragma once

#include <cstdint>

#include "ui/dialog_layer.h"

namespace pxb::ui {

// Flags of the file dialogs, with their Win32 values.
namespace ofn {
inline constexpr uint32_t kOverwritePrompt = 0x00000002;  // OFN_OVERWRITEPROMPT
inline constexpr uint32_t kHideReadOnly = 0x00000004;     // OFN_HIDEREADONLY
inline constexpr uint32_t kPathMustExist = 0x00000800;    // OFN_PATHMUSTEXIST
inline constexpr uint32_t kFileMustExist = 0x00001000;    // OFN_FILEMUSTEXIST
inline constexpr uint32_t kCreatePrompt = 0x00002000;     // OFN_CREATEPROMPT
}  // namespace ofn

inline constexpr int32_t kFileDialogKindSave = 0;
inline constexpr int32_t kFileDialogKindOpen = 1;
inline constexpr int32_t kFileDialogKindSession = 2;
inline constexpr int32_t kFileDialogKindSessionSave = 3;

inline constexpr int32_t kPathBufferSize = 1024;
inline constexpr int32_t kTitleBufferSize = 128;
inline constexpr uint32_t kOpenFileNameSize = 76;

// Prepares a file dialog of kind 0 ("save" a filter file: "brood files",
// "*.gdo", overwrite prompt), 1 ("open" one: the file and its directory must
// exist) or 2 (a session file, "brood session files", "*.gds": the directory
// must exist, a new file is created after a prompt) or 3 (a session file to
// save under another name: overwrite prompt). path is the caller's
// buffer of kPathBufferSize characters; startDirectory is used only when it
// is not empty. No file-title buffer: the caller sets one if it wants it.
FileDialogSetup SetupFileDialog(int32_t kind, WindowHandle owner, char* path,
                                const char* startDirectory);

}  // namespace pxb::ui
