// The checked-in session and filter files must still read, write back to the
// same bytes, grow the same trees and filter the sample image to the same
// bytes. A failure here means saved filters would change for their users.
// To change the fixtures on purpose, run the suite with PXB_REMAKE_GOLDEN=1:
// it first remakes them in the source folder, then checks them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "engine/growth.h"
#include "engine/rand.h"
#include "evolution/filter_file.h"
#include "evolution/render.h"
#include "evolution/session_file.h"
#include "imageio/image_io.h"
#include "primitives/expression_text.h"
#include "primitives/fractal_generator.h"
#include "primitives/registration.h"
#include "primitives/source_image.h"

namespace pxb::golden {
namespace {

const std::string kDir = PXB_GOLDEN_DIR;

std::vector<uint8_t> Fixture(const std::string& file) {
  std::ifstream in(kDir + "/" + file, std::ios::binary);
  EXPECT_TRUE(in.good()) << file;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The member's tree as the final pass grows it for `image` (256-cell maps,
// maps modulated by the image leaves read it) as text, and a 64-bit FNV-1a
// hash of the bytes that pass writes on one thread, the reference order of
// "dither" draws. False when the tree cannot be grown.
bool Pin(const Member& member, const Image& image, std::string* text, std::string* hash) {
  SetFractalGridSize(256);
  SetSourceImage(image.width, image.height, image.pixels.data(),
                 static_cast<int32_t>(image.RowBytes()), image.channels);
  ViewParams vp{image.width, image.height, 0, {}};
  Node* tree = GrowTreeCopy(member, &vp);
  *text = ExpressionText(tree);
  NodeRelease(&tree, &vp);
  Image output = image;
  const int planes = image.channels;
  const int channels = ChannelsOf(static_cast<TypeId>(member.type));
  const RowSink sink = [&](int32_t y, const double* values) {
    for (int32_t x = 0; x < image.width; ++x) {
      WriteFilteredPixel(values + static_cast<ptrdiff_t>(x) * channels, channels,
                         planes == 1 ? 1 : 3, image.Row(y) + static_cast<ptrdiff_t>(x) * planes, 0,
                         false, output.Row(y) + static_cast<ptrdiff_t>(x) * planes, planes);
    }
  };
  RenderJob job;
  job.width = image.width;
  job.height = image.height;
  job.threads = 1;
  const bool ok = RenderMember(member, job, sink) == RenderOutcome::kDone;
  ClearSourceImage();
  uint64_t h = 0xcbf29ce484222325ULL;
  for (const uint8_t b : output.pixels)
    h = (h ^ b) * 0x100000001b3ULL;
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
  *hash = hex;
  return ok;
}

// Grows members from seeds *nextSeed, ... and keeps the first whose tree
// has every wanted feature; the build context it ended in goes to *vp.
Member Find(TypeId root, const std::vector<const char*>& features, const Image& image,
            int32_t* nextSeed, ViewParams* vp) {
  for (int32_t seed = *nextSeed; seed < 100000; ++seed) {
    *vp = ViewParams{image.width, image.height, 0, {}};
    SeedState(&vp->rand, seed);
    Member m = GrowMember(root, vp);
    const std::string text = m.tree != nullptr ? ExpressionText(m.tree) : "";
    if (m.tree != nullptr && std::all_of(features.begin(), features.end(), [&](const char* f) {
          return text.find(f) != std::string::npos;
        })) {
      *nextSeed = seed + 1;
      return m;
    }
    ReleaseMember(&m, vp);
  }
  ADD_FAILURE() << "no member has all wanted features";
  return Member{};
}

void WriteFixture(const std::string& file, const std::vector<uint8_t>& bytes) {
  std::ofstream out(kDir + "/" + file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.flush()) << file;
}

// Remakes the fixtures: a session and a few filter files whose members use
// fractal maps, noise, transforms, the image leaves and "dither", with both
// root types, and expected.txt with their expression texts and hashes.
void Remake(const Image& image) {
  SetFractalGridSize(64);  // members are bred with the dialog's maps
  std::string expected;
  auto line = [&](const std::string& name, const Member& m) {
    std::string text;
    std::string hash;
    EXPECT_TRUE(Pin(m, image, &text, &hash)) << name;
    expected += name + " " + hash + " " + text + "\n";
  };
  int32_t seed = 1;
  const std::vector<std::vector<const char*>> session = {{"rfract"},   {"bfract"}, {"noise"},
                                                         {"trfmap"},   {"dither"}, {"(phtshp"},
                                                         {"(vphtshp"}, {"gmix"},   {}};
  Population population{};
  population.rootType = kColour;
  for (size_t k = 0; k < session.size(); ++k) {
    population.members[k] = Find(kColour, session[k], image, &seed, &population.views[k]);
    NodeRelease(&population.members[k].tree, &population.views[k]);
  }
  SessionHeader header;
  SetPreviewCount(&header, 6);
  SetChosenMember(&header, 4);
  SetLastDirectory(&header, "golden");
  ByteWriter sessionBytes;
  WriteSession(&sessionBytes, &header, population);
  // The fixture keeps the base layout only: the header and the records,
  // without the learning that follows them.
  std::vector<uint8_t> base = sessionBytes.bytes();
  ByteWriter last;
  WriteMember(&last, population.members[kPopulationSize - 1]);
  base.resize(header.memberOffsets[kPopulationSize - 1] + last.bytes().size());
  WriteFixture("session.gds", base);
  for (int k = 0; k < kPopulationSize; ++k)
    line("session.gds:" + std::to_string(k), population.members[k]);
  ReleasePopulation(&population);

  const struct {
    const char* name;
    TypeId root;
    std::vector<const char*> features;
  } filters[] = {{"unit-fractal.gdo", kUnit, {"rfract", "bfract"}},
                 {"unit-dither.gdo", kUnit, {"dither", "trfmap"}},
                 {"unit-noise.gdo", kUnit, {"noise", "(vphtshp"}},
                 {"colour-warp.gdo", kColour, {"trfmap", "noise", "fract"}}};
  for (const auto& w : filters) {
    ViewParams vp{};
    Member m = Find(w.root, w.features, image, &seed, &vp);
    ByteWriter bytes;
    WriteMember(&bytes, m);
    WriteFixture(w.name, bytes.bytes());
    line(w.name, m);
    ReleaseMember(&m, &vp);
  }
  std::vector<uint8_t> text(expected.begin(), expected.end());
  WriteFixture("expected.txt", text);
}

class GoldenTest : public ::testing::TestWithParam<std::string> {
 protected:
  static void SetUpTestSuite() {
    RegisterPrimitives();
    std::string error;
    ASSERT_TRUE(ReadImage(PXB_SAMPLE_IMAGE, &image_, &error)) << error;
    static bool remade = false;
    if (std::getenv("PXB_REMAKE_GOLDEN") != nullptr && !remade) {
      remade = true;
      Remake(image_);
    }
  }
  static void TearDownTestSuite() { SetFractalGridSize(64); }

  // expected.txt: one line per fixture, "name hash expression-text".
  static void Check(const std::string& name, const Member& member) {
    std::ifstream in(kDir + "/expected.txt");
    std::string line;
    while (std::getline(in, line) && line.rfind(name + " ", 0) != 0) {
    }
    ASSERT_FALSE(line.empty()) << name << " is missing from expected.txt";
    std::string text;
    std::string hash;
    ASSERT_TRUE(Pin(member, image_, &text, &hash));
    EXPECT_EQ(hash, line.substr(name.size() + 1, 16));
    EXPECT_EQ(text, line.substr(name.size() + 18));
  }

  static Image image_;
};

Image GoldenTest::image_;

using GoldenSessionTest = GoldenTest;
using GoldenFilterTest = GoldenTest;

TEST_P(GoldenSessionTest, MemberGrowsAndFiltersAsPinned) {
  const std::vector<uint8_t> bytes = Fixture("session.gds");
  Population population{};
  SessionHeader header;
  std::string error;
  ASSERT_TRUE(ReadSession(bytes, &population, &header, &error)) << error;
  EXPECT_EQ(header.previewCount, 6u);
  EXPECT_EQ(header.chosenMember, 4);
  EXPECT_EQ(LastDirectory(header), "golden");

  // The fixture has the base layout only; writing it back gives the same
  // header and records, followed by the session's learning.
  ByteWriter again;
  WriteSession(&again, &header, population);
  ASSERT_GT(again.bytes().size(), bytes.size());
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), again.bytes().begin()))
      << "the session no longer writes back unchanged";

  Check("session.gds:" + GetParam(), population.members[std::stoi(GetParam())]);
  ReleasePopulation(&population);
}

TEST_P(GoldenFilterTest, FilterGrowsAndFiltersAsPinned) {
  const std::vector<uint8_t> bytes = Fixture(GetParam());
  ByteReader in(bytes);
  ViewParams vp{};
  Member member{};
  std::string error;
  ASSERT_TRUE(ReadMember(&in, &vp, false, &member, &error)) << error;

  ByteWriter again;
  WriteMember(&again, member);
  EXPECT_EQ(again.bytes(), bytes) << "the filter no longer writes back unchanged";

  Check(GetParam(), member);
  ReleaseMember(&member, &vp);
}

INSTANTIATE_TEST_SUITE_P(Members, GoldenSessionTest,
                         ::testing::Values("0", "1", "2", "3", "4", "5", "6", "7", "8"));

INSTANTIATE_TEST_SUITE_P(Files, GoldenFilterTest,
                         ::testing::Values("unit-fractal.gdo", "unit-dither.gdo", "unit-noise.gdo",
                                           "colour-warp.gdo"));

}  // namespace
}  // namespace pxb::golden
