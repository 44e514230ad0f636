// What the golden fixtures pin: a member's expression text and a hash of the
// bytes its full-size render writes over the sample image, computed the same
// way by the generator of the fixtures and by the test that checks them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "evolution/render.h"
#include "imageio/image.h"
#include "primitives/expression_text.h"
#include "primitives/fractal_generator.h"
#include "primitives/source_image.h"

namespace pxb::golden {

// 64-bit FNV-1a.
inline uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
  uint64_t h = 0xcbf29ce484222325ULL;
  for (const uint8_t b : bytes) {
    h ^= b;
    h *= 0x100000001b3ULL;
  }
  return h;
}

inline std::string Hex(uint64_t v) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(v));
  return text;
}

inline bool ReadBytes(const std::string& path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

inline void UseAsSource(const Image& image) {
  SetSourceImage(image.width, image.height, image.pixels.data(),
                 static_cast<int32_t>(image.RowBytes()), image.channels);
}

// The member's tree as the final pass grows it for `image` (maps modulated
// by the image leaves read it), as text.
inline std::string TreeText(const Member& member, const Image& image) {
  SetFractalGridSize(256);
  UseAsSource(image);
  ViewParams vp{image.width, image.height, 0, {}};
  Node* tree = GrowTreeCopy(member, &vp);
  std::string text = ExpressionText(tree);
  NodeRelease(&tree, &vp);
  ClearSourceImage();
  return text;
}

// Filters `image` with the member as the final pass does (256-cell maps, no
// selection) on one thread, the reference order of "dither" draws, and
// hashes the bytes written. False when the tree cannot be grown.
inline bool RenderHash(const Member& member, const Image& image, uint64_t* hash) {
  SetFractalGridSize(256);
  UseAsSource(image);
  Image output = image;
  const int planes = image.channels;
  const int colourPlanes = planes == 1 ? 1 : 3;
  const int channels = ChannelsOf(static_cast<TypeId>(member.type));
  const RowSink sink = [&](int32_t y, const double* values) {
    const uint8_t* in = image.Row(y);
    uint8_t* out = output.Row(y);
    for (int32_t x = 0; x < image.width; ++x) {
      WriteFilteredPixel(values + static_cast<ptrdiff_t>(x) * channels, channels, colourPlanes,
                         in + static_cast<ptrdiff_t>(x) * planes, 0, false,
                         out + static_cast<ptrdiff_t>(x) * planes, planes);
    }
  };
  RenderJob job;
  job.width = image.width;
  job.height = image.height;
  job.threads = 1;
  const bool ok = RenderMember(member, job, sink) == RenderOutcome::kDone;
  ClearSourceImage();
  if (ok) *hash = Fnv1a(output.pixels);
  return ok;
}

}  // namespace pxb::golden
