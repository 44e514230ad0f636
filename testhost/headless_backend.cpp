#include "testhost/headless_backend.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "host/host_utils.h"
#include "testhost/headless_window.h"
#include "ui/chosen_file.h"
#include "ui/file_dialogs.h"

namespace pxb::ui {

namespace {

using headless::FillPixels;
using headless::FramePixels;
using headless::Intersect;
using headless::IsEmpty;
using headless::Union;

constexpr uint32_t kSystemMenu = 0x00080000;  // WS_SYSMENU

// MulDiv of the window system: a · b / c rounded half away from zero.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  const int64_t p = static_cast<int64_t>(a) * b;
  const int64_t r = p >= 0 ? (p + c / 2) / c : -((-p + c / 2) / c);
  return static_cast<int32_t>(r);
}

}  // namespace

// The layer's entries, forwarding to the backend in their context.
struct HeadlessThunks {
  static HeadlessBackend& B(void* context) { return *static_cast<HeadlessBackend*>(context); }

  static bool ControlRect(void* context, WindowHandle dialog, int id, Rect* rect) {
    const HeadlessBackend::Control* c = B(context).FindControlIn(dialog, id);
    if (c == nullptr) return false;
    *rect = c->rect;
    return true;
  }
  static void ShowControl(void* context, WindowHandle dialog, int id, bool show) {
    HeadlessBackend& b = B(context);
    HeadlessBackend::Control* c = b.FindControlIn(dialog, id);
    if (c == nullptr || c->visible == show) return;
    c->visible = show;
    b.DrawControl(*b.Find(dialog), *c, c->rect);
  }
  static int32_t SliderPosition(void* context, WindowHandle dialog, int id) {
    const HeadlessBackend::Control* c = B(context).FindControlIn(dialog, id);
    return c != nullptr ? c->position : 0;
  }
  static void SetSliderPosition(void* context, WindowHandle dialog, int id, int32_t position) {
    HeadlessBackend& b = B(context);
    HeadlessBackend::Control* c = b.FindControlIn(dialog, id);
    if (c == nullptr) return;
    c->position = std::clamp(position, c->lower, c->upper);
    b.DrawControl(*b.Find(dialog), *c, c->rect);
  }
  static void SetUpDownRange(void* context, WindowHandle dialog, int id, int32_t lower,
                             int32_t upper) {
    HeadlessBackend::Control* c = B(context).FindControlIn(dialog, id);
    if (c == nullptr) return;
    c->lower = lower;
    c->upper = upper;
  }
  static void SetUpDownPosition(void* context, WindowHandle dialog, int id, int32_t position) {
    HeadlessBackend& b = B(context);
    HeadlessBackend::Control* c = b.FindControlIn(dialog, id);
    if (c != nullptr) b.SetUpDownValue(*b.Find(dialog), *c, position);
  }
  static int32_t UpDownPosition(void* context, WindowHandle dialog, int id) {
    return SliderPosition(context, dialog, id);
  }
  static void SetText(void* context, WindowHandle dialog, int id, const char* text) {
    HeadlessBackend& b = B(context);
    HeadlessBackend::Control* c = b.FindControlIn(dialog, id);
    if (c == nullptr) return;
    c->text = text != nullptr ? text : "";
    b.DrawControl(*b.Find(dialog), *c, c->rect);
  }
  static std::intptr_t RunModal(void* context, WindowHandle owner, const DialogTemplate* dialog,
                                DialogProc proc, std::intptr_t param) {
    return B(context).RunModal(owner, *dialog, proc, param);
  }
  static void EndDialog(void* context, WindowHandle dialog, std::intptr_t result) {
    B(context).EndDialog(dialog, result);
  }
  static bool UpdateRect(void* context, WindowHandle dialog, Rect* rect) {
    const HeadlessBackend::Window* w = B(context).Find(dialog);
    if (w == nullptr || !w->painting) return false;
    *rect = w->paintRect;
    return true;
  }
  static void Centre(void* context, WindowHandle dialog) { B(context).Centre(dialog); }
  static std::intptr_t ShowWaitCursor(void* context) { return B(context).waitCursorDepth_++; }
  static void RestoreCursor(void* context, std::intptr_t previous) {
    B(context).waitCursorDepth_ = static_cast<int32_t>(previous);
  }
  static bool ChooseFile(void* context, FileDialogSetup* setup) {
    return B(context).ChooseFile(setup);
  }
  // Drawing: the context is the window itself, reached by its handle
  // without looking at any other window.
  static DrawContext BeginDrawing(void* context, WindowHandle dialog) {
    return reinterpret_cast<DrawContext>(B(context).Find(dialog));
  }
  static void EndDrawing(void*, WindowHandle, DrawContext) {}
  static void FillSolid(void*, DrawContext dc, const Rect& rect, uint32_t colour) {
    auto* w = reinterpret_cast<HeadlessBackend::Window*>(dc);
    if (w == nullptr) return;
    FillPixels(*w, rect, colour);
    if (w->observer != nullptr) w->observer->filled(w->observer->context, w->handle, rect, colour);
  }
  static void FrameBlack(void*, DrawContext dc, const Rect& rect) {
    auto* w = reinterpret_cast<HeadlessBackend::Window*>(dc);
    if (w == nullptr) return;
    FramePixels(*w, rect, 0);
    if (w->observer != nullptr) w->observer->framed(w->observer->context, w->handle, rect);
  }
  static void LowerThreadPriority(void*) {}
  static void Log(void* context, const char* message) { B(context).Log(message); }
  static void Invalidate(void* context, WindowHandle dialog) {
    B(context).Invalidate(dialog, nullptr);
  }
  static void Tell(void* context, WindowHandle, const char* message) {
    B(context).Log(std::string("told: ") + message);
  }
};

HeadlessBackend::HeadlessBackend(HeadlessOptions options) : options_(options) {
  using T = HeadlessThunks;
  layer_ = DialogLayer{this,
                       T::ControlRect,
                       T::ShowControl,
                       T::SliderPosition,
                       T::SetSliderPosition,
                       T::SetUpDownRange,
                       T::SetUpDownPosition,
                       T::UpDownPosition,
                       T::SetText,
                       T::RunModal,
                       T::EndDialog,
                       T::UpdateRect,
                       T::Centre,
                       T::ShowWaitCursor,
                       T::RestoreCursor,
                       T::ChooseFile,
                       T::BeginDrawing,
                       T::EndDrawing,
                       T::FillSolid,
                       T::FrameBlack,
                       T::LowerThreadPriority,
                       T::Log,
                       T::Invalidate,
                       T::Tell};
}

HeadlessBackend::~HeadlessBackend() = default;

void HeadlessBackend::SetDrawObserver(const DrawObserver* observer) {
  observer_ = observer != nullptr ? *observer : DrawObserver{};
}

int32_t HeadlessBackend::PixelsX(int32_t units) const {
  return MulDiv(units, options_.baseUnitX, 4);
}

int32_t HeadlessBackend::PixelsY(int32_t units) const {
  return MulDiv(units, options_.baseUnitY, 8);
}

HeadlessBackend::Window* HeadlessBackend::Find(WindowHandle dialog) const {
  return windows_.Find(dialog);
}

HeadlessBackend::Control* HeadlessBackend::FindControlIn(WindowHandle dialog, int id) const {
  return windows_.FindControl(dialog, id);
}

std::intptr_t HeadlessBackend::RunModal(WindowHandle owner, const DialogTemplate& dialog,
                                        DialogProc proc, std::intptr_t param) {
  Window* slot = windows_.Take();
  if (slot == nullptr) return -1;
  Window& w = *slot;
  w.dialog = &dialog;
  w.proc = proc;
  w.owner = owner;
  w.width = PixelsX(dialog.width);
  w.height = PixelsY(dialog.height);
  w.pixels.reset(
      new std::atomic<uint32_t>[static_cast<size_t>(w.width) * static_cast<size_t>(w.height)]);
  w.observer = observer_.filled != nullptr ? &observer_ : nullptr;
  for (int32_t i = 0; i < dialog.controlCount; ++i) {
    const ControlTemplate& t = dialog.controls[i];
    const int32_t left = PixelsX(t.x);
    const int32_t top = PixelsY(t.y);
    w.controls.push_back(Control{
        t.id, t.kind, t.style, Rect{left, top, left + PixelsX(t.width), top + PixelsY(t.height)},
        (t.style & style::kVisible) != 0, t.caption != nullptr ? t.caption : "", 0, 0, 100});
  }
  w.open = true;
  FillPixels(w, Rect{0, 0, w.width, w.height}, kDialogBackground);
  proc(w.handle, kMsgInitDialog, 0, param);
  Invalidate(w.handle, nullptr);
  while (!w.ended) {
    if (w.invalid) {
      Paint(w);
      continue;
    }
    const bool go = !abandoned_ && driver_ && driver_(*this, w.handle);
    if (!go && !w.ended) {
      abandoned_ = true;
      SendCommand(w.handle, ids::kCancel, 0);
      if (!w.ended) EndDialog(w.handle, ids::kCancel);
    }
  }
  const std::intptr_t result = w.result;
  // The owner repaints what this dialog covered, unless a compositor kept
  // its picture.
  if (Window* o = Find(owner); o != nullptr && !options_.composited) {
    const Rect covered =
        Intersect(Rect{w.x - o->x, w.y - o->y, w.x - o->x + w.width, w.y - o->y + w.height},
                  Rect{0, 0, o->width, o->height});
    if (!IsEmpty(covered)) Invalidate(owner, &covered);
  }
  w.open = false;
  w.controls.clear();
  w.pixels.reset();
  if (Innermost() == 0) abandoned_ = false;
  return result;
}

void HeadlessBackend::EndDialog(WindowHandle dialog, std::intptr_t result) {
  Window* w = Find(dialog);
  if (w == nullptr) return;
  w->ended = true;
  w->result = result;
}

void HeadlessBackend::Paint(Window& w) {
  const Rect area = w.update;
  w.invalid = false;
  // The window system's own painting comes first: background and controls.
  FillPixels(w, area, kDialogBackground);
  for (const Control& c : w.controls) {
    if (c.visible && !IsEmpty(Intersect(c.rect, area))) DrawControl(w, c, area);
  }
  w.painting = true;
  w.paintRect = area;
  w.proc(w.handle, kMsgPaint, 0, 0);
  w.painting = false;
}

bool HeadlessBackend::PaintNow(WindowHandle dialog) {
  Window* w = Find(dialog);
  if (w == nullptr || !w->invalid) return false;
  Paint(*w);
  return true;
}

void HeadlessBackend::Invalidate(WindowHandle dialog, const Rect* area) {
  Window* w = Find(dialog);
  if (w == nullptr) return;
  const Rect whole{0, 0, w->width, w->height};
  const Rect r = area != nullptr ? Intersect(*area, whole) : whole;
  if (IsEmpty(r)) return;
  w->update = w->invalid ? Union(w->update, r) : r;
  w->invalid = true;
}

void HeadlessBackend::Centre(WindowHandle dialog) {
  Window* w = Find(dialog);
  if (w == nullptr) return;
  host::platform::DialogGeometry g{};
  if (const Window* parent = Find(w->owner); parent != nullptr) {
    g.parentClient = {parent->x, parent->y, parent->x + parent->width, parent->y + parent->height};
  } else {
    g.parentClient = {0, 0, options_.screenWidth, options_.screenHeight};
  }
  g.width = w->width;
  g.height = w->height;
  g.captionButtonWidth = options_.captionButtonWidth;
  g.hasSystemMenu = (w->dialog->style & kSystemMenu) != 0;
  g.screenWidth = options_.screenWidth;
  g.screenHeight = options_.screenHeight;
  const host::DialogPosition p = host::CentredDialogPosition(g);
  w->x = p.x;
  w->y = p.y;
}

bool HeadlessBackend::ChooseFile(FileDialogSetup* setup) {
  namespace fs = std::filesystem;
  if (fileAnswers_.empty()) {
    lastFileDialog_ = FileDialogOutcome::kCancelled;
    return false;
  }
  const std::string answer = fileAnswers_.front();
  fileAnswers_.pop_front();
  auto refuse = [&](const std::string& why) {
    Log("the file dialog did not accept " + answer + ": " + why);
    lastFileDialog_ = FileDialogOutcome::kRefused;
    return false;
  };
  std::error_code ec;
  fs::path path = fs::absolute(fs::path(answer), ec);
  if (ec || answer.empty()) return refuse("not a file name");
  std::string why;
  if (!AcceptChosenFile(setup, path, &why)) return refuse(why);
  lastFileDialog_ = FileDialogOutcome::kChosen;
  return true;
}

}  // namespace pxb::ui
