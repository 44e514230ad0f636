// Evaluating a prepared tree must not touch the heap: every sample of every
// preview and of the final pass goes through this path. The allocator is
// interposed here, so this test runs without the sanitizers (which bring
// allocators of their own).
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "engine/colour.h"
#include "engine/eval.h"
#include "engine/growth.h"
#include "primitives/expression_text.h"
#include "primitives/registration.h"
#include "primitives/source_image.h"

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);

namespace {
std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void Count() {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
}
}  // namespace

extern "C" void* malloc(size_t n) {
  Count();
  return __libc_malloc(n);
}
extern "C" void* calloc(size_t n, size_t m) {
  Count();
  return __libc_calloc(n, m);
}
extern "C" void* realloc(void* p, size_t n) {
  Count();
  return __libc_realloc(p, n);
}

namespace pxb {
namespace {

TEST(NoAllocation, EvaluatingGrownTreesAllocatesNothing) {
  RegisterPrimitives();
  std::vector<uint8_t> pixels(40 * 30 * 3);
  for (size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = static_cast<uint8_t>(i * 7);
  SetSourceImage(40, 30, pixels.data(), 40 * 3, 3);

  int resampling = 0;
  for (int k = 0; k < 24; ++k) {
    ViewParams v{32, 24, k % 2, {{357, 99, static_cast<uint16_t>(k)}}};
    Member m = GrowMember(k % 3 == 0 ? kUnit : kColour, &v);
    ASSERT_NE(m.tree, nullptr);
    resampling += ExpressionText(m.tree).find("pol2map") != std::string::npos;
    Node* tree = m.tree;
    NodeRetain(tree);
    RandState dither{{0x150C, 0x247E, 0x0018}};
    EvalContext ctx{};
    ctx.dither = &dither;
    PrepareTree(&tree, &ctx, &v);

    ColourValue out{};
    allocations = 0;
    counting = true;
    for (ctx.row = 0; ctx.row < v.height; ++ctx.row) {
      for (ctx.column = 0; ctx.column < v.width; ++ctx.column)
        EvaluateAt(tree, &out, &ctx, &v);
    }
    counting = false;
    EXPECT_EQ(allocations.load(), 0) << ExpressionText(m.tree);
    NodeRelease(&tree, &v);
    ReleaseMember(&m, &v);
  }
  EXPECT_GT(resampling, 5);  // the resampling path was exercised
  ClearSourceImage();
}

}  // namespace
}  // namespace pxb
