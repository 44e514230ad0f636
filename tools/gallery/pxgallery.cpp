// pxgallery: pictures of the primitive families and of freshly grown members
// over an image, for a person to look at.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>

#include "engine/colour.h"
#include "engine/eval.h"
#include "evolution/population.h"
#include "evolution/render.h"
#include "imageio/image_io.h"
#include "primitives/fractal_generator.h"
#include "primitives/registration.h"
#include "primitives/scalar.h"
#include "primitives/source_image.h"
#include "primitives/value_types.h"
#include "tools/common/sheet.h"
#include "tools/gallery/exhibits.h"

namespace {

using namespace pxb;

// The tree's value at one sample as a colour a person can see: `unit` as
// grey, `bipolar` from [-1, 1], complex slopes as red and green around grey.
void ToRgb(TypeId type, const unsigned char* value, uint8_t rgb[3]) {
  double c[3] = {0, 0, 0};
  double v;
  std::memcpy(&v, value, sizeof v);
  if (type == kColour) {
    ColourValue colour;
    std::memcpy(&colour, value, sizeof colour);
    std::copy(colour.c, colour.c + 3, c);
  } else if (type == kCplx) {
    ComplexValue z;
    std::memcpy(&z, value, sizeof z);
    z = Cartesian(z);
    c[0] = 0.5 + 0.5 * z.re;
    c[1] = 0.5 + 0.5 * z.im;
    c[2] = 0.5;
  } else {
    const double grey = type == kBipolar ? 0.5 + 0.5 * v : v;
    c[0] = c[1] = c[2] = grey;
  }
  for (int i = 0; i < 3; ++i)
    rgb[i] = static_cast<uint8_t>(QuantiseChannel(c[i]));
}

Image RenderTree(Node* tree, ViewParams view) {
  Image out;
  std::string error;
  AllocateImage(&out, view.width, view.height, 3, &error);
  RandState dither = kDitherStartState;
  EvalContext ctx{};
  ctx.dither = &dither;
  PrepareTree(&tree, &ctx, &view);
  alignas(8) unsigned char value[64];
  for (ctx.row = 0; ctx.row < view.height; ++ctx.row) {
    for (ctx.column = 0; ctx.column < view.width; ++ctx.column) {
      EvaluateAt(tree, value, &ctx, &view);
      ToRgb(tree->type, value, out.Row(ctx.row) + 3 * ctx.column);
    }
  }
  NodeRelease(&tree, &view);
  return out;
}

bool Write(const std::string& path, const Image& image) {
  std::string error;
  if (WriteImage(path, image, &error)) return true;
  std::fprintf(stderr, "pxgallery: %s\n", error.c_str());
  return false;
}

int Primitives(const std::string& dir, int width, int height) {
  std::filesystem::create_directories(dir);
  SetFractalGridSize(64);
  ViewParams view{width, height, 1, {{357, 2026, 7}}};
  std::vector<Image> pictures;
  std::ofstream index(dir + "/index.txt");
  int k = 0;
  for (const gallery::Exhibit& e : gallery::BuildExhibits(&view)) {
    if (e.tree == nullptr) {
      std::fprintf(stderr, "pxgallery: %s could not be built\n", e.name.c_str());
      return 1;
    }
    pictures.push_back(RenderTree(e.tree, view));
    char name[64];
    std::snprintf(name, sizeof name, "%02d-%s.png", k, e.name.c_str());
    if (!Write(dir + "/" + name, pictures.back())) return 1;
    index << k++ << '\t' << e.name << '\n';
  }
  return Write(dir + "/primitives.png", ContactSheet(pictures, 3)) ? 0 : 1;
}

int Members(const std::string& output, int count, int width, int height) {
  SetFractalGridSize(64);
  std::vector<Image> pictures;
  for (int k = 0; k < count; ++k) {
    ViewParams seed{width, height, 0, {{357, 2026, static_cast<uint16_t>(k)}}};
    Member m = GrowMember(k % 2 == 0 ? kColour : kUnit, &seed);
    Image picture;
    std::string error;
    AllocateImage(&picture, width, height, 3, &error);
    const int channels = ChannelsOf(static_cast<TypeId>(m.type));
    RenderJob job;
    job.width = width;
    job.height = height;
    const RenderOutcome outcome = RenderMember(m, job, [&](int32_t y, const double* v) {
      QuantiseRowToRgb(v, channels, width, picture.Row(y));
    });
    ReleaseMember(&m, &seed);
    if (outcome != RenderOutcome::kDone) {
      std::fprintf(stderr, "pxgallery: member %d %s\n", k, RenderFailureText(outcome));
      return 1;
    }
    pictures.push_back(std::move(picture));
  }
  return Write(output, ContactSheet(pictures, 3)) ? 0 : 1;
}

}  // namespace

static int Main(int argc, char** argv) {
  CLI::App app{"pxgallery: pictures of the primitives and of grown members over an image"};
  app.require_subcommand(1);
  std::string image;
  std::string output;
  int width = 240;
  int count = 12;
  auto* prims = app.add_subcommand("primitives", "One picture per primitive family, and a sheet");
  prims->add_option("image", image, "Image the image leaves read")->required();
  prims->add_option("-o,--output", output, "Folder for the pictures")->required();
  prims->add_option("--width", width, "Width of each picture")->capture_default_str();
  auto* members = app.add_subcommand("members", "Freshly grown members, colour and grey");
  members->add_option("image", image, "Image the image leaves read")->required();
  members->add_option("-o,--output", output, "Sheet to write (PNG)")->required();
  members->add_option("--count", count, "How many members")
      ->check(CLI::Range(1, 60))
      ->capture_default_str();
  members->add_option("--width", width, "Width of each picture")->capture_default_str();
  CLI11_PARSE(app, argc, argv);
  if (width < 16 || width > 2048) {
    std::fprintf(stderr, "pxgallery: --width must lie between 16 and 2048\n");
    return 1;
  }

  Image source;
  std::string error;
  if (!ReadImage(image, &source, &error)) {
    std::fprintf(stderr, "pxgallery: %s\n", error.c_str());
    return 1;
  }
  RegisterPrimitives();
  SetSourceImage(source.width, source.height, source.pixels.data(),
                 static_cast<int32_t>(source.RowBytes()), source.channels);
  const int height = std::max(1, width * source.height / source.width);
  if (prims->parsed()) return Primitives(output, width, height);
  return Members(output, count, width, height);
}

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", "pxgallery", e.what());
  } catch (...) {
    std::fprintf(stderr, "%s: an unexpected failure\n", "pxgallery");
  }
  return 1;
}
