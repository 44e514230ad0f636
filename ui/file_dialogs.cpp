#include "ui/file_dialogs.h"

#include <cstring>
#include <string>

#include "host/plugin_run.h"
#include "ui/dialogs.h"
#include "ui/layer_calls.h"

namespace pxb::ui {
namespace {

// Description and pattern, each closed by a NUL, then an empty string.
constexpr char kFilterFiles[] = "brood files\0*.gdo\0";
constexpr char kSessionFiles[] = "brood session files\0*.gds\0";

void CopyInto(char* buffer, size_t capacity, const std::string& text) {
  const size_t n = text.size() < capacity ? text.size() : capacity - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

}  // namespace

FileDialogSetup SetupFileDialog(int32_t kind, WindowHandle owner, char* path,
                                const char* startDirectory) {
  FileDialogSetup s{};
  s.kind = kind;
  s.save = kind == kFileDialogKindSave || kind == kFileDialogKindSessionSave;
  s.structSize = kOpenFileNameSize;
  s.owner = owner;
  s.path = path;
  s.pathCapacity = kPathBufferSize;
  s.initialDirectory =
      startDirectory != nullptr && startDirectory[0] != '\0' ? startDirectory : nullptr;
  s.fileTitle = nullptr;
  s.fileTitleCapacity = 0;
  switch (kind) {
    case kFileDialogKindSave:
      s.filter = kFilterFiles;
      s.defaultExtension = "gdo";
      s.flags = ofn::kOverwritePrompt;
      break;
    case kFileDialogKindOpen:
      s.filter = kFilterFiles;
      s.defaultExtension = "gdo";
      s.flags = ofn::kHideReadOnly | ofn::kPathMustExist | ofn::kFileMustExist;
      break;
    case kFileDialogKindSessionSave:
      s.filter = kSessionFiles;
      s.defaultExtension = "gds";
      s.flags = ofn::kHideReadOnly | ofn::kPathMustExist | ofn::kOverwritePrompt;
      break;
    default:
      s.filter = kSessionFiles;
      s.defaultExtension = "gds";
      s.flags = ofn::kHideReadOnly | ofn::kPathMustExist | ofn::kCreatePrompt;
      break;
  }
  return s;
}

bool ChooseSessionFile(WindowHandle owner, const std::string& currentPath, std::string* path) {
  char buffer[kPathBufferSize];
  char title[kTitleBufferSize];
  CopyInto(buffer, sizeof buffer, currentPath);
  CopyInto(title, sizeof title, host::CurrentRun().sessionTitle);
  FileDialogSetup setup = SetupFileDialog(kFileDialogKindSession, owner, buffer, nullptr);
  setup.fileTitle = title;
  setup.fileTitleCapacity = kTitleBufferSize;
  if (!win::ChooseFile(&setup)) return false;
  *path = buffer;
  return true;
}

bool OfferSessionSaveAs(WindowHandle owner, const std::string& problem,
                        const std::string& currentPath, std::string* path) {
  const std::string message =
      problem + "\n\nChoose another file to save the session in, or cancel to give up its changes.";
  win::Tell(owner, message.c_str());
  char buffer[kPathBufferSize];
  CopyInto(buffer, sizeof buffer, currentPath);
  FileDialogSetup setup = SetupFileDialog(kFileDialogKindSessionSave, owner, buffer, nullptr);
  if (!win::ChooseFile(&setup)) return false;
  *path = buffer;
  return true;
}

}  // namespace pxb::ui
