// Writes seed inputs for the fuzzers: a few real filter and session files.
#include <cstdio>
#include <string>

#include "evolution/filter_file.h"
#include "evolution/session_file.h"
#include "primitives/registration.h"
#include "storage/session_store.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  pxb::RegisterPrimitives();
  pxb::Population p{};
  for (int k = 0; k < pxb::kPopulationSize; ++k) {
    p.views[k] = pxb::ViewParams{16, 16, 0, {{357, 1, static_cast<uint16_t>(k)}}};
  }
  pxb::SessionHeader h{};
  std::string error;
  for (pxb::TypeId root : {pxb::kColour, pxb::kUnit}) {
    const std::string name = dir + (root == pxb::kColour ? "/colour" : "/grey");
    if (!pxb::CreateSession(name + ".gds", 2, root, &p, &h, &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
    for (int k = 0; k < 3; ++k)
      pxb::RebreedMember(&p, k);
    pxb::SetChosenMember(&h, 1);
    if (!pxb::SaveSession(name + "-bred.gds", p, &h, &error) ||
        !pxb::SaveFilterFile(name + ".gdo", p.members[1], &error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return 1;
    }
  }
  pxb::ReleasePopulation(&p);
  return 0;
}
