#include "ui/chosen_file.h"

#include <algorithm>
#include <system_error>

#include "ui/file_dialogs.h"

namespace pxb::ui {
namespace {

void CopyText(char* buffer, int32_t capacity, const std::string& text) {
  if (buffer == nullptr || capacity <= 0) return;
  const size_t n = std::min(text.size(), static_cast<size_t>(capacity - 1));
  text.copy(buffer, n);
  buffer[n] = '\0';
}

}  // namespace

bool AcceptChosenFile(FileDialogSetup* setup, std::filesystem::path path, std::string* why) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (!path.has_extension() && setup->defaultExtension != nullptr)
    path += std::string(".") + setup->defaultExtension;
  if ((setup->flags & ofn::kPathMustExist) != 0 && !fs::is_directory(path.parent_path(), ec)) {
    *why = "its directory does not exist";
    return false;
  }
  if ((setup->flags & ofn::kFileMustExist) != 0 && !fs::exists(path, ec)) {
    *why = "it does not exist";
    return false;
  }
  const std::string text = path.string();
  if (static_cast<int32_t>(text.size()) >= setup->pathCapacity) {
    *why = "too long";
    return false;
  }
  CopyText(setup->path, setup->pathCapacity, text);
  CopyText(setup->fileTitle, setup->fileTitleCapacity, path.filename().string());
  return true;
}

}  // namespace pxb::ui
