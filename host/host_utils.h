// The about box and the placing of the plug-in's dialogs.
#pragma once

#include <cstdint>

#include "host/platform.h"
#include "interface/pluginapi.h"

namespace pxb::host {

// String-table ids of the about text and its caption (the table holds no
// caption, so the caption is empty).
inline constexpr int kAboutTextId = 16000;
inline constexpr int kAboutCaptionId = 16001;
inline constexpr int kAboutTextCapacity = 256;
inline constexpr int kAboutCaptionCapacity = 60;

// Shows the about text in an information box owned by the window that the
// record's platform data names (no owner when it names none).
void ShowAbout(const api::AboutRecord* about, void* moduleInstance);

struct DialogPosition {
  std::int32_t x;
  std::int32_t y;
};

// Where CentreDialog puts a dialog: horizontally centred over the parent's
// client area and shifted left by one caption button (two thirds of one
// without a system menu), a third of the way down, moved back onto the
// screen where it would reach past the right or bottom edge. Divisions
// truncate toward zero.
DialogPosition CentredDialogPosition(const platform::DialogGeometry& g);

// Moves dialog to CentredDialogPosition; nothing when the window system
// cannot describe it.
void CentreDialog(platform::WindowHandle dialog);

}  // namespace pxb::host
