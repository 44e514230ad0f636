// Little-endian records in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pxb {

class ByteWriter {
 public:
  void U16(uint16_t v);
  void I16(int16_t v) { U16(static_cast<uint16_t>(v)); }
  void U32(uint32_t v);
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void Bytes(const void* data, size_t size);
  // Overwrites four bytes written earlier.
  void PatchU32(size_t offset, uint32_t v);

  size_t size() const { return bytes_.size(); }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// Reads from a byte range. A read past the end yields zeros and sets
// readFailed, and reading goes on, so a caller checks once at the end.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  explicit ByteReader(const std::vector<uint8_t>& bytes) : ByteReader(bytes.data(), bytes.size()) {}

  uint16_t U16();
  int16_t I16() { return static_cast<int16_t>(U16()); }
  uint32_t U32();
  int32_t I32() { return static_cast<int32_t>(U32()); }
  void Bytes(void* out, size_t size);

  // Moves to an absolute offset; an offset past the end fails.
  bool Seek(size_t offset);
  size_t position() const { return pos_; }
  size_t size() const { return size_; }
  const uint8_t* data() const { return data_; }

  bool readFailed = false;

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace pxb
