// JPEG through libjpeg. Its errors end in a longjmp back to the function that
// started the step: those functions hold only trivially destructible locals,
// and every C++ object lives in their callers.
#include <csetjmp>
#include <cstdio>

// jpeglib.h needs size_t and FILE declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "imageio/codecs.h"

namespace pxb::codec {
namespace {

struct JpegErrors {
  jpeg_error_mgr manager;  // first, so the library's pointer to it is ours
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void OnJpegError(j_common_ptr info) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  info->err->format_message(info, errors->message);
  std::longjmp(errors->jump, 1);
}

// Trace messages are dropped. A warning means damaged data (a file that ends
// early, corrupt entropy-coded data, a bad marker): libjpeg would go on and
// make up the missing pixels, but a filter should not run on an image that
// is not what the file holds, so every warning is an error.
void OnJpegMessage(j_common_ptr info, int level) {
  if (level < 0) OnJpegError(info);
}

void InstallErrors(JpegErrors* errors, j_common_ptr info) {
  info->err = jpeg_std_error(&errors->manager);
  errors->manager.error_exit = OnJpegError;
  errors->manager.emit_message = OnJpegMessage;
  errors->message[0] = '\0';
}

struct JpegReadJob {
  jpeg_decompress_struct info;
  JpegErrors errors;
};

bool ReadHeader(JpegReadJob* job, std::FILE* file) {
  if (setjmp(job->errors.jump)) return false;
  jpeg_create_decompress(&job->info);
  jpeg_stdio_src(&job->info, file);
  jpeg_read_header(&job->info, TRUE);
  return true;
}

bool ReadRows(JpegReadJob* job, Image* image) {
  if (setjmp(job->errors.jump)) return false;
  jpeg_decompress_struct* info = &job->info;
  jpeg_start_decompress(info);
  if (info->output_width != static_cast<JDIMENSION>(image->width) ||
      info->output_height != static_cast<JDIMENSION>(image->height) ||
      info->output_components != image->channels) {
    std::snprintf(job->errors.message, sizeof job->errors.message,
                  "decoded size differs from the header");
    return false;
  }
  while (info->output_scanline < info->output_height) {
    JSAMPROW row = image->Row(static_cast<int32_t>(info->output_scanline));
    jpeg_read_scanlines(info, &row, 1);
  }
  jpeg_finish_decompress(info);
  return true;
}

struct JpegWriteJob {
  jpeg_compress_struct info;
  JpegErrors errors;
};

bool WriteRows(JpegWriteJob* job, std::FILE* file, const Image* image, int quality) {
  if (setjmp(job->errors.jump)) return false;
  jpeg_compress_struct* info = &job->info;
  jpeg_create_compress(info);
  jpeg_stdio_dest(info, file);
  info->image_width = static_cast<JDIMENSION>(image->width);
  info->image_height = static_cast<JDIMENSION>(image->height);
  info->input_components = image->channels;
  info->in_color_space = image->channels == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(info);
  jpeg_set_quality(info, quality, TRUE);
  info->optimize_coding = TRUE;
  jpeg_start_compress(info, TRUE);
  while (info->next_scanline < info->image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(image->Row(static_cast<int32_t>(info->next_scanline)));
    jpeg_write_scanlines(info, &row, 1);
  }
  jpeg_finish_compress(info);
  return true;
}

}  // namespace

bool ReadJpeg(std::FILE* file, int64_t maxPixels, Image* image, std::string* error) {
  JpegReadJob job{};
  InstallErrors(&job.errors, reinterpret_cast<j_common_ptr>(&job.info));
  bool ok = false;
  if (!ReadHeader(&job, file)) {
    *error = std::string("invalid JPEG data: ") + job.errors.message;
  } else if (job.info.jpeg_color_space == JCS_CMYK || job.info.jpeg_color_space == JCS_YCCK) {
    *error = "CMYK JPEG images are not supported";
  } else {
    const bool grey = job.info.jpeg_color_space == JCS_GRAYSCALE;
    job.info.out_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
    if (CheckPixelLimit(job.info.image_width, job.info.image_height, maxPixels, error) &&
        AllocateImage(image, job.info.image_width, job.info.image_height, grey ? 1 : 3, error)) {
      if (ReadRows(&job, image)) {
        ok = true;
      } else {
        *error = std::string("invalid or truncated JPEG data: ") + job.errors.message;
      }
    }
  }
  jpeg_destroy_decompress(&job.info);
  return ok;
}

bool WriteJpeg(std::FILE* file, const Image& image, int quality, std::string* error) {
  JpegWriteJob job{};
  InstallErrors(&job.errors, reinterpret_cast<j_common_ptr>(&job.info));
  const bool ok = WriteRows(&job, file, &image, quality);
  if (!ok) *error = std::string("cannot encode JPEG: ") + job.errors.message;
  jpeg_destroy_compress(&job.info);
  return ok;
}

}  // namespace pxb::codec
