// Feeds arbitrary bytes to the filter-record reader, and grows whatever it
// accepts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "evolution/filter_file.h"
#include "evolution/population.h"
#include "primitives/registration.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pxb::RegisterPrimitives();
  pxb::ByteReader in(data, size);
  pxb::ViewParams vp{16, 16, 0, {}};
  pxb::Member m{};
  std::string error;
  if (pxb::ReadMember(&in, &vp, true, &m, &error)) {
    // An accepted record writes back as it was read.
    pxb::ByteWriter out;
    pxb::WriteMember(&out, m);
    pxb::ReleaseMember(&m, &vp);
  }
  return 0;
}
