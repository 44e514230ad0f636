// "rfract" and "bfract": map-valued primitives over a fractal grid that is
// generated once, when the node is built, and tiled periodically.
#pragma once

#include "engine/node.h"
#include "engine/value.h"

namespace pxb {

// Builders of "rfract" (unit; unit), the height field, and "bfract" (cplx;
// unit), the horizontal and vertical slopes. Argument 1 is the roughness
// exponent: a subtree (the modulator, whose reference the builder consumes)
// or a constant `unit`. The node keeps no arguments.
Node* BuildRfract(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildBfract(TypeId result, int nargs, ArgSlot* args, ViewParams* view);

// Registers the run versions of "rfract" and "bfract".

}  // namespace pxb
