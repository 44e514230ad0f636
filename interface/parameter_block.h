// The plug-in's own parameter block. The host keeps it for the plug-in
// between calls: a handle to it is stored in the pointer-sized slot whose
// address the host passes as the entry point's `data` argument.

#ifndef PXB_HOST_PARAMETER_BLOCK_H
#define PXB_HOST_PARAMETER_BLOCK_H

#include <cstddef>
#include <cstdint>

namespace pxb::host {

inline constexpr std::size_t kSessionPathCapacity = 256;

struct ParameterBlock {
  std::uint32_t haveSession;               // 1 once a session file has been chosen or created
  std::uint32_t showDialog;                // set by the parameters call, cleared after start
  char sessionPath[kSessionPathCapacity];  // full path of the session file, NUL-terminated
};

inline constexpr std::int32_t kParameterBlockSize = 264;

static_assert(sizeof(ParameterBlock) == kParameterBlockSize);
static_assert(offsetof(ParameterBlock, showDialog) == 4);
static_assert(offsetof(ParameterBlock, sessionPath) == 8);

}  // namespace pxb::host

#endif  // PXB_HOST_PARAMETER_BLOCK_H
