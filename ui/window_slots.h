// The open dialogs of a backend that stands in for the window system (GTK,
// headless): a few slots, each dialog's handle numbered from kFirstHandle
// by its slot, the innermost dialog in the highest open slot. Window needs
// the members `handle` and `open`.
#pragma once

#include <memory>

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
