// Registers the nine value types with their real blends and random constants,
// so primitive tests can build and render trees without the full start-up.
#pragma once

#include "engine/registry.h"
#include "primitives/value_types.h"

namespace pxb::testing {

// Registers the types in their fixed order once per process; does nothing
// when types are registered already.
inline void RegisterValueTypes() {
  if (TypeCount() > 0) return;
  InitNormalDeviate();
  RegisterType(4, nullptr, nullptr);            // subtree
  RegisterType(8, BlendScalar, MakeUnit);       // unit
  RegisterType(8, BlendScalar, MakeExpo);       // expo
  RegisterType(8, BlendScalar, MakeBipolar);    // bipolar
  RegisterType(8, BlendScalar, MakeGauss);      // gauss
  RegisterType(8, nullptr, nullptr);            // plain
  RegisterType(24, nullptr, nullptr);           // offset
  RegisterType(24, BlendComplex, MakeComplex);  // cplx
  RegisterType(40, BlendColour, MakeColour);    // colour
}

}  // namespace pxb::testing
