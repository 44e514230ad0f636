// Session files for tests, made as `pixbreed new --seed word` makes them:
// nine fresh members seeded (357, word, k).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "evolution/session_file.h"
#include "storage/session_store.h"

namespace pxb::testing {

inline void SeedPopulation(Population* p, uint16_t word) {
  for (int k = 0; k < kPopulationSize; ++k)
    p->views[k] = ViewParams{0, 0, 0, RandState{{357, word, static_cast<uint16_t>(k)}}};
}

// Writes the session showing count previews, with member chosen picked
// (-1: none).
inline void WriteSeededSession(const std::string& path, uint16_t word, uint32_t count, TypeId root,
                               int chosen = -1) {
  Population p{};
  SeedPopulation(&p, word);
  SessionHeader h;
  std::string error;
  EXPECT_TRUE(CreateSession(path, count, root, &p, &h, &error)) << error;
  if (chosen >= 0) {
    SetChosenMember(&h, chosen);
    EXPECT_TRUE(SaveSession(path, p, &h, &error)) << error;
  }
  ReleasePopulation(&p);
}

}  // namespace pxb::testing
