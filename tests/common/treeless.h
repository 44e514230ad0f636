// Members that grow no tree: the root list holds only "trfmap", and nothing
// may be chosen for its displacement argument. Every front end must end on
// such a member with a clear message instead of waiting for rows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "engine/growth.h"
#include "evolution/population.h"
#include "primitives/registration.h"
#include "storage/session_store.h"
#include "tests/common/seeded_session.h"

namespace pxb::testing {

inline void MakeTreeless(Member* m) {
  FreeList(&m->rootList);
  FindOrAddEntry(&m->rootList, kFnTrfmapColour)->weight = 1.0f;
  for (int depth = 0; depth < kDepthClasses; ++depth)
    FreeList(SnapshotList(*m, kFnTrfmapColour, 1, depth));
}

// Writes a colour session of three previews whose member 0, the chosen one,
// grows no tree.
inline void WriteTreelessSession(const std::string& path) {
  Population p{};
  SeedPopulation(&p, 7);
  SessionHeader h;
  std::string error;
  ASSERT_TRUE(CreateSession(path, 3, kColour, &p, &h, &error)) << error;
  Member& m = p.members[0];
  MakeTreeless(&m);
  ViewParams view = p.views[0];
  view.width = view.height = 8;
  RegrowMember(&m, &view);
  ASSERT_EQ(m.tree, nullptr) << "the member was meant to grow no tree";
  SetChosenMember(&h, 0);
  ASSERT_TRUE(SaveSession(path, p, &h, &error)) << error;
  ReleasePopulation(&p);
}

}  // namespace pxb::testing
