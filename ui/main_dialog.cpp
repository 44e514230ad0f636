// The main breeding dialog: the preview grid, rating and breeding, going
// back a step, picking and cancelling.
#include <ctime>
#include <string>

#include "engine/eval.h"
#include "engine/growth.h"
#include "engine/numeric.h"
#include "engine/weights.h"
#include "evolution/breeding_step.h"
#include "evolution/learning_block.h"
#include "evolution/population.h"
#include "evolution/session_file.h"
#include "host/plugin_run.h"
#include "host/session_ops.h"
#include "primitives/source_image.h"
#include "ui/dialog_state.h"
#include "ui/dialogs.h"
#include "ui/layer_calls.h"
#include "ui/preview.h"
#include "ui/templates.h"

namespace pxb::ui {
namespace {

constexpr int32_t kSliderMiddle = 50;

DialogState dialogState;

int32_t ClampCount(uint32_t n) {
  return n < 1 ? 1 : (n > kMaxPreviews ? kMaxPreviews : static_cast<int32_t>(n));
}

bool Overlaps(const Rect& update, const Rect& frame) {
  return update.right > frame.left && update.left < frame.right && update.bottom > frame.top &&
         update.top < frame.bottom;
}

std::intptr_t Initialise(WindowHandle window, std::intptr_t lParam) {
  DialogState& d = Dialogs();
  Population& p = GlobalPopulation();
  win::Centre(window);
  d.mainWindow = window;
  d.record = reinterpret_cast<api::FilterRecord*>(lParam);
  // The population has just been read or created: its members carry no
  // trees yet, and an earlier opening's render state is given up. A Cancel
  // or a pick stops the worker wherever it was, so slots it had not reached
  // may still be marked busy with the last opening's rectangles.
  ClearAllSlots();
  for (int k = 0; k < kMaxPreviews; ++k) {
    if (d.ready[k] != 0) {
      NodeRelease(&d.renderRefs[k], &p.views[k]);
      d.ready[k] = 0;
    }
  }
  TellLearningDamage(window);
  const int32_t n = ClampCount(GlobalSessionHeader().previewCount);
  d.previewCount.store(n, std::memory_order_release);
  LayoutPreviews(n);
  for (int k = 0; k < kMaxPreviews; ++k)
    ShowGroup(window, k, k < n);
  return 1;
}

std::intptr_t Paint(WindowHandle window) {
  DialogState& d = Dialogs();
  // A window system without composition paints this dialog while the
  // selection dialog runs over it; its previews wait until that closes
  // (which invalidates this dialog).
  if (PreviewWorkerHeld()) return 0;
  {
    const win::WaitCursor wait;
    Rect update{};
    const bool partial = win::UpdateRect(window, &update);
    const int32_t n = PreviewCount();
    for (int k = 0; k < n; ++k) {
      if (!partial || Overlaps(update, d.frame[k])) StartPreview(k, d.frame[k], d.picture[k]);
    }
  }
  EnsurePreviewWorker();
  return 0;
}

// The breeding step as the dialog takes part in it: each member's slider
// goes back to the middle and its preview stops before the member is
// replaced, and the new tree's preview starts afresh.
class DialogBreeding : public BreedingFrontEnd {
 public:
  explicit DialogBreeding(WindowHandle window) : window_(window) {}
  void BeforeReplacing(int k) override {
    win::SetSliderPosition(window_, ids::GroupSlider(k), kSliderMiddle);
    BeginReplacingMember(k);
  }
  void AfterReplacing(int k) override { FinishReplacingMember(k); }

 private:
  WindowHandle window_;
};

std::intptr_t Next(WindowHandle window) {
  const int32_t n = PreviewCount();
  {
    const win::WaitCursor wait;
    int32_t positions[kMaxPreviews] = {};
    for (int k = 0; k < n; ++k)
      positions[k] = win::SliderPosition(window, ids::GroupSlider(k));
    DialogBreeding frontEnd(window);
    BreedStep(&GlobalPopulation(), n, positions, static_cast<int64_t>(std::time(nullptr)),
              &frontEnd);
  }
  EnsurePreviewWorker();
  return 1;
}

// Back: the generation and the learning the last breeding step replaced
// come back, and their previews start again from their seeds.
std::intptr_t Back(WindowHandle window) {
  DialogState& d = Dialogs();
  Population& p = GlobalPopulation();
  {
    const win::WaitCursor wait;
    StopPreviewWorker();
    int restored = 0;
    std::string error;
    if (!UndoStep(&p, &restored, &error)) {
      win::Log(("nothing to go back to: " + error).c_str());
    }
    for (int k = 0; k < restored; ++k) {
      if (d.ready[k] != 0) NodeRelease(&d.renderRefs[k], &p.views[k]);
      d.ready[k] = 0;
      win::SetSliderPosition(window, ids::GroupSlider(k), kSliderMiddle);
      if (k < PreviewCount()) {
        FinishReplacingMember(k, /*regrow=*/true);
      }
    }
  }
  EnsurePreviewWorker();
  return 1;
}

std::intptr_t OpenSelection(WindowHandle window, int k) {
  DialogState& d = Dialogs();
  d.selectionTarget = k;
  HoldPreviewWorker();
  StopAllPreviews();
  win::RunModal(window, kSelectionDialogTemplate, SelectionProc,
                reinterpret_cast<std::intptr_t>(d.record));
  // The big preview prepared the member's tree for its own view; with it
  // ended and the main worker still held, no thread holds the tree, so it
  // can be prepared for the main preview again.
  StopBigPreview();
  if (d.ready[k] != 0) PrepareRenderReference(k);
  ReleasePreviewWorker();
  // The previews resume at the next paint, which must not depend on the
  // window system repainting what the selection dialog covered.
  win::Invalidate(window);
  return 1;
}

std::intptr_t Command(WindowHandle window, std::uintptr_t wParam) {
  const int id = static_cast<int>(wParam & 0xFFFF);
  const int code = static_cast<int>((wParam >> 16) & 0xFFFF);
  if (code != 0) return 0;
  DialogState& d = Dialogs();
  switch (id) {
    case ids::kCancel:
      StopPreviewWorker();
      host::SetResult(api::userCanceledErr);
      host::ClearRects();
      win::EndDialog(window, ids::kCancel);
      return 1;
    case ids::kNext:
      return Next(window);
    case ids::kBack:
      return Back(window);
    case ids::kProp:
      win::RunModal(window, kPropertiesDialogTemplate, PropertiesProc,
                    reinterpret_cast<std::intptr_t>(d.record));
      return 1;
    default:
      break;
  }
  const int c = id - 3;
  if (c <= 0 || c >= 4 * PreviewCount()) return 0;
  const int k = c / 4;
  switch (c % 4) {
    case 1:
      PickMember(k);
      win::EndDialog(window, ids::GroupOk(k));
      return 1;
    case 2:
      return OpenSelection(window, k);
    default:
      return 0;  // a picture placeholder or a slider
  }
}

}  // namespace

DialogState& Dialogs() {
  return dialogState;
}

std::intptr_t PxbreedProc(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam) {
  switch (message) {
    case kMsgInitDialog:
      return Initialise(window, lParam);
    case kMsgPaint:
      return Paint(window);
    case kMsgCommand:
      return Command(window, wParam);
    default:
      return 0;
  }
}

std::intptr_t RunMainDialog(WindowHandle owner, api::FilterRecord* record) {
  return win::RunModal(owner, kMainDialogTemplate, PxbreedProc,
                       reinterpret_cast<std::intptr_t>(record));
}

Rect FitAspect(const Rect& r) {
  const SourceDimensions source = SourceSize();
  // Without an image the previews are square.
  const double a = source.width > 0 && source.height > 0
                       ? static_cast<double>(source.width) / static_cast<double>(source.height)
                       : 1.0;
  const int32_t w = r.width();
  const int32_t h = r.height();
  if (w <= 0 || h <= 0) return r;
  const double b = static_cast<double>(w) / static_cast<double>(h);
  Rect f = r;
  if (a >= b) {
    const int32_t e = h - TruncToInt32((b / a) * h);
    f.top += e / 2;
    f.bottom -= e - e / 2;
  } else {
    const int32_t e = w - TruncToInt32((a / b) * w);
    f.left += e / 2;
    f.right -= e - e / 2;
  }
  return f;
}

Rect PictureOf(const Rect& frame) {
  return Rect{frame.left + 2, frame.top + 2, frame.right - 2, frame.bottom - 2};
}

void LayoutPreviews(int n) {
  DialogState& d = Dialogs();
  int32_t maxWidth = 0;
  int32_t maxHeight = 0;
  for (int k = 0; k < n; ++k) {
    Rect control{};
    win::ControlRect(d.mainWindow, ids::GroupPicture(k), &control);
    d.control[k] = control;
    d.frame[k] = FitAspect(control);
    d.picture[k] = PictureOf(d.frame[k]);
    if (d.picture[k].width() > maxWidth) maxWidth = d.picture[k].width();
    if (d.picture[k].height() > maxHeight) maxHeight = d.picture[k].height();
    win::SetSliderPosition(d.mainWindow, ids::GroupSlider(k), kSliderMiddle);
  }
  MakeSampleOrder(maxWidth, maxHeight);
}

void ShowGroup(WindowHandle dialog, int k, bool show) {
  win::ShowControl(dialog, ids::GroupPicture(k), false);  // only its rectangle is used
  win::ShowControl(dialog, ids::GroupOk(k), show);
  win::ShowControl(dialog, ids::GroupSel(k), show);
  win::ShowControl(dialog, ids::GroupSlider(k), show);
}

void BeginReplacingMember(int k) {
  DialogState& d = Dialogs();
  Population& p = GlobalPopulation();
  StopPreviewWorker();
  if (d.ready[k] == 0) {
    // Never shown yet: grow it at its preview's size.
    p.views[k].width = d.picture[k].width();
    p.views[k].height = d.picture[k].height();
    p.views[k].smooth = 0;
  }
  NodeRelease(&d.renderRefs[k], &p.views[k]);
}

void FinishReplacingMember(int k, bool regrow) {
  DialogState& d = Dialogs();
  Population& p = GlobalPopulation();
  if (regrow) {
    p.views[k].width = d.picture[k].width();
    p.views[k].height = d.picture[k].height();
    p.views[k].smooth = 0;
    RegrowMember(&p.members[k], &p.views[k]);
  }
  d.renderRefs[k] = p.members[k].tree;
  NodeRetain(d.renderRefs[k]);
  PrepareRenderReference(k);
  d.ready[k] = 1;
  ResetPreview(k);
}

void TellLearningDamage(WindowHandle owner) {
  SessionLearning& learning = GlobalLearning();
  if (learning.damage.empty()) return;
  const std::string message =
      "The session's learning could not be used (" + learning.damage +
      "). Its members are intact; breeding starts again from the default weights, with no "
      "steps to go back to.";
  learning.damage.clear();
  win::Log(message.c_str());
  win::Tell(owner, message.c_str());
}

void PickMember(int k) {
  StopPreviewWorker();
  StopAllPreviews();
  host::PickMember(k);
}

}  // namespace pxb::ui
