// Movable memory blocks for the plug-in's own records: through the host's
// handle callbacks when its table is one this plug-in knows, otherwise from
// the platform's movable memory.
//
// The fallback block is a small zero-filled record whose first word holds the
// address of a separate zero-filled data block; the handle is the record's
// address. That is the same shape as a host handle (a pointer to a master
// pointer), so either kind of handle dereferences to its data.
#pragma once

#include <cstdint>

#include "interface/pluginapi.h"

namespace pxb::host {

// True for a version-1 table with at least seven procedures of which new,
// dispose, get-size and set-size are present. Null, older and newer tables
// are not used.
bool HostHandlesUsable(const api::HandleProcs* procs);

// A new block of size bytes, or null when memory is short. Fallback blocks
// are zero-filled; what a host's block holds is up to the host.
api::Handle NewBlock(const api::HandleProcs* procs, std::int32_t size);
// Frees a block made by NewBlock: through the host, or the fallback's memory.
void DisposeBlock(const api::HandleProcs* procs, api::Handle handle);
// The address of the block's data (locked through the host when it made it).
void* LockBlock(const api::HandleProcs* procs, api::Handle handle);
void UnlockBlock(const api::HandleProcs* procs, api::Handle handle);
// The block's size in bytes: as the host reports it, or as a fallback block
// was made; -1 when it cannot be known (a handle the host made, without a
// usable table to ask, or a host that answers with a negative size).
std::int32_t BlockSize(const api::HandleProcs* procs, api::Handle handle);

}  // namespace pxb::host
