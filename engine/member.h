// A member of the population: not a tree but the means to grow it again.
#pragma once

#include <cstdint>

#include "engine/node.h"
#include "engine/weights.h"

namespace pxb {

// One weighted choice made while growing a tree; depth -1 is the root choice.
struct ChoiceRecord {
  FuncId parent;
  int32_t slot;
  int32_t depth;
  FuncId chosen;
  ChoiceRecord* next;
};

struct Member {
  int32_t type;             // root type
  int32_t weightFunctions;  // how many functions the weight table has room for
  Node* tree;               // one reference; null until grown
  WeightList* weights;      // weightFunctions × 3 × 4 lists, see SnapshotList
  WeightList rootList;
  ChoiceRecord* choices;  // newest first
  ViewParams seed;        // the build context before growth; its rand is the seed
};

// The member's own list for (function, argument slot, depth class), or null
// when the function lies outside its table.
inline WeightList* SnapshotList(const Member& m, FuncId f, int slot, int depth) {
  if (m.weights == nullptr || f < 0 || f >= m.weightFunctions) return nullptr;
  return &m.weights[(f * kArgSlots + slot) * kDepthClasses + depth];
}

}  // namespace pxb
