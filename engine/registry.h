// The type and function registries: fixed-capacity tables filled once at
// start-up and read-only afterwards.
#pragma once

#include <cstdint>

#include "engine/value.h"

namespace pxb {

struct WeightEntry;
using WeightList = WeightEntry*;

inline constexpr int kMaxTypes = 31;
inline constexpr int kMaxFunctions = 128;
inline constexpr int kArgSlots = 3;
inline constexpr int kDepthClasses = 4;

struct TypeRecord {
  int32_t size;
  EvalFn blend;
  MakerFn maker;
};

struct FuncRecord {
  uint32_t signature;
  char name[16];
  BuilderFn builder;
  WeightList weights[kArgSlots][kDepthClasses];
};

// Everything the two registries hold. One instance lives for the process.
struct Registry {
  TypeRecord types[kMaxTypes + 1];  // index 0 is "no type"
  int32_t typeCount;
  int32_t maxTypeSize;
  FuncRecord funcs[kMaxFunctions];
  int32_t funcCount;
  FuncId sorted[kMaxFunctions];
};

Registry& GlobalRegistry();

TypeId RegisterType(int32_t size, EvalFn blend, MakerFn maker);
int32_t TypeSize(TypeId id);
EvalFn TypeBlend(TypeId id);
MakerFn TypeMaker(TypeId id);
int32_t MaxTypeSize();
int32_t TypeCount();

uint32_t PackSignature(TypeId result, TypeId first, TypeId second, TypeId third);
TypeId SignatureResult(uint32_t signature);
TypeId SignatureArg(uint32_t signature, int slot);
int SignatureArgCount(uint32_t signature);

FuncId RegisterFunc(uint32_t signature, BuilderFn builder, const char* name);
int32_t FunctionCount();
FuncRecord& Function(FuncId id);
void SortFunctions();

// The run of the sorted order whose functions produce `type`: [*first, *end).
// Empty when no function produces it.
void ProducersOf(TypeId type, int* first, int* end);

}  // namespace pxb
