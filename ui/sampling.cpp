#include "ui/sampling.h"

#include <algorithm>
#include <cstring>

#include "engine/colour.h"
#include "engine/eval.h"
#include "engine/registry.h"
#include "evolution/population.h"

namespace pxb::ui {

void FillSampleOrder(SampleOrder* order, int32_t width, int32_t height) {
  const int32_t w = std::max(width, 0);
  const int32_t h = std::max(height, 0);
  const int32_t m = w * h;
  order->count = m;
  order->points = std::make_unique<SamplePoint[]>(static_cast<size_t>(m));
  for (int32_t x = 0; x < w; ++x) {
    for (int32_t y = 0; y < h; ++y)
      order->points[static_cast<size_t>(x * h + y)] = SamplePoint{x, y};
  }
  for (int32_t i = 0; i + 1 < m; ++i) {
    const int32_t j = i + NextInt31() % (m - i);
    std::swap(order->points[static_cast<size_t>(i)], order->points[static_cast<size_t>(j)]);
  }
}

bool ShownInColour(int32_t memberType) {
  return memberType == kColour && GlobalPopulation().rootType == kColour;
}

uint32_t SampleColour(const void* result, bool colour) {
  uint32_t red;
  uint32_t green;
  uint32_t blue;
  if (colour) {
    ColourValue c;
    std::memcpy(&c, result, sizeof c);
    red = static_cast<uint32_t>(QuantiseChannel(c.c[0]));
    green = static_cast<uint32_t>(QuantiseChannel(c.c[1]));
    blue = static_cast<uint32_t>(QuantiseChannel(c.c[2]));
  } else {
    double d;
    std::memcpy(&d, result, sizeof d);
    red = green = blue = static_cast<uint32_t>(QuantiseChannel(d));
  }
  return red + 256 * green + 65536 * blue;
}

StepOutcome DrawSamples(StageProgress* p, const StepTarget& t, const win::Drawing& drawing) {
  const int32_t m = t.order->count;
  const int32_t w = t.view->width;
  const int32_t h = t.view->height;
  const Rect& pic = t.picture;
  // Room for the largest value type; a colour is converted in place.
  alignas(16) unsigned char result[256] = {};
  const bool canEvaluate =
      t.root != nullptr && MaxTypeSize() <= static_cast<int32_t>(sizeof result);
  StepOutcome outcome{false, false};
  if (m < 1) {
    // An empty picture has nothing to draw.
    outcome.finished = true;
    return outcome;
  }
  for (int32_t i = 0; i < kSamplesPerStep; ++i) {
    p->countdown -= 1;
    if (p->countdown < 1) {
      if (p->block == 1) {
        outcome.finished = true;
        break;
      }
      p->block >>= 1;
      p->countdown = StageLength(t.factor, w, h, p->block, m);
    }
    p->cursor = (p->cursor + 1) % m;
    const SamplePoint point = t.order->points[static_cast<size_t>(p->cursor)];
    const int32_t half = p->block == 1 ? 1 : p->block / 2;
    if (point.x < w && point.y < h && canEvaluate) {
      t.context->column = point.x;
      t.context->row = point.y;
      EvaluateAt(t.root, result, t.context, t.view);
      const uint32_t colour = SampleColour(result, t.colour);
      const int32_t sx = pic.left + point.x;
      const int32_t sy = pic.top + point.y;
      Rect square = p->block == 1 ? Rect{sx, sy, sx + 1, sy + 1}
                                  : Rect{sx - half, sy - half, sx + half, sy + half};
      square.left = std::max(square.left, pic.left);
      square.top = std::max(square.top, pic.top);
      square.right = std::min(square.right, pic.right);
      square.bottom = std::min(square.bottom, pic.bottom);
      drawing.Fill(square, colour);
    }
    outcome.stopNoted = (t.stopAll != nullptr && t.stopAll->load(std::memory_order_acquire) != 0) ||
                        (t.stop != nullptr && t.stop->load(std::memory_order_acquire) != 0);
  }
  return outcome;
}

}  // namespace pxb::ui
