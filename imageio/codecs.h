// The PNG and JPEG coders behind ReadImage and WriteImage. Each works on an
// open stdio file and, on failure, returns false with the cause in *error
// (without the file name, which the caller adds).
#pragma once

#include <cstdio>
#include <string>

#include "imageio/image.h"

namespace pxb::codec {

// The readers refuse images of more than maxPixels pixels from their headers.
bool ReadPng(std::FILE* file, int64_t maxPixels, Image* image, std::string* error);
bool WritePng(std::FILE* file, const Image& image, std::string* error);

// Grey JPEGs read as one channel, all others as RGB; CMYK is refused.
bool ReadJpeg(std::FILE* file, int64_t maxPixels, Image* image, std::string* error);
// `image` has one or three channels; quality is 1..100.
bool WriteJpeg(std::FILE* file, const Image& image, int quality, std::string* error);

}  // namespace pxb::codec
