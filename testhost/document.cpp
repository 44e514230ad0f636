#include "testhost/document.h"

#include <cstdint>

namespace pxb::pxhost {
namespace {

struct ModeInfo {
  const char* name;
  std::int16_t imageMode;
  std::int16_t planes;
};

ModeInfo Info(Mode mode) {
  switch (mode) {
    case Mode::kGrey:
      return {"grey", api::plugInModeGrayScale, 1};
    case Mode::kRgb:
      return {"rgb", api::plugInModeRGBColor, 3};
    case Mode::kRgba:
      return {"rgba", api::plugInModeRGBColor, 4};
    case Mode::kCmyk:
      return {"cmyk", api::plugInModeCMYKColor, 4};
    case Mode::kLab:
      return {"lab", api::plugInModeLabColor, 3};
    case Mode::kMultichannel:
      return {"multichannel", api::plugInModeMultichannel, 3};
  }
  return {"rgb", api::plugInModeRGBColor, 3};
}

std::uint8_t Luminance(const std::uint8_t* rgb) {
  return static_cast<std::uint8_t>((299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2] + 500) / 1000);
}

}  // namespace

bool ParseMode(const std::string& text, Mode* mode) {
  for (Mode m :
       {Mode::kGrey, Mode::kRgb, Mode::kRgba, Mode::kCmyk, Mode::kLab, Mode::kMultichannel}) {
    if (text == Info(m).name) {
      *mode = m;
      return true;
    }
  }
  return false;
}

Mode ModeOf(const Image& image) {
  if (image.channels == 1) return Mode::kGrey;
  return image.channels == 4 ? Mode::kRgba : Mode::kRgb;
}

bool MakeDocument(const Image& image, Mode mode, Document* document, std::string* error) {
  if (!IsValidImage(image, error)) return false;
  if (image.width > INT16_MAX || image.height > INT16_MAX) {
    *error = "the image is larger than 32767 pixels on a side";
    return false;
  }
  const ModeInfo info = Info(mode);
  Document d;
  d.width = image.width;
  d.height = image.height;
  d.planes = info.planes;
  d.imageMode = info.imageMode;
  const auto pixels =
      static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
  d.pixels.resize(pixels * static_cast<std::size_t>(d.planes));
  const auto channels = static_cast<std::size_t>(image.channels);
  for (std::size_t i = 0; i < pixels; ++i) {
    const std::uint8_t* in = image.pixels.data() + i * channels;
    std::uint8_t* out = d.pixels.data() + i * static_cast<std::size_t>(d.planes);
    const std::uint8_t rgb[3] = {in[0], in[channels >= 3 ? 1 : 0], in[channels >= 3 ? 2 : 0]};
    switch (mode) {
      case Mode::kGrey:
        out[0] = channels == 1 ? in[0] : Luminance(rgb);
        break;
      case Mode::kRgba:
        out[3] = channels == 4 ? in[3] : 255;
        [[fallthrough]];
      case Mode::kRgb:
      case Mode::kLab:
      case Mode::kMultichannel:
        out[0] = rgb[0];
        out[1] = rgb[1];
        out[2] = rgb[2];
        break;
      case Mode::kCmyk:
        out[0] = static_cast<std::uint8_t>(255 - rgb[0]);
        out[1] = static_cast<std::uint8_t>(255 - rgb[1]);
        out[2] = static_cast<std::uint8_t>(255 - rgb[2]);
        out[3] = 0;
        break;
    }
  }
  *document = std::move(d);
  return true;
}

bool AttachMask(const Image& mask, Document* document, std::string* error) {
  if (!IsValidImage(mask, error)) return false;
  if (mask.width != document->width || mask.height != document->height) {
    *error = "the mask is " + std::to_string(mask.width) + "x" + std::to_string(mask.height) +
             ", the image " + std::to_string(document->width) + "x" +
             std::to_string(document->height);
    return false;
  }
  const auto pixels = static_cast<std::size_t>(mask.width) * static_cast<std::size_t>(mask.height);
  document->mask.resize(pixels);
  for (std::size_t i = 0; i < pixels; ++i)
    document->mask[i] = mask.pixels[i * static_cast<std::size_t>(mask.channels)];
  return true;
}

Image DocumentImage(const Document& document) {
  Image image;
  image.width = document.width;
  image.height = document.height;
  image.channels = document.planes;
  image.pixels = document.pixels;
  return image;
}

}  // namespace pxb::pxhost
