// Remakes the golden fixtures: a session and a few filter files whose members
// use fractal maps, noise, transforms, the image leaves and "dither", with
// both root types, and expected.txt with their expression texts and render
// hashes. Run it only to change the fixtures deliberately:
//   make_golden samples/sample.png tests/golden
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "engine/growth.h"
#include "engine/rand.h"
#include "evolution/filter_file.h"
#include "evolution/session_file.h"
#include "imageio/image_io.h"
#include "primitives/registration.h"
#include "tests/golden/golden_render.h"

namespace pxb::golden {
namespace {

struct Wanted {
  const char* name;  // file name for a filter; empty for a session member
  TypeId root;
  std::vector<const char*> features;  // all must occur in the expression text
};

bool Has(const std::string& text, const std::vector<const char*>& features) {
  for (const char* f : features) {
    if (text.find(f) == std::string::npos) return false;
  }
  return true;
}

// Grows members from seeds 1, 2, ... and keeps the first one, not yet used,
// whose tree has every wanted feature; the build context it started from is
// stored in *vp.
Member Find(const Wanted& w, const Image& image, int32_t* nextSeed, ViewParams* vp) {
  for (int32_t seed = *nextSeed; seed < 100000; ++seed) {
    ViewParams start{image.width, image.height, 0, {}};
    SeedState(&start.rand, seed);
    ViewParams grow = start;
    Member m = GrowMember(w.root, &grow);
    if (m.tree != nullptr && Has(ExpressionText(m.tree), w.features)) {
      *nextSeed = seed + 1;
      *vp = grow;
      return m;
    }
    ReleaseMember(&m, &grow);
  }
  std::fprintf(stderr, "make_golden: no member has all features of %s\n", w.name);
  std::exit(1);
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

std::string Line(const std::string& fixture, const Member& m, const Image& image) {
  uint64_t hash = 0;
  if (!RenderHash(m, image, &hash)) {
    std::fprintf(stderr, "make_golden: %s could not be rendered\n", fixture.c_str());
    std::exit(1);
  }
  return fixture + " " + Hex(hash) + " " + TreeText(m, image) + "\n";
}

int Run(const std::string& samplePath, const std::string& dir) {
  RegisterPrimitives();
  Image image;
  std::string error;
  if (!ReadImage(samplePath, &image, &error)) {
    std::fprintf(stderr, "make_golden: %s\n", error.c_str());
    return 1;
  }
  SetFractalGridSize(64);  // members are bred with the dialog's maps
  std::string expected;
  int32_t seed = 1;

  const std::vector<Wanted> session = {
      {"", kColour, {"rfract"}},   {"", kColour, {"bfract"}}, {"", kColour, {"noise"}},
      {"", kColour, {"trfmap"}},   {"", kColour, {"dither"}}, {"", kColour, {"(phtshp"}},
      {"", kColour, {"(vphtshp"}}, {"", kColour, {"gmix"}},   {"", kColour, {}}};
  Population population{};
  population.rootType = kColour;
  for (size_t k = 0; k < session.size(); ++k) {
    population.members[k] = Find(session[k], image, &seed, &population.views[k]);
    NodeRelease(&population.members[k].tree, &population.views[k]);
  }
  SessionHeader header;
  SetPreviewCount(&header, 6);
  SetChosenMember(&header, 4);
  SetLastDirectory(&header, "golden");
  ByteWriter sessionBytes;
  WriteSession(&sessionBytes, &header, population);
  if (!WriteBytes(dir + "/session.gds", sessionBytes.bytes())) return 1;
  for (int k = 0; k < kPopulationSize; ++k)
    expected += Line("session.gds:" + std::to_string(k), population.members[k], image);
  ReleasePopulation(&population);

  const std::vector<Wanted> filters = {{"unit-fractal.gdo", kUnit, {"rfract", "bfract"}},
                                       {"unit-dither.gdo", kUnit, {"dither", "trfmap"}},
                                       {"unit-noise.gdo", kUnit, {"noise", "(vphtshp"}},
                                       {"colour-warp.gdo", kColour, {"trfmap", "noise", "fract"}}};
  for (const Wanted& w : filters) {
    ViewParams vp{};
    Member m = Find(w, image, &seed, &vp);
    ByteWriter bytes;
    WriteMember(&bytes, m);
    if (!WriteBytes(dir + "/" + w.name, bytes.bytes())) return 1;
    expected += Line(w.name, m, image);
    ReleaseMember(&m, &vp);
  }

  std::ofstream out(dir + "/expected.txt", std::ios::trunc);
  out << expected;
  return out.flush() ? 0 : 1;
}

}  // namespace
}  // namespace pxb::golden

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_golden SAMPLE.png OUTPUT-DIRECTORY\n");
    return 2;
  }
  return pxb::golden::Run(argv[1], argv[2]);
}
