// The three dialog templates as data: ids, kinds, captions, styles, font,
// positions and sizes in dialog units. The headless backend lays them out
// from here, and the Windows build generates its resource script from the
// same tables (DialogResourceScript).
#pragma once

#include <cstdint>
#include <string>

namespace pxb::ui {

// Window and control styles, with their Win32 values.
namespace style {
inline constexpr uint32_t kPopup = 0x80000000;          // WS_POPUP
inline constexpr uint32_t kCaption = 0x00C00000;        // WS_CAPTION
inline constexpr uint32_t kModalFrame = 0x00000080;     // DS_MODALFRAME
inline constexpr uint32_t kSetFont = 0x00000040;        // DS_SETFONT
inline constexpr uint32_t kChild = 0x40000000;          // WS_CHILD
inline constexpr uint32_t kVisible = 0x10000000;        // WS_VISIBLE
inline constexpr uint32_t kTabStop = 0x00010000;        // WS_TABSTOP
inline constexpr uint32_t kBorder = 0x00800000;         // WS_BORDER
inline constexpr uint32_t kPushButton = 0x0000;         // BS_PUSHBUTTON
inline constexpr uint32_t kDefPushButton = 0x0001;      // BS_DEFPUSHBUTTON
inline constexpr uint32_t kStaticLeft = 0x0000;         // SS_LEFT
inline constexpr uint32_t kEditRight = 0x0002;          // ES_RIGHT
inline constexpr uint32_t kEditReadOnly = 0x0800;       // ES_READONLY
inline constexpr uint32_t kEditNumber = 0x2000;         // ES_NUMBER
inline constexpr uint32_t kTrackVertical = 0x0002;      // TBS_VERT
inline constexpr uint32_t kTrackBoth = 0x0008;          // TBS_BOTH: a plain thumb
inline constexpr uint32_t kTrackNoTicks = 0x0010;       // TBS_NOTICKS
inline constexpr uint32_t kUpDownWrap = 0x0001;         // UDS_WRAP
inline constexpr uint32_t kUpDownSetBuddyInt = 0x0002;  // UDS_SETBUDDYINT
inline constexpr uint32_t kUpDownAlignRight = 0x0004;   // UDS_ALIGNRIGHT
inline constexpr uint32_t kUpDownAutoBuddy = 0x0010;    // UDS_AUTOBUDDY
inline constexpr uint32_t kUpDownArrowKeys = 0x0020;    // UDS_ARROWKEYS
inline constexpr uint32_t kUpDownNoThousands = 0x0080;  // UDS_NOTHOUSANDS
}  // namespace style

enum class ControlKind : int32_t {
  kPushButton,
  kDefaultPushButton,
  kStatic,
  kEdit,
  kUpDown,
  kTrackbar,
};

// The window class of a kind: "BUTTON", "STATIC", "EDIT",
// "msctls_updown32", "msctls_trackbar32".
const char* ControlClassName(ControlKind kind);

struct ControlTemplate {
  int16_t id;
  ControlKind kind;
  const char* caption;  // null: no text
  uint32_t style;       // the whole style, visibility included
  int16_t x;
  int16_t y;
  int16_t width;
  int16_t height;
};

struct DialogTemplate {
  const char* name;  // the resource name
  const char* caption;
  const char* fontName;
  int16_t pointSize;
  uint32_t style;
  int16_t width;
  int16_t height;
  const ControlTemplate* controls;
  int32_t controlCount;
};

// PXBREEDDIALOG, the main dialog: Cancel (2), NEXT (100), PROP (101), Back
// (102) and
// nine groups k of picture placeholder 3 + 4k, "ok" 4 + 4k, "sel" 5 + 4k
// and rating slider 6 + 4k.
extern const DialogTemplate kMainDialogTemplate;
// PXSELDIALOG, the selection dialog.
extern const DialogTemplate kSelectionDialogTemplate;
// PXPROPDIALOG, the properties dialog.
extern const DialogTemplate kPropertiesDialogTemplate;

// Control ids.
namespace ids {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
// Main dialog.
inline constexpr int kNext = 100;
inline constexpr int kProp = 101;
inline constexpr int kBack = 102;
inline constexpr int GroupPicture(int k) {
  return 3 + 4 * k;
}
inline constexpr int GroupOk(int k) {
  return 4 + 4 * k;
}
inline constexpr int GroupSel(int k) {
  return 5 + 4 * k;
}
inline constexpr int GroupSlider(int k) {
  return 6 + 4 * k;
}
// Selection dialog.
inline constexpr int kBigPicture = 3;
inline constexpr int kFirstUnusedSlider = 4;
inline constexpr int kLastUnusedSlider = 8;
inline constexpr int kOpen = 10;
inline constexpr int kSave = 11;
// Properties dialog.
inline constexpr int kCountEdit = 3;
inline constexpr int kCountUpDown = 4;
inline constexpr int kCountLabel = 5;
inline constexpr int kSessionTitle = 6;
inline constexpr int kNewSession = 7;
}  // namespace ids

const ControlTemplate* FindControl(const DialogTemplate& dialog, int id);

// The template as a resource-script DIALOGEX statement.
std::string DialogResourceScript(const DialogTemplate& dialog);

}  // namespace pxb::ui
