// A small registry of made-up functions for testing weights and growth apart
// from the primitive library. Registered once per process.
#pragma once

#include "engine/growth.h"
#include "engine/weights.h"
#include "tests/engine/test_nodes.h"

namespace pxb::testing {

inline constexpr TypeId kExpoType = 3;

struct SyntheticIds {
  FuncId leaf, minpe, noise, sum, rgb, three, expoLeaf, expoPair, fromExpo;
};
inline SyntheticIds ids{};

inline int Zero(ArgSlot*, void* r, Node* n, EvalContext*) {
  std::memset(r, 0, static_cast<size_t>(TypeSize(n->type)));
  return 0;
}

template <int kLabel>
Node* BuildNamed(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  static const char* const labels[] = {"leaf",  "minpe", "noise", "sum",   "rgb",  "three",
                                       "eleaf", "epair", "fromx", "vleaf", "cleaf"};
  return NodeCreate(result, nargs, args, 0, Zero, labels[kLabel], view);
}

inline int MakeTestUnit(void* out, ViewParams* view) {
  const double v = NextDoubleOn(&view->rand);
  std::memcpy(out, &v, sizeof v);
  return 0;
}

inline void RegisterSyntheticRegistry() {
  if (FunctionCount() > 0) return;
  RegisterTestTypes(MakeTestUnit);
  const TypeId u = kUnit;
  const TypeId x = kExpoType;
  ids.leaf = RegisterFunc(PackSignature(u, 0, 0, 0), BuildNamed<0>, "leaf");
  ids.minpe = RegisterFunc(PackSignature(u, u, 0, 0), BuildNamed<1>, "minpe");
  ids.noise = RegisterFunc(PackSignature(u, u, 0, 0), BuildNamed<2>, "noise");
  ids.sum = RegisterFunc(PackSignature(u, u, u, 0), BuildNamed<3>, "sum");
  ids.rgb = RegisterFunc(PackSignature(kColour, u, u, u), BuildNamed<4>, "rgb");
  ids.three = RegisterFunc(PackSignature(u, u, u, u), BuildNamed<5>, "three");
  ids.expoLeaf = RegisterFunc(PackSignature(x, 0, 0, 0), BuildNamed<6>, "eleaf");
  ids.expoPair = RegisterFunc(PackSignature(x, x, x, 0), BuildNamed<7>, "epair");
  ids.fromExpo = RegisterFunc(PackSignature(u, x, 0, 0), BuildNamed<8>, "fromx");
  Exclusions().mu = ids.leaf;
  Exclusions().minpe = ids.minpe;
  Exclusions().dopnoise = ids.noise;
  SortFunctions();
  InitWeights();
  SetForcedLeaf(kUnit, BuildNamed<9>);
  SetForcedLeaf(kColour, BuildNamed<10>);
}

}  // namespace pxb::testing
