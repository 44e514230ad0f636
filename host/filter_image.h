// The final pass: the chosen member filters the host's filter rectangle.
//
// The result must not depend on how the image is cut into bands. So the tree
// is regrown and prepared once per pass for a view of the whole filter
// rectangle, every pixel is evaluated at its position in that rectangle (the
// band's top is added to the row), and the image leaves and warps read the
// whole input image at full resolution. The input gets to them in one of
// three ways (InputPlan), chosen at prepare:
//   - kWholeFromHost: the whole input fits the host's maxSpace together with
//     a band of output and mask, so the host delivers all of it with every
//     band of output;
//   - kPrivateCopy: it does not fit, so the input is first collected band by
//     band into a copy on the plug-in's heap (outside maxSpace, like the
//     trees and their fractal maps), then the output goes band by band;
//   - kBandOnly: the copy cannot be had (no memory, or more than
//     privateCopyLimit), so each band of input is the source image. Only
//     then do the leaves see just the band (mirrored across the rectangle),
//     and the result of a filter with image leaves depends on the bands.
#pragma once

#include <cstdint>

#include "host/plugin_run.h"

namespace pxb::host {

struct PassLayout {
  std::int32_t rowsPerBand;  // rows whose input, output and mask fit maxSpace
  InputPlan plan;
  std::int32_t outputRows;  // output rows per band of the final pass
  std::int32_t maxSpace;    // what the pass will take of the host's memory at once
};

// The memory plan for a filter rectangle of width × height pixels of planes
// bytes under the host's maxSpace. rowsPerBand is the largest n from 1 to
// height with n rows of input, output and mask taking fewer than maxSpace
// bytes (1 when not even one row does).
PassLayout PlanPass(std::int32_t width, std::int32_t height, std::int32_t planes,
                    std::int32_t maxSpace);

// Filters the run's filter rectangle with the population's chosen member,
// reporting progress once per row and polling abort once per pixel; the
// result word gets userCanceledErr on abort or the host's code when
// advanceState fails. Empties the record's rectangles at the end.
void FilterImage();

// The threads of later final passes: 0 (the default) uses every core, up to
// eight. The result is the same for every count; benchmarks compare them.
void SetFinalPassThreads(unsigned threads);

}  // namespace pxb::host
