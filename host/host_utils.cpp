#include "host/host_utils.h"

#include <algorithm>

namespace pxb::host {

void ShowAbout(const api::AboutRecord* about, void* moduleInstance) {
  platform::WindowHandle owner = 0;
  if (about != nullptr && about->platformData != nullptr) owner = about->platformData->hwnd;
  char text[kAboutTextCapacity];
  char caption[kAboutCaptionCapacity];
  platform::LoadResourceString(moduleInstance, kAboutTextId, text, kAboutTextCapacity);
  platform::LoadResourceString(moduleInstance, kAboutCaptionId, caption, kAboutCaptionCapacity);
  platform::ShowInformation(owner, text, caption);
}

DialogPosition CentredDialogPosition(const platform::DialogGeometry& g) {
  std::int32_t titleBits = g.captionButtonWidth;
  if (!g.hasSystemMenu) titleBits = titleBits - titleBits / 3;
  const std::int32_t parentWidth = g.parentClient.right - g.parentClient.left;
  const std::int32_t parentHeight = g.parentClient.bottom - g.parentClient.top;

  std::int32_t x = g.parentClient.left + std::max(parentWidth - g.width, 0) / 2 - titleBits;
  if (x + g.width > g.screenWidth) x = std::max(g.screenWidth - g.width, 0);
  std::int32_t y = g.parentClient.top + std::max(parentHeight - g.height, 0) / 3;
  if (y + g.height > g.screenHeight) y = std::max(g.screenHeight - g.height, 0);
  return DialogPosition{x, y};
}

void CentreDialog(platform::WindowHandle dialog) {
  platform::DialogGeometry geometry{};
  if (!platform::QueryDialogGeometry(dialog, &geometry)) return;
  const DialogPosition p = CentredDialogPosition(geometry);
  platform::MoveDialog(dialog, p.x, p.y, geometry.width, geometry.height);
}

}  // namespace pxb::host
