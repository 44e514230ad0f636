// The inside of a headless dialog: its controls and its picture.
#pragma once

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "testhost/headless_backend.h"

namespace pxb::ui {

struct HeadlessBackend::Control {
  int id;
  ControlKind kind;
  uint32_t style;
  Rect rect;
  bool visible;
  std::string text;
  int32_t position;
  int32_t lower;
  int32_t upper;
};

struct HeadlessBackend::Window {
  WindowHandle handle = 0;
  bool open = false;
  const DialogTemplate* dialog = nullptr;
  DialogProc proc = nullptr;
  WindowHandle owner = 0;
  int32_t x = 0;  // screen position; the window is its client area
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  std::vector<Control> controls;
  // The picture, one atomic word per pixel (red + 256 · green + 65536 ·
  // blue), row by row.
  std::unique_ptr<std::atomic<uint32_t>[]> pixels;
  DrawObserver* observer = nullptr;
  bool ended = false;
  std::intptr_t result = 0;
  bool invalid = false;  // an update is pending
  Rect update{};
  bool painting = false;  // the procedure is handling a paint of paintRect
  Rect paintRect{};
};

namespace headless {

inline Rect Intersect(const Rect& a, const Rect& b) {
  return Rect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

inline bool IsEmpty(const Rect& r) {
  return r.right <= r.left || r.bottom <= r.top;
}

inline Rect Union(const Rect& a, const Rect& b) {
  return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

// Fills area, clipped to the window; safe from any thread.
inline void FillPixels(HeadlessBackend::Window& w, const Rect& area, uint32_t colour) {
  const Rect r = Intersect(area, Rect{0, 0, w.width, w.height});
  for (int32_t y = r.top; y < r.bottom; ++y) {
    std::atomic<uint32_t>* row = &w.pixels[static_cast<size_t>(y) * static_cast<size_t>(w.width)];
    for (int32_t x = r.left; x < r.right; ++x)
      row[x].store(colour, std::memory_order_relaxed);
  }
}

// A 1-pixel border just inside r.
inline void FramePixels(HeadlessBackend::Window& w, const Rect& r, uint32_t colour) {
  if (IsEmpty(r)) return;
  FillPixels(w, Rect{r.left, r.top, r.right, r.top + 1}, colour);
  FillPixels(w, Rect{r.left, r.bottom - 1, r.right, r.bottom}, colour);
  FillPixels(w, Rect{r.left, r.top, r.left + 1, r.bottom}, colour);
  FillPixels(w, Rect{r.right - 1, r.top, r.right, r.bottom}, colour);
}

}  // namespace headless
}  // namespace pxb::ui
