// What a session has learnt, kept with it: the global weight lists, the
// session's root type and the last breeding steps, written as one block
// after the nine member records of the session file. A reader that knows
// only the records never looks past the last one, so it finds every member
// where it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "engine/weights.h"
#include "evolution/byte_io.h"

namespace pxb {

// One breeding step as it found the session: enough to put it back.
struct HistoryStep {
  int64_t time = 0;                           // seconds since 1970
  std::vector<int32_t> positions;             // slider position of each shown member
  std::vector<uint8_t> lists;                 // the global lists before the step
  std::vector<std::vector<uint8_t>> records;  // filter records of members 0..shown-1
};

inline constexpr size_t kHistoryDepth = 16;

struct SessionLearning {
  TypeId rootType = kColour;        // what the session breeds
  std::deque<HistoryStep> history;  // oldest first, at most kHistoryDepth
  bool fromFile = false;            // the last read session carried a block
  std::string damage;               // why the last read session's block was not used
};

// The learning of the current session; the global weight lists are its other
// half and live with the registry.
SessionLearning& GlobalLearning();

// The global lists (both root lists and every function's 3 x 4 lists) as
// their own copy.
struct WeightTable {
  WeightList unit = nullptr;
  WeightList colour = nullptr;
  std::vector<WeightList> functions;  // function, argument slot, depth class
};
void FreeWeightTable(WeightTable* table);
WeightTable CaptureGlobalLists();
// The global lists become the table's, which is left empty.
void InstallGlobalLists(WeightTable* table);

// The global lists at file precision: both root lists, the function count,
// then every function's twelve lists, each in the filter file's list format.
void WriteGlobalLists(ByteWriter* out);
// Reads lists written by WriteGlobalLists; they must cover exactly the
// registered functions. False with a message, and *table empty, otherwise.
bool ReadGlobalLists(ByteReader* in, WeightTable* table, std::string* error);

// Appends the block: the learning and the global lists as they stand.
void WriteLearningBlock(ByteWriter* out, const SessionLearning& learning);

enum class BlockRead {
  kAbsent,   // nothing follows the records
  kRead,     // *learning and *table hold the block
  kDamaged,  // truncated, failed its checksum, unknown version or content; *error says which
};
// Reads the block at the reader's position (the end of the last record).
BlockRead ReadLearningBlock(ByteReader* in, SessionLearning* learning, WeightTable* table,
                            std::string* error);

}  // namespace pxb
