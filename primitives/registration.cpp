#include "primitives/registration.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <span>
#include <string_view>

#include "engine/growth.h"
#include "engine/registry.h"
#include "engine/weights.h"
#include "primitives/declaration.h"
#include "primitives/noise.h"
#include "primitives/value_types.h"

namespace pxb {
namespace {

// The types in id order.
constexpr std::string_view kTypeOrder[] = {
    "subtree", "unit", "expo", "bipolar", "gauss", "plain", "offset", "cplx", "colour",
};

struct Listed {
  std::string_view name;
  TypeId result;
};

// The functions in registration order: a function's index is its place in
// this list. Indices are stored in filter and session files, so a new
// function only ever goes at the end. The signature, builder and evaluation
// are declared beside each function's code.
constexpr Listed kFunctionOrder[] = {
    {"mu", kUnit},            //  0
    {"mv", kUnit},            //  1
    {"minpe", kUnit},         //  2
    {"peplus", kUnit},        //  3
    {"petimes", kUnit},       //  4
    {"pepow", kUnit},         //  5
    {"switch", kUnit},        //  6
    {"mix", kUnit},           //  7
    {"bias", kUnit},          //  8
    {"gain", kUnit},          //  9
    {"ri2cx", kOffset},       // 10
    {"dopnoise", kUnit},      // 11
    {"dopbnoise", kBipolar},  // 12
    {"dopdnoise", kCplx},     // 13
    {"rfract", kUnit},        // 14
    {"bfract", kCplx},        // 15
    {"dither", kUnit},        // 16
    {"makrgb", kColour},      // 17
    {"gswitch", kColour},     // 18
    {"gmix", kColour},        // 19
    {"trfmap", kColour},      // 20
    {"trfmap", kUnit},        // 21
};

// The families whose tables the list above draws from.
constexpr std::span<const PrimitiveDecl> (*kFamilies[])() = {
    ScalarDecls, TransformDecls, NoiseDecls, FractalDecls, ColourDecls,
};

constexpr FuncId IndexOf(std::string_view name, TypeId result) {
  for (FuncId i = 0; i < static_cast<FuncId>(std::size(kFunctionOrder)); ++i) {
    if (kFunctionOrder[i].name == name && kFunctionOrder[i].result == result) return i;
  }
  return -1;
}

static_assert(IndexOf("mu", kUnit) == kFnMu);
static_assert(IndexOf("mv", kUnit) == kFnMv);
static_assert(IndexOf("minpe", kUnit) == kFnMinpe);
static_assert(IndexOf("dopnoise", kUnit) == kFnDopnoise);
static_assert(IndexOf("dopbnoise", kBipolar) == kFnDopbnoise);
static_assert(IndexOf("dopdnoise", kCplx) == kFnDopdnoise);
static_assert(IndexOf("trfmap", kColour) == kFnTrfmapColour);
static_assert(IndexOf("trfmap", kUnit) == kFnTrfmapUnit);

std::once_flag registrationDone;

// A start-up that cannot register the vocabulary as listed must not go on:
// nothing stored could be trusted.
[[noreturn]] void Broken(const char* what, std::string_view name) {
  std::fprintf(stderr, "registration broken: %s %.*s\n", what, static_cast<int>(name.size()),
               name.data());
  std::abort();
}

const TypeDecl& FindType(std::string_view name) {
  for (const TypeDecl& t : ValueTypeDecls()) {
    if (name == t.name) return t;
  }
  Broken("no declaration of type", name);
}

// The one declaration of a listed function; it must be neither missing nor
// declared twice.
const PrimitiveDecl& FindFunction(const Listed& listed) {
  const PrimitiveDecl* found = nullptr;
  for (auto family : kFamilies) {
    for (const PrimitiveDecl& d : family()) {
      if ((d.flags & kDepthLimitLeaf) != 0 || listed.name != d.name || listed.result != d.result)
        continue;
      if (found != nullptr) Broken("two declarations of", listed.name);
      found = &d;
    }
  }
  if (found == nullptr) Broken("no declaration of", listed.name);
  return *found;
}

void RegisterTypes() {
  for (std::string_view name : kTypeOrder) {
    const TypeDecl& t = FindType(name);
    if (RegisterType(t.size, t.blend, t.maker) != t.id) Broken("type out of order:", name);
  }
}

void RegisterFunctions() {
  for (const Listed& listed : kFunctionOrder) {
    const PrimitiveDecl& d = FindFunction(listed);
    const uint32_t signature = PackSignature(d.result, d.args[0], d.args[1], d.args[2]);
    if (RegisterFunc(signature, d.builder, d.name) != IndexOf(listed.name, listed.result))
      Broken("function out of order:", listed.name);
  }
  // A declared function missing from the list would silently never grow.
  for (auto family : kFamilies) {
    for (const PrimitiveDecl& d : family()) {
      if ((d.flags & kDepthLimitLeaf) == 0 && IndexOf(d.name, d.result) < 0)
        Broken("function not in the registration order:", d.name);
    }
  }
}

void RegisterAll() {
  InitNormalDeviate();
  BuildNoiseTable();
  RegisterTypes();
  RegisterFunctions();

  ExcludedFunctions& excluded = Exclusions();
  excluded.mu = kFnMu;
  excluded.mv = kFnMv;
  excluded.minpe = kFnMinpe;
  excluded.dopnoise = kFnDopnoise;
  excluded.dopbnoise = kFnDopbnoise;
  excluded.dopdnoise = kFnDopdnoise;

  SortFunctions();
  InitWeights();

  for (auto family : kFamilies) {
    for (const PrimitiveDecl& d : family()) {
      // The host-image leaves stand in for `colour` and `unit` arguments at
      // the depth limit.
      if ((d.flags & kDepthLimitLeaf) != 0) SetForcedLeaf(d.result, d.builder);
    }
  }
  RegisterRunFunctions();
}

}  // namespace

void RegisterRunFunctions() {
  for (auto family : kFamilies) {
    for (const PrimitiveDecl& d : family()) {
      if (d.run != nullptr) {
        RunTraits traits;
        traits.drawsDither = (d.flags & kDrawsDither) != 0;
        traits.lazyOnce = (d.flags & kLazyOnce) != 0;
        traits.gridOnly = (d.flags & kGridOnly) != 0;
        traits.cellOnly = (d.flags & kCellOnly) != 0;
        RegisterRunFn(d.eval, d.run, traits);
      }
    }
  }
  for (const TypeDecl& t : ValueTypeDecls()) {
    if (t.runBlend != nullptr) RegisterRunBlend(t.blend, t.runBlend);
  }
}

void RegisterPrimitives() {
  std::call_once(registrationDone, RegisterAll);
}

}  // namespace pxb
