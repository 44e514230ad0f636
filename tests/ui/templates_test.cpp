// The dialog templates as the tables give them, their resource script, and
// their layout in pixels.
#include <gtest/gtest.h>

#include "testhost/headless_backend.h"
#include "ui/templates.h"

namespace pxb::ui {
namespace {

struct Placed {
  int id;
  ControlKind kind;
  int x, y, width, height;
};

void ExpectControl(const DialogTemplate& d, const Placed& want) {
  const ControlTemplate* c = FindControl(d, want.id);
  ASSERT_NE(c, nullptr) << d.name << " " << want.id;
  EXPECT_EQ(c->kind, want.kind) << want.id;
  EXPECT_EQ(c->x, want.x) << want.id;
  EXPECT_EQ(c->y, want.y) << want.id;
  EXPECT_EQ(c->width, want.width) << want.id;
  EXPECT_EQ(c->height, want.height) << want.id;
}

TEST(TemplatesTest, MainDialogHasFourButtonsAndNineGroupsColumnByColumn) {
  const DialogTemplate& d = kMainDialogTemplate;
  EXPECT_STREQ(d.name, "PXBREEDDIALOG");
  EXPECT_STREQ(d.caption, "Pixbreed");
  EXPECT_STREQ(d.fontName, "MS Sans Serif");
  EXPECT_EQ(d.pointSize, 8);
  EXPECT_EQ(d.width, 429);
  EXPECT_EQ(d.height, 320);
  EXPECT_EQ(d.style & 0x00080000u, 0u) << "no system menu";
  EXPECT_EQ(d.controlCount, 40);
  EXPECT_EQ(FindControl(d, 1), nullptr) << "no default button";
  ExpectControl(d, {2, ControlKind::kPushButton, 5, 5, 50, 14});
  ExpectControl(d, {100, ControlKind::kPushButton, 5, 65, 25, 14});
  ExpectControl(d, {101, ControlKind::kPushButton, 5, 295, 25, 14});
  ExpectControl(d, {102, ControlKind::kPushButton, 5, 82, 25, 14});
  EXPECT_STREQ(FindControl(d, 102)->caption, "Back");
  ExpectControl(d, {3, ControlKind::kStatic, 65, 15, 90, 90});
  ExpectControl(d, {12, ControlKind::kPushButton, 40, 290, 15, 14});
  ExpectControl(d, {21, ControlKind::kPushButton, 170, 165, 15, 14});
  ExpectControl(d, {26, ControlKind::kTrackbar, 170, 220, 15, 35});
  ExpectControl(d, {27, ControlKind::kStatic, 325, 15, 90, 90});
  ExpectControl(d, {38, ControlKind::kTrackbar, 300, 220, 15, 35});
  EXPECT_STREQ(FindControl(d, 20)->caption, "ok");
  EXPECT_STREQ(FindControl(d, 33)->caption, "sel");
  EXPECT_EQ(FindControl(d, 35)->style & style::kVisible, 0u) << "placeholders are hidden";
  EXPECT_EQ(FindControl(d, 34)->style & 0x1Fu, 0x1Au) << "vertical, plain thumb, no ticks";
}

TEST(TemplatesTest, SelectionAndPropertiesDialogs) {
  const DialogTemplate& s = kSelectionDialogTemplate;
  EXPECT_STREQ(s.name, "PXSELDIALOG");
  EXPECT_STREQ(s.caption, "Brood Selection");
  EXPECT_EQ(s.width, 279);
  EXPECT_EQ(s.height, 286);
  ExpectControl(s, {1, ControlKind::kDefaultPushButton, 220, 5, 50, 14});
  ExpectControl(s, {2, ControlKind::kPushButton, 220, 25, 50, 14});
  ExpectControl(s, {3, ControlKind::kStatic, 10, 5, 195, 195});
  ExpectControl(s, {8, ControlKind::kTrackbar, 150, 205, 15, 75});
  ExpectControl(s, {10, ControlKind::kPushButton, 220, 55, 50, 14});
  ExpectControl(s, {11, ControlKind::kPushButton, 220, 75, 50, 14});
  EXPECT_EQ(FindControl(s, 9), nullptr);

  const DialogTemplate& p = kPropertiesDialogTemplate;
  EXPECT_STREQ(p.name, "PXPROPDIALOG");
  EXPECT_STREQ(p.caption, "brood properties");
  EXPECT_EQ(p.width, 187);
  EXPECT_EQ(p.height, 90);
  ExpectControl(p, {1, ControlKind::kDefaultPushButton, 130, 7, 50, 14});
  ExpectControl(p, {3, ControlKind::kEdit, 5, 70, 20, 14});
  ExpectControl(p, {4, ControlKind::kUpDown, 35, 70, 8, 14});
  ExpectControl(p, {5, ControlKind::kStatic, 31, 71, 42, 8});
  ExpectControl(p, {6, ControlKind::kStatic, 5, 5, 120, 15});
  ExpectControl(p, {7, ControlKind::kPushButton, 5, 25, 50, 14});
  EXPECT_STREQ(FindControl(p, 6)->caption, "Static");
  EXPECT_EQ(FindControl(p, 4)->style & 0xFFu, 0xB7u) << "wrap, buddy int, right, auto buddy, "
                                                        "arrow keys, no thousands";
  // The up-down control attaches itself to the control before it.
  EXPECT_EQ(FindControl(p, 4) - FindControl(p, 3), 1);
}

TEST(TemplatesTest, ResourceScriptStatesEveryControl) {
  const std::string rc = DialogResourceScript(kPropertiesDialogTemplate);
  EXPECT_EQ(rc.rfind("PXPROPDIALOG DIALOGEX 0, 0, 187, 90\n", 0), 0u) << rc;
  EXPECT_NE(rc.find("CAPTION \"brood properties\"\nFONT 8, \"MS Sans Serif\"\n"),
            std::string::npos);
  EXPECT_NE(rc.find("CONTROL \"\", 4, \"msctls_updown32\", 0x500000B7, 35, 70, 8, 14\n"),
            std::string::npos)
      << rc;
  const std::string main = DialogResourceScript(kMainDialogTemplate);
  EXPECT_NE(main.find("CONTROL \"ok\", 20, \"BUTTON\", 0x50010000, 170, 190, 15, 14\n"),
            std::string::npos);
  EXPECT_NE(main.find("CONTROL \"\", 19, \"STATIC\", 0x40000000 | NOT 0x10000000, 195, 115, "
                      "90, 90\n"),
            std::string::npos);
}

TEST(TemplatesTest, HeadlessLayoutUsesTheBaseUnitsOfTheDialogFont) {
  const HeadlessBackend backend;
  // 6 pixels per 4 horizontal units, 13 per 8 vertical ones, rounded.
  EXPECT_EQ(backend.PixelsX(429), 644);
  EXPECT_EQ(backend.PixelsY(320), 520);
  EXPECT_EQ(backend.PixelsX(65), 98);
  EXPECT_EQ(backend.PixelsY(15), 24);
  EXPECT_EQ(backend.PixelsX(90), 135);
  EXPECT_EQ(backend.PixelsY(90), 146);
}

}  // namespace
}  // namespace pxb::ui
