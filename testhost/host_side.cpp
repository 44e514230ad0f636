#include "testhost/host_side.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

namespace pxb::pxhost {

struct Host::HandleBlock {
  char* master;  // first: a handle is the address of this master pointer
  std::vector<char> data;
  std::int32_t size = 0;
  bool locked = false;
};

namespace {

// The callbacks are plain functions; they act on the host whose call of the
// entry point is under way.
struct CallbackTarget {
  Host* host = nullptr;
};
CallbackTarget callbackTarget;

constexpr int kMaxContinueCalls = 1000;
constexpr std::uint8_t kUnsetByte = 0xCD;  // what a buffer holds where nothing was put

// Copies n pixels of count bytes each, taken every fromStep bytes and put
// every toStep bytes: one copy when both are packed.
void CopyPixels(const std::uint8_t* from, std::size_t fromStep, std::uint8_t* to,
                std::size_t toStep, int count, std::int32_t n) {
  const auto bytes = static_cast<std::size_t>(count);
  if (fromStep == bytes && toStep == bytes) {
    std::memcpy(to, from, bytes * static_cast<std::size_t>(n));
    return;
  }
  for (std::int32_t i = 0; i < n; ++i) {
    std::copy_n(from, bytes, to);
    from += fromStep;
    to += toStep;
  }
}

api::Boolean PXB_CDECL AbortCallback() {
  return callbackTarget.host->Abort() ? 1 : 0;
}
void PXB_CDECL ProgressCallback(std::int32_t done, std::int32_t total) {
  callbackTarget.host->Progress(done, total);
}
api::OSErr PXB_CDECL AdvanceCallback() {
  return callbackTarget.host->Advance();
}
api::Handle PXB_CDECL NewHandleCallback(std::int32_t size) {
  return callbackTarget.host->NewHandle(size);
}
void PXB_CDECL DisposeHandleCallback(api::Handle h) {
  callbackTarget.host->DisposeHandle(h);
}
std::int32_t PXB_CDECL HandleSizeCallback(api::Handle h) {
  return callbackTarget.host->HandleSize(h);
}
api::OSErr PXB_CDECL SetHandleSizeCallback(api::Handle h, std::int32_t size) {
  return callbackTarget.host->SetHandleSize(h, size);
}
api::Ptr PXB_CDECL LockHandleCallback(api::Handle h, api::Boolean) {
  return callbackTarget.host->LockHandle(h);
}
void PXB_CDECL UnlockHandleCallback(api::Handle h) {
  callbackTarget.host->UnlockHandle(h);
}
void PXB_CDECL RecoverSpaceCallback(std::int32_t) {}
void PXB_CDECL DisposeRegularHandleCallback(api::Handle h) {
  callbackTarget.host->DisposeHandle(h);
}

// The sampling step of a rate: hosts with integral sampling round it.
std::int32_t Step(api::Fixed rate) {
  return std::max<std::int32_t>(1, (rate + api::kFixedOne / 2) / api::kFixedOne);
}

void LogRect(std::FILE* log, const char* name, const api::Rect16& r) {
  std::fprintf(log, " %s [%d,%d,%d,%d]", name, r.top, r.left, r.bottom, r.right);
}

}  // namespace

const char* SelectorName(std::int16_t selector) {
  static const char* const names[] = {"about", "parameters", "prepare",
                                      "start", "continue",   "finish"};
  return selector >= 0 && selector <= 5 ? names[selector] : "unknown selector";
}

Host::Host(Document document, const HostOptions& options, api::PluginEntryProc entry)
    : document_(std::move(document)),
      options_(options),
      entry_(entry),
      record_(std::make_unique<api::FilterRecord>()) {
  api::FilterRecord& r = *record_;
  r.abortProc = AbortCallback;
  r.progressProc = ProgressCallback;
  r.advanceState = AdvanceCallback;
  handleProcs_ = api::HandleProcs{api::kCurrentHandleProcsVersion,
                                  api::kCurrentHandleProcsCount,
                                  NewHandleCallback,
                                  DisposeHandleCallback,
                                  HandleSizeCallback,
                                  SetHandleSizeCallback,
                                  LockHandleCallback,
                                  UnlockHandleCallback,
                                  RecoverSpaceCallback,
                                  DisposeRegularHandleCallback};
  if (options_.handleTable == HandleTable::kNewerVersion) handleProcs_.handleProcsVersion = 2;
  if (options_.handleTable == HandleTable::kTooFewProcs) handleProcs_.numHandleProcs = 6;
  r.handleProcs = &handleProcs_;
  r.platformData = &platformData_;

  const auto width = static_cast<std::int16_t>(document_.width);
  const auto height = static_cast<std::int16_t>(document_.height);
  r.imageSize = api::Point16{height, width};
  r.wholeSize = r.imageSize;
  r.planes = document_.planes;
  r.imageMode = document_.imageMode;
  r.filterRect = options_.ownFilterRect ? options_.filterRect : api::Rect16{0, 0, height, width};
  r.haveMask = document_.mask.empty() ? 0 : 1;
  r.filterCase =
      r.haveMask != 0 ? api::filterCaseFlatImageWithSelection : api::filterCaseFlatImageNoSelection;
  r.supportsPadding = 1;
  r.samplingSupport = api::samplingIntegral;
  r.hostSig = api::FourCC("PXHS");
  r.depth = 8;
  r.errorString = options_.errorString ? &errorText_ : nullptr;
  ResetForRun();
  // Callbacks reach the host whose call is under way, and outside calls the
  // host made last (so its handle suite can be used directly).
  callbackTarget.host = this;
}

Host::~Host() {
  if (callbackTarget.host == this) callbackTarget.host = nullptr;
}

void Host::Log(const char* format, ...) const {
  if (options_.log == nullptr) return;
  va_list args;
  va_start(args, format);
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized): va_start is just above
  std::vfprintf(options_.log, format, args);
  va_end(args);
}

std::string Host::ErrorMessage() const {
  return std::string(reinterpret_cast<const char*>(errorText_ + 1), errorText_[0]);
}

api::OSErr Host::Call(std::int16_t selector) {
  Host* previous = callbackTarget.host;
  callbackTarget.host = this;
  std::int16_t result = 0;
  if (selector == api::filterSelectorAbout) {
    api::AboutRecord about{};
    about.platformData = &platformData_;
    entry_(selector, &about, &dataSlot_, &result);
  } else {
    errorText_[0] = 0;
    entry_(selector, record_.get(), &dataSlot_, &result);
  }
  if (previous != nullptr) callbackTarget.host = previous;
  calls.emplace_back(selector, result);
  Log("%s: %d\n", SelectorName(selector), result);
  if (result == api::errReportString) Log("  message: %s\n", ErrorMessage().c_str());
  CheckProtocol(SelectorName(selector));
  return result;
}

api::OSErr Host::LastResult(std::int16_t selector) const {
  for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
    if (it->first == selector) return it->second;
  }
  return 1;
}

api::OSErr Host::About() {
  return Call(api::filterSelectorAbout);
}

void Host::CheckProtocol(const char* selectorName) {
  for (api::Handle h : {reinterpret_cast<api::Handle>(dataSlot_), record_->parameters}) {
    if (IsHostHandle(h) && IsLocked(h)) {
      problems.push_back(std::string(selectorName) + ": the plug-in left a handle locked");
    }
  }
  if (options_.handleTable != HandleTable::kUsable && handleCalls > 0 && !reportedRefusedUse_) {
    reportedRefusedUse_ = true;
    problems.push_back(std::string(selectorName) +
                       ": the plug-in used a handle table it must not use");
  }
}

void Host::ResetForRun() {
  api::FilterRecord& r = *record_;
  r.maxSpace = options_.maxSpace;
  r.bufferSpace = 0;
  r.inRect = r.outRect = r.maskRect = api::Rect16{};
  r.inData = r.outData = r.maskData = nullptr;
  r.inRowBytes = r.outRowBytes = r.maskRowBytes = 0;
  r.inputRate = r.maskRate = api::kFixedOne;
  r.inputPadding = r.outputPadding = r.maskPadding = api::paddingErrorOutside;
  delivered_ = false;
  source_ = document_.pixels;
}

bool Host::AnyRectangleLeft() const {
  return !api::IsEmpty(record_->inRect) || !api::IsEmpty(record_->outRect) ||
         !api::IsEmpty(record_->maskRect);
}

bool Host::RunFilter(bool withParameters) {
  ResetForRun();
  bool ok = true;
  const auto call = [&](std::int16_t selector) {
    const api::OSErr code = Call(selector);
    if (code != api::noErr) ok = false;
    return code;
  };
  if (withParameters && call(api::filterSelectorParameters) != api::noErr) return false;
  if (call(api::filterSelectorPrepare) != api::noErr) return false;
  if (call(api::filterSelectorStart) != api::noErr) {
    delivered_ = false;  // a failed start's last output is not taken
    return false;
  }
  for (int n = 0; AnyRectangleLeft(); ++n) {
    if (n == kMaxContinueCalls) {
      problems.push_back("the plug-in never emptied its rectangles");
      ok = false;
      break;
    }
    if (call(api::filterSelectorContinue) != api::noErr) break;
  }
  if (ok) Commit();
  delivered_ = false;
  call(api::filterSelectorFinish);
  return ok;
}

void Host::HandBackParameters(const std::vector<char>& bytes) {
  auto block = std::make_unique<HandleBlock>();
  block->data = bytes;
  block->data.resize(std::max<std::size_t>(bytes.size(), 1));
  block->size = static_cast<std::int32_t>(bytes.size());
  block->master = block->data.data();
  record_->parameters = &block->master;
  handles_[&block->master] = std::move(block);
}

void Host::KeepOnlyParameters() {
  api::Handle parameters = record_->parameters;
  const bool keep = IsHostHandle(parameters);
  std::vector<char> saved;
  if (keep) {
    const HandleBlock& b = *handles_.at(parameters);
    saved.assign(b.data.begin(), b.data.begin() + b.size);
  }
  const auto slot = reinterpret_cast<api::Handle>(dataSlot_);
  if (IsHostHandle(slot)) handles_.erase(slot);
  dataSlot_ = 0;
  if (!keep) return;
  handles_.erase(parameters);
  auto block = std::make_unique<HandleBlock>();
  block->data = saved;
  block->data.resize(std::max<std::size_t>(saved.size(), 1));
  block->size = static_cast<std::int32_t>(saved.size());
  block->master = block->data.data();
  record_->parameters = &block->master;
  handles_[&block->master] = std::move(block);
}

// ---------------------------------------------------------------------------
// The handle suite
// ---------------------------------------------------------------------------

api::Handle Host::NewHandle(std::int32_t size) {
  ++handleCalls;
  if (options_.failNewHandle || size < 0) return nullptr;
  auto block = std::make_unique<HandleBlock>();
  // Not zeroed: a plug-in must not rely on what a new block holds.
  block->data.assign(static_cast<std::size_t>(std::max(size, 1)), static_cast<char>(0xA5));
  block->size = size;
  block->master = block->data.data();
  api::Handle h = &block->master;
  handles_[h] = std::move(block);
  return h;
}

void Host::DisposeHandle(api::Handle h) {
  ++handleCalls;
  handles_.erase(h);
}

std::int32_t Host::HandleSize(api::Handle h) {
  ++handleCalls;
  return IsHostHandle(h) ? handles_.at(h)->size : 0;
}

api::OSErr Host::SetHandleSize(api::Handle h, std::int32_t size) {
  ++handleCalls;
  if (!IsHostHandle(h) || size < 0) return api::nilHandleErr;
  HandleBlock& b = *handles_.at(h);
  b.data.resize(static_cast<std::size_t>(std::max(size, 1)));
  b.size = size;
  b.master = b.data.data();
  return api::noErr;
}

api::Ptr Host::LockHandle(api::Handle h) {
  ++handleCalls;
  if (!IsHostHandle(h)) return nullptr;
  handles_.at(h)->locked = true;
  return *h;
}

void Host::UnlockHandle(api::Handle h) {
  ++handleCalls;
  if (IsHostHandle(h)) handles_.at(h)->locked = false;
}

bool Host::IsHostHandle(api::Handle h) const {
  return h != nullptr && handles_.count(h) != 0;
}

bool Host::IsLocked(api::Handle h) const {
  return IsHostHandle(h) && handles_.at(h)->locked;
}

// ---------------------------------------------------------------------------
// abort, progress and advanceState
// ---------------------------------------------------------------------------

bool Host::Abort() {
  ++abortCalls;
  return options_.abortFrom > 0 && abortCalls >= options_.abortFrom;
}

void Host::Progress(std::int32_t done, std::int32_t total) {
  progress.emplace_back(done, total);
}

void Host::Commit() {
  if (!delivered_) return;
  const api::Rect16& rect = deliveredRect_;
  const auto planes = static_cast<std::size_t>(document_.planes);
  const std::int32_t left = std::max<std::int32_t>(rect.left, 0);
  const std::int32_t right = std::min<std::int32_t>(rect.right, document_.width);
  if (left >= right) return;
  for (std::int32_t y = std::max<std::int32_t>(rect.top, 0);
       y < std::min<std::int32_t>(rect.bottom, document_.height); ++y) {
    const std::uint8_t* from = out_.bytes.get() +
                               static_cast<std::size_t>(y - rect.top) * deliveredRowBytes_ +
                               static_cast<std::size_t>(left - rect.left) * deliveredCount_;
    std::uint8_t* to =
        document_.pixels.data() +
        (static_cast<std::size_t>(y) * document_.width + static_cast<std::size_t>(left)) * planes +
        deliveredFirst_;
    // Back from the buffer's packed pixels into the document's.
    CopyPixels(from, static_cast<std::size_t>(deliveredCount_), to, planes, deliveredCount_,
               right - left);
  }
}

api::OSErr Host::FillSampled(const api::Rect16& rect, std::int32_t step, std::int16_t padding,
                             const std::uint8_t* source, int sourcePlanes, int first, int count,
                             Buffer* buffer, std::int32_t* rowBytes) {
  const std::int32_t width = rect.right - rect.left;
  const std::int32_t height = rect.bottom - rect.top;
  const std::int32_t sampledWidth = (document_.width + step - 1) / step;
  const std::int32_t sampledHeight = (document_.height + step - 1) / step;
  *rowBytes = width * count + options_.strideSlack;
  buffer->size = static_cast<std::size_t>(*rowBytes) * static_cast<std::size_t>(height);
  buffer->bytes.reset(new std::uint8_t[buffer->size]);
  std::memset(buffer->bytes.get(), kUnsetByte, buffer->size);
  const auto at = [&](std::int32_t sx, std::int32_t sy) {
    return source +
           (static_cast<std::size_t>(sy) * step * document_.width +
            static_cast<std::size_t>(sx) * step) *
               sourcePlanes +
           first;
  };
  // One pixel: the sampled pixel (sx, sy), or the padding where that lies
  // outside the sampled image; false for a padding that cannot be given.
  const auto fillPixel = [&](std::uint8_t* to, std::int32_t sx, std::int32_t sy) {
    if (sx < 0 || sy < 0 || sx >= sampledWidth || sy >= sampledHeight) {
      if (padding >= 0 && padding <= 255) {
        std::memset(to, padding, static_cast<std::size_t>(count));
        return true;
      }
      if (padding == api::paddingNone) return true;
      if (padding != api::paddingEdgeReplication || sampledWidth == 0 || sampledHeight == 0) {
        return false;
      }
      sx = std::clamp(sx, 0, sampledWidth - 1);
      sy = std::clamp(sy, 0, sampledHeight - 1);
    }
    std::memcpy(to, at(sx, sy), static_cast<std::size_t>(count));
    return true;
  };
  // The columns that lie inside the sampled image: in a row inside it too
  // they are copied as one stretch, every other pixel on its own.
  const std::int32_t inFirst = std::clamp(-rect.left, 0, width);
  const std::int32_t inEnd = std::clamp(sampledWidth - rect.left, inFirst, width);
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* row = buffer->bytes.get() + static_cast<std::size_t>(y) * *rowBytes;
    const std::int32_t sy = rect.top + y;
    const bool inside = sy >= 0 && sy < sampledHeight;
    const std::int32_t stretchFirst = inside ? inFirst : width;
    const std::int32_t stretchEnd = inside ? inEnd : width;
    for (std::int32_t x = 0; x < stretchFirst; ++x) {
      if (!fillPixel(row + static_cast<std::size_t>(x) * count, rect.left + x, sy)) {
        return api::paramErr;
      }
    }
    if (stretchFirst < stretchEnd) {
      CopyPixels(at(rect.left + stretchFirst, sy), static_cast<std::size_t>(step) * sourcePlanes,
                 row + static_cast<std::size_t>(stretchFirst) * count,
                 static_cast<std::size_t>(count), count, stretchEnd - stretchFirst);
    }
    for (std::int32_t x = stretchEnd; x < width; ++x) {
      if (!fillPixel(row + static_cast<std::size_t>(x) * count, rect.left + x, sy)) {
        return api::paramErr;
      }
    }
  }
  return api::noErr;
}

api::OSErr Host::Advance() {
  api::FilterRecord& r = *record_;
  AdvanceRequest q{r.inRect,     r.outRect,      r.maskRect,    r.inputRate,
                   r.maskRate,   r.inLoPlane,    r.inHiPlane,   r.outLoPlane,
                   r.outHiPlane, r.inputPadding, r.maskPadding, api::noErr};
  Commit();
  delivered_ = false;
  r.inData = r.outData = r.maskData = nullptr;
  r.inRowBytes = r.outRowBytes = r.maskRowBytes = 0;

  api::OSErr code = api::noErr;
  const int planes = document_.planes;
  const auto planesValid = [planes](std::int16_t lo, std::int16_t hi) {
    return lo >= 0 && lo <= hi && hi < planes;
  };
  if (options_.failAdvanceAt == static_cast<std::int64_t>(advances.size()) + 1) {
    code = options_.failAdvanceCode;
  }
  if (code == api::noErr && !api::IsEmpty(r.inRect)) {
    code = !planesValid(r.inLoPlane, r.inHiPlane)
               ? api::paramErr
               : FillSampled(r.inRect, Step(r.inputRate), r.inputPadding, source_.data(), planes,
                             r.inLoPlane, r.inHiPlane - r.inLoPlane + 1, &in_, &r.inRowBytes);
    if (code == api::noErr) r.inData = in_.bytes.get();
  }
  if (code == api::noErr && r.haveMask != 0 && !api::IsEmpty(r.maskRect)) {
    code = FillSampled(r.maskRect, Step(r.maskRate), r.maskPadding, document_.mask.data(), 1, 0, 1,
                       &mask_, &r.maskRowBytes);
    if (code == api::noErr) r.maskData = mask_.bytes.get();
  }
  if (code == api::noErr && !api::IsEmpty(r.outRect)) {
    const int count = r.outHiPlane - r.outLoPlane + 1;
    code = !planesValid(r.outLoPlane, r.outHiPlane)
               ? api::paramErr
               : FillSampled(r.outRect, 1, r.outputPadding, document_.pixels.data(), planes,
                             r.outLoPlane, count, &out_, &r.outRowBytes);
    if (code == api::noErr) {
      r.outData = out_.bytes.get();
      delivered_ = true;
      deliveredRect_ = r.outRect;
      deliveredFirst_ = r.outLoPlane;
      deliveredCount_ = count;
      deliveredRowBytes_ = r.outRowBytes;
    }
  }
  if (code != api::noErr) {
    r.inData = r.outData = r.maskData = nullptr;
    r.inRowBytes = r.outRowBytes = r.maskRowBytes = 0;
    delivered_ = false;
  }
  q.result = code;
  advances.push_back(q);
  if (options_.trace && options_.log != nullptr) {
    std::fprintf(options_.log, "advanceState %zu:", advances.size());
    LogRect(options_.log, "in", q.inRect);
    LogRect(options_.log, "out", q.outRect);
    LogRect(options_.log, "mask", q.maskRect);
    std::fprintf(options_.log, " rate %d -> %d\n", Step(q.inputRate), code);
  }
  return code;
}

}  // namespace pxb::pxhost
