// The fast renderer against the per-sample reference: hundreds of grown
// filters, every thread count from 1 to 8, with and without a selection mask.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "engine/growth.h"
#include "evolution/render.h"
#include "primitives/fractal_generator.h"
#include "primitives/registration.h"
#include "primitives/source_image.h"
#include "tests/common/reference_render.h"

namespace pxb {
namespace {

constexpr int32_t kWidth = 48;
constexpr int32_t kHeight = 40;

// The rendered values of the selected pixels, in row-major order.
std::vector<double> Render(const Member& m, RenderJob job, bool reference) {
  const int channels = ChannelsOf(static_cast<TypeId>(m.type));
  std::vector<std::vector<double>> rows(static_cast<size_t>(kHeight));
  const RowSink sink = [&](int32_t y, const double* v) {
    rows[static_cast<size_t>(y)].assign(v, v + kWidth * channels);
  };
  const RenderOutcome outcome =
      reference ? RenderMemberPerSample(m, job, sink) : RenderMember(m, job, sink);
  EXPECT_EQ(outcome, RenderOutcome::kDone);
  std::vector<double> selected;
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      if (job.mask != nullptr && job.mask[y * job.maskRowBytes + x * job.maskPixelBytes] == 0) {
        continue;
      }
      for (int c = 0; c < channels; ++c)
        selected.push_back(rows[static_cast<size_t>(y)][static_cast<size_t>(x * channels + c)]);
    }
  }
  return selected;
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

void CollectNames(const Node* node, std::set<std::string>* names) {
  if (node == nullptr) return;
  names->insert(node->name);
  for (int i = 0; i < node->nargs; ++i)
    CollectNames(node->children[i].node, names);
}

class RenderEquivalence : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterPrimitives();
    // An odd-sized source so that the image leaves fold positions.
    image_.resize(37 * 29 * 3);
    for (size_t i = 0; i < image_.size(); ++i)
      image_[i] = static_cast<uint8_t>((i * 131 + i / 7) & 0xFF);
    SetSourceImage(37, 29, image_.data(), 37 * 3, 3);
    SetFractalGridSize(16);
    // A selection with holes of every shape: runs, single pixels, empty rows.
    mask_.resize(static_cast<size_t>(kWidth * kHeight));
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int32_t x = 0; x < kWidth; ++x) {
        const bool hole = (y % 7 == 3) || ((x * 5 + y * 3) % 11 < 4);
        mask_[static_cast<size_t>(y * kWidth + x)] = hole ? 0 : static_cast<uint8_t>(1 + x);
      }
    }
  }
  void TearDown() override { ClearSourceImage(); }

  std::vector<uint8_t> image_;
  std::vector<uint8_t> mask_;
};

TEST_F(RenderEquivalence, GrownFiltersMatchTheReferenceOnEveryThreadCount) {
  constexpr int kFilters = 520;
  std::set<std::string> seen;
  int withDither = 0;
  for (int k = 0; k < kFilters; ++k) {
    const TypeId root = k % 2 == 0 ? kColour : kUnit;
    ViewParams grow{kWidth, kHeight, 0, {{static_cast<uint16_t>(k * 7919), 0x2026, 0x0357}}};
    Member m = GrowMember(root, &grow);
    ASSERT_NE(m.tree, nullptr);
    std::set<std::string> names;
    CollectNames(m.tree, &names);
    seen.insert(names.begin(), names.end());
    withDither += names.count("dither") != 0 ? 1 : 0;

    RenderJob job;
    job.width = kWidth;
    job.height = kHeight;
    if (k % 3 == 1) {
      job.mask = mask_.data();
      job.maskRowBytes = kWidth;
    }
    const std::vector<double> want = Render(m, job, true);
    for (int32_t threads = 1; threads <= 8; ++threads) {
      job.threads = threads;
      EXPECT_TRUE(SameBits(Render(m, job, false), want))
          << "filter " << k << " threads " << threads;
    }
    ViewParams release{};
    ReleaseMember(&m, &release);
  }
  // The set must exercise what the fast paths replace.
  for (const char* name : {"dither", "pol2map", "trfmap", "ri2cx", "dopnoise2", "dopdnoise2",
                           "phtshp", "vphtshp", "gmix", "gswitch", "makrgb"}) {
    EXPECT_EQ(seen.count(name), 1u) << name;
  }
  EXPECT_GE(withDither, 20);
}

}  // namespace
}  // namespace pxb
