// The CRC-32 of the zip and PNG formats (reflected polynomial 0xEDB88320),
// used to tell a damaged block of a file from a good one.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pxb {

uint32_t Crc32(const uint8_t* data, size_t size);

}  // namespace pxb
