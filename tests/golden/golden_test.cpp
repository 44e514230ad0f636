// The checked-in session and filter files must still read, write back to the
// same bytes, grow the same trees and filter the sample image to the same
// bytes. A failure here means saved filters would change for their users;
// remake the fixtures with make_golden only when that change is intended.
#include <gtest/gtest.h>
#include <algorithm>

#include <map>
#include <sstream>

#include "evolution/filter_file.h"
#include "evolution/session_file.h"
#include "imageio/image_io.h"
#include "primitives/registration.h"
#include "tests/golden/golden_render.h"

namespace pxb::golden {
namespace {

struct Expected {
  std::string hash;
  std::string text;
};

// expected.txt: one line per fixture, "name hash expression-text".
std::map<std::string, Expected> ReadExpected() {
  std::map<std::string, Expected> table;
  std::ifstream in(std::string(PXB_GOLDEN_DIR) + "/expected.txt");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name;
    Expected e;
    fields >> name >> e.hash;
    fields.get();
    std::getline(fields, e.text);
    table[name] = e;
  }
  return table;
}

class GoldenTest : public ::testing::TestWithParam<std::string> {
 protected:
  static void SetUpTestSuite() {
    RegisterPrimitives();
    std::string error;
    ASSERT_TRUE(ReadImage(PXB_SAMPLE_IMAGE, &image_, &error)) << error;
  }
  static void TearDownTestSuite() { SetFractalGridSize(64); }

  static std::vector<uint8_t> Fixture(const std::string& file) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(ReadBytes(std::string(PXB_GOLDEN_DIR) + "/" + file, &bytes)) << file;
    return bytes;
  }

  void Check(const std::string& name, const Member& member) {
    const auto table = ReadExpected();
    const auto it = table.find(name);
    ASSERT_NE(it, table.end()) << name << " is missing from expected.txt";
    EXPECT_EQ(TreeText(member, image_), it->second.text);
    uint64_t hash = 0;
    ASSERT_TRUE(RenderHash(member, image_, &hash));
    EXPECT_EQ(Hex(hash), it->second.hash);
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

  const int k = std::stoi(GetParam());
  Check("session.gds:" + GetParam(), population.members[k]);
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

std::string FilterName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name;
  for (const char c : info.param.substr(0, info.param.find('.'))) {
    if (c != '-') name += c;
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Files, GoldenFilterTest,
                         ::testing::Values("unit-fractal.gdo", "unit-dither.gdo", "unit-noise.gdo",
                                           "colour-warp.gdo"),
                         FilterName);

}  // namespace
}  // namespace pxb::golden
