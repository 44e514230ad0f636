#include "host/parameters.h"

#include <cstring>

#include "host/host_memory.h"
#include "host/plugin_run.h"

namespace pxb::host {
namespace {

api::Handle SlotHandle(const std::intptr_t* data) {
  return reinterpret_cast<api::Handle>(*data);
}

// Copies the block kept in `parameters` into *block; false when there is
// none (no handle, too small or of a size that cannot be known, or not
// ours). Nothing past what the host says the handle holds is read.
bool ReadParameterCopy(api::FilterRecord* record, ParameterBlock* block) {
  api::Handle handle = record->parameters;
  if (handle == nullptr) return false;
  if (BlockSize(record->handleProcs, handle) < kParameterCopySize) return false;
  const auto* bytes = static_cast<const unsigned char*>(LockBlock(record->handleProcs, handle));
  bool found = false;
  if (bytes != nullptr) {
    std::uint32_t tag = 0;
    std::memcpy(&tag, bytes, sizeof tag);
    if (tag == kParameterCopyTag) {
      std::memcpy(block, bytes + sizeof tag, sizeof *block);
      block->sessionPath[kSessionPathCapacity - 1] = '\0';
      found = true;
    }
  }
  UnlockBlock(record->handleProcs, handle);
  return found;
}

}  // namespace

bool AcquireParameterBlock(api::FilterRecord* record, std::intptr_t* data) {
  const api::HandleProcs* procs = record->handleProcs;
  api::Handle handle = SlotHandle(data);
  if (handle != nullptr) {
    CurrentRun().block = static_cast<ParameterBlock*>(LockBlock(procs, handle));
    return CurrentRun().block != nullptr;
  }
  handle = NewBlock(procs, kParameterBlockSize);
  if (handle == nullptr) return false;
  auto* block = static_cast<ParameterBlock*>(LockBlock(procs, handle));
  if (block == nullptr) {
    DisposeBlock(procs, handle);
    return false;
  }
  *data = reinterpret_cast<std::intptr_t>(handle);
  if (!ReadParameterCopy(record, block)) std::memset(block, 0, sizeof *block);
  CurrentRun().block = block;
  return true;
}

void ReleaseParameterBlock(api::FilterRecord* record, const std::intptr_t* data) {
  if (*data != 0) UnlockBlock(record->handleProcs, SlotHandle(data));
  CurrentRun().block = nullptr;
}

void MirrorParameterBlock(api::FilterRecord* record) {
  const ParameterBlock* block = CurrentRun().block;
  if (block == nullptr) return;
  const api::HandleProcs* procs = record->handleProcs;
  if (record->parameters == nullptr) {
    record->parameters = NewBlock(procs, kParameterCopySize);
    if (record->parameters == nullptr) return;
  }
  api::Handle handle = record->parameters;
  // Written only where the handle is known to hold the whole copy: grown
  // through the host when it is smaller, and its size asked again, since
  // a host may report success without growing it.
  if (BlockSize(procs, handle) < kParameterCopySize) {
    if (!HostHandlesUsable(procs) || procs->setSizeProc(handle, kParameterCopySize) != api::noErr ||
        BlockSize(procs, handle) < kParameterCopySize) {
      return;
    }
  }
  auto* bytes = static_cast<unsigned char*>(LockBlock(procs, handle));
  if (bytes != nullptr) {
    std::memcpy(bytes, &kParameterCopyTag, sizeof kParameterCopyTag);
    std::memcpy(bytes + sizeof kParameterCopyTag, block, sizeof *block);
  }
  UnlockBlock(procs, handle);
}

}  // namespace pxb::host
