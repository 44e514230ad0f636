// Position transforms: "ri2cx" turns a complex value and a strength into a
// displaced position, "trfmap" evaluates a subtree at such a position.
#pragma once

#include "engine/node.h"
#include "engine/value.h"

namespace pxb {

Node* BuildRi2cx(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
// One builder for both signatures: (colour; colour, offset) and
// (unit; unit, offset).
Node* BuildTrfmap(TypeId result, int nargs, ArgSlot* args, ViewParams* view);

}  // namespace pxb
