// The open dialogs of a backend that stands in for the window system (GTK,
// headless): a few slots, each dialog's handle numbered from kFirstHandle
// by its slot, the innermost dialog in the highest open slot. Window needs
// the members `handle`, `open` and `controls` (each control with its `id`).
#pragma once

#include <memory>
#include <utility>

#include "ui/dialog_layer.h"

namespace pxb::ui {

template <class Window>
class WindowSlots {
 public:
  // The main dialog and one child need two.
  static constexpr int kCount = 4;
  static constexpr WindowHandle kFirstHandle = 0x7E00;

  WindowSlots() : windows_(new Window[kCount]) {}

  // The open window of handle, or null.
  Window* Find(WindowHandle handle) const {
    const WindowHandle i = handle - kFirstHandle;
    if (i < 0 || i >= kCount || !windows_[i].open) return nullptr;
    return &windows_[i];
  }

  // The control `id` of the open window of handle, or null.
  // (A template so that Window may still be incomplete where the table is
  // declared.)
  template <class W = Window>
  auto FindControl(WindowHandle handle, int id) const -> decltype(&std::declval<W&>().controls[0]) {
    Window* w = Find(handle);
    if (w == nullptr) return nullptr;
    for (auto& c : w->controls) {
      if (c.id == id) return &c;
    }
    return nullptr;
  }

  // A fresh window in the first free slot, its handle set, not yet open;
  // null when every slot is taken.
  Window* Take() {
    for (int i = 0; i < kCount; ++i) {
      if (windows_[i].open) continue;
      windows_[i] = Window{};
      windows_[i].handle = kFirstHandle + i;
      return &windows_[i];
    }
    return nullptr;
  }

  // The handle of the innermost open dialog, 0 when none is open.
  WindowHandle Innermost() const {
    for (int i = kCount - 1; i >= 0; --i) {
      if (windows_[i].open) return windows_[i].handle;
    }
    return 0;
  }

  // Slot i, open or not.
  Window& operator[](int i) const { return windows_[i]; }

 private:
  std::unique_ptr<Window[]> windows_;
};

}  // namespace pxb::ui
