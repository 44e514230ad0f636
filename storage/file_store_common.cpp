#include "storage/file_store_common.h"

#include "storage/file_store.h"

namespace pxb {

uint64_t HashBytes(const std::vector<uint8_t>& bytes) {
  uint64_t h = 14695981039346656037ull;
  for (uint8_t b : bytes) {
    h ^= b;
    h *= 1099511628211ull;
  }
  return h;
}

namespace file_store {

bool Fail(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

std::string Cause(const std::string& path, const char* what) {
  // Read the error before building the message can disturb it.
  const std::string detail = LastErrorSuffix();
  return path + ": " + what + detail;
}

std::string ChangedMessage(const std::string& path) {
  return path + ": the file was changed by another program since it was read; nothing was written";
}

}  // namespace file_store
}  // namespace pxb
