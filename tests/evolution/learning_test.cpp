// The learning a session keeps: the global lists and the breeding history
// in the block after the member records.
#include <gtest/gtest.h>

#include "evolution/breeding_step.h"
#include "evolution/crc32.h"
#include "evolution/filter_file.h"
#include "evolution/learning_block.h"
#include "evolution/session_file.h"
#include "primitives/registration.h"
#include "storage/session_store.h"
#include "tests/common/member_records.h"
#include "tests/common/temp_dir.h"

namespace pxb {
namespace {

std::vector<uint8_t> GlobalListBytes() {
  ByteWriter w;
  WriteGlobalLists(&w);
  return w.bytes();
}

using testing::RecordBytes;

class LearningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterPrimitives();
    for (int k = 0; k < kPopulationSize; ++k)
      pop_.views[k] = ViewParams{64, 64, 0, {{357, 91, static_cast<uint16_t>(k)}}};
    std::string error;
    ASSERT_TRUE(CreateSession(path_, 4, kColour, &pop_, &header_, &error)) << error;
    // Two rated steps, so that lists and history hold something.
    const int32_t positions[2][4] = {{0, 100, 20, 50}, {10, 50, 90, 0}};
    for (int step = 0; step < 2; ++step) {
      for (int k = 0; k < 4; ++k)
        RegrowMember(&pop_.members[k], &pop_.views[k]);
      BreedingFrontEnd none;
      BreedStep(&pop_, 4, positions[step], 1700000000 + step, &none);
    }
    ASSERT_TRUE(SaveSession(path_, pop_, &header_, &error)) << error;
    ASSERT_TRUE(ReadFileBytes(path_, &bytes_, &error)) << error;
  }
  void TearDown() override { ReleasePopulation(&pop_); }

  testing::TempDir dir_{"pxb-learning"};
  const std::string path_ = dir_ / "s.gds";
  Population pop_{};
  SessionHeader header_{};
  std::vector<uint8_t> bytes_;
};

TEST_F(LearningTest, ListsAndHistorySurviveWriteReadAndAnUndoneStepBitForBit) {
  const std::vector<uint8_t> lists = GlobalListBytes();
  const std::deque<HistoryStep> history = GlobalLearning().history;
  ASSERT_EQ(history.size(), 2u);
  ResetWeights();
  GlobalLearning() = SessionLearning{};
  ASSERT_NE(GlobalListBytes(), lists);

  Population other{};
  SessionHeader h{};
  std::string error;
  ASSERT_TRUE(ReadSession(bytes_, &other, &h, &error)) << error;
  EXPECT_EQ(GlobalListBytes(), lists);
  const SessionLearning& read = GlobalLearning();
  EXPECT_TRUE(read.fromFile && read.damage.empty() && read.rootType == kColour);
  EXPECT_EQ(read.history.size(), history.size());
  // The history written back from what was read is the history written.
  ByteWriter again;
  WriteSession(&again, &h, other);
  EXPECT_EQ(again.bytes(), bytes_);

  // One more step on what was read, undone, gives the same bytes again.
  for (int k = 0; k < 4; ++k)
    RegrowMember(&other.members[k], &other.views[k]);
  const int32_t positions[4] = {0, 0, 100, 30};
  BreedingFrontEnd none;
  BreedStep(&other, 4, positions, 1800000000, &none);
  int shown = 0;
  ASSERT_TRUE(UndoStep(&other, &shown, &error)) << error;
  EXPECT_EQ(shown, 4);
  ByteWriter undone;
  WriteSession(&undone, &h, other);
  EXPECT_EQ(undone.bytes(), bytes_);
  ReleasePopulation(&other);
}

TEST_F(LearningTest, ADamagedBlockKeepsTheMembersAndIsReported) {
  // The block starts right after the last record.
  const size_t block = header_.memberOffsets[8] + RecordBytes(pop_.members[8]).size();
  auto withCrc = [&](std::vector<uint8_t> b) {
    const size_t end = b.size() - 4;
    const uint32_t crc = Crc32(b.data() + block, end - block);
    for (int i = 0; i < 4; ++i)
      b[end + static_cast<size_t>(i)] = static_cast<uint8_t>(crc >> (8 * i));
    return b;
  };
  std::vector<uint8_t> truncated(bytes_.begin(), bytes_.end() - 9);
  std::vector<uint8_t> badSum = bytes_;
  badSum[block + 40] ^= 0x10;
  std::vector<uint8_t> version = bytes_;
  version[block + 4] = 2;
  std::vector<uint8_t> notABlock = bytes_;
  notABlock[block] = 'Q';
  const std::vector<std::pair<const char*, std::vector<uint8_t>>> damaged = {
      {"truncated", truncated},
      {"checksum", badSum},
      {"unknown version", withCrc(version)},
      {"not a block", notABlock},
      {"only part of the tag", std::vector<uint8_t>(bytes_.begin(), bytes_.begin() + block + 2)},
  };
  ResetWeights();
  const std::vector<uint8_t> defaults = GlobalListBytes();
  for (const auto& [what, bytes] : damaged) {
    Population other{};
    SessionHeader h{};
    std::string error;
    GlobalLearning().damage.clear();
    ASSERT_TRUE(ReadSession(bytes, &other, &h, &error)) << what << ": " << error;
    EXPECT_FALSE(GlobalLearning().damage.empty()) << what;
    EXPECT_TRUE(GlobalLearning().history.empty()) << what;
    EXPECT_EQ(GlobalListBytes(), defaults) << what;
    for (int k = 0; k < kPopulationSize; ++k)
      EXPECT_EQ(RecordBytes(other.members[k]), RecordBytes(pop_.members[k])) << what << " " << k;
    ReleasePopulation(&other);
  }
}

}  // namespace
}  // namespace pxb
