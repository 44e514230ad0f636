// Images as the documents pxhost filters: the image modes it offers, and
// the conversions between image files and interleaved planes.
#pragma once

#include <string>

#include "imageio/image.h"
#include "testhost/host_side.h"

namespace pxb::pxhost {

// grey: one plane (an image's grey or, for colour, its luminance);
// rgb: three planes; rgba: four, the alpha from the image or 255;
// cmyk: four ink planes 255 - R, 255 - G, 255 - B and 0;
// lab and multichannel: the image's three colour channels as they are.
enum class Mode { kGrey, kRgb, kRgba, kCmyk, kLab, kMultichannel };

bool ParseMode(const std::string& text, Mode* mode);
// The mode that fits the image: grey, rgb or rgba by its channels.
Mode ModeOf(const Image& image);

// The document for image in mode. False with a message for an image larger
// than the interface's 16-bit coordinates allow.
bool MakeDocument(const Image& image, Mode mode, Document* document, std::string* error);
// Adds the selection: the mask image's first channel, 255 = selected.
bool AttachMask(const Image& mask, Document* document, std::string* error);
// The document's planes as an image: 1 grey, 3 RGB, 4 RGBA (CMYK planes are
// written as they are).
Image DocumentImage(const Document& document);

}  // namespace pxb::pxhost
