#include "ui/templates.h"

#include <array>
#include <cstdio>

namespace pxb::ui {
namespace {

using namespace style;

constexpr uint32_t kDialogStyle = kPopup | kCaption | kModalFrame | kSetFont;
constexpr uint32_t kButton = kChild | kVisible | kTabStop | kPushButton;
constexpr uint32_t kDefaultButton = kChild | kVisible | kTabStop | kDefPushButton;
constexpr uint32_t kSlider =
    kChild | kVisible | kTabStop | kTrackVertical | kTrackBoth | kTrackNoTicks;
// Placeholders are created hidden: only their rectangles are used.
constexpr uint32_t kPlaceholder = kChild | kStaticLeft;
constexpr uint32_t kLabel = kChild | kVisible | kStaticLeft;
constexpr uint32_t kCountEdit =
    kChild | kVisible | kBorder | kEditRight | kEditNumber | kEditReadOnly;
constexpr uint32_t kCountUpDown = kChild | kVisible | kUpDownWrap | kUpDownSetBuddyInt |
                                  kUpDownAlignRight | kUpDownAutoBuddy | kUpDownArrowKeys |
                                  kUpDownNoThousands;

constexpr int kGroups = 9;

// The four free buttons, then the nine groups filling the grid column by
// column, three per column.
constexpr std::array<ControlTemplate, 4 + 4 * kGroups> MainControls() {
  std::array<ControlTemplate, 4 + 4 * kGroups> c{};
  c[0] = {ids::kCancel, ControlKind::kPushButton, "Cancel", kButton, 5, 5, 50, 14};
  c[1] = {ids::kNext, ControlKind::kPushButton, "NEXT", kButton, 5, 65, 25, 14};
  c[2] = {ids::kProp, ControlKind::kPushButton, "PROP", kButton, 5, 295, 25, 14};
  // Back sits right under NEXT: it undoes what NEXT did.
  c[3] = {ids::kBack, ControlKind::kPushButton, "Back", kButton, 5, 82, 25, 14};
  for (int k = 0; k < kGroups; ++k) {
    const auto dx = static_cast<int16_t>(130 * (k / 3));
    const auto dy = static_cast<int16_t>(100 * (k % 3));
    ControlTemplate* g = &c[4 + 4 * static_cast<size_t>(k)];
    g[0] = {static_cast<int16_t>(ids::GroupPicture(k)),
            ControlKind::kStatic,
            nullptr,
            kPlaceholder,
            static_cast<int16_t>(65 + dx),
            static_cast<int16_t>(15 + dy),
            90,
            90};
    g[1] = {static_cast<int16_t>(ids::GroupOk(k)), ControlKind::kPushButton,      "ok", kButton,
            static_cast<int16_t>(40 + dx),         static_cast<int16_t>(90 + dy), 15,   14};
    g[2] = {static_cast<int16_t>(ids::GroupSel(k)), ControlKind::kPushButton,      "sel", kButton,
            static_cast<int16_t>(40 + dx),          static_cast<int16_t>(65 + dy), 15,    14};
    g[3] = {static_cast<int16_t>(ids::GroupSlider(k)),
            ControlKind::kTrackbar,
            nullptr,
            kSlider,
            static_cast<int16_t>(40 + dx),
            static_cast<int16_t>(20 + dy),
            15,
            35};
  }
  return c;
}

constexpr auto kMainControls = MainControls();

constexpr ControlTemplate kSelectionControls[] = {
    {ids::kOk, ControlKind::kDefaultPushButton, "OK", kDefaultButton, 220, 5, 50, 14},
    {ids::kCancel, ControlKind::kPushButton, "Cancel", kButton, 220, 25, 50, 14},
    {ids::kBigPicture, ControlKind::kStatic, nullptr, kPlaceholder, 10, 5, 195, 195},
    {4, ControlKind::kTrackbar, nullptr, kSlider, 10, 205, 15, 75},
    {5, ControlKind::kTrackbar, nullptr, kSlider, 45, 205, 15, 75},
    {6, ControlKind::kTrackbar, nullptr, kSlider, 80, 205, 15, 75},
    {7, ControlKind::kTrackbar, nullptr, kSlider, 115, 205, 15, 75},
    {8, ControlKind::kTrackbar, nullptr, kSlider, 150, 205, 15, 75},
    {ids::kOpen, ControlKind::kPushButton, "open", kButton, 220, 55, 50, 14},
    {ids::kSave, ControlKind::kPushButton, "save", kButton, 220, 75, 50, 14},
};

constexpr ControlTemplate kPropertiesControls[] = {
    {ids::kOk, ControlKind::kDefaultPushButton, "OK", kDefaultButton, 130, 7, 50, 14},
    {ids::kCancel, ControlKind::kPushButton, "Cancel", kButton, 130, 25, 50, 14},
    {ids::kCountEdit, ControlKind::kEdit, nullptr, kCountEdit, 5, 70, 20, 14},
    {ids::kCountUpDown, ControlKind::kUpDown, nullptr, kCountUpDown, 35, 70, 8, 14},
    {ids::kCountLabel, ControlKind::kStatic, "nr of previews", kLabel, 31, 71, 42, 8},
    {ids::kSessionTitle, ControlKind::kStatic, "Static", kLabel, 5, 5, 120, 15},
    {ids::kNewSession, ControlKind::kPushButton, "New Session", kButton, 5, 25, 50, 14},
};

template <size_t n>
constexpr int32_t Count(const ControlTemplate (&)[n]) {
  return static_cast<int32_t>(n);
}

void AppendQuoted(std::string* out, const char* text) {
  out->push_back('"');
  for (const char* p = text; *p != '\0'; ++p) {
    if (*p == '"') out->push_back('"');
    out->push_back(*p);
  }
  out->push_back('"');
}

}  // namespace

const DialogTemplate kMainDialogTemplate{"PXBREEDDIALOG",
                                         "Pixbreed",
                                         "MS Sans Serif",
                                         8,
                                         kDialogStyle,
                                         429,
                                         320,
                                         kMainControls.data(),
                                         static_cast<int32_t>(kMainControls.size())};

const DialogTemplate kSelectionDialogTemplate{
    "PXSELDIALOG", "Brood Selection",  "MS Sans Serif",          8, kDialogStyle, 279,
    286,           kSelectionControls, Count(kSelectionControls)};

const DialogTemplate kPropertiesDialogTemplate{
    "PXPROPDIALOG",      "brood properties",        "MS Sans Serif", 8, kDialogStyle, 187, 90,
    kPropertiesControls, Count(kPropertiesControls)};

const char* ControlClassName(ControlKind kind) {
  switch (kind) {
    case ControlKind::kPushButton:
    case ControlKind::kDefaultPushButton:
      return "BUTTON";
    case ControlKind::kStatic:
      return "STATIC";
    case ControlKind::kEdit:
      return "EDIT";
    case ControlKind::kUpDown:
      return "msctls_updown32";
    case ControlKind::kTrackbar:
      return "msctls_trackbar32";
  }
  return "STATIC";
}

const ControlTemplate* FindControl(const DialogTemplate& dialog, int id) {
  for (int32_t i = 0; i < dialog.controlCount; ++i) {
    if (dialog.controls[i].id == id) return &dialog.controls[i];
  }
  return nullptr;
}

std::string DialogResourceScript(const DialogTemplate& d) {
  char line[160];
  std::string out = d.name;
  std::snprintf(line, sizeof line, " DIALOGEX 0, 0, %d, %d\nSTYLE 0x%08X\nCAPTION ", d.width,
                d.height, d.style);
  out += line;
  AppendQuoted(&out, d.caption);
  std::snprintf(line, sizeof line, "\nFONT %d, ", d.pointSize);
  out += line;
  AppendQuoted(&out, d.fontName);
  out += "\nBEGIN\n";
  for (int32_t i = 0; i < d.controlCount; ++i) {
    const ControlTemplate& c = d.controls[i];
    out += "  CONTROL ";
    AppendQuoted(&out, c.caption != nullptr ? c.caption : "");
    std::snprintf(line, sizeof line, ", %d, ", c.id);
    out += line;
    AppendQuoted(&out, ControlClassName(c.kind));
    // A CONTROL statement is visible unless it says otherwise.
    std::snprintf(line, sizeof line, ", 0x%08X%s, %d, %d, %d, %d\n", c.style,
                  (c.style & kVisible) != 0 ? "" : " | NOT 0x10000000", c.x, c.y, c.width,
                  c.height);
    out += line;
  }
  out += "END\n";
  return out;
}

}  // namespace pxb::ui
