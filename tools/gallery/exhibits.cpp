#include "tools/gallery/exhibits.h"

#include <initializer_list>

#include "primitives/colour_ops.h"
#include "primitives/fractal_maps.h"
#include "primitives/noise.h"
#include "primitives/scalar.h"
#include "primitives/transforms.h"
#include "primitives/value_types.h"

namespace pxb::gallery {
namespace {

// Calls a builder over child nodes (each passed as a subtree argument).
Node* Make(BuilderFn builder, TypeId result, std::initializer_list<Node*> children,
           ViewParams* view) {
  Node* held[3] = {};
  ArgSlot slots[3] = {};
  int n = 0;
  for (Node* c : children) {
    held[n] = c;
    slots[n] = ArgSlot{kSubtree, &held[n]};
    ++n;
  }
  return builder(result, n, slots, view);
}

int CopyUnit(ArgSlot* args, void* result, Node* /*node*/, EvalContext* /*ctx*/) {
  *static_cast<double*>(result) = *static_cast<double*>(args[0].value);
  return 0;
}

Node* Const(double v, ViewParams* view) {
  const ArgSlot slot{kUnit, &v};
  return NodeCreate(kUnit, 1, &slot, 0, CopyUnit, "cm", view);
}

// A fractal map with a constant roughness exponent.
Node* Fractal(BuilderFn builder, TypeId result, double exponent, ViewParams* view) {
  ArgSlot slot{kUnit, &exponent};
  return builder(result, 1, &slot, view);
}

Node* Mu(ViewParams* v) {
  return Make(BuildMu, kUnit, {}, v);
}
Node* Mv(ViewParams* v) {
  return Make(BuildMv, kUnit, {}, v);
}
Node* Photo(ViewParams* v) {
  return BuildPhtshp(kColour, 0, nullptr, v);
}
Node* Luma(ViewParams* v) {
  return BuildVphtshp(kUnit, 0, nullptr, v);
}

}  // namespace

std::vector<Exhibit> BuildExhibits(ViewParams* v) {
  std::vector<Exhibit> e;
  e.push_back({"noise", Make(BuildDopNoise, kUnit, {Const(0.1, v)}, v)});
  e.push_back({"bipolar-noise", Make(BuildDopBNoise, kBipolar, {Const(0.1, v)}, v)});
  e.push_back({"noise-slopes", Make(BuildDopDNoise, kCplx, {Const(0.1, v)}, v)});
  e.push_back(
      {"noise-scale-from-x",
       Make(BuildDopNoise, kUnit, {Make(BuildPetimes, kUnit, {Mu(v), Const(0.2, v)}, v)}, v)});
  e.push_back({"fractal-smooth", Fractal(BuildRfract, kUnit, 1.5, v)});
  e.push_back({"fractal-rough", Fractal(BuildRfract, kUnit, 0.3, v)});
  e.push_back(
      {"fractal-roughness-from-x",
       Make(BuildRfract, kUnit, {Make(BuildPetimes, kUnit, {Mu(v), Const(2.0, v)}, v)}, v)});
  e.push_back({"fractal-slopes", Fractal(BuildBfract, kCplx, 0.8, v)});
  e.push_back({"image", Photo(v)});
  e.push_back({"image-luminance", Luma(v)});
  e.push_back(
      {"warp-by-noise",
       Make(BuildTrfmap, kColour,
            {Photo(v), Make(BuildRi2cx, kOffset,
                            {Make(BuildDopDNoise, kCplx, {Const(0.15, v)}, v), Const(0.6, v)}, v)},
            v)});
  e.push_back({"warp-by-fractal",
               Make(BuildTrfmap, kColour,
                    {Photo(v), Make(BuildRi2cx, kOffset,
                                    {Fractal(BuildBfract, kCplx, 1.0, v), Const(0.4, v)}, v)},
                    v)});
  e.push_back({"makrgb", Make(BuildMakrgb, kColour,
                              {Mu(v), Mv(v), Make(BuildDopNoise, kUnit, {Const(0.2, v)}, v)}, v)});
  e.push_back({"gswitch", Make(BuildGswitch, kColour,
                               {Make(BuildDopNoise, kUnit, {Const(0.25, v)}, v), Photo(v),
                                Make(BuildMakrgb, kColour, {Luma(v), Mv(v), Mu(v)}, v)},
                               v)});
  e.push_back({"gmix", Make(BuildGmix, kColour,
                            {Mu(v), Photo(v),
                             Make(BuildMakrgb, kColour,
                                  {Make(BuildMinpe, kUnit, {Luma(v)}, v), Luma(v), Mv(v)}, v)},
                            v)});
  e.push_back({"bias-and-gain",
               Make(BuildGain, kUnit, {Make(BuildBias, kUnit, {Mu(v), Mv(v)}, v), Mv(v)}, v)});
  e.push_back({"fuzzy-logic", Make(BuildPeplus, kUnit,
                                   {Make(BuildPetimes, kUnit, {Mu(v), Mv(v)}, v),
                                    Make(BuildPepow, kUnit, {Luma(v), Mu(v)}, v)},
                                   v)});
  e.push_back({"dither", Make(BuildDither, kUnit, {Luma(v), Const(0.5, v)}, v)});
  return e;
}

}  // namespace pxb::gallery
