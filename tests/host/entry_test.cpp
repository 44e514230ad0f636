// The entry point: selectors, the parameter block, prepare, the reduced image
// at start, and the sessions of the breeding and repeat runs.
#include <fstream>

#include "evolution/population.h"
#include "host/host_utils.h"
#include "host/platform_native.h"
#include "primitives/source_image.h"
#include "resources/plugin_resources.h"
#include "storage/session_store.h"
#include "tests/host/plugin_fixture.h"

namespace pxb::host {
namespace {

constexpr std::int16_t kParameters = api::filterSelectorParameters;
constexpr std::int16_t kPrepare = api::filterSelectorPrepare;
constexpr std::int16_t kStart = api::filterSelectorStart;
constexpr std::int16_t kFinish = api::filterSelectorFinish;

// The parameter block behind the host's data slot (host or fallback handle).
const ParameterBlock* BlockOf(Host& host) {
  return reinterpret_cast<const ParameterBlock*>(*reinterpret_cast<api::Handle>(host.dataSlot()));
}

bool RectanglesEmpty(Host& host) {
  const api::FilterRecord& r = host.record();
  return api::IsEmpty(r.inRect) && api::IsEmpty(r.outRect) && api::IsEmpty(r.maskRect);
}

int PreviewCountIn(const std::string& path) {
  Population p{};
  SessionHeader h;
  std::string error;
  EXPECT_TRUE(LoadSession(path, &p, &h, &error)) << error;
  ReleasePopulation(&p);
  return static_cast<int>(h.previewCount);
}

TEST_F(PluginTest, SelectorsShareOneBlockAndLeaveItUnlocked) {
  Host host(Rgb(8, 8), Quiet(), &ENTRYPOINT);
  EXPECT_EQ(host.Call(kParameters), api::noErr);
  ASSERT_TRUE(host.IsHostHandle(reinterpret_cast<api::Handle>(host.dataSlot())));
  EXPECT_EQ(BlockOf(host)->showDialog, 1u);
  EXPECT_EQ(BlockOf(host)->haveSession, 0u);
  const std::intptr_t slot = host.dataSlot();
  EXPECT_EQ(host.Call(api::filterSelectorContinue), api::noErr);
  EXPECT_EQ(host.Call(kFinish), api::noErr);
  for (std::int16_t unknown : {6, -1, 300}) {
    EXPECT_EQ(host.Call(unknown), api::filterBadParameters) << unknown;
  }
  EXPECT_EQ(host.dataSlot(), slot);
  EXPECT_TRUE(host.problems.empty()) << host.problems.front();
}

TEST_F(PluginTest, AboutShowsItsTextOverTheHostWindowAndTouchesNoBlock) {
  struct Seen {
    platform::WindowHandle owner = -1;
    std::string text;
  } seen;
  platform::NativeHooks hooks{};
  hooks.context = &seen;
  hooks.showInformation = [](void* c, platform::WindowHandle owner, const char* text,
                             const char* caption) {
    *static_cast<Seen*>(c) = Seen{owner, std::string(text) + "|" + caption};
  };
  platform::SetNativeHooks(&hooks);
  Host host(Rgb(8, 8), Quiet(), &ENTRYPOINT);
  EXPECT_EQ(host.About(), api::noErr);
  EXPECT_EQ(seen.text, std::string(resources::AboutText()) + "|");
  EXPECT_EQ(host.dataSlot(), 0);
  EXPECT_EQ(host.handleCalls, 0);
  // Owned by the host's window, or by none without platform data.
  api::PlatformData window{0x1234};
  api::AboutRecord about{};
  about.platformData = &window;
  ShowAbout(&about, nullptr);
  EXPECT_EQ(seen.owner, 0x1234);
  about.platformData = nullptr;
  ShowAbout(&about, nullptr);
  EXPECT_EQ(seen.owner, 0);
  platform::SetNativeHooks(nullptr);
}

TEST_F(PluginTest, NoMemoryForTheBlockIsAnErrorNotACrash) {
  HostOptions o = Quiet();
  o.failNewHandle = true;
  Host host(Rgb(8, 8), o, &ENTRYPOINT);
  EXPECT_FALSE(host.RunFilter(true));
  EXPECT_EQ(host.LastResult(kParameters), api::memFullErr);
  EXPECT_FALSE(host.RunFilter(false));
  EXPECT_EQ(host.LastResult(kPrepare), api::memFullErr);
  EXPECT_EQ(host.dataSlot(), 0);
  EXPECT_TRUE(host.advances.empty());
}

TEST_F(PluginTest, BandsFitMaxSpaceAtBothExtremes) {
  // 30 × 20 pixels of 3 planes: a row takes 30 × (2·3 + 1) = 210 bytes.
  const struct {
    std::int32_t maxSpace;
    std::int32_t rows;
  } cases[] = {{1, 1}, {210, 1}, {211, 1}, {421, 2}, {4200, 19}, {4201, 20}, {1 << 28, 20}};
  for (const auto& c : cases) {
    HostOptions o = Quiet();
    o.maxSpace = c.maxSpace;
    Host host(Rgb(30, 20), o, &ENTRYPOINT);
    host.record().maxSpace = c.maxSpace;
    EXPECT_EQ(host.Call(kPrepare), api::noErr);
    EXPECT_EQ(CurrentRun().rowsPerBand, c.rows) << c.maxSpace;
    EXPECT_EQ(host.record().bufferSpace, 0);
    if (c.rows == 1) {
      EXPECT_EQ(host.record().maxSpace, 210) << c.maxSpace;
    }
    if (c.rows == 20) {
      EXPECT_EQ(host.record().maxSpace, 20 * 210) << c.maxSpace;
    }
  }
}

TEST_F(PluginTest, ImageModesSetTheColourPlanesAndRootType) {
  // In call order: multichannel and unknown modes keep the previous count.
  const struct {
    std::int16_t mode;
    std::int16_t colourPlanes;
  } cases[] = {{api::plugInModeRGBColor, 3},     {api::plugInModeMultichannel, 3},
               {api::plugInModeCMYKColor, 4},    {api::plugInModeMultichannel, 4},
               {api::plugInModeGrayScale, 1},    {api::plugInModeLab48, 1},
               {api::plugInModeLabColor, 3},     {api::plugInModeBitmap, 1},
               {api::plugInModeIndexedColor, 3}, {api::plugInModeDuotone, 1},
               {api::plugInModeHSLColor, 3},     {api::plugInModeGray16, 1},
               {api::plugInModeHSBColor, 3},     {api::plugInModeRGB48, 3}};
  for (const auto& c : cases) {
    Host host(Pattern(4, 4, 4, c.mode), Quiet(), &ENTRYPOINT);
    EXPECT_EQ(host.Call(kPrepare), api::noErr);
    EXPECT_EQ(CurrentRun().colourPlaneCount, c.colourPlanes) << c.mode;
    EXPECT_EQ(GlobalPopulation().rootType, c.colourPlanes == 3 ? kColour : kUnit) << c.mode;
  }
}

TEST_F(PluginTest, StartAsksForTheReducedImage) {
  const struct {
    int width, height, scale, reducedWidth, reducedHeight;
  } cases[] = {{1023, 700, 1, 1023, 700}, {1024, 700, 2, 512, 350}, {1600, 1200, 3, 533, 400}};
  script_.chooserAnswer = Path("s.gds");
  script_.pick = -1;  // no final pass
  for (const auto& c : cases) {
    const Document doc = Rgb(c.width, c.height);
    SourceDimensions seen{};
    script_.during = [&] {
      seen = SourceSize();
      // Every scale-th pixel of the image.
      for (int y = 0; y < seen.height; y += 97) {
        for (int x = 0; x < seen.width; x += 89) {
          std::uint8_t rgb[3];
          ReadSourcePixel(x, y, rgb);
          const std::size_t at =
              (static_cast<std::size_t>(y) * c.scale * c.width + x * c.scale) * 3;
          ASSERT_EQ(rgb[0], doc.pixels[at]) << x << "," << y;
          ASSERT_EQ(rgb[2], doc.pixels[at + 2]) << x << "," << y;
        }
      }
    };
    Host host(doc, Quiet(), &ENTRYPOINT);
    host.RunFilter(true);
    ASSERT_EQ(host.advances.size(), 1u);
    const pxhost::AdvanceRequest& q = host.advances[0];
    EXPECT_EQ(q.inRect.bottom, c.reducedHeight);
    EXPECT_EQ(q.inRect.right, c.reducedWidth);
    EXPECT_EQ(q.outRect.right, c.reducedWidth);
    EXPECT_EQ(q.maskRect.bottom, c.reducedHeight);
    EXPECT_EQ(q.inputRate, c.scale * api::kFixedOne);
    EXPECT_EQ(q.maskRate, c.scale * api::kFixedOne);
    EXPECT_EQ(q.inputPadding, 255);
    EXPECT_EQ(q.inHiPlane, 2);
    EXPECT_EQ(seen.width, c.reducedWidth);
    EXPECT_EQ(seen.height, c.reducedHeight);
  }
}

TEST_F(PluginTest, CancelEmptiesTheRectanglesAndStillSavesTheSession) {
  const std::string path = Path("s.gds");
  WriteSession(path, 5, kColour, -1);
  script_.chooserAnswer = path;
  script_.pick = -1;
  // What the properties dialog does to the preview count.
  script_.during = [] { SetPreviewCount(&GlobalSessionHeader(), 7); };
  const Document doc = Rgb(20, 10);
  Host host(doc, Quiet(), &ENTRYPOINT);
  EXPECT_FALSE(host.RunFilter(true));
  EXPECT_EQ(host.LastResult(kStart), api::userCanceledErr);
  EXPECT_EQ(host.LastResult(kFinish), 1);  // finish follows a successful start only
  EXPECT_TRUE(RectanglesEmpty(host));
  EXPECT_EQ(host.advances.size(), 1u);
  EXPECT_EQ(host.document().pixels, doc.pixels);
  EXPECT_EQ(PreviewCountIn(path), 7);
  EXPECT_EQ(BlockOf(host)->haveSession, 1u);
  EXPECT_EQ(BlockOf(host)->showDialog, 0u);
}

TEST_F(PluginTest, CancelledChooserEndsTheRunWithoutASession) {
  Host host(Rgb(20, 10), Quiet(), &ENTRYPOINT);
  EXPECT_FALSE(host.RunFilter(true));
  EXPECT_EQ(host.LastResult(kStart), api::userCanceledErr);
  EXPECT_EQ(script_.chooserCalls, 1);
  EXPECT_EQ(script_.dialogCalls, 0);
  EXPECT_EQ(BlockOf(host)->haveSession, 0u);
  EXPECT_TRUE(RectanglesEmpty(host));
}

TEST_F(PluginTest, RepeatNeedsASessionWithAChosenMember) {
  const Document doc = Rgb(12, 6);
  {
    Host fresh(doc, Quiet(), &ENTRYPOINT);
    EXPECT_FALSE(fresh.RunFilter(false));
    EXPECT_EQ(fresh.LastResult(kStart), api::readErr);
    EXPECT_EQ(fresh.advances.size(), 1u);
    EXPECT_TRUE(RectanglesEmpty(fresh));
  }
  const std::string path = Path("s.gds");
  WriteSession(path, 3, kColour, -1);
  script_.chooserAnswer = path;
  script_.pick = -1;
  Host host(doc, Quiet(), &ENTRYPOINT);
  EXPECT_FALSE(host.RunFilter(true));
  EXPECT_FALSE(host.RunFilter(false));
  EXPECT_EQ(host.LastResult(kStart), api::readErr);
  EXPECT_EQ(host.document().pixels, doc.pixels);

  script_.pick = 2;
  EXPECT_TRUE(host.RunFilter(true));
  EXPECT_TRUE(host.RunFilter(false));
  EXPECT_EQ(GlobalPopulation().chosenMember, 2);
  EXPECT_EQ(script_.dialogCalls, 2);
}

// A session file that has gone since the last run, or is no session: the
// host is told (naming the file when it takes messages), nothing more is
// filtered and a refused file is kept.
TEST_F(PluginTest, MissingOrRefusedSessionFilesAreReported) {
  std::ofstream(Path("bad.gds"), std::ios::binary) << "this is not a session file";
  for (const std::string name : {"gone.gds", "bad.gds"}) {
    const bool gone = name == "gone.gds";
    script_.chooserAnswer = Path(name);
    for (bool messages : {true, false}) {
      SCOPED_TRACE(name + (messages ? " with messages" : ""));
      HostOptions o = Quiet();
      o.errorString = messages;
      Host host(Rgb(10, 10), o, &ENTRYPOINT);
      if (gone) {
        ASSERT_TRUE(host.RunFilter(true));  // the chooser creates it
        std::filesystem::remove(Path(name));
      }
      const Document before = host.document();
      EXPECT_FALSE(host.RunFilter(true));
      EXPECT_EQ(host.LastResult(kStart), messages ? api::errReportString
                                         : gone   ? api::userCanceledErr
                                                  : api::readErr);
      if (messages) {
        EXPECT_NE(host.ErrorMessage().find(name), std::string::npos);
      }
      EXPECT_EQ(host.document().pixels, before.pixels);
      EXPECT_TRUE(RectanglesEmpty(host));
      if (gone) {
        EXPECT_FALSE(host.RunFilter(false));
        EXPECT_EQ(host.LastResult(kStart), messages ? api::errReportString : api::readErr);
      }
    }
  }
  EXPECT_EQ(script_.dialogCalls, 2) << "only the runs that created gone.gds";
  EXPECT_EQ(std::filesystem::file_size(Path("bad.gds")), 26u);
}

// The session's folder vanishes while the dialog runs, so the session
// cannot be written back: the picked member is filtered all the same, the
// user is told, and the session goes where the user then says (or its
// changes are given up when the user declines).
TEST_F(PluginTest, AnUnwritableSessionStillFiltersAndIsOfferedAnotherName) {
  const Document doc = Rgb(12, 10);
  script_.pick = 2;
  WriteSession(Path("ref.gds"), 5, kColour, -1);
  script_.chooserAnswer = Path("ref.gds");
  const Document filtered = Filter(doc, Quiet());
  ASSERT_NE(filtered.pixels, doc.pixels);

  const struct {
    const char* what;
    std::vector<std::string> answers;
    std::size_t offers;
    const char* savedTo;  // null: declined
  } cases[] = {
      {"declined", {}, 1, nullptr},
      {"saved elsewhere", {"other.gds"}, 1, "other.gds"},
      {"a second try after a failed one", {"gone/x.gds", "second.gds"}, 2, "second.gds"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::filesystem::path folder = dir_ / "folder";
    std::filesystem::create_directories(folder);
    const std::string session = (folder / "s.gds").string();
    WriteSession(session, 5, kColour, -1);
    script_.chooserAnswer = session;
    script_.told.clear();
    script_.saveAsAnswers.clear();
    for (const std::string& a : c.answers)
      script_.saveAsAnswers.push_back(Path(a));
    script_.during = [&] { std::filesystem::remove_all(folder); };
    Host host(doc, Quiet(), &ENTRYPOINT);
    EXPECT_TRUE(host.RunFilter(true));
    EXPECT_EQ(host.LastResult(kStart), api::noErr);
    EXPECT_EQ(host.document().pixels, filtered.pixels);
    ASSERT_EQ(script_.told.size(), c.offers);
    EXPECT_NE(script_.told[0].find("could not be saved"), std::string::npos) << script_.told[0];
    EXPECT_NE(script_.told[0].find(session), std::string::npos) << script_.told[0];
    const std::string remembered = BlockOf(host)->sessionPath;
    if (c.savedTo == nullptr) {
      EXPECT_EQ(remembered, session);
    } else {
      EXPECT_EQ(remembered, Path(c.savedTo));
      Population p{};
      SessionHeader h;
      std::string error;
      EXPECT_TRUE(LoadSession(Path(c.savedTo), &p, &h, &error)) << error;
      EXPECT_EQ(h.chosenMember, 2);
      ReleasePopulation(&p);
    }
  }
}

}  // namespace
}  // namespace pxb::host
