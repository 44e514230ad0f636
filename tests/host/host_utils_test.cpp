// Host memory blocks and the placing of dialogs.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/host_memory.h"
#include "host/host_utils.h"
#include "host/platform_native.h"
#include "testhost/host_side.h"

namespace pxb::host {
namespace {

// The tests here only use the host's handle suite, never an entry point.
void PXB_CDECL Entry(std::int16_t, void*, std::intptr_t*, std::int16_t*) {}

TEST(HostMemoryTest, OnlyVersionOneTablesWithTheirProceduresAreUsed) {
  pxhost::Host host(pxhost::Document{}, pxhost::HostOptions{}, Entry);
  EXPECT_FALSE(HostHandlesUsable(nullptr));
  const struct {
    const char* what;
    void (*change)(api::HandleProcs* t);
    bool usable;
  } cases[] = {
      {"the host's table", [](api::HandleProcs*) {}, true},
      {"the 4.0 table of 7", [](api::HandleProcs* t) { t->numHandleProcs = 7; }, true},
      {"6 procedures", [](api::HandleProcs* t) { t->numHandleProcs = 6; }, false},
      {"version 0", [](api::HandleProcs* t) { t->handleProcsVersion = 0; }, false},
      {"version 2", [](api::HandleProcs* t) { t->handleProcsVersion = 2; }, false},
      {"no setSize", [](api::HandleProcs* t) { t->setSizeProc = nullptr; }, false},
      {"no new", [](api::HandleProcs* t) { t->newProc = nullptr; }, false},
  };
  for (const auto& c : cases) {
    api::HandleProcs t = *host.record().handleProcs;
    c.change(&t);
    EXPECT_EQ(HostHandlesUsable(&t), c.usable) << c.what;
  }
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
  EXPECT_EQ(std::count(bytes, bytes + 40, 0), 40) << "a fallback block starts zeroed";
  UnlockBlock(&refused, f);
  EXPECT_EQ(BlockSize(&refused, f), 40) << "a fallback block keeps the size it was made with";
  // A fallback block goes back to the platform, even while the host's table
  // is usable; a host block goes back to the host.
  DisposeBlock(procs, f);
  EXPECT_EQ(host.handleCalls, callsBefore);
  DisposeBlock(procs, h);
  EXPECT_FALSE(host.IsHostHandle(h));
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
    // A caption 18 high on a 1024 x 768 screen.
    const DialogPosition p = CentredDialogPosition(
        platform::DialogGeometry{c.parent, c.w, c.h, 18, c.sysMenu, 1024, 768});
    EXPECT_EQ(p.x, c.x) << c.what;
    EXPECT_EQ(p.y, c.y) << c.what;
  }
}

TEST(CentreDialogTest, MovesTheDialogTheWindowSystemDescribes) {
  platform::DialogGeometry moved{};
  platform::NativeHooks hooks{};
  hooks.context = &moved;
  hooks.queryDialogGeometry = [](void*, platform::WindowHandle, platform::DialogGeometry* g) {
    *g = platform::DialogGeometry{{0, 0, 800, 600}, 300, 150, 18, true, 1024, 768};
    return true;
  };
  hooks.moveDialog = [](void* c, platform::WindowHandle, std::int32_t x, std::int32_t y,
                        std::int32_t w, std::int32_t h) {
    *static_cast<platform::DialogGeometry*>(c) = {{x, y, 0, 0}, w, h, 0, false, 0, 0};
  };
  platform::SetNativeHooks(&hooks);
  CentreDialog(7);
  platform::SetNativeHooks(nullptr);
  EXPECT_EQ(moved.parentClient.left, 250 - 18);
  EXPECT_EQ(moved.parentClient.top, 150);
  EXPECT_EQ(moved.width, 300);
  EXPECT_EQ(moved.height, 150);
}

}  // namespace
}  // namespace pxb::host
