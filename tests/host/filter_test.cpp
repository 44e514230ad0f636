// The final pass: masks, planes, bands, abort, failures and repeats.
#include <cmath>

#include "evolution/population.h"
#include "host/filter_image.h"
#include "primitives/fractal_generator.h"
#include "primitives/registration.h"
#include "primitives/source_image.h"
#include "tests/common/reference_render.h"
#include "tests/common/treeless.h"
#include "tests/host/plugin_fixture.h"

namespace pxb::host {
namespace {

constexpr std::int16_t kStart = api::filterSelectorStart;

std::uint8_t At(const Document& d, int x, int y, int p) {
  return d.pixels[(static_cast<std::size_t>(y) * d.width + x) * d.planes + p];
}

bool RowsEqual(const Document& a, const Document& b, int first, int end) {
  const std::size_t row = static_cast<std::size_t>(a.width) * a.planes;
  return std::equal(a.pixels.begin() + first * row, a.pixels.begin() + end * row,
                    b.pixels.begin() + first * row);
}

// The final pass's bytes by the per-sample reference: the chosen colour
// member walked over doc pixel by pixel, blended with it by its selection.
Document ReferencePass(const Document& doc) {
  const Population& population = GlobalPopulation();
  const Member& member = population.members[population.chosenMember];
  SetSourceImage(doc.width, doc.height, doc.pixels.data(), doc.width * doc.planes, doc.planes);
  const std::int32_t grid = FractalGridSize();
  SetFractalGridSize(256);
  RenderJob job;
  job.width = doc.width;
  job.height = doc.height;
  job.mask = doc.mask.empty() ? nullptr : doc.mask.data();
  job.maskRowBytes = doc.width;
  Document out = doc;
  const auto planes = static_cast<std::size_t>(doc.planes);
  const RenderOutcome outcome =
      RenderMemberPerSample(member, job, [&](std::int32_t y, const double* values) {
        for (std::int32_t x = 0; x < doc.width; ++x) {
          const std::size_t i = static_cast<std::size_t>(y) * doc.width + x;
          const std::uint8_t m = job.mask != nullptr ? job.mask[i] : 0;
          if (job.mask != nullptr && m == 0) continue;
          WriteFilteredPixel(values + 3 * static_cast<std::size_t>(x), 3, 3,
                             &doc.pixels[i * planes], m, job.mask != nullptr,
                             &out.pixels[i * planes], doc.planes);
        }
      });
  SetFractalGridSize(grid);
  SetSourceBuffer(nullptr, 0, 0);
  EXPECT_EQ(outcome, RenderOutcome::kDone);
  return out;
}

// 40 × 30 RGB with output bands of 10 rows: the whole input (3600 bytes)
// and 10 rows of output and mask (10 × 160) fit.
constexpr std::int32_t kThreeBands = 40 * 30 * 3 + 10 * 40 * 4 + 1;

TEST_F(PluginTest, MaskZeroKeepsFullReplacesAndHalfBlends) {
  SessionWith(kColour, false);
  const Document doc = Rgb(48, 16);
  const Document plain = Filter(doc, Quiet());
  Document masked = doc;
  masked.mask.resize(48 * 16);
  for (int i = 0; i < 48 * 16; ++i)
    masked.mask[i] = i % 48 < 16 ? 0 : i % 48 < 32 ? 128 : 255;
  const Document out = Filter(masked, Quiet());
  ASSERT_NE(plain.pixels, doc.pixels);
  const double a = 128 / 255.0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 48; ++x) {
      for (int p = 0; p < 3; ++p) {
        const int in = At(doc, x, y, p);
        const int v = At(plain, x, y, p);
        const int o = At(out, x, y, p);
        if (x < 16) {
          ASSERT_EQ(o, in) << x << "," << y;
        } else if (x >= 32) {
          ASSERT_EQ(o, v) << x << "," << y;
        } else {
          // v stands for a value in [v, v + 1) / 256 (or beyond, when clamped).
          const double base = 256.0 * in * (1 - a) / 255;
          const int low = v == 0 ? 0 : static_cast<int>(base + v * a);
          const int high = v == 255 ? 255 : static_cast<int>(base + (v + 1) * a);
          ASSERT_GE(o, low) << x << "," << y;
          ASSERT_LE(o, high) << x << "," << y;
        }
      }
    }
  }
}

TEST_F(PluginTest, AlphaAndExtraPlanesBecome255WhereFiltered) {
  SessionWith(kColour, false);
  Document doc = Pattern(20, 10, 5, api::plugInModeRGBColor);  // RGB, alpha, one more
  doc.mask.assign(200, 255);
  for (int i = 0; i < 200; i += 2)
    doc.mask[i] = 0;
  const Document out = Filter(doc, Quiet());
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) {
      for (int p = 3; p < 5; ++p)
        ASSERT_EQ(At(out, x, y, p), x % 2 == 0 ? At(doc, x, y, p) : 255) << x << "," << y;
    }
  }
}

TEST_F(PluginTest, GreyAndInkImagesTakeOneValue) {
  SessionWith(kUnit, false);
  // Flat images: the leaves read the same from one plane as from four.
  const Document greyIn = Flat(24, 12, 1, api::plugInModeGrayScale, 90);
  const Document grey = Filter(greyIn, Quiet());
  const Document cmyk = Filter(Flat(24, 12, 4, api::plugInModeCMYKColor, 90), Quiet());
  // Multichannel keeps the four colour planes CMYK left behind.
  const Document multi = Filter(Flat(24, 12, 4, api::plugInModeMultichannel, 90), Quiet());
  ASSERT_NE(grey.pixels, greyIn.pixels);
  std::vector<std::uint8_t> greyInFourPlanes;
  for (const std::uint8_t v : grey.pixels)
    greyInFourPlanes.insert(greyInFourPlanes.end(), 4, v);
  EXPECT_EQ(cmyk.pixels, greyInFourPlanes);
  EXPECT_EQ(multi.pixels, greyInFourPlanes);
}

TEST_F(PluginTest, OnlyTheFilterRectangleChanges) {
  SessionWith(kColour, false);
  const Document doc = Rgb(30, 20);
  HostOptions o = Quiet();
  o.ownFilterRect = true;
  o.filterRect = api::Rect16{5, 2, 5, 28};  // empty: top = bottom
  {
    Host host(doc, o, &ENTRYPOINT);
    EXPECT_TRUE(host.RunFilter(true));
    EXPECT_EQ(host.advances.size(), 1u);  // only the reduced image
    EXPECT_TRUE(host.progress.empty());
    EXPECT_EQ(host.document().pixels, doc.pixels);
  }
  o.filterRect = api::Rect16{4, 3, 15, 21};
  Host host(doc, o, &ENTRYPOINT);
  EXPECT_TRUE(host.RunFilter(true));
  int changed = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 30; ++x) {
      const bool inside = y >= 4 && y < 15 && x >= 3 && x < 21;
      for (int p = 0; p < 3; ++p) {
        if (inside) {
          changed += At(host.document(), x, y, p) != At(doc, x, y, p);
        } else {
          ASSERT_EQ(At(host.document(), x, y, p), At(doc, x, y, p)) << x << "," << y;
        }
      }
    }
  }
  EXPECT_GT(changed, 11 * 18);
  EXPECT_EQ(host.progress.size(), 11u);
  EXPECT_EQ(host.progress.back(), std::make_pair(10, 11));
}

// An abort or a failing advanceState ends the pass at once: the host is not
// called again, and only the bands finished before it are written.
TEST_F(PluginTest, AbortOrAFailingAdvanceKeepsOnlyFinishedBands) {
  SessionWith(kColour, false);
  const Document doc = Rgb(40, 30);
  HostOptions o = Quiet();
  o.maxSpace = kThreeBands;
  const Document plain = Filter(doc, o);
  const struct {
    std::int64_t abortFrom, failAt;
    api::OSErr result;
    std::size_t advances, progress;
    int rowsKept;
  } cases[] = {{1, 0, api::userCanceledErr, 1, 0, 0},                  // before the first band
               {2, 0, api::userCanceledErr, 2, 1, 0},                  // at its first pixel
               {1 + 400 + 1 + 6, 0, api::userCanceledErr, 3, 11, 10},  // the second band's sixth
               {0, 1, api::memFullErr, 1, 0, 0},                       // the reduced image at start
               {0, 3, api::userCanceledErr, 3, 10, 10},                // the second of three bands
               {0, 4, api::memFullErr, 4, 20, 20}};                    // the last band
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.abortFrom << " " << c.failAt);
    o.abortFrom = c.abortFrom;
    o.failAdvanceAt = c.failAt;
    Host host(doc, o, &ENTRYPOINT);
    EXPECT_FALSE(host.RunFilter(true));
    EXPECT_EQ(host.LastResult(kStart), c.result);
    EXPECT_EQ(host.advances.size(), c.advances);  // never called again
    EXPECT_EQ(host.progress.size(), c.progress);
    EXPECT_TRUE(RowsEqual(host.document(), plain, 0, c.rowsKept));
    EXPECT_TRUE(RowsEqual(host.document(), doc, c.rowsKept, 30));
    EXPECT_TRUE(api::IsEmpty(host.record().inRect) && api::IsEmpty(host.record().outRect));
  }
}

TEST_F(PluginTest, BandsAndThreadCountsDoNotChangeTheResult) {
  // Image leaves, warps of them and "dither": everything that could notice.
  SessionWith(kColour, true);
  const Document doc = Rgb(50, 37);
  const Document whole = Filter(doc, Quiet());
  EXPECT_EQ(CurrentRun().inputPlan, InputPlan::kWholeFromHost);
  EXPECT_EQ(CurrentRun().outputRows, 37);

  HostOptions o = Quiet();
  o.maxSpace = 50 * 37 * 3 + 5 * 50 * 4 + 1;  // the whole input and five rows of output
  Host banded(doc, o, &ENTRYPOINT);
  EXPECT_TRUE(banded.RunFilter(true));
  EXPECT_EQ(CurrentRun().outputRows, 5);
  EXPECT_EQ(banded.advances.size(), 1u + 8);
  EXPECT_EQ(banded.advances[1].inRect.bottom, 37);
  for (std::size_t i = 1; i < banded.advances.size(); ++i) {
    const int band = static_cast<int>(i) - 1;
    EXPECT_EQ(banded.advances[i].outRect.top, 5 * band) << band;
    EXPECT_EQ(banded.advances[i].outRect.bottom, std::min(5 * band + 5, 37)) << band;
  }
  EXPECT_EQ(banded.document().pixels, whole.pixels);

  o.maxSpace = 3 * 50 * 7 + 1;  // three rows of everything
  Host copied(doc, o, &ENTRYPOINT);
  EXPECT_TRUE(copied.RunFilter(true));
  EXPECT_EQ(CurrentRun().inputPlan, InputPlan::kPrivateCopy);
  EXPECT_TRUE(api::IsEmpty(copied.advances[1].outRect));  // collecting the input first
  EXPECT_EQ(copied.document().pixels, whole.pixels);

  // Rows are evaluated ahead on other threads, in pieces of a run, while
  // this one writes: any thread count gives the one-thread bytes, with a
  // selection and in bands, on rows of several runs.
  Document masked = Rgb(600, 37);
  masked.mask.resize(600 * 37);
  for (std::size_t i = 0; i < masked.mask.size(); ++i)
    masked.mask[i] = i % 7 == 3 ? 0 : static_cast<std::uint8_t>(i % 256);
  o.maxSpace = 600 * 37 * 3 + 5 * 600 * 4 + 1;
  SetFinalPassThreads(1);
  const Document one = Filter(masked, o);
  EXPECT_EQ(one.pixels, ReferencePass(masked).pixels);
  for (unsigned threads : {2u, 3u, 8u}) {
    SetFinalPassThreads(threads);
    EXPECT_EQ(Filter(masked, o).pixels, one.pixels) << threads;
  }
  SetFinalPassThreads(0);
}

TEST_F(PluginTest, BandOnlyInputKeepsPositionsAcrossTheRectangle) {
  // Without room for a copy each band is what the leaves see. Everything
  // else still runs over the whole rectangle: on a flat image (as white as
  // the padding below the last band) the result is that of one band.
  SessionWith(kColour, true);
  const Document doc = Flat(50, 37, 3, api::plugInModeRGBColor, 255);
  const Document whole = Filter(doc, Quiet());
  CurrentRun().privateCopyLimit = 0;
  HostOptions o = Quiet();
  o.maxSpace = 4 * 50 * 7 + 1;
  Host host(doc, o, &ENTRYPOINT);
  EXPECT_TRUE(host.RunFilter(true));
  ASSERT_EQ(host.advances.size(), 1u + 10);
  for (std::size_t i = 1; i < host.advances.size(); ++i) {
    const pxhost::AdvanceRequest& q = host.advances[i];
    EXPECT_EQ(q.inRect.bottom - q.inRect.top, 4);
    EXPECT_EQ(q.outRect.top, q.inRect.top);
  }
  EXPECT_NE(whole.pixels, doc.pixels);
  EXPECT_EQ(host.document().pixels, whole.pixels);
}

TEST_F(PluginTest, AMemberThatGrowsNoTreeIsAFileProblemNamedToTheHost) {
  const std::string session = Path("treeless.gds");
  pxb::testing::WriteTreelessSession(session);
  script_.chooserAnswer = session;
  script_.pick = 0;
  const Document doc = Rgb(24, 16);
  for (const bool errorString : {true, false}) {
    SCOPED_TRACE(errorString);
    HostOptions options = Quiet();
    options.errorString = errorString;
    Host host(doc, options, &ENTRYPOINT);
    EXPECT_FALSE(host.RunFilter(true));
    const api::OSErr start = host.LastResult(kStart);
    if (errorString) {
      EXPECT_EQ(start, api::errReportString);
      EXPECT_NE(host.ErrorMessage().find("member 0"), std::string::npos) << host.ErrorMessage();
      EXPECT_NE(host.ErrorMessage().find("treeless.gds"), std::string::npos);
    } else {
      EXPECT_EQ(start, api::readErr);
    }
    EXPECT_EQ(host.document().pixels, doc.pixels);
    // The repeat meets the same member.
    EXPECT_FALSE(host.RunFilter(false));
    EXPECT_EQ(host.LastResult(kStart), errorString ? api::errReportString : api::readErr);
    EXPECT_TRUE(host.problems.empty()) << host.problems.front();
  }
}

}  // namespace
}  // namespace pxb::host
