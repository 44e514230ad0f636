#include "gimp/drawable_pass.h"

#include <libgimp/gimp.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "evolution/render.h"
#include "primitives/fractal_generator.h"
#include "primitives/source_image.h"

namespace pxb::gimp {
namespace {

// The drawable's pixel layout as the pass sees it.
struct Layout {
  bool eightBit;       // the drawable stores 8-bit components: bytes in, bytes out
  int planes;          // components per pixel, alpha included
  int colourPlanes;    // 1 for grey, 3 for RGB
  const Babl* input;   // 8-bit, what the image leaves read
  const Babl* output;  // the drawable's own format, or doubles
};

Layout LayoutOf(int drawable) {
  const Babl* own = gimp_drawable_get_format(drawable);
  const bool grey = gimp_drawable_is_gray(drawable) != 0;
  const bool alpha = gimp_drawable_has_alpha(drawable) != 0;
  Layout l{};
  l.eightBit = babl_format_get_type(own, 0) == babl_type("u8");
  l.colourPlanes = grey ? 1 : 3;
  l.planes = l.colourPlanes + (alpha ? 1 : 0);
  if (l.eightBit) {
    l.input = own;
    l.output = own;
  } else if (grey) {
    l.input = babl_format(alpha ? "Y'A u8" : "Y' u8");
    l.output = babl_format(alpha ? "Y'A double" : "Y' double");
  } else {
    l.input = babl_format(alpha ? "R'G'B'A u8" : "R'G'B' u8");
    l.output = babl_format(alpha ? "R'G'B'A double" : "R'G'B' double");
  }
  return l;
}

// One row of values as components of higher precision: the colour planes
// take the value clamped to 0..1 (a one-channel tree's value in every
// plane), alpha is opaque.
void WriteDoubleRow(const double* values, int channels, const Layout& l, int32_t width,
                    double* out) {
  for (int32_t x = 0; x < width; ++x) {
    const double* v = values + static_cast<ptrdiff_t>(x) * channels;
    double* o = out + static_cast<ptrdiff_t>(x) * l.planes;
    for (int p = 0; p < l.planes; ++p) {
      o[p] = p < l.colourPlanes ? std::clamp(v[channels == 1 ? 0 : p], 0.0, 1.0) : 1.0;
    }
  }
}

// GEGL buffers are released through g_object_unref, which also writes back
// what is still cached.
struct BufferRef {
  GeglBuffer* buffer;
  ~BufferRef() {
    if (buffer != nullptr) g_object_unref(buffer);
  }
};

}  // namespace

bool FilterDrawable(int drawable, const Member& member, std::string* error) {
  gint x0 = 0, y0 = 0, width = 0, height = 0;
  if (gimp_drawable_mask_intersect(drawable, &x0, &y0, &width, &height) == 0) return true;
  const GeglRectangle area{x0, y0, width, height};
  const Layout layout = LayoutOf(drawable);
  const auto w = static_cast<size_t>(width);
  const size_t inPixel = layout.eightBit
                             ? static_cast<size_t>(layout.planes)
                             : static_cast<size_t>(babl_format_get_bytes_per_pixel(layout.input));
  std::vector<uint8_t> input;
  try {
    input.resize(w * static_cast<size_t>(height) * inPixel);
  } catch (const std::bad_alloc&) {
    *error = "there is not enough memory for a copy of the " + std::to_string(width) + " x " +
             std::to_string(height) + " pixels to filter";
    return false;
  }
  {
    BufferRef source{gimp_drawable_get_buffer(drawable)};
    gegl_buffer_get(source.buffer, &area, 1.0, layout.input, input.data(), GEGL_AUTO_ROWSTRIDE,
                    GEGL_ABYSS_NONE);
  }
  SetSourceImage(width, height, input.data(), static_cast<int32_t>(w * inPixel),
                 static_cast<int32_t>(inPixel));
  SetFractalGridSize(256);

  // The render runs on threads of its own (as many as `pixbreed apply`
  // takes by default, so "dither" splits the same way). Only this thread
  // may talk to GIMP: the shadow's tiles travel over the same pipe as the
  // progress reports. So finished rows wait in a queue until it writes them.
  struct Row {
    int32_t y;
    std::vector<uint8_t> bytes;
  };
  std::mutex queueLock;
  std::vector<Row> queue;
  const auto outPixel = static_cast<size_t>(babl_format_get_bytes_per_pixel(layout.output));
  const int channels = ChannelsOf(static_cast<TypeId>(member.type));
  const RowSink sink = [&](int32_t y, const double* values) {
    Row row{y, std::vector<uint8_t>(w * outPixel)};
    if (layout.eightBit) {
      const uint8_t* in = input.data() + static_cast<size_t>(y) * w * inPixel;
      for (size_t x = 0; x < w; ++x) {
        WriteFilteredPixel(values + x * static_cast<size_t>(channels), channels,
                           layout.colourPlanes, in + x * inPixel, 0, false,
                           row.bytes.data() + x * outPixel, layout.planes);
      }
    } else {
      std::vector<double> out(w * static_cast<size_t>(layout.planes));
      WriteDoubleRow(values, channels, layout, width, out.data());
      std::memcpy(row.bytes.data(), out.data(), row.bytes.size());
    }
    const std::lock_guard<std::mutex> lock(queueLock);
    queue.push_back(std::move(row));
  };

  BufferRef shadow{gimp_drawable_get_shadow_buffer(drawable)};
  auto writeQueued = [&] {
    std::vector<Row> rows;
    {
      const std::lock_guard<std::mutex> lock(queueLock);
      rows.swap(queue);
    }
    for (const Row& row : rows) {
      const GeglRectangle line{x0, y0 + row.y, width, 1};
      gegl_buffer_set(shadow.buffer, &line, 0, layout.output, row.bytes.data(),
                      GEGL_AUTO_ROWSTRIDE);
    }
  };
  std::atomic<int32_t> rowsDone{0};
  RenderJob job;
  job.width = width;
  job.height = height;
  job.threads = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
  job.rowsDone = &rowsDone;
  std::atomic<bool> finished{false};
  RenderOutcome outcome = RenderOutcome::kDone;
  std::thread worker([&] {
    outcome = RenderMember(member, job, sink);
    finished.store(true);
  });
  gimp_progress_init("Pixbreed");
  while (!finished.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    writeQueued();
    gimp_progress_update(static_cast<double>(rowsDone.load()) / height);
  }
  worker.join();
  writeQueued();
  ClearSourceImage();
  if (outcome != RenderOutcome::kDone) {
    *error = std::string("the filter ") + RenderFailureText(outcome);
    return false;
  }
  gimp_progress_update(1.0);
  g_object_unref(shadow.buffer);
  shadow.buffer = nullptr;
  gimp_drawable_merge_shadow(drawable, TRUE);
  gimp_drawable_update(drawable, x0, y0, width, height);
  return true;
}

}  // namespace pxb::gimp
