#include "gimp/interactive.h"

#include <libgimp/gimp.h>
#include <libgimp/gimpui.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "evolution/population.h"
#include "gimp/gtk_backend.h"
#include "gimp/gtk_script_driver.h"
#include "host/dialogs.h"
#include "host/plugin_run.h"
#include "host/reduction.h"
#include "host/session_run.h"
#include "interface/parameter_block.h"
#include "primitives/source_image.h"
#include "ui/dialogs.h"

namespace pxb::gimp {
namespace {

constexpr int kGroups = 9;

// The reduced colour planes of the drawable's selected area, 8 bits each,
// every scale-th pixel as the Windows plug-in asks its host for them.
struct ReducedImage {
  int32_t width = 0;
  int32_t height = 0;
  int32_t planes = 3;
  std::vector<uint8_t> bytes;
};

bool ReduceDrawable(int drawable, ReducedImage* image, std::string* error) {
  gint x = 0;
  gint y = 0;
  gint w = 0;
  gint h = 0;
  if (!gimp_drawable_mask_intersect(drawable, &x, &y, &w, &h) || w <= 0 || h <= 0) {
    *error = "the selection does not touch the layer";
    return false;
  }
  const host::Reduction r = host::ReduceArea(x, y, x + w, y + h);
  const bool grey = gimp_drawable_is_gray(drawable) != FALSE;
  const Babl* format = babl_format(grey ? "Y' u8" : "R'G'B' u8");
  image->planes = grey ? 1 : 3;
  image->width = r.right - r.left;
  image->height = r.bottom - r.top;
  const gint drawableWidth = gimp_drawable_width(drawable);
  const gint drawableHeight = gimp_drawable_height(drawable);
  const auto rowBytes = static_cast<size_t>(image->width) * static_cast<size_t>(image->planes);
  image->bytes.assign(rowBytes * static_cast<size_t>(image->height), 0);
  // One image row at a time: the span from the first to the last pixel
  // taken, then every scale-th pixel of it.
  const gint first = std::min(r.left * r.scale, drawableWidth - 1);
  const gint span = std::min((r.right - 1) * r.scale, drawableWidth - 1) - first + 1;
  std::vector<uint8_t> row(static_cast<size_t>(span) * static_cast<size_t>(image->planes));
  GeglBuffer* buffer = gimp_drawable_get_buffer(drawable);
  for (int32_t j = 0; j < image->height; ++j) {
    const gint sy = std::min((r.top + j) * r.scale, drawableHeight - 1);
    const GeglRectangle line{first, sy, span, 1};
    gegl_buffer_get(buffer, &line, 1.0, format, row.data(), GEGL_AUTO_ROWSTRIDE, GEGL_ABYSS_CLAMP);
    uint8_t* to = &image->bytes[static_cast<size_t>(j) * rowBytes];
    for (int32_t i = 0; i < image->width; ++i) {
      const gint sx = std::min((r.left + i) * r.scale, drawableWidth - 1) - first;
      std::memcpy(to + static_cast<size_t>(i) * image->planes,
                  &row[static_cast<size_t>(sx) * image->planes], image->planes);
    }
  }
  g_object_unref(buffer);
  return true;
}

// The dialogs of the session run, on the GTK backend.
bool ChooseSession(void*, host::platform::WindowHandle owner, const std::string& currentPath,
                   std::string* path) {
  return ui::ChooseSessionFile(owner, currentPath, path);
}

bool SaveElsewhere(void*, host::platform::WindowHandle owner, const std::string& problem,
                   const std::string& currentPath, std::string* path) {
  return ui::OfferSessionSaveAs(owner, problem, currentPath, path);
}

int RunMain(void*, host::platform::WindowHandle owner, api::FilterRecord* record) {
  const std::intptr_t result = ui::RunMainDialog(owner, record);
  for (int k = 0; k < kGroups; ++k) {
    if (result == ui::ids::GroupOk(k)) return k;
  }
  return -1;
}

// What the run borrows from the plug-in's state, given back at the end.
class RunScope {
 public:
  RunScope(GtkBackend& backend, host::ParameterBlock* block, std::int16_t* result) {
    ui::SetDialogLayer(&backend.layer());
    const host::DialogProcs procs{&backend, ChooseSession, RunMain, SaveElsewhere};
    host::SetDialogProcs(&procs);
    host::PluginRun& run = host::CurrentRun();
    run.record = nullptr;
    run.block = block;
    run.result = result;
    run.lastFailure.clear();
  }
  ~RunScope() {
    host::PluginRun& run = host::CurrentRun();
    run.block = nullptr;
    run.result = nullptr;
    host::SetDialogProcs(nullptr);
    ui::SetDialogLayer(nullptr);
    SetSourceImage(0, 0, nullptr, 0, 0);
  }
  RunScope(const RunScope&) = delete;
  RunScope& operator=(const RunScope&) = delete;
};

}  // namespace

BreedingOutcome RunBreedingDialog(int drawable, std::string* sessionPath, std::string* error) {
  ReducedImage reduced;
  if (!ReduceDrawable(drawable, &reduced, error)) return BreedingOutcome::kFailed;
  gimp_ui_init("pixbreed", TRUE);

  host::ParameterBlock block{};
  if (!sessionPath->empty() && sessionPath->size() < host::kSessionPathCapacity) {
    std::memcpy(block.sessionPath, sessionPath->data(), sessionPath->size());
    block.haveSession = 1;
  }
  block.showDialog = 1;
  std::int16_t result = api::noErr;
  GtkBackend backend;
  backend.SetMessageSink([](const std::string& m) { gimp_message(m.c_str()); });
  std::unique_ptr<GtkScriptDriver> driver = GtkScriptDriver::FromEnvironment(&backend);
  {
    const RunScope scope(backend, &block, &result);
    host::CurrentRun().colourPlaneCount = static_cast<std::int16_t>(reduced.planes);
    GlobalPopulation().rootType = reduced.planes == 3 ? kColour : kUnit;
    SetSourceImage(reduced.width, reduced.height, reduced.bytes.data(),
                   reduced.width * reduced.planes, reduced.planes);
    host::RunBreedingSession(nullptr);
    if (block.haveSession == 1) *sessionPath = host::CurrentRun().sessionPath;
  }
  if (driver != nullptr) driver->Finish();
  if (result == api::noErr) return BreedingOutcome::kPicked;
  const std::string& message = host::CurrentRun().lastFailure;
  if (result == api::userCanceledErr && message.empty()) return BreedingOutcome::kCancelled;
  *error = !message.empty() ? message : "the session could not be read";
  return BreedingOutcome::kFailed;
}

}  // namespace pxb::gimp
