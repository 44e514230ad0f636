// Colour primitives ("makrgb", "gswitch", "gmix") and the two leaves that
// read the source image: "phtshp" as a colour, "vphtshp" as a luminance.
#pragma once

#include "engine/node.h"
#include "engine/value.h"

namespace pxb {

Node* BuildMakrgb(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildGswitch(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildGmix(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
// The image leaves take no arguments; their size follows the source image.
Node* BuildPhtshp(TypeId result, int nargs, ArgSlot* args, ViewParams* view);
Node* BuildVphtshp(TypeId result, int nargs, ArgSlot* args, ViewParams* view);

}  // namespace pxb
