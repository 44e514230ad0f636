// The copy of the parameter block in the host's `parameters` handle: it is
// read and written only as far as the host says the handle reaches.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <vector>

#include "host/host_memory.h"
#include "host/parameters.h"
#include "host/plugin_run.h"

namespace pxb::host {
namespace {

// Host handles whose reported size the test chooses; setSize can be
// refused, or can claim success without growing anything.
struct FakeHandles {
  struct Block {
    char* master = nullptr;
    std::vector<char> bytes;
    std::int32_t reported = 0;
  };
  static inline std::deque<Block> blocks;
  static inline bool setSizeWorks = false;
  static Block& Of(api::Handle h) { return *reinterpret_cast<Block*>(h); }

  static api::Handle PXB_CDECL New(std::int32_t size) {
    Block& b = blocks.emplace_back();
    b.bytes.assign(static_cast<std::size_t>(size), 0);
    b.master = b.bytes.data();
    b.reported = size;
    return &b.master;
  }
  static void PXB_CDECL Dispose(api::Handle) {}
  static std::int32_t PXB_CDECL Size(api::Handle h) { return Of(h).reported; }
  static api::OSErr PXB_CDECL SetSize(api::Handle, std::int32_t) {
    return setSizeWorks ? api::noErr : api::memFullErr;
  }
  static api::Ptr PXB_CDECL Lock(api::Handle h, api::Boolean) { return *h; }
  static void PXB_CDECL Unlock(api::Handle) {}
};

// A handle of `given` bytes at the start of a larger buffer: the bytes after
// it are someone else's, and hold what would look like a remembered session.
struct Planted {
  std::vector<char> memory = std::vector<char>(kParameterCopySize + 64, 'g');
  char* master = memory.data();

  explicit Planted(std::int32_t given) {
    std::memcpy(memory.data(), &kParameterCopyTag, sizeof kParameterCopyTag);
    std::memset(memory.data() + 4, 0, static_cast<std::size_t>(given) - 4);
    const std::uint32_t one = 1;
    std::memcpy(memory.data() + 4, &one, sizeof one);
  }
  bool TailUntouched(std::int32_t given) const {
    return std::all_of(memory.begin() + given, memory.end(), [](char c) { return c == 'g'; });
  }
};

TEST(ParameterCopyTest, NeverReadsOrWritesPastTheHostsHandle) {
  struct Case {
    const char* what;
    bool usableTable;
    std::int32_t reported;  // what getSize answers for the planted handle
    bool setSizeWorks;
  };
  const Case cases[] = {
      {"the host says 16 bytes and refuses to grow it", true, 16, false},
      {"the host cannot tell the size", true, -1, false},
      {"setSize claims success but the size stays 16", true, 16, true},
      {"no handle table: the size cannot be asked", false, 0, false},
  };
  constexpr std::int32_t kGiven = 16;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    api::HandleProcs procs{};
    procs.handleProcsVersion = c.usableTable ? api::kCurrentHandleProcsVersion : 0;
    procs.numHandleProcs = 8;
    procs.newProc = FakeHandles::New;
    procs.disposeProc = FakeHandles::Dispose;
    procs.getSizeProc = FakeHandles::Size;
    procs.setSizeProc = FakeHandles::SetSize;
    procs.lockProc = FakeHandles::Lock;
    procs.unlockProc = FakeHandles::Unlock;
    FakeHandles::setSizeWorks = c.setSizeWorks;

    Planted planted(kGiven);
    FakeHandles::Block& hostBlock = FakeHandles::blocks.emplace_back();
    hostBlock.master = planted.memory.data();
    hostBlock.reported = c.reported;
    api::FilterRecord record{};
    record.handleProcs = &procs;
    record.parameters = c.usableTable ? &hostBlock.master : &planted.master;

    std::intptr_t slot = 0;
    ASSERT_TRUE(AcquireParameterBlock(&record, &slot));
    // The tag fits in the handle, the rest of a block does not: nothing of
    // what lies beyond may come back as a remembered session.
    EXPECT_EQ(CurrentRun().block->haveSession, 0u);
    MirrorParameterBlock(&record);
    EXPECT_TRUE(planted.TailUntouched(kGiven));
    ReleaseParameterBlock(&record, &slot);
    DisposeBlock(&procs, reinterpret_cast<api::Handle>(slot));
  }
}

}  // namespace
}  // namespace pxb::host
