#include "engine/allocation.h"

#include <cstdlib>

namespace pxb {
namespace {

AllocationFaults allocationFaults;

// True when the allocation about to be made is to fail.
bool Refuse() {
  AllocationFaults& f = allocationFaults;
  const int64_t n = f.made.fetch_add(1, std::memory_order_relaxed) + 1;
  const int64_t at = f.failAt.load(std::memory_order_relaxed);
  if (at == 0 || n < at) return false;
  if (n > at && !f.failLater.load(std::memory_order_relaxed)) return false;
  f.failed.fetch_add(1, std::memory_order_relaxed);
  return true;
}

void* Counted(void* block) {
  if (block != nullptr) allocationFaults.live.fetch_add(1, std::memory_order_relaxed);
  return block;
}

}  // namespace

AllocationFaults& GlobalAllocationFaults() {
  return allocationFaults;
}

void ArmAllocationFault(int64_t n, bool andLater) {
  AllocationFaults& f = allocationFaults;
  f.failAt.store(0, std::memory_order_relaxed);
  f.made.store(0, std::memory_order_relaxed);
  f.failed.store(0, std::memory_order_relaxed);
  f.failLater.store(andLater, std::memory_order_relaxed);
  f.failAt.store(n, std::memory_order_relaxed);
}

void* EngineMalloc(size_t size) {
  if (Refuse()) return nullptr;
  return Counted(std::malloc(size));
}

void* EngineCalloc(size_t count, size_t size) {
  if (Refuse()) return nullptr;
  return Counted(std::calloc(count, size));
}

void EngineFree(void* block) {
  if (block == nullptr) return;
  allocationFaults.live.fetch_sub(1, std::memory_order_relaxed);
  std::free(block);
}

}  // namespace pxb
