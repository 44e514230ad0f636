#include "ui/sampling.h"

#include <algorithm>
#include <cstring>

#include "engine/colour.h"
#include "engine/eval.h"
#include "engine/registry.h"
#include "evolution/population.h"
#include "primitives/scalar.h"

namespace pxb::ui {

void FillSampleOrder(SampleOrder* order, int32_t width, int32_t height) {
  const int32_t w = std::max(width, 0);
  const int32_t h = std::max(height, 0);
  const int32_t m = w * h;
  order->count = m;
  order->points = std::make_unique<SamplePoint[]>(static_cast<size_t>(m));
  for (int32_t x = 0; x < w; ++x) {
    for (int32_t y = 0; y < h; ++y)
      order->points[static_cast<size_t>(x) * static_cast<size_t>(h) + static_cast<size_t>(y)] =
          SamplePoint{x, y};
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

namespace {

uint32_t PackColour(const double* v, int channels) {
  const auto red = static_cast<uint32_t>(QuantiseChannel(v[0]));
  const auto green = static_cast<uint32_t>(QuantiseChannel(v[channels == 3 ? 1 : 0]));
  const auto blue = static_cast<uint32_t>(QuantiseChannel(v[channels == 3 ? 2 : 0]));
  return red + 256 * green + 65536 * blue;
}

// The values of the n points (red, green, blue for a colour root), one
// sample after the other: the reference the run evaluator reproduces.
void EvaluateEach(const StepTarget& t, const int32_t* columns, const int32_t* rows, int32_t n,
                  int channels, double* out) {
  // Room for the largest value type; a colour is converted in place.
  alignas(16) unsigned char result[256] = {};
  for (int32_t i = 0; i < n; ++i) {
    t.context->column = columns[i];
    t.context->row = rows[i];
    EvaluateAt(t.root, result, t.context, t.view);
    if (channels == 3) {
      ColourValue c;
      std::memcpy(&c, result, sizeof c);
      std::copy(c.c, c.c + 3, out + static_cast<ptrdiff_t>(i) * 3);
    } else {
      std::memcpy(out + i, result, sizeof(double));
    }
  }
}

}  // namespace

StepOutcome DrawSamples(StageProgress* p, const StepTarget& t, const win::Drawing& drawing) {
  const int32_t m = t.order->count;
  const int32_t w = t.view->width;
  const int32_t h = t.view->height;
  const Rect& pic = t.picture;
  const bool canEvaluate = t.root != nullptr && MaxTypeSize() <= 256;
  StepOutcome outcome{false, false};
  if (m < 1) {
    // An empty picture has nothing to draw.
    outcome.finished = true;
    return outcome;
  }
  // First the step's samples are counted off and its points evaluated
  // together; then their squares are painted in the same order.
  struct Square {
    SamplePoint point;
    int32_t block;
    bool drawn;
  };
  Square squares[kSamplesPerStep];
  int32_t columns[kSamplesPerStep];
  int32_t rows[kSamplesPerStep];
  int32_t taken = 0;
  int32_t n = 0;
  for (; taken < kSamplesPerStep; ++taken) {
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
    const bool drawn = point.x < w && point.y < h && canEvaluate;
    squares[taken] = Square{point, p->block, drawn};
    if (drawn) {
      columns[n] = point.x;
      rows[n] = point.y;
      ++n;
    }
  }
  const int channels = t.root != nullptr && t.root->type == kColour ? 3 : 1;
  double values[3 * kSamplesPerStep];
  if (n > 0) {
    if (t.evaluator != nullptr) {
      RandState* dither = DitherStateOf(t.context);
      t.evaluator->EvaluateSamples(columns, rows, n, dither, values);
    } else {
      EvaluateEach(t, columns, rows, n, channels, values);
    }
  }
  int32_t next = 0;
  for (int32_t i = 0; i < taken; ++i) {
    const Square& s = squares[i];
    if (!s.drawn) continue;
    const uint32_t colour =
        PackColour(values + static_cast<ptrdiff_t>(next++) * channels, t.colour ? channels : 1);
    const int32_t half = s.block == 1 ? 1 : s.block / 2;
    const int32_t sx = pic.left + s.point.x;
    const int32_t sy = pic.top + s.point.y;
    Rect square = s.block == 1 ? Rect{sx, sy, sx + 1, sy + 1}
                               : Rect{sx - half, sy - half, sx + half, sy + half};
    square.left = std::max(square.left, pic.left);
    square.top = std::max(square.top, pic.top);
    square.right = std::min(square.right, pic.right);
    square.bottom = std::min(square.bottom, pic.bottom);
    drawing.Fill(square, colour);
  }
  // A stop is noted as it stands after the last sample taken.
  if (taken > 0) {
    outcome.stopNoted = (t.stopAll != nullptr && t.stopAll->load(std::memory_order_acquire) != 0) ||
                        (t.stop != nullptr && t.stop->load(std::memory_order_acquire) != 0);
  }
  return outcome;
}

}  // namespace pxb::ui
