#include "primitives/fractal_generator.h"

#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>

#include "engine/allocation.h"
#include "engine/colour.h"
#include "engine/eval.h"
#include "engine/run_eval.h"
#include "primitives/scalar.h"
#include "primitives/value_types.h"

namespace pxb {
namespace {

// Module-wide settings of the generator. Trees may be regrown on worker
// threads, so the grid size is read and written atomically.
struct FractalSettings {
  std::atomic<int32_t> fractalGridSize{64};
};

FractalSettings fractalSettings;

// The factor the displacement amplitude shrinks by after every pass.
constexpr double kFractalAmplitudeFactor = 0.7071067623730956;

float Cell(const FractalParams* fp, int32_t x, int32_t y) {
  return fp
      ->cells[static_cast<size_t>(y) * static_cast<size_t>(fp->width) + static_cast<size_t>(x)];
}

void SetCell(FractalParams* fp, int32_t x, int32_t y, double v) {
  fp->cells[static_cast<size_t>(y) * static_cast<size_t>(fp->width) + static_cast<size_t>(x)] =
      static_cast<float>(v);
}

void TrackRange(double v, double* lo, double* hi) {
  if (v > *hi) {
    *hi = v;
  } else if (v < *lo) {
    *lo = v;
  }
}

// Brings a column (row) index into 0..width-1 (0..height-1).
int32_t wrapX(int32_t i, const FractalParams* fp) {
  while (i < 0)
    i += fp->width;
  while (i >= fp->width)
    i -= fp->width;
  return i;
}

int32_t wrapY(int32_t i, const FractalParams* fp) {
  while (i < 0)
    i += fp->height;
  while (i >= fp->height)
    i -= fp->height;
  return i;
}

// The last power the displacement took: without a modulator the exponent
// stays and the amplitude changes once a pass, so most cells ask for the
// power just computed. The same arguments give the same result.
struct PowMemo {
  uint64_t base = 0;
  uint64_t exponent = 0;
  double value = 0.0;
  bool valid = false;
};

double Power(double base, double exponent, PowMemo* memo) {
  const auto b = std::bit_cast<uint64_t>(base);
  const auto e = std::bit_cast<uint64_t>(exponent);
  if (!memo->valid || memo->base != b || memo->exponent != e) {
    *memo = PowMemo{b, e, std::pow(base, exponent), true};
  }
  return memo->value;
}

// The modulator's values over the cells of one pass, in the order the pass
// visits them, evaluated a run of cells at a time. The positions and cells
// are those the per-cell evaluation gives: set only when the modulator
// depends on them, zero (as the generator's record starts) otherwise.
struct ModulatorRuns {
  RunEvaluator* evaluator = nullptr;  // null: the modulator is evaluated per cell
  RandState* dither = nullptr;
  // Room for the cells of the largest pass (a quarter of the grid, rounded
  // up), left unset: every pass writes the cells it then reads.
  std::unique_ptr<double[]> x;
  std::unique_ptr<double[]> y;
  std::unique_ptr<int32_t[]> columns;
  std::unique_ptr<int32_t[]> rows;
  std::unique_ptr<double[]> values;
  size_t count = 0;  // cells gathered
  size_t next = 0;   // the next value to use

  void Add(int32_t cx, int32_t cy, const FractalParams* fp) {
    const bool pixel = fp->pixelFlag != 0;
    const bool position = fp->positionFlag != 0;
    columns[count] = pixel ? cx : 0;
    rows[count] = pixel ? cy : 0;
    x[count] = position ? static_cast<double>(cx) / static_cast<double>(fp->width) : 0.0;
    y[count] = position ? static_cast<double>(cy) / static_cast<double>(fp->height) : 0.0;
    ++count;
  }

  void Reserve(const FractalParams* fp) {
    const size_t cells =
        static_cast<size_t>((fp->width + 1) / 2) * static_cast<size_t>((fp->height + 1) / 2);
    x = std::make_unique_for_overwrite<double[]>(cells);
    y = std::make_unique_for_overwrite<double[]>(cells);
    columns = std::make_unique_for_overwrite<int32_t[]>(cells);
    rows = std::make_unique_for_overwrite<int32_t[]>(cells);
    values = std::make_unique_for_overwrite<double[]>(cells);
  }

  void Evaluate() {
    evaluator->EvaluatePoints(x.get(), y.get(), columns.get(), rows.get(),
                              static_cast<int32_t>(count), dither, values.get());
    count = 0;
    next = 0;
  }
};

// Gathers the cells of a pass, (x0 + 2s·i, y0 + 2s·j) column by column, and
// evaluates the modulator over them.
void PrepareRuns(int32_t x0, int32_t y0, int32_t s, const FractalParams* fp, ModulatorRuns* runs) {
  if (runs->evaluator == nullptr) return;
  for (int32_t x = x0; x < fp->width; x += 2 * s) {
    for (int32_t y = y0; y < fp->height; y += 2 * s)
      runs->Add(x, y, fp);
  }
  runs->Evaluate();
}

double DisplacementScale(int32_t x, int32_t y, EvalContext* pos, FractalParams* fp, PowMemo* memo,
                         ModulatorRuns* runs) {
  if (runs->evaluator != nullptr) {
    fp->exponent = runs->values[runs->next++];
  } else if (fp->modulator != nullptr) {
    if (fp->pixelFlag != 0) {
      pos->column = x;
      pos->row = y;
    }
    if (fp->positionFlag != 0) {
      pos->x = static_cast<double>(x) / static_cast<double>(fp->width);
      pos->y = static_cast<double>(y) / static_cast<double>(fp->height);
    }
    EvaluateNode(fp->modulator, &fp->exponent, pos);
  }
  return Power(fp->amplitude, fp->exponent, memo);
}

double Displaced(double avg, int32_t x, int32_t y, EvalContext* pos, FractalParams* fp,
                 PowMemo* memo, ModulatorRuns* runs) {
  const double deviation = DisplacementScale(x, y, pos, fp, memo, runs);
  return avg + NormalDeviate(0.0, deviation, &fp->rand);
}

void DiamondPass(int32_t s, EvalContext* pos, FractalParams* fp, PowMemo* memo,
                 ModulatorRuns* runs) {
  PrepareRuns(s, s, s, fp, runs);
  for (int32_t x = s; x < fp->width; x += 2 * s) {
    for (int32_t y = s; y < fp->height; y += 2 * s) {
      double sum = Cell(fp, wrapX(x + s, fp), wrapY(y + s, fp));
      sum += Cell(fp, wrapX(x - s, fp), wrapY(y + s, fp));
      sum += Cell(fp, wrapX(x + s, fp), wrapY(y - s, fp));
      sum += Cell(fp, wrapX(x - s, fp), wrapY(y - s, fp));
      const double v = Displaced(sum * 0.25, x, y, pos, fp, memo, runs);
      TrackRange(v, &fp->min, &fp->max);
      SetCell(fp, x, y, v);
    }
  }
}

void SquarePass(int32_t s, EvalContext* pos, FractalParams* fp, PowMemo* memo,
                ModulatorRuns* runs) {
  const bool gatherSlopes = fp->mode != 0 && s == 1;
  // First the cells between vertical neighbours, then those between
  // horizontal ones.
  for (int32_t sweep = 0; sweep < 2; ++sweep) {
    const int32_t x0 = sweep == 0 ? 0 : s;
    const int32_t y0 = sweep == 0 ? s : 0;
    PrepareRuns(x0, y0, s, fp, runs);
    for (int32_t x = x0; x < fp->width; x += 2 * s) {
      for (int32_t y = y0; y < fp->height; y += 2 * s) {
        double sum = Cell(fp, x, wrapY(y + s, fp));
        sum += Cell(fp, x, wrapY(y - s, fp));
        sum += Cell(fp, wrapX(x + s, fp), y);
        sum += Cell(fp, wrapX(x - s, fp), y);
        const double v = Displaced(sum * 0.25, x, y, pos, fp, memo, runs);
        TrackRange(v, &fp->min, &fp->max);
        if (gatherSlopes) {
          const double dx = Cell(fp, wrapX(x + 1, fp), y) - v;
          const double dy = Cell(fp, x, wrapY(y + 1, fp)) - v;
          TrackRange(dx, &fp->slopeMin, &fp->slopeMax);
          TrackRange(dy, &fp->slopeMin, &fp->slopeMax);
        }
        SetCell(fp, x, y, v);
      }
    }
  }
}

// Readies the modulator for per-cell evaluation, as a render readies a tree.
// False when a map of another size needs a resampling node that cannot be
// made: the modulator is then left as it came, and no map is generated (one
// without its modulator would look like the tree's but be another).
bool PrepareModulator(EvalContext* pos, ViewParams* vp, FractalParams* fp) {
  Node* m = fp->modulator;
  if ((m->flags & kMapValued) != 0 && (m->width != fp->width || m->height != fp->height)) {
    // A failed wrap gives up the reference it was handed; the extra one
    // keeps the modulator for the caller.
    NodeRetain(m);
    WrapResample(&fp->modulator, vp);
    if (fp->modulator == nullptr) {
      fp->modulator = m;
      return false;
    }
    NodeRelease(&m, vp);
    m = fp->modulator;
  }
  fp->pixelFlag = m->flags & kMapValued;
  fp->positionFlag = m->flags & kPositionDependent;
  pos->mask = kRenderMask;
  MarkSharedNodes(m);
  FoldConstants(m, pos, vp);
  UnmarkNodes(m);
  return true;
}

void WriteHeightMap(uint8_t* out, const FractalParams* fp) {
  const double range = fp->max - fp->min;
  const size_t count = static_cast<size_t>(fp->width) * static_cast<size_t>(fp->height);
  if (range == 0.0) {
    std::memset(out, 0, count);
    return;
  }
  for (size_t i = 0; i < count; ++i)
    out[i] = static_cast<uint8_t>(QuantiseChannel((fp->cells[i] - fp->min) / range));
}

void WriteSlopeMap(uint8_t* out, const FractalParams* fp) {
  const double range = fp->slopeMax - fp->slopeMin;
  if (range == 0.0) {
    std::memset(out, 0, 2 * static_cast<size_t>(fp->width) * static_cast<size_t>(fp->height));
    return;
  }
  for (int32_t y = 0; y < fp->height; ++y) {
    for (int32_t x = 0; x < fp->width; ++x) {
      // The difference of two cells is single precision; the rest is double.
      const float dx = Cell(fp, x, y) - Cell(fp, wrapX(x - 1, fp), y);
      const float dy = Cell(fp, x, y) - Cell(fp, x, wrapY(y - 1, fp));
      uint8_t* o = out + 2 * (static_cast<size_t>(y) * static_cast<size_t>(fp->width) +
                              static_cast<size_t>(x));
      o[0] = static_cast<uint8_t>(QuantiseChannel((dx - fp->slopeMin) / range));
      o[1] = static_cast<uint8_t>(QuantiseChannel((dy - fp->slopeMin) / range));
    }
  }
}

}  // namespace

int32_t FractalGridSize() {
  return fractalSettings.fractalGridSize.load(std::memory_order_relaxed);
}

void SetFractalGridSize(int32_t n) {
  fractalSettings.fractalGridSize.store(n, std::memory_order_relaxed);
}

bool GenerateFractal(uint8_t* out, EvalContext* pos, ViewParams* vp, FractalParams* fp) {
  const size_t count = fp->width > 0 && fp->height > 0
                           ? static_cast<size_t>(fp->width) * static_cast<size_t>(fp->height)
                           : 0;
  const size_t outSize = fp->mode == 0 ? count : 2 * count;
  // Zeroed, so the seed cells, (0, 0) and its copies along the longer side of
  // a rectangular grid, start at 0.
  fp->cells = count > 0 ? static_cast<float*>(EngineCalloc(count, sizeof(float))) : nullptr;
  if (fp->cells == nullptr) {
    if (outSize > 0) std::memset(out, 0, outSize);
    // Out of memory: the modulator is left as it came, still the caller's.
    if (count > 0) return false;
    NodeRelease(&fp->modulator, vp);
    return true;
  }

  RandState* const savedDither = pos->dither;
  // A "dither" in the modulator draws from a state of its own that starts
  // afresh at every generation: the map depends only on its own inputs, not
  // on what was rendered before.
  RandState dither = kDitherStartState;
  pos->dither = &dither;
  fp->pixelFlag = 0;
  fp->positionFlag = 0;
  if (fp->modulator != nullptr && !PrepareModulator(pos, vp, fp)) {
    pos->dither = savedDither;
    std::memset(out, 0, outSize);
    EngineFree(fp->cells);
    fp->cells = nullptr;
    return false;
  }

  fp->min = fp->max = fp->slopeMin = fp->slopeMax = 0.0;
  fp->amplitude = 1.0;
  PowMemo memo;
  // The modulator over runs of cells, unless its draws can only be placed
  // by evaluating it cell by cell.
  ModulatorRuns runs;
  std::unique_ptr<RunEvaluator> evaluator;
  if (fp->modulator != nullptr) {
    evaluator = std::make_unique<RunEvaluator>(fp->modulator, *vp, dither);
    if (!evaluator->Exact()) {
      runs.evaluator = evaluator.get();
      runs.dither = &dither;
      runs.Reserve(fp);
    }
  }
  for (int32_t s = (fp->width < fp->height ? fp->width : fp->height) / 2; s > 0; s /= 2) {
    DiamondPass(s, pos, fp, &memo, &runs);
    fp->amplitude *= kFractalAmplitudeFactor;
    SquarePass(s, pos, fp, &memo, &runs);
    fp->amplitude *= kFractalAmplitudeFactor;
  }

  if (fp->mode == 0) {
    WriteHeightMap(out, fp);
  } else {
    WriteSlopeMap(out, fp);
  }

  pos->dither = savedDither;
  NodeRelease(&fp->modulator, vp);
  fp->modulator = nullptr;
  EngineFree(fp->cells);
  fp->cells = nullptr;
  return true;
}

}  // namespace pxb
