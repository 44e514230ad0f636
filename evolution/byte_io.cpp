#include "evolution/byte_io.h"

#include <cstring>

namespace pxb {

void ByteWriter::U16(uint16_t v) {
  bytes_.push_back(static_cast<uint8_t>(v));
  bytes_.push_back(static_cast<uint8_t>(v >> 8));
}

void ByteWriter::U32(uint32_t v) {
  for (int i = 0; i < 4; ++i)
    bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void ByteWriter::Bytes(const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), p, p + size);
}

void ByteWriter::PatchU32(size_t offset, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    bytes_[offset + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

void ByteReader::Bytes(void* out, size_t size) {
  auto* o = static_cast<uint8_t*>(out);
  const size_t available = pos_ < size_ ? size_ - pos_ : 0;
  const size_t n = size < available ? size : available;
  if (n > 0) std::memcpy(o, data_ + pos_, n);
  std::memset(o + n, 0, size - n);
  pos_ += n;
  if (n < size) readFailed = true;
}

uint16_t ByteReader::U16() {
  uint8_t b[2];
  Bytes(b, 2);
  return static_cast<uint16_t>(b[0] | b[1] << 8);
}

uint32_t ByteReader::U32() {
  uint8_t b[4];
  Bytes(b, 4);
  return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

bool ByteReader::Seek(size_t offset) {
  if (offset > size_) return false;
  pos_ = offset;
  return true;
}

}  // namespace pxb
