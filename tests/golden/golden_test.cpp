// The checked-in session and filter files must still read, write back to the
// same bytes, grow the same trees and filter the sample image to the same
// bytes. A failure here means saved filters would change for their users.
// When that change is intended, run the suite with PXB_REMAKE_GOLDEN=1: it
// rewrites the pinned trees and hashes in expected.txt (the files themselves,
// like users' files, stay as they are).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

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

class GoldenTest : public ::testing::TestWithParam<std::string> {
 protected:
  static void SetUpTestSuite() {
    RegisterPrimitives();
    std::string error;
    ASSERT_TRUE(ReadImage(PXB_SAMPLE_IMAGE, &image_, &error)) << error;
  }
  static void TearDownTestSuite() { SetFractalGridSize(64); }

  // expected.txt: one line per fixture, "name hash expression-text". With
  // PXB_REMAKE_GOLDEN set, the fixture's line is first rewritten with what
  // it gives now.
  static void Check(const std::string& name, const Member& member) {
    std::string text;
    std::string hash;
    ASSERT_TRUE(Pin(member, image_, &text, &hash));
    std::vector<std::string> lines;
    std::ifstream in(kDir + "/expected.txt");
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    auto it = std::find_if(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.rfind(name + " ", 0) == 0; });
    if (std::getenv("PXB_REMAKE_GOLDEN") != nullptr) {
      it = it != lines.end() ? it : lines.insert(it, "");
      *it = name + " " + hash + " " + text;
      std::ofstream out(kDir + "/expected.txt", std::ios::trunc);
      for (const std::string& line : lines)
        out << line << "\n";
    }
    ASSERT_NE(it, lines.end()) << name << " is missing from expected.txt";
    EXPECT_EQ(hash, it->substr(name.size() + 1, 16));
    EXPECT_EQ(text, it->substr(name.size() + 18));
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
