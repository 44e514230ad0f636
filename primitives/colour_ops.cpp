#include "primitives/colour_ops.h"

#include <cmath>
#include <cstring>

#include "engine/colour.h"
#include "engine/numeric.h"
#include "engine/run_eval.h"
#include "primitives/declaration.h"
#include "primitives/source_image.h"

namespace pxb {
namespace {

// 1/255 and the luminance weights 0.299, 0.587, 0.114 divided by 255.
constexpr double kByteScale = 0.00392156862745098;
constexpr double kLumaRed = 0.001172549019607843;
constexpr double kLumaGreen = 0.0023019607843137255;
constexpr double kLumaBlue = 0.0004470588235294118;

// Each byte's three luminance terms, the very products the expression below
// computes, made at compile time: a run looks them up instead.
struct LumaTerms {
  double red[256];
  double green[256];
  double blue[256];
};

constexpr LumaTerms MakeLumaTerms() {
  LumaTerms t{};
  for (int v = 0; v < 256; ++v) {
    t.red[v] = v * kLumaRed;
    t.green[v] = v * kLumaGreen;
    t.blue[v] = v * kLumaBlue;
  }
  return t;
}

constexpr LumaTerms kLumaTerms = MakeLumaTerms();

// Folds a column (or row) into 0..size-1 by mirror tiling: odd tiles run
// backwards, so the edge pixel repeats.
int32_t MirrorFold(int32_t i, int32_t size) {
  if (i >= 0 && i < size) return i;  // inside the image: nothing to fold
  const double quotient = static_cast<double>(i) / static_cast<double>(size);
  const int32_t tile = FloorToInt32(quotient);
  int32_t m = WrapSub(i, WrapMul(size, TruncToInt32(quotient)));
  if (m < 0) m = WrapAdd(m, size);
  if ((tile & 1) != 0) m = size - 1 - m;
  return m;
}

// Resolution hook of the image leaves: width and height from SourceSize().
void RefreshSourceSize(Node* node, ViewParams*) {
  const SourceDimensions size = SourceSize();
  node->width = size.width;
  node->height = size.height;
}

ColourValue ReadColour(const void* p) {
  ColourValue c;
  std::memcpy(&c, p, sizeof c);
  return c;
}

// The source pixel under the sample's column and row, or black when the
// leaf has no image to read.
void FetchPixel(const Node* node, const EvalContext* ctx, uint8_t rgb[3]) {
  if (node->width <= 0 || node->height <= 0) {
    rgb[0] = rgb[1] = rgb[2] = 0;
    return;
  }
  ReadSourcePixel(MirrorFold(ctx->column, node->width), MirrorFold(ctx->row, node->height), rgb);
}

Node* BuildImageLeaf(TypeId result, int nargs, ArgSlot* args, EvalFn eval, const char* label,
                     ViewParams* view) {
  Node* node = NodeCreate(result, nargs, args, 0, eval, label, view);
  if (node == nullptr) return nullptr;
  RefreshSourceSize(node, view);
  node->flags = kMapValued;
  node->resolutionHook = RefreshSourceSize;
  return node;
}

int EvalMakrgb(ArgSlot* args, void* result, Node*, EvalContext*) {
  ColourValue c{};
  for (int i = 0; i < 3; ++i)
    c.c[i] = ReadUnit(args[i].value);
  c.c[3] = 1.0;
  std::memcpy(result, &c, sizeof c);
  return 0;
}

int EvalGswitch(ArgSlot* args, void* result, Node*, EvalContext*) {
  // A selector that does not compare (NaN) picks the first colour.
  const double a = ReadUnit(args[0].value);
  std::memcpy(result, !(a >= 0.5) ? args[1].value : args[2].value, sizeof(ColourValue));
  return 0;
}

int EvalGmix(ArgSlot* args, void* result, Node*, EvalContext*) {
  const double a = ReadUnit(args[0].value);
  const ColourValue p = ReadColour(args[1].value);
  const ColourValue q = ReadColour(args[2].value);
  double c[4];
  for (int i = 0; i < 4; ++i)
    c[i] = (1.0 - a) * q.c[i] + a * p.c[i];
  // Only the four components: the HSV flag keeps what the result holds.
  std::memcpy(result, c, sizeof c);
  return 0;
}

int EvalPhtshp(ArgSlot*, void* result, Node* node, EvalContext* ctx) {
  uint8_t rgb[3];
  FetchPixel(node, ctx, rgb);
  ColourValue c{};
  for (int i = 0; i < 3; ++i)
    c.c[i] = rgb[i] * kByteScale;
  c.c[3] = 1.0;
  std::memcpy(result, &c, sizeof c);
  return 0;
}

int EvalVphtshp(ArgSlot*, void* result, Node* node, EvalContext* ctx) {
  uint8_t rgb[3];
  FetchPixel(node, ctx, rgb);
  WriteUnit(result, (rgb[0] * kLumaRed + rgb[1] * kLumaGreen) + rgb[2] * kLumaBlue);
  return 0;
}

// Run versions: the same expressions as the functions above, one loop per
// node. An argument is read at data + i * stride (stride 0: a constant).
const unsigned char* RunArgAt(const RunCall& call, int arg, int32_t i) {
  return call.args[arg].data + i * call.args[arg].stride;
}

unsigned char* RunOut(const RunCall& call, int32_t i) {
  return call.out + static_cast<ptrdiff_t>(i) * call.node->resultSize;
}

void RunMakrgb(const RunCall& call) {
  for (int32_t i = 0; i < call.rc->count; ++i) {
    ColourValue c{};
    for (int k = 0; k < 3; ++k)
      c.c[k] = ReadUnit(RunArgAt(call, k, i));
    c.c[3] = 1.0;
    std::memcpy(RunOut(call, i), &c, sizeof c);
  }
}

void RunGswitch(const RunCall& call) {
  for (int32_t i = 0; i < call.rc->count; ++i) {
    const double a = ReadUnit(RunArgAt(call, 0, i));
    std::memcpy(RunOut(call, i), !(a >= 0.5) ? RunArgAt(call, 1, i) : RunArgAt(call, 2, i),
                sizeof(ColourValue));
  }
}

void RunGmix(const RunCall& call) {
  for (int32_t i = 0; i < call.rc->count; ++i) {
    const double a = ReadUnit(RunArgAt(call, 0, i));
    const ColourValue p = ReadColour(RunArgAt(call, 1, i));
    const ColourValue q = ReadColour(RunArgAt(call, 2, i));
    double c[4];
    for (int k = 0; k < 4; ++k)
      c[k] = (1.0 - a) * q.c[k] + a * p.c[k];
    // The flag words keep what the node's result holds, as above.
    std::memcpy(RunOut(call, i), call.node->values, sizeof(ColourValue));
    std::memcpy(RunOut(call, i), c, sizeof c);
  }
}

// MirrorFold in integer arithmetic, for size > 0. The double quotient of two
// 32-bit integers never rounds across an integer (its distance from one is
// at least 1 / size, more than its rounding error), so its floor and
// truncation are the integer floor and truncating divisions, and the
// remainder is exact: the same fold, without the conversions.
int32_t MirrorFoldInt(int32_t i, int32_t size) {
  if (i >= 0 && i < size) return i;
  int32_t m = i % size;
  int32_t tile = i / size;
  if (m < 0) {
    m += size;
    tile -= 1;
  }
  if ((tile & 1) != 0) m = size - 1 - m;
  return m;
}

// The source pixels under a run of samples, read directly from the buffer:
// the same folding and the same bytes as FetchPixel and ReadSourcePixel,
// without a call per sample.
template <typename Write>
void FetchRun(const RunCall& call, Write write) {
  const Node* node = call.node;
  const RunContext& rc = *call.rc;
  const SourceImage& s = CurrentSourceImage();
  const int32_t w = node->width;
  const int32_t h = node->height;
  if (w > 0 && h > 0 && s.data != nullptr && w <= s.width && h <= s.height && s.pixelSize >= 3) {
    // The usual case: every folded position lies inside a colour buffer.
    for (int32_t i = 0; i < rc.count; ++i) {
      const int32_t x = MirrorFoldInt(rc.column[i], w);
      const int32_t y = MirrorFoldInt(rc.row[i], h);
      const uint8_t* p = s.data + static_cast<ptrdiff_t>(y) * s.rowStride +
                         static_cast<ptrdiff_t>(x) * s.pixelSize;
      const uint8_t rgb[3] = {p[0], p[1], p[2]};
      write(i, rgb);
    }
    return;
  }
  for (int32_t i = 0; i < rc.count; ++i) {
    uint8_t rgb[3] = {0, 0, 0};
    if (w > 0 && h > 0) {
      const int32_t x = MirrorFoldInt(rc.column[i], w);
      const int32_t y = MirrorFoldInt(rc.row[i], h);
      if (s.data != nullptr && x >= 0 && y >= 0 && x < s.width && y < s.height) {
        const uint8_t* p = s.data + static_cast<ptrdiff_t>(y) * s.rowStride +
                           static_cast<ptrdiff_t>(x) * s.pixelSize;
        if (s.pixelSize >= 3) {
          rgb[0] = p[0];
          rgb[1] = p[1];
          rgb[2] = p[2];
        } else {
          rgb[0] = rgb[1] = rgb[2] = p[0];
        }
      }
    }
    write(i, rgb);
  }
}

void RunPhtshp(const RunCall& call) {
  FetchRun(call, [&](int32_t i, const uint8_t* rgb) {
    ColourValue c{};
    for (int k = 0; k < 3; ++k)
      c.c[k] = rgb[k] * kByteScale;
    c.c[3] = 1.0;
    std::memcpy(RunOut(call, i), &c, sizeof c);
  });
}

void RunVphtshp(const RunCall& call) {
  FetchRun(call, [&](int32_t i, const uint8_t* rgb) {
    WriteUnit(RunOut(call, i),
              (kLumaTerms.red[rgb[0]] + kLumaTerms.green[rgb[1]]) + kLumaTerms.blue[rgb[2]]);
  });
}

}  // namespace

Node* BuildMakrgb(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return NodeCreate(result, nargs, args, 0, EvalMakrgb, "makrgb", view);
}

Node* BuildGswitch(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return NodeCreate(result, nargs, args, 0, EvalGswitch, "gswitch", view);
}

Node* BuildGmix(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return NodeCreate(result, nargs, args, 0, EvalGmix, "gmix", view);
}

Node* BuildPhtshp(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return BuildImageLeaf(result, nargs, args, EvalPhtshp, "phtshp", view);
}

Node* BuildVphtshp(TypeId result, int nargs, ArgSlot* args, ViewParams* view) {
  return BuildImageLeaf(result, nargs, args, EvalVphtshp, "vphtshp", view);
}

std::span<const PrimitiveDecl> ColourDecls() {
  static constexpr PrimitiveDecl kDecls[] = {
      // name    result  arguments                builder       eval         run         flags
      {"makrgb", kColour, {kUnit, kUnit, kUnit}, BuildMakrgb, EvalMakrgb, RunMakrgb, kCellOnly},
      {"gswitch",
       kColour,
       {kUnit, kColour, kColour},
       BuildGswitch,
       EvalGswitch,
       RunGswitch,
       kCellOnly},
      {"gmix", kColour, {kUnit, kColour, kColour}, BuildGmix, EvalGmix, RunGmix, kCellOnly},
      {"phtshp",
       kColour,
       {},
       BuildPhtshp,
       EvalPhtshp,
       RunPhtshp,
       kDepthLimitLeaf | kGridOnly | kCellOnly},
      {"vphtshp",
       kUnit,
       {},
       BuildVphtshp,
       EvalVphtshp,
       RunVphtshp,
       kDepthLimitLeaf | kGridOnly | kCellOnly},
  };
  return kDecls;
}

}  // namespace pxb
