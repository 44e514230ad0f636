// Reading weight lists in tests.
#pragma once

#include "engine/weights.h"

namespace pxb::testing {

inline double Sum(WeightList l) {
  double s = 0;
  for (; l != nullptr; l = l->next)
    s += l->weight;
  return s;
}

// The weight of id in the list, or -1 when the list has no entry for it.
inline float WeightOf(WeightList l, FuncId id) {
  for (; l != nullptr; l = l->next) {
    if (l->id == id) return l->weight;
  }
  return -1.0f;
}

}  // namespace pxb::testing
