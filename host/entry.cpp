#include "host/entry.h"

#include <algorithm>

#include "evolution/population.h"
#include "host/filter_image.h"
#include "host/host_utils.h"
#include "host/parameters.h"
#include "host/plugin_run.h"
#include "host/reduction.h"
#include "host/session_run.h"
#include "primitives/registration.h"
#include "primitives/source_image.h"

namespace pxb::host {
namespace {

// The number of colour planes an image mode has; -1 where it leaves the
// count as it was (multichannel and unknown modes).
std::int16_t ColourPlanesOf(std::int16_t mode) {
  switch (mode) {
    case api::plugInModeBitmap:
    case api::plugInModeGrayScale:
    case api::plugInModeDuotone:
    case api::plugInModeGray16:
      return 1;
    case api::plugInModeIndexedColor:
    case api::plugInModeRGBColor:
    case api::plugInModeHSLColor:
    case api::plugInModeHSBColor:
    case api::plugInModeLabColor:
    case api::plugInModeRGB48:
      return 3;
    case api::plugInModeCMYKColor:
      return 4;
    default:
      return -1;
  }
}

void Prepare(api::FilterRecord* r) {
  PluginRun& run = CurrentRun();
  r->bufferSpace = 0;
  const PassLayout layout =
      PlanPass(r->filterRect.right - r->filterRect.left, r->filterRect.bottom - r->filterRect.top,
               r->planes, r->maxSpace);
  run.rowsPerBand = layout.rowsPerBand;
  run.inputPlan = layout.plan;
  run.outputRows = layout.outputRows;
  r->maxSpace = layout.maxSpace;
  const std::int16_t planes = ColourPlanesOf(r->imageMode);
  if (planes >= 0) run.colourPlaneCount = planes;
  GlobalPopulation().rootType = run.colourPlaneCount == 3 ? kColour : kUnit;
}

void Start(api::FilterRecord* r) {
  const Reduction reduced =
      ReduceArea(r->filterRect.left, r->filterRect.top, r->filterRect.right, r->filterRect.bottom);
  const auto side = [](std::int32_t v) { return static_cast<std::int16_t>(v); };
  r->inRect =
      api::Rect16{side(reduced.top), side(reduced.left), side(reduced.bottom), side(reduced.right)};
  r->outRect = r->maskRect = r->inRect;
  r->inLoPlane = r->outLoPlane = 0;
  r->inHiPlane = r->outHiPlane = static_cast<std::int16_t>(r->planes - 1);
  r->inputRate = r->maskRate = reduced.scale * api::kFixedOne;
  r->inputPadding = r->outputPadding = r->maskPadding = 255;
  const api::OSErr code =
      r->advanceState != nullptr ? r->advanceState() : api::errPlugInHostInsufficient;
  if (code != api::noErr) {
    SetResult(code);
    ClearRects();
    return;
  }
  SetSourceImage(r->inRect.right - r->inRect.left, r->inRect.bottom - r->inRect.top,
                 static_cast<const std::uint8_t*>(r->inData), r->inRowBytes,
                 r->inHiPlane - r->inLoPlane + 1);

  ParameterBlock* block = CurrentRun().block;
  if (block->showDialog == 1) {
    RunBreedingSession(r);
  } else {
    RepeatLastFilter();
  }
  block->showDialog = 0;
  if (Result() == api::noErr) FilterImage();
  if (Result() != api::noErr) ClearRects();
  // The host's buffers are gone once start returns.
  SetSourceBuffer(nullptr, 0, 0);
}

void Dispatch(std::int16_t selector, void* record, std::intptr_t* data) {
  PluginRun& run = CurrentRun();
  if (selector == api::filterSelectorAbout) {
    ShowAbout(static_cast<const api::AboutRecord*>(record), run.moduleInstance);
    return;
  }
  auto* r = static_cast<api::FilterRecord*>(record);
  if (r == nullptr || data == nullptr) {
    SetResult(api::filterBadParameters);
    return;
  }
  const bool known =
      selector >= api::filterSelectorParameters && selector <= api::filterSelectorFinish;
  if (known) run.record = r;
  if (!AcquireParameterBlock(r, data)) {
    SetResult(api::memFullErr);
    return;
  }
  RegisterPrimitives();
  switch (selector) {
    case api::filterSelectorParameters:
      run.block->showDialog = 1;
      MirrorParameterBlock(r);
      break;
    case api::filterSelectorPrepare:
      Prepare(r);
      break;
    case api::filterSelectorStart:
      Start(r);
      MirrorParameterBlock(r);
      break;
    case api::filterSelectorContinue:
      break;
    case api::filterSelectorFinish:
      SetResult(api::noErr);
      break;
    default:
      SetResult(api::filterBadParameters);
      break;
  }
  ReleaseParameterBlock(r, data);
}

}  // namespace
}  // namespace pxb::host

extern "C" PXB_EXPORT void PXB_CDECL ENTRYPOINT(std::int16_t selector, void* record,
                                                std::intptr_t* data, std::int16_t* result) {
  pxb::host::PluginRun& run = pxb::host::CurrentRun();
  std::int16_t ignored = 0;
  run.result = result != nullptr ? result : &ignored;
  pxb::host::Dispatch(selector, record, data);
  run.result = nullptr;
}

namespace {
// The entry has the type hosts call it through.
[[maybe_unused]] constexpr pxb::api::PluginEntryProc kEntryType = &ENTRYPOINT;
}  // namespace
