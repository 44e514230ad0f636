// The state the plug-in keeps between the host's calls, for as long as it
// stays loaded, and the small operations on it that every part of a run
// uses. The population and the session header live with the evolution code
// (GlobalPopulation, GlobalSessionHeader); the run's root type and chosen
// member are the population's.
#pragma once

#include <cstdint>
#include <string>

#include "engine/rand.h"
#include "host/dialogs.h"
#include "host/platform.h"
#include "interface/parameter_block.h"
#include "interface/pluginapi.h"

namespace pxb::host {

// The longest session path a file dialog can return, and the room for the
// session title the properties dialog shows (both with the terminating NUL).
inline constexpr std::size_t kSessionPathMax = 1024;
inline constexpr std::size_t kSessionTitleCapacity = 128;

// How the final pass lets the image leaves and warps see the whole input
// image while the output goes band by band. Chosen at prepare from the
// host's maxSpace.
enum class InputPlan {
  kWholeFromHost,  // the host delivers the whole input with every band of output
  kPrivateCopy,    // the input is first collected band by band into a copy of our own
  kBandOnly,       // no copy could be had: the leaves see only the current band
};

struct PluginRun {
  void* moduleInstance = nullptr;       // saved when the module is loaded
  std::int16_t* result = nullptr;       // the host's result word of the current call
  api::FilterRecord* record = nullptr;  // the record of the current run
  ParameterBlock* block = nullptr;      // the locked parameter block during a call
  std::int32_t rowsPerBand = 1;         // set at prepare
  std::int16_t colourPlaneCount = 0;    // kept across runs; 0 until a known mode was seen
  InputPlan inputPlan = InputPlan::kWholeFromHost;
  std::int32_t outputRows = 1;  // output rows per band of the final pass
  std::string sessionPath;      // the current session file
  std::string sessionTitle;     // its file-name part
  platform::WindowHandle hostWindow = 0;
  DialogProcs dialogs{};
  RandState passDither{};  // what "dither" draws from during the final pass
  // Most bytes the final pass takes from the heap for its copy of the input.
  std::int64_t privateCopyLimit = INT64_MAX;
  // The message of the last failure reported, for hosts that show it
  // themselves (a run without a FilterRecord has no error string).
  std::string lastFailure;
};

PluginRun& CurrentRun();

// Called when the module is loaded; string resources and dialog templates
// are found through it.
void SetModuleInstance(void* instance);

// Empties inRect, outRect and maskRect of the run's record, so the host has
// nothing more to hand over.
void ClearRects();

// Stores code in the host's result word.
void SetResult(api::OSErr code);
api::OSErr Result();

// Reports a failure the host cannot know the cause of: with a host that
// offers an error string, message goes there and the result is
// errReportString; otherwise the result is code.
void ReportFailure(api::OSErr code, const std::string& message);

}  // namespace pxb::host
