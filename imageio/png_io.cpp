// PNG through libpng. libpng reports errors by longjmp: every function that
// calls setjmp below holds only trivially destructible locals, and all C++
// objects (the image, the row table) live in the callers, so a jump never
// skips a destructor.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "imageio/codecs.h"

namespace pxb::codec {
namespace {

struct PngJob {
  std::FILE* file;
  png_uint_32 maxSide;
  png_structp png;
  png_infop info;
  char message[256];
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
  std::snprintf(job->message, sizeof job->message, "%s", message);
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// Reads the header and sets up the conversion to 8-bit grey, RGB or RGBA.
bool ReadHeader(PngJob* job, png_uint_32* width, png_uint_32* height, int* channels) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_init_io(job->png, job->file);
  png_set_sig_bytes(job->png, 8);
  // libpng's own guards: no side beyond the pixel limit, and no ancillary
  // chunk (text, profiles) may claim more than 8 MiB once inflated.
  png_set_user_limits(job->png, job->maxSide, job->maxSide);
  png_set_chunk_malloc_max(job->png, png_alloc_size_t{8} << 20);
  png_read_info(job->png, job->info);

  const int colourType = png_get_color_type(job->png, job->info);
  const bool transparency = png_get_valid(job->png, job->info, PNG_INFO_tRNS) != 0;
  png_set_expand(job->png);  // palette to RGB, low bit depths to 8, tRNS to alpha
  png_set_scale_16(job->png);
  if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA ||
      (colourType == PNG_COLOR_TYPE_GRAY && transparency))
    png_set_gray_to_rgb(job->png);
  png_set_interlace_handling(job->png);
  png_read_update_info(job->png, job->info);

  *width = png_get_image_width(job->png, job->info);
  *height = png_get_image_height(job->png, job->info);
  *channels = png_get_channels(job->png, job->info);
  if (png_get_bit_depth(job->png, job->info) != 8) png_error(job->png, "unexpected bit depth");
  return true;
}

bool ReadRows(PngJob* job, png_bytep* rows) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_read_image(job->png, rows);
  png_read_end(job->png, nullptr);
  return true;
}

bool WriteRows(PngJob* job, const Image* image, png_bytep* rows) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  static constexpr int kColourTypes[5] = {0, PNG_COLOR_TYPE_GRAY, 0, PNG_COLOR_TYPE_RGB,
                                          PNG_COLOR_TYPE_RGB_ALPHA};
  png_init_io(job->png, job->file);
  png_set_IHDR(job->png, job->info, static_cast<png_uint_32>(image->width),
               static_cast<png_uint_32>(image->height), 8, kColourTypes[image->channels],
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(job->png, job->info);
  png_write_image(job->png, rows);
  png_write_end(job->png, nullptr);
  return true;
}

// Row pointers into the image's pixels; false when memory is short.
bool RowTable(const Image& image, std::vector<png_bytep>* rows) {
  try {
    rows->resize(static_cast<size_t>(image.height));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (int32_t y = 0; y < image.height; ++y)
    (*rows)[static_cast<size_t>(y)] = const_cast<png_bytep>(image.Row(y));
  return true;
}

}  // namespace

bool ReadPng(std::FILE* file, int64_t maxPixels, Image* image, std::string* error) {
  png_byte signature[8];
  if (std::fread(signature, 1, sizeof signature, file) != sizeof signature ||
      png_sig_cmp(signature, 0, sizeof signature) != 0) {
    *error = "not a PNG file";
    return false;
  }
  const int64_t side = std::min<int64_t>(maxPixels, PNG_UINT_31_MAX);
  PngJob job{file, static_cast<png_uint_32>(std::max<int64_t>(side, 1)), nullptr, nullptr, {}};
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &job, OnPngError, OnPngWarning);
  if (job.png == nullptr) {
    *error = "out of memory";
    return false;
  }
  job.info = png_create_info_struct(job.png);

  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int channels = 0;
  std::vector<png_bytep> rows;
  bool ok = false;
  if (job.info == nullptr) {
    *error = "out of memory";
  } else if (!ReadHeader(&job, &width, &height, &channels)) {
    *error = std::string("invalid PNG data: ") + job.message;
  } else if (CheckPixelLimit(width, height, maxPixels, error) &&
             AllocateImage(image, width, height, channels, error)) {
    if (!RowTable(*image, &rows)) {
      *error = "out of memory";
    } else if (!ReadRows(&job, rows.data())) {
      *error = std::string("invalid or truncated PNG data: ") + job.message;
    } else {
      ok = true;
    }
  }
  png_destroy_read_struct(&job.png, job.info != nullptr ? &job.info : nullptr, nullptr);
  return ok;
}

bool WritePng(std::FILE* file, const Image& image, std::string* error) {
  PngJob job{file, 0, nullptr, nullptr, {}};
  job.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job, OnPngError, OnPngWarning);
  if (job.png == nullptr) {
    *error = "out of memory";
    return false;
  }
  job.info = png_create_info_struct(job.png);
  std::vector<png_bytep> rows;
  bool ok = false;
  if (job.info == nullptr || !RowTable(image, &rows)) {
    *error = "out of memory";
  } else if (!WriteRows(&job, &image, rows.data())) {
    *error = std::string("cannot encode PNG: ") + job.message;
  } else {
    ok = true;
  }
  png_destroy_write_struct(&job.png, job.info != nullptr ? &job.info : nullptr);
  return ok;
}

}  // namespace pxb::codec
