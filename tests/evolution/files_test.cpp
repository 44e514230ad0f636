#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "evolution/filter_file.h"
#include "evolution/session_file.h"
#include "primitives/expression_text.h"
#include "primitives/registration.h"
#include "storage/session_store.h"
#include "tests/common/member_records.h"
#include "tests/common/temp_dir.h"

namespace pxb {
namespace {

std::string Choices(const Member& m) {
  std::string s;
  for (const ChoiceRecord* c = m.choices; c != nullptr; c = c->next) {
    s += std::to_string(c->parent) + "/" + std::to_string(c->slot) + "/" +
         std::to_string(c->depth) + "/" + std::to_string(c->chosen) + " ";
  }
  return s;
}

using testing::CountChoices;
constexpr auto Bytes = testing::RecordBytes;

class FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterPrimitives();
    for (int k = 0; k < kPopulationSize; ++k) {
      pop_.views[k] = ViewParams{48, 32, 0, {{357, 77, static_cast<uint16_t>(k)}}};
    }
  }
  void TearDown() override { ReleasePopulation(&pop_); }
  std::string Path(const char* name) const { return dir_ / name; }

  // A session whose members were bred once, so their weights differ.
  void BreedSession() {
    std::string error;
    ASSERT_TRUE(CreateSession(Path("s.gds"), 4, kColour, &pop_, &header_, &error)) << error;
    for (int k = 0; k < kPopulationSize; ++k)
      RegrowMember(&pop_.members[k], &pop_.views[k]);
    ApplyRating(pop_.members[0], 1.0f);
    ApplyRating(pop_.members[1], 0.0f);
    for (int k = 0; k < 3; ++k)
      RebreedMember(&pop_, k);
  }

  std::string error_;  // the last failure message
  testing::TempDir dir_{"pxb-files"};
  Population pop_{};
  SessionHeader header_{};
};

// A record read back regrows the same tree after the global weights changed, and regrowing again
// adds its choices once more; a record that ends inside its root list names the list, rather than
// reading the missing entries as zeros.
TEST_F(FilesTest, MemberRoundTripRegrowsTheSameTreeAfterWeightsChanged) {
  ViewParams v = pop_.views[2];
  Member m = GrowMember(kColour, &v);
  const std::string text = ExpressionText(m.tree);
  const std::string choices = Choices(m);
  const std::vector<uint8_t> bytes = Bytes(m);
  ApplyRating(m, 1.0f);
  ApplyRating(m, 1.0f);

  ByteReader in(bytes);
  Member back{};
  ViewParams grow{48, 32, 0, {}};
  ASSERT_TRUE(ReadMember(&in, &grow, true, &back, &error_)) << error_;
  EXPECT_EQ(ExpressionText(back.tree), text);
  EXPECT_EQ(Choices(back), choices);
  EXPECT_EQ(Bytes(back), bytes);
  EXPECT_EQ(std::memcmp(&grow.rand, &v.rand, sizeof v.rand), 0);
  const int once = CountChoices(back);
  RegrowMember(&back, &grow);
  RegrowMember(&back, &grow);
  EXPECT_EQ(ExpressionText(back.tree), text);
  EXPECT_EQ(CountChoices(back), 3 * once);
  ReleaseMember(&back, &grow);

  ByteReader cut(bytes.data(), 26 + 4 * static_cast<size_t>(ListLength(m.rootList) / 2));
  EXPECT_FALSE(ReadMember(&cut, &grow, true, &back, &error_));
  EXPECT_EQ(error_, "the file is truncated in the root list");
  ReleaseMember(&back, &grow);
  ReleaseMember(&m, &v);
}

TEST_F(FilesTest, RebreedingASlotTwiceGivesDifferentMembers) {
  ASSERT_TRUE(CreateSession(Path("r.gds"), 3, kColour, &pop_, &header_, &error_)) << error_;
  RebreedMember(&pop_, 5);
  const std::string first = ExpressionText(pop_.members[5].tree);
  const RandState seed = pop_.members[5].seed.rand;
  RebreedMember(&pop_, 5);
  EXPECT_NE(std::memcmp(&seed, &pop_.members[5].seed.rand, sizeof seed), 0);
  EXPECT_NE(ExpressionText(pop_.members[5].tree), first);
}

TEST_F(FilesTest, SessionWriteReadWriteIsByteIdenticalAndTheChosenMemberReadsAlone) {
  BreedSession();
  ASSERT_TRUE(SetLastDirectory(&header_, std::string(127, 'd')));
  EXPECT_FALSE(SetLastDirectory(&header_, std::string(128, 'x')));
  SetChosenMember(&header_, 7);
  ASSERT_TRUE(SaveSession(Path("a.gds"), pop_, &header_, &error_)) << error_;
  EXPECT_EQ(header_.memberOffsets[0], kFirstMemberOffset);
  for (int k = 1; k < kPopulationSize; ++k) {
    EXPECT_EQ(header_.memberOffsets[k],
              header_.memberOffsets[k - 1] + Bytes(pop_.members[k - 1]).size());
  }

  Population other{};
  for (int k = 0; k < kPopulationSize; ++k)
    other.views[k] = pop_.views[k];
  SessionHeader h{};
  ASSERT_TRUE(LoadSession(Path("a.gds"), &other, &h, &error_)) << error_;
  EXPECT_TRUE(h.chosenMember == 7 && h.previewCount == 4u);
  EXPECT_EQ(LastDirectory(h), std::string(127, 'd'));
  ASSERT_TRUE(SaveSession(Path("b.gds"), other, &h, &error_)) << error_;
  std::vector<uint8_t> a, b;
  ASSERT_TRUE(ReadFileBytes(Path("a.gds"), &a, &error_));
  ASSERT_TRUE(ReadFileBytes(Path("b.gds"), &b, &error_));
  EXPECT_EQ(a, b);
  ReleasePopulation(&other);

  // The chosen member read alone, the others left empty; none chosen reads
  // as -1.
  EXPECT_EQ(ReadChosenMember(a, &other, &h, &error_), 7);
  EXPECT_EQ(Bytes(other.members[7]), Bytes(pop_.members[7]));
  EXPECT_EQ(other.members[1].weights, nullptr);
  ReleasePopulation(&other);
  SetChosenMember(&header_, -1);
  ASSERT_TRUE(SaveSession(Path("c.gds"), pop_, &header_, &error_)) << error_;
  ASSERT_TRUE(ReadFileBytes(Path("c.gds"), &a, &error_));
  EXPECT_EQ(ReadChosenMember(a, &other, &h, &error_), -1);
  EXPECT_EQ(other.members[0].weights, nullptr);
  ReleasePopulation(&other);
}

TEST_F(FilesTest, RefusedSessionsLeaveThePopulationAsItWas) {
  BreedSession();
  ASSERT_TRUE(SaveSession(Path("good.gds"), pop_, &header_, &error_)) << error_;
  std::vector<uint8_t> good;
  ASSERT_TRUE(ReadFileBytes(Path("good.gds"), &good, &error_));
  std::vector<std::vector<uint8_t>> before;
  for (const Member& m : pop_.members)
    before.push_back(Bytes(m));
  const SessionHeader headerBefore = header_;

  // The good bytes with a little-endian field of `width` bytes at `at` set to v.
  auto patch = [&](size_t at, uint32_t v, int width = 2) {
    std::vector<uint8_t> b = good;
    for (int i = 0; i < width; ++i)
      b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    return b;
  };
  const size_t m0 = kFirstMemberOffset;
  const size_t rootCount = m0 + 24;
  const size_t firstEntry = rootCount + 2;
  const size_t tableCount = rootCount + 2 + 4 * ListLength(pop_.members[0].rootList);
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> bad = {
      {"empty file", std::vector<uint8_t>()},
      {"truncated header", std::vector<uint8_t>(good.begin(), good.begin() + 100)},
      {"truncated member",
       std::vector<uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(
                                                            header_.memberOffsets[8] +
                                                            Bytes(pop_.members[8]).size() - 7))},
      {"preview count 0", patch(2, 0, 4)},
      {"preview count 10", patch(2, 10, 4)},
      {"chosen member 9", patch(6, 9, 4)},
      {"offset beyond the file", patch(138 + 4 * 4, static_cast<uint32_t>(good.size() + 1), 4)},
      {"negative root list count", patch(rootCount, 0xFFFF)},
      {"function id outside the registry", patch(firstEntry, 22)},
      {"function of the wrong type", patch(firstEntry, kFnMu)},
      {"more functions than registered", patch(tableCount, 23)},
      {"negative function count", patch(tableCount, 0x8000)},
      {"root type subtree", patch(m0 + 2, 1)},
      {"unterminated directory",
       [&] {
         std::vector<uint8_t> b = good;
         std::fill(b.begin() + 10, b.begin() + 138, 'x');
         return b;
       }()},
  };
  for (const auto& [what, bytes] : bad) {
    std::string message;
    EXPECT_FALSE(ReadSession(bytes, &pop_, &header_, &message)) << what;
    EXPECT_FALSE(message.empty()) << what;
    SessionHeader h{};
    Population other{};
    EXPECT_LT(ReadChosenMember(bytes, &other, &h, &message), 0) << what;
    ReleasePopulation(&other);
  }
  for (int k = 0; k < kPopulationSize; ++k)
    EXPECT_EQ(Bytes(pop_.members[k]), before[k]) << k;
  EXPECT_EQ(std::memcmp(&header_, &headerBefore, sizeof header_), 0);
}

TEST_F(FilesTest, FailedWritesNameTheFileAndKeepThePopulation) {
  BreedSession();
  ASSERT_TRUE(SaveSession(Path("keep.gds"), pop_, &header_, &error_)) << error_;
  // The store refuses a read-only session (its own tests show the file
  // stays as it was); the refusal names the file.
  std::filesystem::permissions(Path("keep.gds"), std::filesystem::perms::owner_read);
  EXPECT_FALSE(SaveSession(Path("keep.gds"), pop_, &header_, &error_));
  EXPECT_NE(error_.find("keep.gds"), std::string::npos);
  // A session that cannot be created leaves the population alone.
  const std::vector<uint8_t> member0 = Bytes(pop_.members[0]);
  EXPECT_FALSE(CreateSession(Path("missing/dir/new.gds"), 3, kColour, &pop_, &header_, &error_));
  EXPECT_EQ(Bytes(pop_.members[0]), member0);
}

}  // namespace
}  // namespace pxb
