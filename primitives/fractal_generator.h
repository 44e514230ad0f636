// Diamond-square midpoint displacement on a wrap-around grid: the height and
// slope maps behind "rfract" and "bfract".
#pragma once

#include <cstdint>

#include "engine/node.h"
#include "engine/value.h"

namespace pxb {

// The side of the maps the fractal primitives make (`fractalGridSize`): 64 at
// load; the final filtering pass raises it to 256 for the rest of the process.
int32_t FractalGridSize();
void SetFractalGridSize(int32_t n);

// One generation request. The caller fills mode, width, height, rand and
// either exponent or modulator; the generator fills the rest.
struct FractalParams {
  int32_t mode;    // 0: height map, one byte per cell; otherwise slope map, two
  int32_t width;   // columns
  int32_t height;  // rows
  RandState rand;  // the generator's own state; the only one it draws from
  double min;
  double max;
  double slopeMin;
  double slopeMax;
  float* cells;  // width x height working grid, row-major
  double exponent;
  Node* modulator;  // exponent per cell, or null; a successful generation consumes this reference
  uint32_t positionFlag;
  uint32_t pixelFlag;
  double amplitude;
};

// Fills out (width x height bytes, or twice that for a slope map). pos is the
// sample record the modulator is evaluated with; vp the build context.
// Returns false, with out zeroed, when the working grid or the modulator's
// resampling node cannot be allocated; the modulator and its reference are
// then left to the caller. On success
// the modulator's reference has been released.
bool GenerateFractal(uint8_t* out, EvalContext* pos, ViewParams* vp, FractalParams* fp);

}  // namespace pxb
