// Host memory blocks, the about box and the placing of dialogs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/host_memory.h"
#include "host/host_utils.h"
#include "host/platform_native.h"
#include "resources/plugin_resources.h"
#include "testhost/host_side.h"

namespace pxb::host {
namespace {

// The tests here only use the host's handle suite, never an entry point.
void PXB_CDECL Entry(std::int16_t, void*, std::intptr_t*, std::int16_t*) {}

TEST(HostMemoryTest, OnlyVersionOneTablesWithTheirProceduresAreUsed) {
  pxhost::Host host(pxhost::Document{}, pxhost::HostOptions{}, Entry);
  const api::HandleProcs full = *host.record().handleProcs;
  EXPECT_TRUE(HostHandlesUsable(&full));
  EXPECT_FALSE(HostHandlesUsable(nullptr));

  api::HandleProcs t = full;
  t.numHandleProcs = 7;  // the 4.0 table
  EXPECT_TRUE(HostHandlesUsable(&t));
  t.numHandleProcs = 6;
  EXPECT_FALSE(HostHandlesUsable(&t));
  for (std::int16_t version : {0, 2}) {
    t = full;
    t.handleProcsVersion = version;
    EXPECT_FALSE(HostHandlesUsable(&t)) << version;
  }
  t = full;
  t.setSizeProc = nullptr;
  EXPECT_FALSE(HostHandlesUsable(&t));
  t = full;
  t.newProc = nullptr;
  EXPECT_FALSE(HostHandlesUsable(&t));
}

TEST(HostMemoryTest, BlocksComeFromTheHostOrTheFallback) {
  pxhost::Host host(pxhost::Document{}, pxhost::HostOptions{}, Entry);
  const api::HandleProcs* procs = host.record().handleProcs;

  api::Handle h = NewBlock(procs, 40);
  ASSERT_TRUE(host.IsHostHandle(h));
  EXPECT_EQ(BlockSize(procs, h), 40);
  void* data = LockBlock(procs, h);
  EXPECT_EQ(data, *h);
  EXPECT_TRUE(host.IsLocked(h));
  UnlockBlock(procs, h);
  EXPECT_FALSE(host.IsLocked(h));

  api::HandleProcs refused = *procs;
  refused.handleProcsVersion = 2;
  const std::int64_t callsBefore = host.handleCalls;
  api::Handle f = NewBlock(&refused, 40);
  ASSERT_NE(f, nullptr);
  EXPECT_FALSE(host.IsHostHandle(f));
  auto* bytes = static_cast<unsigned char*>(LockBlock(&refused, f));
  EXPECT_EQ(static_cast<void*>(bytes), static_cast<void*>(*f));
  for (int i = 0; i < 40; ++i)
    EXPECT_EQ(bytes[i], 0) << i;
  UnlockBlock(&refused, f);
  EXPECT_EQ(BlockSize(&refused, f), 40) << "a fallback block keeps the size it was made with";
  // A fallback block goes back to the platform, even while the host's table
  // is usable; a host block goes back to the host.
  DisposeBlock(procs, f);
  EXPECT_EQ(host.handleCalls, callsBefore);
  DisposeBlock(procs, h);
  EXPECT_FALSE(host.IsHostHandle(h));
}

platform::DialogGeometry Geometry(platform::ScreenRect parent, int w, int h, bool sysMenu) {
  return platform::DialogGeometry{parent, w, h, 18, sysMenu, 1024, 768};
}

TEST(CentreDialogTest, CentresOneThirdDownAndStaysOnScreen) {
  const struct {
    const char* what;
    platform::ScreenRect parent;
    int w, h;
    bool sysMenu;
    int x, y;
  } cases[] = {
      // (600 - 200) / 2 - 18 and (400 - 100) / 3.
      {"centred", {100, 50, 700, 450}, 200, 100, true, 100 + 200 - 18, 50 + 100},
      // Without a system menu a caption button counts two thirds: 18 - 6.
      {"no system menu", {100, 50, 700, 450}, 200, 100, false, 100 + 200 - 12, 50 + 100},
      {"odd excesses truncate", {0, 0, 601, 401}, 200, 100, true, 200 - 18, 100},
      {"larger than the parent", {100, 50, 300, 150}, 400, 300, true, 100 - 18, 50},
      {"past the screen's edges", {900, 700, 1000, 760}, 400, 300, true, 1024 - 400, 768 - 300},
      {"larger than the screen", {0, 0, 1024, 768}, 1200, 900, true, 0, 0},
  };
  for (const auto& c : cases) {
    const DialogPosition p = CentredDialogPosition(Geometry(c.parent, c.w, c.h, c.sysMenu));
    EXPECT_EQ(p.x, c.x) << c.what;
    EXPECT_EQ(p.y, c.y) << c.what;
  }
}

struct Seen {
  platform::WindowHandle owner = -1;
  std::string text;
  std::string caption;
  int x = 0, y = 0, w = 0, h = 0;
};

TEST(CentreDialogTest, MovesTheDialogTheWindowSystemDescribes) {
  Seen seen;
  platform::NativeHooks hooks{};
  hooks.context = &seen;
  hooks.queryDialogGeometry = [](void*, platform::WindowHandle, platform::DialogGeometry* g) {
    *g = platform::DialogGeometry{{0, 0, 800, 600}, 300, 150, 18, true, 1024, 768};
    return true;
  };
  hooks.moveDialog = [](void* c, platform::WindowHandle, std::int32_t x, std::int32_t y,
                        std::int32_t w,
                        std::int32_t h) { *static_cast<Seen*>(c) = Seen{0, "", "", x, y, w, h}; };
  platform::SetNativeHooks(&hooks);
  CentreDialog(7);
  platform::SetNativeHooks(nullptr);
  EXPECT_EQ(seen.x, 250 - 18);
  EXPECT_EQ(seen.y, 150);
  EXPECT_EQ(seen.w, 300);
  EXPECT_EQ(seen.h, 150);
}

TEST(AboutTest, ShowsTheAboutTextOwnedByTheHostWindow) {
  Seen seen;
  platform::NativeHooks hooks{};
  hooks.context = &seen;
  hooks.showInformation = [](void* c, platform::WindowHandle owner, const char* text,
                             const char* caption) {
    auto* s = static_cast<Seen*>(c);
    s->owner = owner;
    s->text = text;
    s->caption = caption;
  };
  platform::SetNativeHooks(&hooks);
  api::PlatformData window{0x1234};
  api::AboutRecord about{};
  about.platformData = &window;
  ShowAbout(&about, nullptr);
  EXPECT_EQ(seen.owner, 0x1234);
  EXPECT_EQ(seen.text, resources::AboutText());
  EXPECT_EQ(seen.caption, "");
  about.platformData = nullptr;
  ShowAbout(&about, nullptr);
  EXPECT_EQ(seen.owner, 0);
  platform::SetNativeHooks(nullptr);
}

}  // namespace
}  // namespace pxb::host
