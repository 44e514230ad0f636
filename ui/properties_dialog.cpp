// The properties dialog: the number of previews and the session file.
#include <cstring>
#include <string>

#include "evolution/population.h"
#include "evolution/session_file.h"
#include "host/plugin_run.h"
#include "host/session_ops.h"
#include "interface/parameter_block.h"
#include "storage/session_store.h"
#include "ui/dialog_state.h"
#include "ui/dialogs.h"
#include "ui/file_dialogs.h"
#include "ui/layer_calls.h"
#include "ui/preview.h"
#include "ui/templates.h"

namespace pxb::ui {
namespace {

void CopyInto(char* buffer, size_t capacity, const std::string& text) {
  const size_t n = text.size() < capacity ? text.size() : capacity - 1;
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
}

std::string& SessionTitle() {
  return host::CurrentRun().sessionTitle;
}

std::intptr_t Initialise(WindowHandle window) {
  DialogState& d = Dialogs();
  win::Centre(window);
  win::SetUpDownRange(window, ids::kCountUpDown, 1, kMaxPreviews);
  win::SetUpDownPosition(window, ids::kCountUpDown, PreviewCount());
  win::SetText(window, ids::kSessionTitle, SessionTitle().c_str());
  d.newSessionChosen = 0;
  d.titleBackup = SessionTitle();
  return 1;
}

std::intptr_t ChooseNewSession(WindowHandle window) {
  DialogState& d = Dialogs();
  char path[kPathBufferSize];
  char title[kTitleBufferSize];
  CopyInto(path, sizeof path, d.newSessionPath);
  CopyInto(title, sizeof title, SessionTitle());
  FileDialogSetup setup = SetupFileDialog(kFileDialogKindSession, window, path, nullptr);
  setup.fileTitle = title;
  setup.fileTitleCapacity = kTitleBufferSize;
  bool chosen = win::ChooseFile(&setup);
  if (chosen && std::strlen(path) >= host::kSessionPathCapacity) {
    // The next run could not find it again: the parameter block keeps 255
    // characters.
    win::Log((std::string("the session path is too long to keep: ") + path).c_str());
    chosen = false;
  }
  d.newSessionChosen = chosen ? 1 : 0;
  if (chosen) {
    d.newSessionPath = path;
    SessionTitle() = title;
  } else {
    SessionTitle() = d.titleBackup;
  }
  win::SetText(window, ids::kSessionTitle, SessionTitle().c_str());
  return 0;
}

void ApplyCount(WindowHandle window) {
  DialogState& d = Dialogs();
  int32_t n = win::UpDownPosition(window, ids::kCountUpDown);
  n = n < 1 ? 1 : (n > kMaxPreviews ? kMaxPreviews : n);
  win::EndDialog(window, ids::kOk);
  const int32_t shown = PreviewCount();
  if (n > shown) {
    LayoutPreviews(n);
    {
      const win::WaitCursor wait;
      for (int k = shown; k < n; ++k) {
        ShowGroup(d.mainWindow, k, true);
        StartPreview(k, d.frame[k], d.picture[k]);
      }
    }
    d.previewCount.store(n, std::memory_order_release);
    EnsurePreviewWorker();
  } else if (n < shown) {
    for (int k = n; k < shown; ++k) {
      StopPreview(k, true);
      ShowGroup(d.mainWindow, k, false);
    }
    d.previewCount.store(n, std::memory_order_release);
  }
  SetPreviewCount(&GlobalSessionHeader(), static_cast<uint32_t>(n));
}

std::intptr_t Command(WindowHandle window, std::uintptr_t wParam) {
  const int id = static_cast<int>(wParam & 0xFFFF);
  const int code = static_cast<int>((wParam >> 16) & 0xFFFF);
  if (code != 0) return 0;
  DialogState& d = Dialogs();
  switch (id) {
    case ids::kNewSession:
      return ChooseNewSession(window);
    case ids::kCancel:
      SessionTitle() = d.titleBackup;
      win::EndDialog(window, ids::kCancel);
      return 1;
    case ids::kOk:
      if (d.newSessionChosen != 0 && d.newSessionPath != host::CurrentRun().sessionPath) {
        SwitchSession(window);
      } else {
        ApplyCount(window);
      }
      return 1;
    default:
      return 0;
  }
}

// The picture rectangle preview k has or would have in the grid.
Rect PicturePlace(int k) {
  Rect control{};
  win::ControlRect(Dialogs().mainWindow, ids::GroupPicture(k), &control);
  return PictureOf(FitAspect(control));
}

// After a failed switch: the old session goes on, its previews redrawn.
bool StayWithCurrentSession(const std::string& why) {
  win::Log(why.c_str());
  SessionTitle() = Dialogs().titleBackup;
  const int32_t n = PreviewCount();
  for (int k = 0; k < n; ++k)
    ResetPreview(k);
  EnsurePreviewWorker();
  return false;
}

}  // namespace

std::intptr_t PropertiesProc(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                             std::intptr_t) {
  switch (message) {
    case kMsgInitDialog:
      return Initialise(window);
    case kMsgCommand:
      return Command(window, wParam);
    default:
      return 0;
  }
}

bool SwitchSession(WindowHandle dialog) {
  DialogState& d = Dialogs();
  Population& p = GlobalPopulation();
  host::PluginRun& run = host::CurrentRun();
  win::EndDialog(dialog, ids::kOk);
  std::string error;
  // The session being left is written first, so no work is lost; if it
  // cannot be, nothing is switched.
  if (!SaveSession(run.sessionPath, p, &GlobalSessionHeader(), &error)) {
    win::Log(("the session was not switched: it could not be saved: " + error).c_str());
    SessionTitle() = d.titleBackup;
    return false;
  }
  const int32_t before = PreviewCount();
  StopPreviewWorker();
  int32_t n = before;
  switch (host::OpenOrCreateSession(d.newSessionPath, &error)) {
    case host::SessionOpening::kRead: {
      const uint32_t count = GlobalSessionHeader().previewCount;
      n = count < 1 ? 1 : (count > kMaxPreviews ? kMaxPreviews : static_cast<int32_t>(count));
      break;
    }
    case host::SessionOpening::kCreated:
      break;
    default:
      return StayWithCurrentSession("the session was not switched: " + error);
  }
  TellLearningDamage(dialog);
  // The members were replaced: the render references to their old trees go.
  for (int k = 0; k < kMaxPreviews; ++k) {
    if (d.ready[k] != 0) NodeRelease(&d.renderRefs[k], &p.views[k]);
    d.ready[k] = 0;
  }
  host::SetCurrentSessionPath(d.newSessionPath);
  d.previewCount.store(n, std::memory_order_release);
  for (int k = 0; k < kMaxPreviews; ++k) {
    const Rect picture = PicturePlace(k);
    p.views[k].width = picture.width();
    p.views[k].height = picture.height();
    p.views[k].smooth = 0;
    RegrowMember(&p.members[k], &p.views[k]);
    d.renderRefs[k] = p.members[k].tree;
    NodeRetain(d.renderRefs[k]);
    PrepareRenderReference(k);
    d.ready[k] = 1;
  }
  if (n != before) {
    LayoutPreviews(n);
    for (int k = 0; k < kMaxPreviews; ++k)
      ShowGroup(d.mainWindow, k, k < n);
  }
  for (int k = 0; k < n; ++k) {
    PreviewSlot& s = Slot(k);
    s.index.store(k, std::memory_order_relaxed);
    s.frame.Store(d.frame[k]);
    s.picture.Store(d.picture[k]);
    ResetPreview(k);
  }
  EnsurePreviewWorker();
  return true;
}

}  // namespace pxb::ui
