// A member as its file record holds it, and its choice records counted.
#pragma once

#include <cstdint>
#include <vector>

#include "evolution/filter_file.h"

namespace pxb::testing {

inline std::vector<uint8_t> RecordBytes(const Member& m) {
  ByteWriter w;
  WriteMember(&w, m);
  return w.bytes();
}

inline int CountChoices(const Member& m) {
  int n = 0;
  for (const ChoiceRecord* c = m.choices; c != nullptr; c = c->next)
    ++n;
  return n;
}

}  // namespace pxb::testing
