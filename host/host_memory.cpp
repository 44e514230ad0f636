#include "host/host_memory.h"

#include "host/platform.h"

namespace pxb::host {
namespace {

// A fallback record: the data address first, as in a host handle, then the
// next record this module handed out. Hosts cannot free these blocks, so
// they belong to the module for as long as it stays loaded.
struct FallbackRecord {
  char* data;
  FallbackRecord* next;
  std::int32_t size;
};

struct FallbackBlocks {
  FallbackRecord* first;
};
FallbackBlocks fallbackBlocks{nullptr};

}  // namespace

bool HostHandlesUsable(const api::HandleProcs* procs) {
  if (procs == nullptr || procs->handleProcsVersion != api::kCurrentHandleProcsVersion) {
    return false;
  }
  return procs->numHandleProcs >= api::kHandleProcsCountOriginal && procs->newProc != nullptr &&
         procs->disposeProc != nullptr && procs->getSizeProc != nullptr &&
         procs->setSizeProc != nullptr;
}

api::Handle NewBlock(const api::HandleProcs* procs, std::int32_t size) {
  if (size < 0) return nullptr;
  if (HostHandlesUsable(procs)) return procs->newProc(size);
  auto* record =
      static_cast<FallbackRecord*>(platform::AllocateLockedMemory(sizeof(FallbackRecord)));
  if (record == nullptr) return nullptr;
  auto* data = static_cast<char*>(platform::AllocateLockedMemory(static_cast<std::size_t>(size)));
  if (data == nullptr) {
    platform::FreeLockedMemory(record);
    return nullptr;
  }
  record->data = data;
  record->size = size;
  record->next = fallbackBlocks.first;
  fallbackBlocks.first = record;
  return &record->data;
}

void DisposeBlock(const api::HandleProcs* procs, api::Handle handle) {
  if (handle == nullptr) return;
  for (FallbackRecord** link = &fallbackBlocks.first; *link != nullptr; link = &(*link)->next) {
    FallbackRecord* record = *link;
    if (&record->data == handle) {
      *link = record->next;
      platform::FreeLockedMemory(record->data);
      platform::FreeLockedMemory(record);
      return;
    }
  }
  if (HostHandlesUsable(procs)) procs->disposeProc(handle);
}

void* LockBlock(const api::HandleProcs* procs, api::Handle handle) {
  if (handle == nullptr) return nullptr;
  if (HostHandlesUsable(procs) && procs->lockProc != nullptr) return procs->lockProc(handle, 1);
  return *handle;
}

void UnlockBlock(const api::HandleProcs* procs, api::Handle handle) {
  if (handle != nullptr && HostHandlesUsable(procs) && procs->unlockProc != nullptr) {
    procs->unlockProc(handle);
  }
}

std::int32_t BlockSize(const api::HandleProcs* procs, api::Handle handle) {
  if (handle == nullptr) return -1;
  for (const FallbackRecord* record = fallbackBlocks.first; record != nullptr;
       record = record->next) {
    if (&record->data == handle) return record->size;
  }
  if (!HostHandlesUsable(procs)) return -1;
  const std::int32_t size = procs->getSizeProc(handle);
  return size >= 0 ? size : -1;
}

}  // namespace pxb::host
