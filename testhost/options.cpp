#include <CLI/CLI.hpp>

#include "testhost/pxhost_run.h"

namespace pxb::pxhost {

int ParseArguments(int argc, char** argv, PxhostArgs* args) {
  CLI::App app{
      "pxhost: runs the Pixbreed filter plug-in as a filter host does and writes the "
      "filtered image. Prints the result code of every selector; exits 0 when all were 0 "
      "and 2 otherwise."};
  app.add_option("image", args->image, "Image to filter (PNG or JPEG)")->required();
  app.add_option("-o,--output", args->output, "Where to write the filtered image")->required();
  app.add_flag("--repeat", args->repeat,
               "After the normal run, repeat the last filter (a run without parameters)");
  app.add_flag("--repeat-only", args->repeatOnly,
               "Only repeat the last filter, on a fresh parameter block");
  app.add_option("--mode", args->mode, "Image mode: grey, rgb, rgba, cmyk, lab, multichannel")
      ->check(CLI::IsMember({"grey", "rgb", "rgba", "cmyk", "lab", "multichannel"}));
  app.add_option("--mask", args->mask, "Selection mask image (first channel; 255 = selected)");
  app.add_option("--max-space", args->maxSpace, "The host's maxSpace in bytes")
      ->capture_default_str();
  app.add_flag("--no-handle-procs", args->noHandleProcs,
               "Offer a handle table the plug-in must not use (version 2)");
  app.add_option("--abort-at", args->abortAt, "Report abort from the N-th abort call on")
      ->check(CLI::PositiveNumber);
  app.add_option("--session", args->session,
                 "Session file answering the start-up chooser (created when missing)");
  app.add_option("--kept-session", args->keptSession,
                 "Hand back a parameters handle kept from an earlier run on this session file "
                 "(as hosts that save the parameters between processes do)");
  app.add_option("--ui", args->ui, "Drive the dialogs with a script");
  app.add_option("--pick", args->pick, "Member the stand-in dialog picks")
      ->check(CLI::Range(0, 8))
      ->capture_default_str();
  app.add_flag("--cancel", args->cancel, "The stand-in dialog cancels");
  app.add_flag("--keep-only-parameters", args->keepOnlyParameters,
               "Before --repeat, keep only the parameters handle (empty the data slot)");
  app.add_option("--fail-advance", args->failAdvance,
                 "The N-th advanceState call fails (memFullErr)")
      ->check(CLI::PositiveNumber);
  app.add_option("--filter-rect", args->filterRect,
                 "Filter TOP,LEFT,BOTTOM,RIGHT instead of the whole image");
  app.add_flag("--about", args->about, "Call the about selector first");
  app.add_flag("--no-error-string", args->noErrorString, "Offer no buffer for error messages");
  app.add_flag("--trace", args->trace, "Print every advanceState request");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : 1;
  }
  return -1;
}

}  // namespace pxb::pxhost
