// The headless dialogs' controls: what a user does to them, what a user
// sees of them, and how they are drawn.
#include <string>

#include "testhost/headless_backend.h"
#include "testhost/headless_window.h"

namespace pxb::ui {
namespace {

using headless::FillPixels;
using headless::Intersect;

// Control colours.
constexpr uint32_t kFace = 0xE1E1E1;
constexpr uint32_t kEdge = 0xADADAD;
constexpr uint32_t kDefaultEdge = 0x707070;
constexpr uint32_t kChannel = 0xA0A0A0;
constexpr uint32_t kThumb = 0x505050;
constexpr uint32_t kField = 0xFFFFFF;

}  // namespace

void HeadlessBackend::DrawControl(Window& w, const Control& c, const Rect& clip) {
  const Rect area = Intersect(c.rect, clip);
  FillPixels(w, area, kDialogBackground);
  if (!c.visible) return;
  // Draws part of the control, inside what is to be repainted.
  auto fill = [&](const Rect& r, uint32_t colour) { FillPixels(w, Intersect(r, area), colour); };
  const Rect& r = c.rect;
  switch (c.kind) {
    case ControlKind::kPushButton:
    case ControlKind::kDefaultPushButton:
    case ControlKind::kUpDown: {
      fill(r, kFace);
      const uint32_t edge = c.kind == ControlKind::kDefaultPushButton ? kDefaultEdge : kEdge;
      fill(Rect{r.left, r.top, r.right, r.top + 1}, edge);
      fill(Rect{r.left, r.bottom - 1, r.right, r.bottom}, edge);
      fill(Rect{r.left, r.top, r.left + 1, r.bottom}, edge);
      fill(Rect{r.right - 1, r.top, r.right, r.bottom}, edge);
      if (c.kind == ControlKind::kUpDown) {
        const int32_t middle = (r.top + r.bottom) / 2;
        fill(Rect{r.left, middle, r.right, middle + 1}, edge);
      }
      break;
    }
    case ControlKind::kEdit:
      fill(r, kField);
      fill(Rect{r.left, r.top, r.right, r.top + 1}, kEdge);
      fill(Rect{r.left, r.bottom - 1, r.right, r.bottom}, kEdge);
      fill(Rect{r.left, r.top, r.left + 1, r.bottom}, kEdge);
      fill(Rect{r.right - 1, r.top, r.right, r.bottom}, kEdge);
      break;
    case ControlKind::kTrackbar: {
      // A vertical channel and a thumb: 0 at the top, 100 at the bottom.
      const int32_t middle = (r.left + r.right) / 2;
      const int32_t top = r.top + 4;
      const int32_t travel = r.height() - 8 - 4;
      fill(Rect{middle - 1, top, middle + 1, r.bottom - 4}, kChannel);
      const int32_t range = c.upper > c.lower ? c.upper - c.lower : 1;
      const int32_t y = top + (c.position - c.lower) * travel / range;
      fill(Rect{r.left + 2, y, r.right - 2, y + 4}, kThumb);
      break;
    }
    case ControlKind::kStatic:
      break;  // text is not drawn
  }
}

void HeadlessBackend::SetUpDownValue(Window& w, Control& c, int32_t position) {
  c.position = std::clamp(position, std::min(c.lower, c.upper), std::max(c.lower, c.upper));
  // The buddy is the control before it, which shows the number.
  if ((c.style & style::kUpDownAutoBuddy) != 0 && (c.style & style::kUpDownSetBuddyInt) != 0) {
    for (size_t i = 1; i < w.controls.size(); ++i) {
      if (&w.controls[i] != &c) continue;
      Control& buddy = w.controls[i - 1];
      buddy.text = std::to_string(c.position);
      DrawControl(w, buddy, buddy.rect);
    }
  }
  DrawControl(w, c, c.rect);
}

bool HeadlessBackend::SendCommand(WindowHandle dialog, int id, int code) {
  Window* w = Find(dialog);
  if (w == nullptr) return false;
  w->proc(dialog, kMsgCommand, CommandParam(id, code), 0);
  return true;
}

bool HeadlessBackend::Click(WindowHandle dialog, int id) {
  const Control* c = FindControlIn(dialog, id);
  if (c == nullptr || !c->visible ||
      (c->kind != ControlKind::kPushButton && c->kind != ControlKind::kDefaultPushButton)) {
    return false;
  }
  return SendCommand(dialog, id, 0);
}

bool HeadlessBackend::SetSlider(WindowHandle dialog, int id, int32_t position) {
  Control* c = FindControlIn(dialog, id);
  if (c == nullptr || !c->visible || c->kind != ControlKind::kTrackbar || position < c->lower ||
      position > c->upper) {
    return false;
  }
  c->position = position;
  DrawControl(*Find(dialog), *c, c->rect);
  return true;
}

bool HeadlessBackend::SetUpDown(WindowHandle dialog, int id, int32_t position) {
  Control* c = FindControlIn(dialog, id);
  if (c == nullptr || !c->visible || c->kind != ControlKind::kUpDown ||
      position < std::min(c->lower, c->upper) || position > std::max(c->lower, c->upper)) {
    return false;
  }
  SetUpDownValue(*Find(dialog), *c, position);
  return true;
}

bool HeadlessBackend::StepUpDown(WindowHandle dialog, int id, int32_t delta) {
  Control* c = FindControlIn(dialog, id);
  if (c == nullptr || !c->visible || c->kind != ControlKind::kUpDown) return false;
  const bool wrap = (c->style & style::kUpDownWrap) != 0;
  const int32_t low = std::min(c->lower, c->upper);
  const int32_t high = std::max(c->lower, c->upper);
  int32_t p = c->position;
  for (int32_t i = 0; i < (delta < 0 ? -delta : delta); ++i) {
    p += delta < 0 ? -1 : 1;
    if (p > high) p = wrap ? low : high;
    if (p < low) p = wrap ? high : low;
  }
  SetUpDownValue(*Find(dialog), *c, p);
  return true;
}

void HeadlessBackend::AnswerFileDialog(const std::string& path) {
  fileAnswers_.push_back(path);
}

WindowHandle HeadlessBackend::Innermost() const {
  return windows_.Innermost();
}

const DialogTemplate* HeadlessBackend::TemplateOf(WindowHandle dialog) const {
  const Window* w = Find(dialog);
  return w != nullptr ? w->dialog : nullptr;
}

bool HeadlessBackend::HasControl(WindowHandle dialog, int id) const {
  return FindControlIn(dialog, id) != nullptr;
}

bool HeadlessBackend::IsVisible(WindowHandle dialog, int id) const {
  const Control* c = FindControlIn(dialog, id);
  return c != nullptr && c->visible;
}

int32_t HeadlessBackend::PositionOf(WindowHandle dialog, int id) const {
  const Control* c = FindControlIn(dialog, id);
  return c != nullptr ? c->position : -1;
}

std::string HeadlessBackend::TextOf(WindowHandle dialog, int id) const {
  const Control* c = FindControlIn(dialog, id);
  return c != nullptr ? c->text : std::string();
}

Rect HeadlessBackend::ControlRectOf(WindowHandle dialog, int id) const {
  const Control* c = FindControlIn(dialog, id);
  return c != nullptr ? c->rect : Rect{};
}

Rect HeadlessBackend::ScreenRectOf(WindowHandle dialog) const {
  const Window* w = Find(dialog);
  return w != nullptr ? Rect{w->x, w->y, w->x + w->width, w->y + w->height} : Rect{};
}

uint32_t HeadlessBackend::PixelAt(WindowHandle dialog, int32_t x, int32_t y) const {
  const Window* w = Find(dialog);
  if (w == nullptr || x < 0 || y < 0 || x >= w->width || y >= w->height) return 0;
  return w->pixels[static_cast<size_t>(y) * static_cast<size_t>(w->width) + static_cast<size_t>(x)]
      .load(std::memory_order_relaxed);
}

Picture HeadlessBackend::Snapshot(WindowHandle dialog) const {
  Picture picture;
  const Window* w = Find(dialog);
  if (w == nullptr) return picture;
  picture.width = w->width;
  picture.height = w->height;
  picture.rgb.resize(static_cast<size_t>(w->width) * static_cast<size_t>(w->height) * 3);
  for (size_t i = 0; i < picture.rgb.size() / 3; ++i) {
    const uint32_t c = w->pixels[i].load(std::memory_order_relaxed);
    picture.rgb[3 * i] = static_cast<uint8_t>(c & 0xFF);
    picture.rgb[3 * i + 1] = static_cast<uint8_t>((c >> 8) & 0xFF);
    picture.rgb[3 * i + 2] = static_cast<uint8_t>((c >> 16) & 0xFF);
  }
  return picture;
}

}  // namespace pxb::ui
