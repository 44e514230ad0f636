// The selection dialog: one member shown large, saved to a filter file or
// replaced by one; Cancel puts back the member it started with.
#include <string>
#include <vector>

#include "engine/eval.h"
#include "engine/growth.h"
#include "evolution/byte_io.h"
#include "evolution/filter_file.h"
#include "evolution/population.h"
#include "evolution/session_file.h"
#include "storage/session_store.h"
#include "ui/dialog_state.h"
#include "ui/dialogs.h"
#include "ui/file_dialogs.h"
#include "ui/layer_calls.h"
#include "ui/preview.h"
#include "ui/templates.h"

namespace pxb::ui {
namespace {

std::intptr_t Initialise(WindowHandle window) {
  DialogState& d = Dialogs();
  win::Centre(window);
  d.selectionWindow = window;
  Rect control{};
  win::ControlRect(window, ids::kBigPicture, &control);
  d.bigControl = control;
  d.bigFrame = FitAspect(control);
  d.bigPicture = PictureOf(d.bigFrame);
  MakeBigSampleOrder(d.bigPicture.width(), d.bigPicture.height());
  for (int id = ids::kFirstUnusedSlider; id <= ids::kLastUnusedSlider; ++id)
    win::ShowControl(window, id, false);
  return 1;
}

// Runs a filter-file dialog of kind with the session's last directory; the
// chosen path, or empty.
std::string ChooseFilterFile(WindowHandle window, int32_t kind) {
  char path[kPathBufferSize] = "";
  const std::string directory = LastDirectory(GlobalSessionHeader());
  FileDialogSetup setup = SetupFileDialog(kind, window, path, directory.c_str());
  return win::ChooseFile(&setup) ? std::string(path) : std::string();
}

void Open(WindowHandle window, int k) {
  const std::string path = ChooseFilterFile(window, kFileDialogKindOpen);
  if (path.empty()) return;
  if (LoadMemberFile(path, k)) RememberDirectory(path);
}

void Save(WindowHandle window, int k) {
  const std::string path = ChooseFilterFile(window, kFileDialogKindSave);
  if (path.empty()) return;
  std::string error;
  if (!SaveFilterFile(path, GlobalPopulation().members[k], &error)) {
    win::Log(("the filter file was not saved: " + error).c_str());
    return;
  }
  RememberDirectory(path);
}

std::intptr_t Command(WindowHandle window, std::uintptr_t wParam) {
  const int id = static_cast<int>(wParam & 0xFFFF);
  const int code = static_cast<int>((wParam >> 16) & 0xFFFF);
  if (code != 0) return 0;
  const int k = Dialogs().selectionTarget;
  switch (id) {
    case ids::kOk:
    case ids::kCancel:
      StopBigPreview();
      CloseSelection(k, id == ids::kCancel);
      win::EndDialog(window, id);
      return 1;
    case ids::kOpen:
      Open(window, k);
      return 1;
    case ids::kSave:
      Save(window, k);
      return 1;
    default:
      return 0;
  }
}

}  // namespace

std::intptr_t SelectionProc(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                            std::intptr_t) {
  DialogState& d = Dialogs();
  switch (message) {
    case kMsgInitDialog:
      return Initialise(window);
    case kMsgPaint:
      StartBigPreview(d.selectionTarget, d.bigFrame, d.bigPicture);
      return 0;
    case kMsgCommand:
      return Command(window, wParam);
    default:
      return 0;
  }
}

bool LoadMemberFile(const std::string& path, int k) {
  DialogState& d = Dialogs();
  Population& p = GlobalPopulation();
  // The file is read and its member grown before anything is given up, so
  // a file that cannot be used leaves everything as it was.
  std::vector<uint8_t> bytes;
  std::string error;
  Member loaded{};
  ViewParams view = p.views[k];
  bool ok = ReadFileBytes(path, &bytes, &error);
  if (ok) {
    ByteReader in(bytes);
    ok = ReadMember(&in, &view, true, &loaded, &error);
  }
  if (!ok) {
    win::Log(("the filter file was not loaded: " + error).c_str());
    return false;
  }
  StopBigPreview();
  StopPreview(k, false);
  if (d.backupHeld != 0) {
    ReleaseMember(&p.members[k], &p.views[k]);
  } else {
    d.backup = p.members[k];
    d.backupView = p.views[k];
    d.backupHeld = 1;
  }
  p.members[k] = loaded;
  p.views[k] = view;
  d.renderRefs[k] = p.members[k].tree;
  NodeRetain(d.renderRefs[k]);
  PrepareRenderReference(k);
  d.ready[k] = 1;
  ResetPreview(k);
  RestartBigPreview(k);
  return true;
}

void CloseSelection(int k, bool restore) {
  DialogState& d = Dialogs();
  Population& p = GlobalPopulation();
  if (d.backupHeld == 0) return;
  if (restore) {
    StopPreview(k, true);
    ReleaseMember(&p.members[k], &p.views[k]);
    p.members[k] = d.backup;
    p.views[k] = d.backupView;
    d.renderRefs[k] = p.members[k].tree;
    NodeRetain(d.renderRefs[k]);
    PrepareRenderReference(k);
    d.ready[k] = 1;
    ResetPreview(k);
  } else {
    ReleaseMember(&d.backup, &d.backupView);
  }
  d.backup = Member{};
  d.backupHeld = 0;
}

void RememberDirectory(const std::string& path) {
  // The last separator from the end down to the second character; none
  // (or only the first character) leaves the empty string.
  size_t cut = 0;
  for (size_t i = path.size(); i-- > 1;) {
    if (path[i] == '\\' || path[i] == '/') {
      cut = i;
      break;
    }
  }
  if (!SetLastDirectory(&GlobalSessionHeader(), path.substr(0, cut))) {
    win::Log(("the directory is too long to remember: " + path.substr(0, cut)).c_str());
  }
}

}  // namespace pxb::ui
