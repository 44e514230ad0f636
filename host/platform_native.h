// The platform layer where there is no window system: hooks through which a
// headless dialog layer or a test supplies windows and sees information
// boxes. Without hooks, information goes to stderr and there are no windows.
#pragma once

#include <cstdint>

#include "host/platform.h"

namespace pxb::host::platform {

struct NativeHooks {
  void* context;
  // Receives what ShowInformation would show; null: print to stderr.
  void (*showInformation)(void* context, WindowHandle owner, const char* text, const char* caption);
  // Answers QueryDialogGeometry; null: there are no windows to centre.
  bool (*queryDialogGeometry)(void* context, WindowHandle dialog, DialogGeometry* geometry);
  // Carries out MoveDialog; null: nothing to move.
  void (*moveDialog)(void* context, WindowHandle dialog, std::int32_t x, std::int32_t y,
                     std::int32_t width, std::int32_t height);
};

// Installs hooks (copied); null removes them.
void SetNativeHooks(const NativeHooks* hooks);

}  // namespace pxb::host::platform
