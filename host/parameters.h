// The parameter block: found or created in the slot the host keeps for the
// plug-in, locked for the length of a call, and mirrored into the record's
// `parameters` handle.
//
// Hosts differ in what they keep between runs. Some keep the `data` slot and
// the block behind it; others keep only the `parameters` handle (and may
// hand back new handles holding the saved bytes), so a repeat of the last
// filter finds the slot empty. The copy in `parameters` lets a block created
// in an empty slot start from where the last run left off.
#pragma once

#include <cstdint>

#include "interface/parameter_block.h"
#include "interface/pluginapi.h"

namespace pxb::host {

// The copy in `parameters`: a tag, then the block byte for byte.
inline constexpr std::uint32_t kParameterCopyTag = api::FourCC("Pbx1");
inline constexpr std::int32_t kParameterCopySize = 4 + kParameterBlockSize;

// Locks the block whose handle the host keeps at *data, or creates it there
// when the slot is 0: from the copy in record->parameters when that holds
// one, otherwise empty (no session). Sets the run's block. False when no
// block could be had.
bool AcquireParameterBlock(api::FilterRecord* record, std::intptr_t* data);

// Unlocks the block again (when the slot holds one).
void ReleaseParameterBlock(api::FilterRecord* record, const std::intptr_t* data);

// Copies the run's block into record->parameters, creating that handle when
// the host holds none. Without memory for it nothing is copied.
void MirrorParameterBlock(api::FilterRecord* record);

}  // namespace pxb::host
