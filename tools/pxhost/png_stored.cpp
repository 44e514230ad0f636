// PNG coding without a compression library, for the Windows test host: it
// writes PNGs whose data is in stored (uncompressed) deflate blocks and reads
// 8-bit grey, RGB and RGBA PNGs written that way (any row filters, no
// interlacing). JPEG is not available in this build.
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tools/imageio/codecs.h"

namespace pxb::codec {
namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t Crc(const unsigned char* data, std::size_t size, std::uint32_t crc = 0) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k)
        c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i)
    crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

std::uint32_t Adler(const std::vector<unsigned char>& data) {
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (unsigned char byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

std::uint32_t BigEndian(const unsigned char* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
         p[3];
}

void PutBigEndian(std::vector<unsigned char>* out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out->push_back(static_cast<unsigned char>(v >> shift));
}

void PutChunk(std::FILE* file, const char* type, const std::vector<unsigned char>& data) {
  std::vector<unsigned char> chunk;
  PutBigEndian(&chunk, static_cast<std::uint32_t>(data.size()));
  chunk.insert(chunk.end(), type, type + 4);
  chunk.insert(chunk.end(), data.begin(), data.end());
  PutBigEndian(&chunk, Crc(chunk.data() + 4, chunk.size() - 4));
  std::fwrite(chunk.data(), 1, chunk.size(), file);
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = p > a ? p - a : a - p;
  const int pb = p > b ? p - b : b - p;
  const int pc = p > c ? p - c : c - p;
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

// The bytes of a zlib stream made of stored blocks only.
bool Unstore(const std::vector<unsigned char>& z, std::vector<unsigned char>* out,
             std::string* error) {
  if (z.size() < 2 || (z[0] & 0x0F) != 8) {
    *error = "not a zlib stream";
    return false;
  }
  std::size_t at = 2;
  for (bool last = false; !last;) {
    if (at + 5 > z.size()) {
      *error = "truncated image data";
      return false;
    }
    last = (z[at] & 1) != 0;
    if (((z[at] >> 1) & 3) != 0) {
      *error = "compressed PNG data (this build reads only stored deflate blocks)";
      return false;
    }
    const std::size_t length = z[at + 1] | (z[at + 2] << 8);
    at += 5;
    if (at + length > z.size()) {
      *error = "truncated image data";
      return false;
    }
    out->insert(out->end(), z.begin() + static_cast<std::ptrdiff_t>(at),
                z.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  }
  return true;
}

}  // namespace

bool ReadPng(std::FILE* file, Image* image, std::string* error) {
  std::vector<unsigned char> bytes;
  unsigned char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  if (bytes.size() < 8 || std::memcmp(bytes.data(), kSignature, 8) != 0) {
    *error = "not a PNG file";
    return false;
  }
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int channels = 0;
  std::vector<unsigned char> z;
  for (std::size_t at = 8; at + 12 <= bytes.size();) {
    const std::uint32_t length = BigEndian(&bytes[at]);
    if (length > bytes.size() - at - 12) break;
    const unsigned char* type = &bytes[at + 4];
    const unsigned char* data = &bytes[at + 8];
    if (std::memcmp(type, "IHDR", 4) == 0 && length >= 13) {
      width = BigEndian(data);
      height = BigEndian(data + 4);
      const int colour = data[9];
      channels = colour == 0 ? 1 : colour == 2 ? 3 : colour == 6 ? 4 : 0;
      if (data[8] != 8 || channels == 0 || data[12] != 0) {
        *error = "only 8-bit grey, RGB and RGBA PNGs without interlacing are read here";
        return false;
      }
    } else if (std::memcmp(type, "IDAT", 4) == 0) {
      z.insert(z.end(), data, data + length);
    }
    at += 12 + length;
  }
  std::vector<unsigned char> raw;
  if (channels == 0 || !Unstore(z, &raw, error)) {
    if (channels == 0) *error = "no IHDR chunk";
    return false;
  }
  Image read;
  if (!AllocateImage(&read, width, height, channels, error)) return false;
  const std::size_t rowBytes = read.RowBytes();
  if (raw.size() < (rowBytes + 1) * height) {
    *error = "too little image data";
    return false;
  }
  for (std::uint32_t y = 0; y < height; ++y) {
    const unsigned char* in = &raw[y * (rowBytes + 1)];
    std::uint8_t* row = read.Row(static_cast<int32_t>(y));
    const std::uint8_t* up = y > 0 ? read.Row(static_cast<int32_t>(y) - 1) : nullptr;
    for (std::size_t i = 0; i < rowBytes; ++i) {
      const int a = i >= static_cast<std::size_t>(channels) ? row[i - channels] : 0;
      const int b = up != nullptr ? up[i] : 0;
      const int c = up != nullptr && i >= static_cast<std::size_t>(channels) ? up[i - channels] : 0;
      int predictor = 0;
      switch (in[0]) {
        case 0:
          predictor = 0;
          break;
        case 1:
          predictor = a;
          break;
        case 2:
          predictor = b;
          break;
        case 3:
          predictor = (a + b) / 2;
          break;
        case 4:
          predictor = Paeth(a, b, c);
          break;
        default:
          *error = "bad row filter";
          return false;
      }
      row[i] = static_cast<std::uint8_t>(in[1 + i] + predictor);
    }
  }
  *image = std::move(read);
  return true;
}

bool WritePng(std::FILE* file, const Image& image, std::string* error) {
  const int colour = image.channels == 1 ? 0 : image.channels == 3 ? 2 : 6;
  std::vector<unsigned char> header;
  PutBigEndian(&header, static_cast<std::uint32_t>(image.width));
  PutBigEndian(&header, static_cast<std::uint32_t>(image.height));
  header.insert(header.end(), {8, static_cast<unsigned char>(colour), 0, 0, 0});
  std::vector<unsigned char> raw;
  raw.reserve((image.RowBytes() + 1) * static_cast<std::size_t>(image.height));
  for (int32_t y = 0; y < image.height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), image.Row(y), image.Row(y) + image.RowBytes());
  }
  std::vector<unsigned char> z = {0x78, 0x01};
  std::size_t at = 0;
  do {
    const std::size_t length = raw.size() - at < 65535 ? raw.size() - at : 65535;
    z.push_back(at + length == raw.size() ? 1 : 0);
    z.insert(z.end(),
             {static_cast<unsigned char>(length), static_cast<unsigned char>(length >> 8),
              static_cast<unsigned char>(~length), static_cast<unsigned char>(~length >> 8)});
    z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
             raw.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  } while (at < raw.size());
  PutBigEndian(&z, Adler(raw));
  std::fwrite(kSignature, 1, sizeof kSignature, file);
  PutChunk(file, "IHDR", header);
  PutChunk(file, "IDAT", z);
  PutChunk(file, "IEND", {});
  if (std::ferror(file) != 0) {
    *error = "write failed";
    return false;
  }
  return true;
}

bool ReadJpeg(std::FILE*, Image*, std::string* error) {
  *error = "JPEG is not available in this build";
  return false;
}

bool WriteJpeg(std::FILE*, const Image&, int, std::string* error) {
  *error = "JPEG is not available in this build";
  return false;
}

}  // namespace pxb::codec
