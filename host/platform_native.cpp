// The platform layer without a window system.
#include "host/platform_native.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "resources/plugin_resources.h"

namespace pxb::host::platform {
namespace {

// The state of this layer: the hooks installed, if any.
struct NativePlatform {
  NativeHooks hooks{};
};
NativePlatform nativePlatform;

}  // namespace

void SetNativeHooks(const NativeHooks* hooks) {
  nativePlatform.hooks = hooks != nullptr ? *hooks : NativeHooks{};
}

void* AllocateLockedMemory(std::size_t size) {
  // calloc(0) may return null; a block of no bytes still needs an address.
  return std::calloc(size > 0 ? size : 1, 1);
}

void FreeLockedMemory(void* address) {
  std::free(address);
}

int LoadResourceString(void*, int id, char* buffer, int capacity) {
  if (buffer == nullptr || capacity <= 0) return 0;
  std::string_view text;
  if (id == resources::kResourceId) text = resources::AboutText();
  const auto length = static_cast<int>(
      text.size() < static_cast<std::size_t>(capacity) ? text.size() : capacity - 1);
  if (length > 0) std::memcpy(buffer, text.data(), static_cast<std::size_t>(length));
  buffer[length] = '\0';
  return length;
}

void ShowInformation(WindowHandle owner, const char* text, const char* caption) {
  const NativeHooks& h = nativePlatform.hooks;
  if (h.showInformation != nullptr) {
    h.showInformation(h.context, owner, text, caption);
    return;
  }
  if (caption != nullptr && caption[0] != '\0') std::fprintf(stderr, "%s\n", caption);
  std::fprintf(stderr, "%s\n", text != nullptr ? text : "");
}

bool QueryDialogGeometry(WindowHandle dialog, DialogGeometry* geometry) {
  const NativeHooks& h = nativePlatform.hooks;
  return h.queryDialogGeometry != nullptr && h.queryDialogGeometry(h.context, dialog, geometry);
}

void MoveDialog(WindowHandle dialog, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height) {
  const NativeHooks& h = nativePlatform.hooks;
  if (h.moveDialog != nullptr) h.moveDialog(h.context, dialog, x, y, width, height);
}

}  // namespace pxb::host::platform
