// A contact sheet of pictures laid out as the breeding dialog lays out its
// previews: column by column, each picture in a black frame with a one-pixel
// gap, numbered below.
#pragma once

#include <vector>

#include "imageio/image.h"

namespace pxb {

// Pictures are RGB. rows: pictures per column (the dialog has three).
Image ContactSheet(const std::vector<Image>& pictures, int rows);

}  // namespace pxb
