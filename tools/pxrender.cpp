// pxrender: renders a small hand-built expression tree with the engine alone
// and writes the picture. Red follows x, green is an 8 x 8 map resampled to the
// view (bilinearly with --smooth 1, nearest pixel with 0), blue is 0.75·y.
#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <system_error>

#include "engine/colour.h"
#include "engine/eval.h"
#include "engine/node.h"
#include "engine/registry.h"
#include "imageio/image_io.h"
#include "primitives/value_types.h"

namespace pxb {
namespace {

constexpr int kMapSide = 8;

// The nine value types in their fixed order, as the primitive library
// registers them; false if another order was registered first.
bool RegisterValueTypes() {
  InitNormalDeviate();
  RegisterType(4, nullptr, nullptr);  // subtree
  RegisterType(8, BlendScalar, MakeUnit);
  RegisterType(8, BlendScalar, MakeExpo);
  RegisterType(8, BlendScalar, MakeBipolar);
  RegisterType(8, BlendScalar, MakeGauss);
  RegisterType(8, nullptr, nullptr);  // plain
  const TypeId offset = RegisterType(24, nullptr, nullptr);
  const TypeId cplx = RegisterType(24, BlendComplex, MakeComplex);
  const TypeId colour = RegisterType(40, BlendColour, MakeColour);
  return offset == kOffset && cplx == kCplx && colour == kColour && TypeCount() == 9;
}

double Arg(const ArgSlot* args, int i) {
  double v;
  std::memcpy(&v, args[i].value, sizeof v);
  return v;
}

int Store(void* result, double v) {
  std::memcpy(result, &v, sizeof v);
  return 0;
}

int EvalX(ArgSlot*, void* result, Node*, EvalContext* ctx) {
  return Store(result, ctx->x);
}
int EvalY(ArgSlot*, void* result, Node*, EvalContext* ctx) {
  return Store(result, ctx->y);
}
int EvalConstant(ArgSlot* args, void* result, Node*, EvalContext*) {
  return Store(result, Arg(args, 0));
}
int EvalProduct(ArgSlot* args, void* result, Node*, EvalContext*) {
  return Store(result, Arg(args, 0) * Arg(args, 1));
}

// A checkerboard whose light squares brighten to the right and dark squares
// to the bottom; positions outside the map repeat it.
int EvalChecker(ArgSlot*, void* result, Node* node, EvalContext* ctx) {
  const int32_t column = ((ctx->column % node->width) + node->width) % node->width;
  const int32_t row = ((ctx->row % node->height) + node->height) % node->height;
  const double light = 0.45 + 0.5 * column / (node->width - 1);
  const double dark = 0.05 + 0.3 * row / (node->height - 1);
  return Store(result, ((column ^ row) & 1) == 0 ? light : dark);
}

int EvalRgb(ArgSlot* args, void* result, Node*, EvalContext*) {
  const ColourValue colour{{Arg(args, 0), Arg(args, 1), Arg(args, 2), 1.0}, 0, 0};
  std::memcpy(result, &colour, sizeof colour);
  return 0;
}

Node* Leaf(EvalFn eval, const char* label, ViewParams* view) {
  Node* node = NodeCreate(kUnit, 0, nullptr, 0, eval, label, view);
  if (node != nullptr) node->flags = kPositionDependent;
  return node;
}

Node* Constant(double v, ViewParams* view) {
  const ArgSlot slot{kUnit, &v};
  return NodeCreate(kUnit, 1, &slot, 0, EvalConstant, "cm", view);
}

Node* CheckerMap(ViewParams* view) {
  Node* node = NodeCreate(kUnit, 0, nullptr, 0, EvalChecker, "checker", view);
  if (node == nullptr) return nullptr;
  node->flags = kMapValued;
  node->width = kMapSide;
  node->height = kMapSide;
  return node;
}

// Builds a node over the given children. The children's references pass to
// it; when it cannot be made they are released.
Node* Combine(TypeId type, EvalFn eval, const char* label, Node** children, int count,
              ViewParams* view) {
  ArgSlot slots[3];
  bool complete = true;
  for (int i = 0; i < count; ++i) {
    slots[i] = ArgSlot{kSubtree, &children[i]};
    complete = complete && children[i] != nullptr;
  }
  Node* node = complete ? NodeCreate(type, count, slots, 0, eval, label, view) : nullptr;
  if (node == nullptr) {
    for (int i = 0; i < count; ++i)
      NodeRelease(&children[i], view);
  }
  return node;
}

// (makrgb (mu) (pol2map (checker)) (petimes (mv) (cm 0.75)))
Node* BuildTree(ViewParams* view) {
  Node* map = CheckerMap(view);
  if (map != nullptr) WrapResample(&map, view);
  Node* blue[2] = {Leaf(EvalY, "mv", view), Constant(0.75, view)};
  Node* channels[3] = {Leaf(EvalX, "mu", view), map,
                       Combine(kUnit, EvalProduct, "petimes", blue, 2, view)};
  return Combine(kColour, EvalRgb, "makrgb", channels, 3, view);
}

bool Render(Node** root, ViewParams* view, Image* image, std::string* error) {
  if (!AllocateImage(image, view->width, view->height, 3, error)) return false;
  RandState dither{{0x150C, 0x247E, 0x0018}};
  EvalContext ctx{};
  ctx.dither = &dither;
  PrepareTree(root, &ctx, view);
  for (int32_t row = 0; row < view->height; ++row) {
    uint8_t* out = image->Row(row);
    for (int32_t column = 0; column < view->width; ++column) {
      ColourValue colour{};
      ctx.column = column;
      ctx.row = row;
      EvaluateAt(*root, &colour, &ctx, view);
      for (int i = 0; i < 3; ++i)
        *out++ = static_cast<uint8_t>(QuantiseChannel(colour.c[i]));
    }
  }
  return true;
}

// "WxH" with two positive decimal numbers.
bool ParseSize(const std::string& text, int32_t* width, int32_t* height) {
  const char* end = text.data() + text.size();
  int32_t w = 0;
  int32_t h = 0;
  const auto first = std::from_chars(text.data(), end, w);
  if (first.ec != std::errc{} || first.ptr == end || *first.ptr != 'x') return false;
  const auto second = std::from_chars(first.ptr + 1, end, h);
  if (second.ec != std::errc{} || second.ptr != end || w <= 0 || h <= 0) return false;
  *width = w;
  *height = h;
  return true;
}

int Run(const std::string& size, int smooth, const std::string& output) {
  ViewParams view{};
  if (!ParseSize(size, &view.width, &view.height)) {
    std::fprintf(stderr, "pxrender: --size must be WxH with positive numbers, not '%s'\n",
                 size.c_str());
    return 2;
  }
  std::string error;
  if (!CheckImageShape(view.width, view.height, 3, &error)) {
    std::fprintf(stderr, "pxrender: --size %s: %s\n", size.c_str(), error.c_str());
    return 2;
  }
  if (FormatFromPath(output) == ImageFormat::kUnknown) {
    std::fprintf(stderr, "pxrender: %s: output must end in .png, .jpg or .jpeg\n", output.c_str());
    return 2;
  }
  view.smooth = smooth;
  if (!RegisterValueTypes()) {
    std::fprintf(stderr, "pxrender: the value types did not register in their order\n");
    return 1;
  }
  Node* root = BuildTree(&view);
  if (root == nullptr) {
    std::fprintf(stderr, "pxrender: out of memory while building the tree\n");
    return 1;
  }
  Image image;
  const bool ok = Render(&root, &view, &image, &error) && WriteImage(output, image, &error);
  NodeRelease(&root, &view);
  if (!ok) {
    std::fprintf(stderr, "pxrender: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace pxb

static int Main(int argc, char** argv) {
  CLI::App app{"Renders a small hand-built expression tree with the engine and writes it."};
  std::string size = "512x384";
  int smooth = 1;
  std::string output;
  app.add_option("--size", size, "image size, WxH")->capture_default_str();
  app.add_option("--smooth", smooth, "1: resample the map bilinearly, 0: nearest pixel")
      ->check(CLI::IsMember({0, 1}))
      ->capture_default_str();
  app.add_option("-o,--output", output, "output image (.png, .jpg or .jpeg)")->required();
  CLI11_PARSE(app, argc, argv);
  return pxb::Run(size, smooth, output);
}

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", "pxrender", e.what());
  } catch (...) {
    std::fprintf(stderr, "%s: an unexpected failure\n", "pxrender");
  }
  return 1;
}
