// The nine members of a breeding session and their build contexts.
#pragma once

#include "engine/growth.h"
#include "engine/member.h"

namespace pxb {

inline constexpr int kPopulationSize = 9;

struct Population {
  Member members[kPopulationSize];
  ViewParams views[kPopulationSize];      // live build contexts, one per slot
  EvalContext contexts[kPopulationSize];  // per-member sample records
  TypeId rootType = kColour;
  int32_t chosenMember = -1;
};

// The population of the plug-in, alive as long as the module is loaded.
Population& GlobalPopulation();

// Makes member a fresh, treeless member of `type` seeded with vp's state and
// the current global weights. The caller has released its previous content.
void ResetMember(Member* member, TypeId type, const ViewParams* vp);

// Grows member's tree again from its seed and its own weights into vp (whose
// size and smooth flag stay those of the caller). Adds the choice records.
void RegrowMember(Member* member, ViewParams* vp);

// Replaces member k by a newly grown one from the slot's running state.
void RebreedMember(Population* population, int k);

// Releases every member.
void ReleasePopulation(Population* population);

}  // namespace pxb
