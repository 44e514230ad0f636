#include "engine/registry.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pxb {
namespace {

Registry registry{};

}  // namespace

Registry& GlobalRegistry() {
  return registry;
}

TypeId RegisterType(int32_t size, EvalFn blend, MakerFn maker) {
  const int32_t id = ++registry.typeCount;
  if (id > kMaxTypes) {
    std::printf("number of types exceeds maxtypes %d\n", kMaxTypes);
    std::exit(1);
  }
  registry.types[id] = TypeRecord{size, blend, maker};
  registry.maxTypeSize = std::max(registry.maxTypeSize, size);
  return static_cast<TypeId>(id);
}

int32_t TypeSize(TypeId id) {
  return registry.types[id].size;
}
EvalFn TypeBlend(TypeId id) {
  return registry.types[id].blend;
}
MakerFn TypeMaker(TypeId id) {
  return registry.types[id].maker;
}
int32_t MaxTypeSize() {
  return registry.maxTypeSize;
}
int32_t TypeCount() {
  return registry.typeCount;
}

uint32_t PackSignature(TypeId result, TypeId first, TypeId second, TypeId third) {
  auto byte = [](TypeId t) { return static_cast<uint32_t>(t) & 0xFF; };
  return byte(result) << 24 | byte(third) << 16 | byte(second) << 8 | byte(first);
}

TypeId SignatureResult(uint32_t signature) {
  return static_cast<TypeId>(signature >> 24);
}

TypeId SignatureArg(uint32_t signature, int slot) {
  return static_cast<TypeId>((signature >> (8 * slot)) & 0xFF);
}

int SignatureArgCount(uint32_t signature) {
  int n = 0;
  while (n < kArgSlots && SignatureArg(signature, n) != 0)
    ++n;
  return n;
}

FuncId RegisterFunc(uint32_t signature, BuilderFn builder, const char* name) {
  if (registry.funcCount >= kMaxFunctions) {
    std::printf("number of functions exceeds maxfuns %d\n", kMaxFunctions);
    std::exit(1);
  }
  const FuncId id = registry.funcCount++;
  FuncRecord& f = registry.funcs[id];
  f.signature = signature;
  f.builder = builder;
  std::strncpy(f.name, name, sizeof f.name - 1);
  f.name[sizeof f.name - 1] = '\0';
  return id;
}

int32_t FunctionCount() {
  return registry.funcCount;
}
FuncRecord& Function(FuncId id) {
  return registry.funcs[id];
}

void SortFunctions() {
  FuncId* order = registry.sorted;
  for (FuncId i = 0; i < registry.funcCount; ++i)
    order[i] = i;
  // Signatures stay below 2^29, so comparing them as signed values is exact.
  std::stable_sort(order, order + registry.funcCount, [](FuncId a, FuncId b) {
    return static_cast<int32_t>(registry.funcs[a].signature) <
           static_cast<int32_t>(registry.funcs[b].signature);
  });
}

void ProducersOf(TypeId type, int* first, int* end) {
  int i = 0;
  const int n = registry.funcCount;
  while (i < n && SignatureResult(registry.funcs[registry.sorted[i]].signature) != type)
    ++i;
  int j = i;
  while (j < n && SignatureResult(registry.funcs[registry.sorted[j]].signature) == type)
    ++j;
  *first = i;
  *end = j;
}

}  // namespace pxb
