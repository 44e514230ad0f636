// Reading and writing PNG and JPEG files. The format follows the file name's
// extension: .png, or .jpg / .jpeg, in any letter case.
#pragma once

#include <string>

#include "imageio/image.h"

namespace pxb {

enum class ImageFormat { kUnknown, kPng, kJpeg };

// The format the extension of `path` names.
ImageFormat FormatFromPath(const std::string& path);

// Reads the image at `path` into *image: PNGs of every colour type and bit
// depth (16-bit samples are scaled to 8 bits; palette and grey+alpha become
// RGB or RGBA; interlacing is undone) and grey or colour JPEGs. Damaged
// data is refused, and so is an image of more than maxPixels pixels, which is
// checked from the header before any pixel memory is taken. On failure
// returns false with "path: cause" in *error and leaves *image as it was.
bool ReadImage(const std::string& path, Image* image, std::string* error,
               int64_t maxPixels = kDefaultMaxReadPixels);

// Writes `image` to `path` (JPEG drops alpha; jpegQuality is 1..100). The data
// goes to a temporary file beside `path` that is renamed over it at the end,
// so a failed write leaves any earlier file at `path` untouched. On failure
// returns false with "path: cause" in *error.
bool WriteImage(const std::string& path, const Image& image, std::string* error,
                int jpegQuality = 92);

}  // namespace pxb
