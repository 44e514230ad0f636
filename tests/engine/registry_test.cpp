#include "engine/registry.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>

namespace pxb {
namespace {

// Every registration below happens in a forked child, so the process-wide
// registry of the other tests is left alone. One registration past the
// limit ends the process with a message on standard output.
TEST(RegistryDeathTest, OneTypeOrFunctionTooManyEndsTheProcess) {
  EXPECT_EXIT(
      {
        dup2(2, 1);
        GlobalRegistry() = Registry{};
        for (int i = 0; i < 31; ++i)
          RegisterType(8, nullptr, nullptr);
        if (TypeCount() != 31) std::_Exit(3);
        RegisterType(8, nullptr, nullptr);
        std::_Exit(4);
      },
      ::testing::ExitedWithCode(1), "^number of types exceeds maxtypes 31\n$");
  EXPECT_EXIT(
      {
        dup2(2, 1);
        GlobalRegistry() = Registry{};
        for (int i = 0; i < 127; ++i)
          RegisterFunc(PackSignature(2, 0, 0, 0), nullptr, "f");
        if (RegisterFunc(PackSignature(2, 0, 0, 0), nullptr, "last") != 127) std::_Exit(3);
        RegisterFunc(PackSignature(2, 0, 0, 0), nullptr, "one too many");
        std::_Exit(4);
      },
      ::testing::ExitedWithCode(1), "^number of functions exceeds maxfuns 128\n$");
}

TEST(RegistryDeathTest, NamesSizesAndSorting) {
  // Checked in a child so the registry stays empty for everyone else; the
  // child exits 0 only when every check holds.
  EXPECT_EXIT(
      {
        int bad = 0;
        GlobalRegistry() = Registry{};
        RegisterType(8, nullptr, nullptr);
        RegisterType(24, nullptr, nullptr);
        bad |= MaxTypeSize() != 24;
        RegisterType(40, nullptr, nullptr);
        RegisterType(8, nullptr, nullptr);
        bad |= (MaxTypeSize() != 40) << 1;
        const FuncId a =
            RegisterFunc(PackSignature(9, 2, 0, 0), nullptr, "a-very-long-function-name");
        const FuncId b = RegisterFunc(PackSignature(2, 2, 2, 0), nullptr, "b");
        const FuncId c = RegisterFunc(PackSignature(9, 0, 0, 0), nullptr, "c");
        const FuncId d = RegisterFunc(PackSignature(2, 0, 0, 0), nullptr, "d");
        bad |= (std::strcmp(Function(a).name, "a-very-long-fun") != 0) << 2;
        SortFunctions();
        const FuncId* order = GlobalRegistry().sorted;
        bad |= (order[0] != d || order[1] != b || order[2] != c || order[3] != a) << 3;
        int first = 0;
        int end = 0;
        ProducersOf(9, &first, &end);
        bad |= (first != 2 || end != 4) << 4;
        ProducersOf(3, &first, &end);
        bad |= (first != end) << 5;
        std::_Exit(bad);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace pxb
