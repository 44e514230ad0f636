// The few services the plug-in needs from the window system and the memory
// manager of its platform. Everything else in host/ is portable C++ and talks
// to the platform only through these functions.
//
// Windows: movable global memory (GlobalAlloc with GMEM_MOVEABLE |
// GMEM_ZEROINIT, then GlobalLock), string resources (LoadStringA), message
// boxes (MessageBoxA) and window geometry (GetParent, GetClientRect,
// GetSystemMetrics, GetWindowLong, GetWindowRect, SetWindowPos).
// Elsewhere (platform_native.cpp): the heap, the strings built into the
// plug-in, and hooks that a headless dialog layer may install.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pxb::host::platform {

// A window of the platform (an HWND on Windows); 0 is no window.
using WindowHandle = std::intptr_t;

// Zero-filled memory that stays locked at one address until it is freed:
// movable global memory on Windows. Null when memory is short.
void* AllocateLockedMemory(std::size_t size);
// Frees memory from AllocateLockedMemory; null is ignored.
void FreeLockedMemory(void* address);

// Copies string `id` of the module's string table into buffer (at most
// capacity - 1 characters, always terminated) and returns its length; 0 and
// an empty text when the table has no such string.
int LoadResourceString(void* moduleInstance, int id, char* buffer, int capacity);

// Shows text under caption in an information box owned by owner and waits
// until the user closes it.
void ShowInformation(WindowHandle owner, const char* text, const char* caption);

// A rectangle in screen pixels; right and bottom are exclusive.
struct ScreenRect {
  std::int32_t left;
  std::int32_t top;
  std::int32_t right;
  std::int32_t bottom;
};

// What the window system tells about a dialog that is to be centred.
struct DialogGeometry {
  ScreenRect parentClient;  // the parent's client area (the desktop without a parent)
  std::int32_t width;       // the dialog's window size
  std::int32_t height;
  std::int32_t captionButtonWidth;  // width of one caption button
  bool hasSystemMenu;               // the dialog's style has a system menu
  std::int32_t screenWidth;
  std::int32_t screenHeight;
};

// Fills *geometry for dialog; false when the window system cannot say.
bool QueryDialogGeometry(WindowHandle dialog, DialogGeometry* geometry);
// Places dialog at (x, y) in screen pixels with the given window size.
void MoveDialog(WindowHandle dialog, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height);

}  // namespace pxb::host::platform
