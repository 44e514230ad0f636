// pixbreed: breeding image filters from the command line.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <string>

#include "primitives/registration.h"
#include "tools/pixbreed/cli_common.h"
#include "tools/pixbreed/commands.h"

namespace {

using namespace pxb::cli;

// What was printed must have reached its destination: a full disk or a
// closed pipe is a failure.
int FinishStandardOutput() {
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return 0;
  std::fprintf(stderr, "pixbreed: cannot write to standard output\n");
  return 1;
}

int Main(int argc, char** argv) {
  CLI::App app{
      "pixbreed: breed image filters. A session (.gds) holds nine members; a filter "
      "(.gdo) holds one. Rate the previews, breed, pick, apply. Input images of more than "
      "8192 x 8192 pixels (67108864) are refused unless --max-pixels raises the limit."};
  app.require_subcommand(1);

  NewArgs newArgs;
  auto* create = app.add_subcommand("new", "Create a session of nine new members");
  create->add_option("session", newArgs.session, "Session file to create (.gds)")->required();
  create->add_option("--previews", newArgs.previews, "Number of previews shown (1-9)")
      ->capture_default_str();
  create->add_flag("--grey", newArgs.grey, "Grow grey (unit) filters instead of colour ones");
  create->add_option("--seed", newArgs.seed, "Seed word T of the members' states (357, T, k)")
      ->check(CLI::Range(0, 65535));
  create->add_flag("--force", newArgs.force, "Replace an existing file");

  std::string session;
  auto* show = app.add_subcommand("show", "Print the header and every member's tree");
  show->add_option("session", session, "Session file (.gds)")->required();

  TreeArgs treeArgs;
  auto* tree = app.add_subcommand(
      "tree", "Regrow and print expression text: SESSION.gds:K, FILTER.gdo, or SESSION.gds");
  tree->add_option("target", treeArgs.target, "SESSION.gds[:K] or FILTER.gdo")->required();
  tree->add_option("--view", treeArgs.view, "View size WxH the tree is grown for")
      ->capture_default_str();
  tree->add_option("--source", treeArgs.source, "Image the image leaves read");
  tree->add_option("--source-size", treeArgs.sourceSize,
                   "Without --source: a black image of this size (default: the view's)");
  tree->add_option("--grid", treeArgs.grid, "Fractal map side")->capture_default_str();

  const std::string threadsHelp =
      "Threads, 1 to " + std::to_string(kMaxThreads) + " (default: every core)";
  const std::string maxPixelsHelp = "Refuse input images of more pixels than this (up to " +
                                    std::to_string(pxb::kMaxImagePixels) +
                                    "); the default is 8192 x 8192";
  PreviewArgs previewArgs;
  auto* preview = app.add_subcommand("preview", "Render the shown members into a contact sheet");
  preview->add_option("session", previewArgs.session, "Session file (.gds)")->required();
  preview->add_option("image", previewArgs.image, "Image to filter (PNG or JPEG)")->required();
  preview->add_option("-o,--output", previewArgs.output, "Contact sheet to write")->required();
  preview->add_option("--size", previewArgs.size, "Side of each preview's box in pixels")
      ->capture_default_str();
  preview->add_option("--threads", previewArgs.threads, threadsHelp);
  preview->add_option("--max-pixels", previewArgs.maxPixels, maxPixelsHelp)->capture_default_str();

  BreedArgs breedArgs;
  auto* breed = app.add_subcommand(
      "breed", "One breeding step: rate the shown members, then replace them all");
  breed->add_option("session", breedArgs.session, "Session file (.gds)")->required();
  breed->add_option("--rate", breedArgs.ratings,
                    "K=P: slider position P of member K (0 best .. 100 worst; default 50)");
  breed
      ->add_option("--time", breedArgs.time,
                   "Time recorded for the step, in seconds since 1970 (default: the clock)")
      ->check(CLI::NonNegativeNumber);

  auto* undo = app.add_subcommand(
      "undo", "Undo the last breeding step: the members and the learning as they were before it");
  undo->add_option("session", session, "Session file (.gds)")->required();

  auto* history =
      app.add_subcommand("history", "List the breeding steps that can be undone, newest first");
  history->add_option("session", session, "Session file (.gds)")->required();

  std::string member;
  auto* pick = app.add_subcommand("pick", "Choose the member that filters the image");
  pick->add_option("session", session, "Session file (.gds)")->required();
  pick->add_option("member", member, "Member 0-8")->required();

  std::string filter;
  auto* exportCmd = app.add_subcommand("export", "Save one member as a filter file");
  exportCmd->add_option("session", session, "Session file (.gds)")->required();
  exportCmd->add_option("member", member, "Member 0-8")->required();
  exportCmd->add_option("filter", filter, "Filter file to write (.gdo)")->required();
  bool exportForce = false;
  exportCmd->add_flag("--force", exportForce, "Replace an existing filter file");

  auto* importCmd = app.add_subcommand("import", "Replace one member by a filter file");
  importCmd->add_option("session", session, "Session file (.gds)")->required();
  importCmd->add_option("member", member, "Member 0-8")->required();
  importCmd->add_option("filter", filter, "Filter file to read (.gdo)")->required();

  ApplyArgs applyArgs;
  auto* apply = app.add_subcommand("apply", "Filter a whole image at full resolution");
  apply
      ->add_option("filter", applyArgs.filter,
                   "FILTER.gdo, SESSION.gds:K, or SESSION.gds for the chosen member")
      ->required();
  apply->add_option("image", applyArgs.image, "Image to filter (PNG or JPEG)")->required();
  apply->add_option("-o,--output", applyArgs.output, "Result image (PNG or JPEG)")->required();
  apply->add_option("--mask", applyArgs.mask,
                    "Selection mask of the image's size (first channel; 0 keeps a pixel)");
  apply->add_option("--threads", applyArgs.threads, threadsHelp);
  apply->add_option("--max-pixels", applyArgs.maxPixels, maxPixelsHelp)->capture_default_str();

  std::string helpTopic;
  auto* help = app.add_subcommand("help", "Describe pixbreed or one subcommand");
  help->add_option("subcommand", helpTopic, "Subcommand to describe");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e);
  }

  if (help->parsed()) {
    if (helpTopic.empty()) {
      std::fputs(app.help().c_str(), stdout);
      return FinishStandardOutput();
    }
    try {
      std::fputs(app.get_subcommand(helpTopic)->help().c_str(), stdout);
      return FinishStandardOutput();
    } catch (const CLI::OptionNotFound&) {
      std::fprintf(stderr, "pixbreed: no subcommand '%s'\n", helpTopic.c_str());
      return 1;
    }
  }

  pxb::RegisterPrimitives();
  try {
    if (create->parsed()) RunNew(newArgs);
    if (show->parsed()) RunShow(session);
    if (tree->parsed()) RunTree(treeArgs);
    if (preview->parsed()) RunPreview(previewArgs);
    if (breed->parsed()) RunBreed(breedArgs);
    if (undo->parsed()) RunUndo(session);
    if (history->parsed()) RunHistory(session);
    if (pick->parsed()) RunPick(session, member);
    if (exportCmd->parsed()) RunExport(session, member, filter, exportForce);
    if (importCmd->parsed()) RunImport(session, member, filter);
    if (apply->parsed()) RunApply(applyArgs);
  } catch (const Failure& f) {
    std::fprintf(stderr, "pixbreed: %s\n", f.message.c_str());
    return 1;
  } catch (const std::exception& e) {
    // A library's report (a folder that cannot be searched, memory running
    // out) ends the command like any other failure.
    std::fprintf(stderr, "pixbreed: %s\n", e.what());
    return 1;
  }
  return FinishStandardOutput();
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pixbreed: %s\n", e.what());
  } catch (...) {
    std::fputs("pixbreed: an unexpected failure\n", stderr);
  }
  return 1;
}
