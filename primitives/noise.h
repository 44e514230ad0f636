// Value-and-slope lattice noise: "dopnoise", "dopbnoise" and "dopdnoise".
//
// Every integer lattice corner carries a value and a slope per axis drawn
// from a generator seeded by a hash of the corner and the node's seed; between
// corners the noise is a cubic Hermite interpolation, first along y, then
// along x. The three functions share this engine and differ only in the mode.
#pragma once

#include <cstdint>

#include "engine/node.h"
#include "engine/value.h"

namespace pxb {

enum class NoiseMode : int32_t {
  kPlain = 0,       // "dopnoise": the value
  kBipolar = 1,     // "dopbnoise": the value re-centred to [-1, 1), steeper slopes
  kDerivative = 2,  // "dopdnoise": the slope vector
};

inline constexpr int kNoiseTableSize = 1024;

// The shuffled permutation every corner hash goes through. Built once at
// start-up, read-only afterwards.
struct NoiseTable {
  int32_t perm[kNoiseTableSize];
};

// A lattice corner, or an interpolated sample: slope along x (axis 0), slope
// along y (axis 1), value.
struct NoiseCorner {
  double slope[2];
  double value;
};

// The private block of a noise node. The corners belong to the cached cell,
// in the order of (column, row) offsets (0, 0), (0, 1), (1, 0), (1, 1).
struct NoiseNodeData {
  int32_t cell[2];    // column, row
  int32_t cellValid;  // 0: nothing cached yet
  NoiseCorner corners[4];
  int32_t seed;
};

// Reseeds the global generator with 123456790 and shuffles the table; part of
// start-up.
void BuildNoiseTable();
const NoiseTable& GetNoiseTable();

// The permutation index of corner (cx, cy) for a node seed.
int32_t CornerHash(int32_t cx, int32_t cy, int32_t seed);
NoiseCorner MakeCorner(int32_t cx, int32_t cy, int32_t seed, NoiseMode mode);

// Merges b into a along axis (0 = x, 1 = y) at t in [0, 1).
void HermiteStep(NoiseCorner* a, const NoiseCorner& b, int axis, double t, NoiseMode mode);

// The noise of `node` (a noise node) at (x / scale, y / scale); refreshes the
// node's corner cache when the point lies in another cell.
NoiseCorner NoiseSample(NoiseMode mode, double scale, double x, double y, Node* node);

// The same with the corner cache (and the seed) in *cache: lets several
// threads evaluate one node, each with a cache of its own. The cache only
// saves work; the values are those of NoiseSample.
NoiseCorner NoiseSampleCached(NoiseMode mode, double scale, double x, double y,
                              NoiseNodeData* cache);

// Builders of "dopnoise" (unit; unit), "dopbnoise" (bipolar; unit) and
// "dopdnoise" (cplx; unit).
Node* BuildDopNoise(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildDopBNoise(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildDopDNoise(TypeId result, int nargs, ArgSlot* args, ViewParams* view);

}  // namespace pxb
