// The inside of a GTK dialog: its widgets and the picture under them.
#pragma once

#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "gimp/gtk_backend.h"

namespace pxb::gimp {

struct GtkBackend::Control {
  int id;
  ui::ControlKind kind;
  ui::Rect rect;
  GtkWidget* widget;  // null for an edit field a spin button shows
};

struct GtkBackend::Window {
  GtkBackend* backend = nullptr;
  WindowHandle handle = 0;
  bool open = false;
  const ui::DialogTemplate* dialog = nullptr;
  ui::DialogProc proc = nullptr;
  WindowHandle owner = 0;
  int32_t width = 0;
  int32_t height = 0;
  GtkWidget* window = nullptr;
  GtkWidget* fixed = nullptr;
  std::vector<Control> controls;
  // Red + 256 · green + 65536 · blue per pixel, row by row; the preview
  // workers write it from their threads.
  std::unique_ptr<std::atomic<uint32_t>[]> pixels;
  bool ended = false;
  std::intptr_t result = 0;
  bool painting = false;
  ui::Rect paintRect{};
  // Set by invalidate; the modal loop paints the dialog anew on its turn.
  bool paintPending = false;
};

namespace gtkui {

inline constexpr uint32_t kBackground = 0xF0F0F0;

inline void FillPixels(GtkBackend::Window& w, const ui::Rect& area, uint32_t colour) {
  const int32_t left = std::max(area.left, 0);
  const int32_t top = std::max(area.top, 0);
  const int32_t right = std::min(area.right, w.width);
  const int32_t bottom = std::min(area.bottom, w.height);
  for (int32_t y = top; y < bottom; ++y) {
    std::atomic<uint32_t>* row = &w.pixels[static_cast<size_t>(y) * static_cast<size_t>(w.width)];
    for (int32_t x = left; x < right; ++x)
      row[x].store(colour, std::memory_order_relaxed);
  }
}

// The layer with the control functions filled in (gtk_controls.cpp); the
// backend adds the rest.
ui::DialogLayer GtkControlFunctions(GtkBackend* backend);

}  // namespace gtkui
}  // namespace pxb::gimp
