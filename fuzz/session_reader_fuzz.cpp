// Feeds arbitrary bytes to the session readers; a refused file must leave the
// population as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "evolution/session_file.h"
#include "primitives/registration.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  pxb::RegisterPrimitives();
  const std::vector<uint8_t> bytes(data, data + size);
  pxb::Population population{};
  pxb::SessionHeader header{};
  std::string error;
  const bool whole = pxb::ReadSession(bytes, &population, &header, &error);
  if (!whole && population.members[0].weights != nullptr) std::abort();
  pxb::Population chosen{};
  pxb::SessionHeader chosenHeader{};
  const int k = pxb::ReadChosenMember(bytes, &chosen, &chosenHeader, &error);
  if (whole && k == -2) std::abort();  // what the whole reader accepts, this one must too
  pxb::ReleasePopulation(&chosen);
  pxb::ReleasePopulation(&population);
  return 0;
}
