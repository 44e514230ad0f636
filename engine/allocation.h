// The engine's heap allocations for nodes, maps, working grids, scratch
// values and choice records, with a fault hook that tests arm to make one
// chosen allocation fail as if memory were short.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace pxb {

// Counts the allocations made through EngineMalloc and EngineCalloc and the
// blocks still live, and fails the armed one. Normally disarmed: then every
// allocation goes straight to the C library.
struct AllocationFaults {
  std::atomic<int64_t> made{0};        // allocations attempted since the last Arm
  std::atomic<int64_t> failAt{0};      // 1-based index of the allocation to fail; 0: none
  std::atomic<bool> failLater{false};  // fail every allocation after failAt too
  std::atomic<int64_t> failed{0};      // allocations refused since the last Arm
  std::atomic<int64_t> live{0};        // blocks allocated and not yet freed
};

AllocationFaults& GlobalAllocationFaults();

// Restarts the count and makes allocation n (1-based, counted from now) fail,
// and with `andLater` every one after it as well; n = 0 disarms.
void ArmAllocationFault(int64_t n, bool andLater = false);

void* EngineMalloc(size_t size);
void* EngineCalloc(size_t count, size_t size);
// Frees a block from EngineMalloc or EngineCalloc; null is ignored.
void EngineFree(void* block);

}  // namespace pxb
