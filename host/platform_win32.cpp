// The platform layer on Windows: movable global memory, the module's string
// table, message boxes and window geometry.
#include <windows.h>

#include "host/platform.h"

namespace pxb::host::platform {
namespace {

HWND AsWindow(WindowHandle handle) {
  return reinterpret_cast<HWND>(handle);
}

}  // namespace

void* AllocateLockedMemory(std::size_t size) {
  // A block of no bytes still needs an address.
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size > 0 ? size : 1);
  if (block == nullptr) return nullptr;
  void* address = GlobalLock(block);
  if (address == nullptr) GlobalFree(block);
  return address;
}

void FreeLockedMemory(void* address) {
  if (address == nullptr) return;
  HGLOBAL block = GlobalHandle(address);
  if (block == nullptr) return;
  GlobalUnlock(block);
  GlobalFree(block);
}

int LoadResourceString(void* moduleInstance, int id, char* buffer, int capacity) {
  if (buffer == nullptr || capacity <= 0) return 0;
  buffer[0] = '\0';
  const int length =
      LoadStringA(static_cast<HINSTANCE>(moduleInstance), static_cast<UINT>(id), buffer, capacity);
  if (length <= 0) {
    buffer[0] = '\0';
    return 0;
  }
  return length;
}

void ShowInformation(WindowHandle owner, const char* text, const char* caption) {
  MessageBoxA(AsWindow(owner), text != nullptr ? text : "", caption != nullptr ? caption : "",
              MB_ICONINFORMATION);
}

bool QueryDialogGeometry(WindowHandle dialog, DialogGeometry* geometry) {
  const HWND window = AsWindow(dialog);
  if (window == nullptr || geometry == nullptr) return false;
  HWND parent = GetParent(window);
  if (parent == nullptr) parent = GetDesktopWindow();
  RECT client{};
  if (!GetClientRect(parent, &client)) return false;
  // The client rectangle in screen coordinates.
  POINT corners[2] = {{client.left, client.top}, {client.right, client.bottom}};
  MapWindowPoints(parent, nullptr, corners, 2);
  RECT frame{};
  if (!GetWindowRect(window, &frame)) return false;
  const LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
  geometry->parentClient = ScreenRect{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  geometry->width = frame.right - frame.left;
  geometry->height = frame.bottom - frame.top;
  geometry->captionButtonWidth = GetSystemMetrics(SM_CXSIZE);
  geometry->hasSystemMenu = (style & WS_SYSMENU) != 0;
  geometry->screenWidth = GetSystemMetrics(SM_CXSCREEN);
  geometry->screenHeight = GetSystemMetrics(SM_CYSCREEN);
  return true;
}

void MoveDialog(WindowHandle dialog, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height) {
  SetWindowPos(AsWindow(dialog), nullptr, x, y, width, height, SWP_NOZORDER);
}

}  // namespace pxb::host::platform
