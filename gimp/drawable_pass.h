// The final pass inside GIMP: one member filters the selected part of a
// drawable at full resolution. It reads and writes through GEGL buffers and
// leaves the result in the drawable's shadow, merged when the render is
// complete, so GIMP blends a partial selection and records one undo step.
#pragma once

#include <string>

#include "engine/member.h"

namespace pxb::gimp {

// Filters drawable with member. The image leaves read the selection's
// bounding rectangle of the drawable, which is also the view the tree is
// prepared for, as in the plug-in's final pass. 8-bit drawables get the
// pass's bytes (colour planes quantised, alpha 255); drawables of higher
// precision get the tree's values clamped to 0..1 as floating point, which
// GEGL stores at the drawable's precision. False with a message when memory
// is short or the tree cannot be grown; the drawable is unchanged then.
bool FilterDrawable(int drawable, const Member& member, std::string* error);

}  // namespace pxb::gimp
