// Function-choice weights: for every argument slot of every function and
// every depth class, a distribution over the functions that may fill it, and
// one for the root of each root type. Ratings sharpen or flatten them.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/registry.h"

namespace pxb {

struct Member;

struct WeightEntry {
  FuncId id;
  float weight;
  WeightEntry* next;
};

// Default weight of a candidate with k arguments at depth class d.
inline constexpr float kDefaultWeight[4][4] = {
    {0.1f, 0.3f, 0.7f, 0.9f},
    {0.2f, 0.4f, 0.4f, 0.2f},
    {0.8f, 0.6f, 0.4f, 0.1f},
    {0.9f, 0.7f, 0.3f, 0.0f},
};

// The functions whose pairings are excluded at start-up. Registration stores
// their ids here; -1 names no function.
struct ExcludedFunctions {
  FuncId mu = -1;
  FuncId mv = -1;
  FuncId minpe = -1;
  FuncId dopnoise = -1;
  FuncId dopbnoise = -1;
  FuncId dopdnoise = -1;
};
ExcludedFunctions& Exclusions();

// The global root lists: one for `colour` roots and one for every other type.
WeightList& RootList(TypeId rootType);

// The entry for id, inserted in sorted position with weight 1.0 when missing.
// Null only when memory is short.
WeightEntry* FindOrAddEntry(WeightList* head, FuncId id);
void NormaliseList(WeightList head);
int ListLength(WeightList head);
WeightList CopyList(WeightList head);
void FreeList(WeightList* head);

// A zeroed table of `lists` list heads (at least one), or null.
WeightList* AllocateWeightTable(size_t lists);

void InitWeights();
// Frees every global list and fills them with the start-up defaults again.
void ResetWeights();
void ApplyRating(const Member& member, float rating);
float AdjustWeight(float weight, float exponent);

// A weight as a 16-bit binary fraction, and back.
uint16_t PackWeight(float weight);
float UnpackWeight(uint16_t packed);

}  // namespace pxb
