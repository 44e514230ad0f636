#include "primitives/registration.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "engine/growth.h"
#include "engine/registry.h"
#include "engine/weights.h"
#include "primitives/colour_ops.h"
#include "primitives/fractal_maps.h"
#include "primitives/noise.h"
#include "primitives/scalar.h"
#include "primitives/transforms.h"
#include "primitives/value_types.h"

namespace pxb {
namespace {

std::once_flag registrationDone;

// Ids are fixed by the order of the calls; a different answer from the
// registry means the order was broken, and nothing stored could be trusted.
template <typename T>
void Expect(T got, T want, const char* what) {
  if (got != want) {
    std::fprintf(stderr, "registration order broken at %s\n", what);
    std::abort();
  }
}

void RegisterTypes() {
  Expect(RegisterType(4, nullptr, nullptr), kSubtree, "subtree");
  Expect(RegisterType(8, BlendScalar, MakeUnit), kUnit, "unit");
  Expect(RegisterType(8, BlendScalar, MakeExpo), kExpo, "expo");
  Expect(RegisterType(8, BlendScalar, MakeBipolar), kBipolar, "bipolar");
  Expect(RegisterType(8, BlendScalar, MakeGauss), kGauss, "gauss");
  Expect(RegisterType(8, nullptr, nullptr), kPlain, "plain");
  Expect(RegisterType(24, nullptr, nullptr), kOffset, "offset");
  Expect(RegisterType(24, BlendComplex, MakeComplex), kCplx, "cplx");
  Expect(RegisterType(40, BlendColour, MakeColour), kColour, "colour");
}

void Register(FuncId want, TypeId result, TypeId a, TypeId b, TypeId c, BuilderFn builder,
              const char* name) {
  Expect(RegisterFunc(PackSignature(result, a, b, c), builder, name), want, name);
}

void RegisterAll() {
  InitNormalDeviate();
  RegisterTypes();

  Register(kFnMu, kUnit, 0, 0, 0, BuildMu, "mu");
  Register(kFnMv, kUnit, 0, 0, 0, BuildMv, "mv");
  Register(kFnMinpe, kUnit, kUnit, 0, 0, BuildMinpe, "minpe");
  Register(kFnPeplus, kUnit, kUnit, kUnit, 0, BuildPeplus, "peplus");
  Register(kFnPetimes, kUnit, kUnit, kUnit, 0, BuildPetimes, "petimes");
  Register(kFnPepow, kUnit, kUnit, kUnit, 0, BuildPepow, "pepow");
  Register(kFnSwitch, kUnit, kUnit, kUnit, kUnit, BuildSwitch, "switch");
  Register(kFnMix, kUnit, kUnit, kUnit, kUnit, BuildMix, "mix");
  Register(kFnBias, kUnit, kUnit, kUnit, 0, BuildBias, "bias");
  Register(kFnGain, kUnit, kUnit, kUnit, 0, BuildGain, "gain");
  ExcludedFunctions& excluded = Exclusions();
  excluded.mu = kFnMu;
  excluded.mv = kFnMv;
  excluded.minpe = kFnMinpe;

  Register(kFnRi2cx, kOffset, kCplx, kUnit, 0, BuildRi2cx, "ri2cx");

  BuildNoiseTable();
  Register(kFnDopnoise, kUnit, kUnit, 0, 0, BuildDopNoise, "dopnoise");
  Register(kFnDopbnoise, kBipolar, kUnit, 0, 0, BuildDopBNoise, "dopbnoise");
  Register(kFnDopdnoise, kCplx, kUnit, 0, 0, BuildDopDNoise, "dopdnoise");
  excluded.dopnoise = kFnDopnoise;
  excluded.dopbnoise = kFnDopbnoise;
  excluded.dopdnoise = kFnDopdnoise;

  Register(kFnRfract, kUnit, kUnit, 0, 0, BuildRfract, "rfract");
  Register(kFnBfract, kCplx, kUnit, 0, 0, BuildBfract, "bfract");
  Register(kFnDither, kUnit, kUnit, kUnit, 0, BuildDither, "dither");
  Register(kFnMakrgb, kColour, kUnit, kUnit, kUnit, BuildMakrgb, "makrgb");
  Register(kFnGswitch, kColour, kUnit, kColour, kColour, BuildGswitch, "gswitch");
  Register(kFnGmix, kColour, kUnit, kColour, kColour, BuildGmix, "gmix");
  Register(kFnTrfmapColour, kColour, kColour, kOffset, 0, BuildTrfmap, "trfmap");
  Register(kFnTrfmapUnit, kUnit, kUnit, kOffset, 0, BuildTrfmap, "trfmap");

  SortFunctions();
  InitWeights();

  RegisterScalarRunFns();
  RegisterNoiseRunFns();
  RegisterTransformRunFns();
  RegisterColourRunFns();
  RegisterFractalRunFns();
  RegisterBlendRunFns();

  // The host-image leaves stand in for `colour` and `unit` arguments at the
  // depth limit.
  SetForcedLeaf(kColour, BuildPhtshp);
  SetForcedLeaf(kUnit, BuildVphtshp);
}

}  // namespace

void RegisterPrimitives() {
  std::call_once(registrationDone, RegisterAll);
}

}  // namespace pxb
