// The host's side of the filter plug-in interface: the document, the
// FilterRecord, the callbacks (abort, progress, advanceState), the handle
// suite and the order in which a host calls the selectors. It only needs the
// entry point, however that was obtained (linked in, or found in a loaded
// DLL through its property list), so every build of pxhost shares it.
//
// advanceState works as filter hosts do: it first commits the output
// delivered last time into the document (input keeps showing the image as it
// was when the run began), then fills a buffer for every
// non-empty rectangle (input and mask with integral point sampling, every
// k-th pixel; constant or edge padding outside the image), and gives empty
// rectangles a null pointer and a stride of 0. Every buffer row carries a
// few extra bytes, so a plug-in that ignores the strides shows.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "interface/pluginapi.h"

namespace pxb::pxhost {

namespace api = pxb::api;

// The image being filtered: planes interleaved, rows top to bottom.
struct Document {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int16_t planes = 0;
  std::int16_t imageMode = api::plugInModeRGBColor;
  std::vector<std::uint8_t> pixels;  // width × height × planes
  std::vector<std::uint8_t> mask;    // width × height, 255 = selected; empty: no selection
};

// The handle suite offered to the plug-in.
enum class HandleTable {
  kUsable,        // version 1 with all eight procedures
  kNewerVersion,  // version 2: a plug-in that knows version 1 must not use it
  kTooFewProcs,   // version 1 with six procedures
};

struct HostOptions {
  std::int32_t maxSpace = 256 << 20;
  HandleTable handleTable = HandleTable::kUsable;
  bool failNewHandle = false;      // the handle suite has no memory to give
  std::int64_t abortFrom = 0;      // abortProc reports an abort from this call on; 0: never
  std::int64_t failAdvanceAt = 0;  // this advanceState call fails; 0: none does
  api::OSErr failAdvanceCode = api::memFullErr;
  bool ownFilterRect = false;  // filter filterRect instead of the whole image
  api::Rect16 filterRect{};
  bool errorString = true;       // offer a buffer for error messages
  std::int32_t strideSlack = 3;  // extra bytes after every buffer row
  std::FILE* log = stdout;       // result codes are printed here; null: silent
  bool trace = false;            // also print every advanceState request
};

// What the plug-in asked for in one advanceState call.
struct AdvanceRequest {
  api::Rect16 inRect;
  api::Rect16 outRect;
  api::Rect16 maskRect;
  api::Fixed inputRate;
  api::Fixed maskRate;
  std::int16_t inLoPlane;
  std::int16_t inHiPlane;
  std::int16_t outLoPlane;
  std::int16_t outHiPlane;
  std::int16_t inputPadding;
  std::int16_t maskPadding;
  api::OSErr result;
};

class Host {
 public:
  Host(Document document, const HostOptions& options, api::PluginEntryProc entry);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // One call of the entry point; prints and returns the result code.
  api::OSErr Call(std::int16_t selector);
  // The about selector with an AboutRecord.
  api::OSErr About();
  // One run as hosts drive it: parameters (unless repeating the last
  // filter), prepare, start, continue while a rectangle is left, and finish
  // after a successful start. The output is committed only when nothing
  // failed. True when every selector returned noErr.
  bool RunFilter(bool withParameters);
  // Between runs, behaves like a host that keeps only the record's
  // `parameters` handle: the data slot is emptied and its block disposed,
  // and `parameters` is replaced by a new handle holding the same bytes.
  void KeepOnlyParameters();
  // Before any run: `parameters` becomes a new handle holding bytes, as a
  // host hands back the parameters it saved from a run in another process.
  void HandBackParameters(const std::vector<char>& bytes);

  const Document& document() const { return document_; }
  api::FilterRecord& record() { return *record_; }
  std::intptr_t& dataSlot() { return dataSlot_; }
  // The host's error-string buffer as text (what errReportString reports).
  std::string ErrorMessage() const;

  // The result code of the last call of selector; 1 when there was none.
  api::OSErr LastResult(std::int16_t selector) const;

  // What the plug-in did.
  std::vector<std::pair<std::int16_t, api::OSErr>> calls;  // (selector, result) per call
  std::vector<AdvanceRequest> advances;
  std::vector<std::pair<std::int32_t, std::int32_t>> progress;  // (done, total) per call
  std::int64_t abortCalls = 0;
  std::int64_t handleCalls = 0;       // calls of any handle procedure
  std::vector<std::string> problems;  // breaches of the protocol seen

  // The handle suite, called through the offered table.
  api::Handle NewHandle(std::int32_t size);
  void DisposeHandle(api::Handle h);
  std::int32_t HandleSize(api::Handle h);
  api::OSErr SetHandleSize(api::Handle h, std::int32_t size);
  api::Ptr LockHandle(api::Handle h);
  void UnlockHandle(api::Handle h);
  bool IsHostHandle(api::Handle h) const;
  bool IsLocked(api::Handle h) const;

  // The direct callbacks.
  bool Abort();
  void Progress(std::int32_t done, std::int32_t total);
  api::OSErr Advance();

 private:
  struct HandleBlock;
  struct Buffer {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
  };

  void Log(const char* format, ...) const;
  void CheckProtocol(const char* selectorName);
  void ResetForRun();
  void Commit();
  api::OSErr FillSampled(const api::Rect16& rect, std::int32_t step, std::int16_t padding,
                         const std::uint8_t* source, int sourcePlanes, int first, int count,
                         Buffer* buffer, std::int32_t* rowBytes);
  bool AnyRectangleLeft() const;

  Document document_;
  // The image as it was when the run began: what input buffers show, while
  // output is read from and committed to document_.
  std::vector<std::uint8_t> source_;
  HostOptions options_;
  api::PluginEntryProc entry_;
  std::unique_ptr<api::FilterRecord> record_;
  api::HandleProcs handleProcs_{};
  api::PlatformData platformData_{};
  unsigned char errorText_[256] = {};
  std::intptr_t dataSlot_ = 0;
  std::map<api::Handle, std::unique_ptr<HandleBlock>> handles_;
  Buffer in_;
  Buffer out_;
  Buffer mask_;
  // The output delivered last: committed into the document by the next
  // advanceState or at the end of a successful run.
  bool delivered_ = false;
  api::Rect16 deliveredRect_{};
  int deliveredFirst_ = 0;
  int deliveredCount_ = 0;
  std::int32_t deliveredRowBytes_ = 0;
  bool reportedRefusedUse_ = false;
};

// The name of a selector for messages.
const char* SelectorName(std::int16_t selector);

}  // namespace pxb::pxhost
