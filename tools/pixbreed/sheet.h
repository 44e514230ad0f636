// A contact sheet of previews laid out as the breeding dialog lays them out:
// three to a column, each in a black frame, numbered below.
#pragma once

#include <vector>

#include "tools/imageio/image.h"
#include "tools/pixbreed/cli_common.h"

namespace pxb::cli {

Image ContactSheet(const std::vector<Image>& pictures, Size frame, int box);

}  // namespace pxb::cli
