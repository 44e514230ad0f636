// Rendering a member at full resolution: its tree regrown from the seed,
// prepared once, then evaluated at every pixel, on one or more threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "engine/member.h"

namespace pxb {

// Receives the values of one row: width doubles for a `unit` tree, or
// 3 × width (red, green, blue) for a `colour` tree. Called from the render's
// threads, each row once; rows of one thread arrive in order.
using RowSink = std::function<void(int32_t row, const double* values)>;

struct RenderJob {
  int32_t width = 0;
  int32_t height = 0;
  int32_t threads = 1;
  // Rows finished so far, for progress reports; may be read from any thread.
  std::atomic<int32_t>* rowsDone = nullptr;
  // Set from outside to stop the render early.
  const std::atomic<bool>* cancel = nullptr;
  // A selection mask: where its byte is 0 the pixel is not evaluated (as the
  // final pass skips unselected pixels) and its values are left unset. Byte
  // (x, y) is mask[y * maskRowBytes + x * maskPixelBytes].
  const uint8_t* mask = nullptr;
  ptrdiff_t maskRowBytes = 0;
  ptrdiff_t maskPixelBytes = 1;
};

inline int ChannelsOf(TypeId rootType) {
  return rootType == kColour ? 3 : 1;
}

// Grows member's tree again without touching the member (no choice records
// are added), into vp. Safe on several threads at once for one member.
Node* GrowTreeCopy(const Member& member, ViewParams* vp);

// How a render ended. kNoTree: the member's tree could not be grown (its
// weights allow no complete tree, or memory ran out); no row was delivered.
enum class [[nodiscard]] RenderOutcome{kDone, kNoTree, kCancelled};

// Renders rows [0, height) in bands of a few rows that the threads take in
// turn as they finish, each thread evaluating a run of samples at a time. The
// result is the same for every thread count: "dither" draws follow one
// sequence from the start words in row-major order of the evaluated samples,
// each band jumping to its place in it (a tree whose draws per sample are not
// fixed renders on one thread). The tree is grown once first, so a member
// without a tree ends at once with kNoTree and every caller has to say what
// that means for it.
RenderOutcome RenderMember(const Member& member, const RenderJob& job, const RowSink& sink);

// What a failed render means, for messages: "has no tree ..." or "was
// cancelled".
const char* RenderFailureText(RenderOutcome outcome);

// A rendered row as 8-bit RGB, three bytes a pixel: a one-channel row as
// grey, as the previews show it.
void QuantiseRowToRgb(const double* values, int channels, int32_t width, uint8_t* rgb);

// Writes one output pixel as the final pass does: planes at and above
// colourPlanes are 255; the others take the value (the same grey value in
// every plane for a one-channel tree), blended with the input under a
// nonzero mask.
void WriteFilteredPixel(const double* value, int channels, int colourPlanes, const uint8_t* in,
                        uint8_t mask, bool haveMask, uint8_t* out, int planes);

}  // namespace pxb
