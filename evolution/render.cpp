#include "evolution/render.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "engine/colour.h"
#include "engine/eval.h"
#include "engine/growth.h"
#include "primitives/scalar.h"

namespace pxb {
namespace {

struct Band {
  int32_t first;
  int32_t end;
};

// The outcome of one band.
enum BandResult : char { kBandDone, kBandNoTree, kBandCancelled };

char RenderBand(const Member& member, const RenderJob& job, Band band, const RowSink& sink) {
  ViewParams vp{job.width, job.height, 0, member.seed.rand};
  RandState dither = kDitherStartState;
  EvalContext ctx{};
  ctx.dither = &dither;
  Node* tree = GrowTreeCopy(member, &vp);
  if (tree == nullptr) return kBandNoTree;
  PrepareTree(&tree, &ctx, &vp);

  const int channels = ChannelsOf(static_cast<TypeId>(member.type));
  std::vector<double> row(static_cast<size_t>(job.width) * static_cast<size_t>(channels));
  char result = kBandDone;
  for (int32_t y = band.first; y < band.end; ++y) {
    if (job.cancel != nullptr && job.cancel->load(std::memory_order_relaxed)) {
      result = kBandCancelled;
      break;
    }
    ctx.row = y;
    const uint8_t* mask = job.mask != nullptr ? job.mask + y * job.maskRowBytes : nullptr;
    for (int32_t x = 0; x < job.width; ++x) {
      if (mask != nullptr && mask[x * job.maskPixelBytes] == 0) continue;
      ctx.column = x;
      double* out = row.data() + static_cast<size_t>(x) * static_cast<size_t>(channels);
      if (channels == 1) {
        EvaluateAt(tree, out, &ctx, &vp);
      } else {
        ColourValue c{};
        EvaluateAt(tree, &c, &ctx, &vp);
        std::copy(c.c, c.c + 3, out);
      }
    }
    sink(y, row.data());
    if (job.rowsDone != nullptr) job.rowsDone->fetch_add(1, std::memory_order_relaxed);
  }
  NodeRelease(&tree, &vp);
  return result;
}

// A tree that could not be grown outweighs a cancel.
RenderOutcome OutcomeOf(const std::vector<char>& bands) {
  if (std::find(bands.begin(), bands.end(), kBandNoTree) != bands.end()) {
    return RenderOutcome::kNoTree;
  }
  if (std::find(bands.begin(), bands.end(), kBandCancelled) != bands.end()) {
    return RenderOutcome::kCancelled;
  }
  return RenderOutcome::kDone;
}

}  // namespace

Node* GrowTreeCopy(const Member& member, ViewParams* vp) {
  Member view = member;
  view.choices = nullptr;
  vp->rand = member.seed.rand;
  Node* tree = GrowTree(static_cast<TypeId>(member.type), vp, 0, 0, -1, &view);
  FreeChoices(&view.choices);
  return tree;
}

RenderOutcome RenderMember(const Member& member, const RenderJob& job, const RowSink& sink) {
  if (job.width <= 0 || job.height <= 0) return RenderOutcome::kDone;
  const int32_t threads = std::clamp(job.threads, 1, job.height);
  if (threads == 1) return OutcomeOf({RenderBand(member, job, Band{0, job.height}, sink)});

  std::vector<std::thread> workers;
  std::vector<char> bands(static_cast<size_t>(threads), kBandDone);
  for (int32_t t = 0; t < threads; ++t) {
    const Band band{static_cast<int32_t>(int64_t{job.height} * t / threads),
                    static_cast<int32_t>(int64_t{job.height} * (t + 1) / threads)};
    workers.emplace_back(
        [&, band, t] { bands[static_cast<size_t>(t)] = RenderBand(member, job, band, sink); });
  }
  for (std::thread& w : workers)
    w.join();
  return OutcomeOf(bands);
}

const char* RenderFailureText(RenderOutcome outcome) {
  switch (outcome) {
    case RenderOutcome::kNoTree:
      return "has no tree: its weights grow no complete tree (or memory ran out)";
    case RenderOutcome::kCancelled:
      return "was cancelled";
    case RenderOutcome::kDone:
      break;
  }
  return "was rendered";
}

void QuantiseRowToRgb(const double* values, int channels, int32_t width, uint8_t* rgb) {
  for (int32_t x = 0; x < width; ++x) {
    const double* v = values + static_cast<ptrdiff_t>(x) * channels;
    for (int c = 0; c < 3; ++c) {
      rgb[3 * x + c] = static_cast<uint8_t>(QuantiseChannel(v[channels == 3 ? c : 0]));
    }
  }
}

void WriteFilteredPixel(const double* value, int channels, int colourPlanes, const uint8_t* in,
                        uint8_t mask, bool haveMask, uint8_t* out, int planes) {
  for (int p = std::max(colourPlanes, 0); p < planes; ++p)
    out[p] = 255;
  const int shared = std::min(planes, colourPlanes);
  for (int p = shared - 1; p >= 0; --p) {
    const double v = value[channels == 1 ? 0 : p];
    if (haveMask && mask != 0) {
      const double a = mask / 255.0;
      out[p] = static_cast<uint8_t>(QuantiseChannel(in[p] * (1.0 - a) / 255.0 + v * a));
    } else {
      out[p] = static_cast<uint8_t>(QuantiseChannel(v));
    }
  }
}

}  // namespace pxb
