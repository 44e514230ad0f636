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
inline constexpr int kNoiseModes = 3;

// A lattice corner, or an interpolated sample: slope along x (axis 0), slope
// along y (axis 1), value.
struct NoiseCorner {
  double slope[2];
  double value;
};

// The shuffled permutation every corner hash goes through, and the corner
// each hash gives in each mode. Built once at start-up, read-only afterwards.
struct NoiseTable {
  int32_t perm[kNoiseTableSize];
  NoiseCorner corners[kNoiseModes][kNoiseTableSize];
};

// Reseeds the global generator with 123456790 and shuffles the table; part of
// start-up.
void BuildNoiseTable();
const NoiseTable& GetNoiseTable();

// The noise of `node` (a noise node) at (x / scale, y / scale); refreshes the
// node's corner cache when the point lies in another cell.
NoiseCorner NoiseSample(NoiseMode mode, double scale, double x, double y, Node* node);

// The seed a noise node drew when it was built.
int32_t NoiseSeed(const Node* node);

// Builders of "dopnoise" (unit; unit), "dopbnoise" (bipolar; unit) and
// "dopdnoise" (cplx; unit).
Node* BuildDopNoise(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildDopBNoise(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildDopDNoise(TypeId result, int nargs, ArgSlot* args, ViewParams* view);

}  // namespace pxb
