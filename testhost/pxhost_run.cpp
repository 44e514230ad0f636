#include "testhost/pxhost_run.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "host/parameters.h"

#include "imageio/image_io.h"
#include "testhost/document.h"
#include "testhost/host_side.h"

namespace pxb::pxhost {
namespace {

bool ParseRect(const std::string& text, api::Rect16* rect) {
  int top = 0;
  int left = 0;
  int bottom = 0;
  int right = 0;
  char end = 0;
  if (std::sscanf(text.c_str(), "%d,%d,%d,%d%c", &top, &left, &bottom, &right, &end) != 4) {
    return false;
  }
  for (int v : {top, left, bottom, right}) {
    if (v < INT16_MIN || v > INT16_MAX) return false;
  }
  *rect = api::Rect16{static_cast<std::int16_t>(top), static_cast<std::int16_t>(left),
                      static_cast<std::int16_t>(bottom), static_cast<std::int16_t>(right)};
  return true;
}

// The bytes the plug-in mirrors into `parameters` after a run on session:
// its tag, then a parameter block that names the session.
bool KeptParameters(const std::string& session, std::vector<char>* bytes) {
  if (session.empty() || session.size() >= host::kSessionPathCapacity) return false;
  host::ParameterBlock block{};
  block.haveSession = 1;
  std::memcpy(block.sessionPath, session.data(), session.size());
  bytes->assign(static_cast<std::size_t>(host::kParameterCopySize), 0);
  std::memcpy(bytes->data(), &host::kParameterCopyTag, sizeof host::kParameterCopyTag);
  std::memcpy(bytes->data() + sizeof host::kParameterCopyTag, &block, sizeof block);
  return true;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "pxhost: %s\n", message.c_str());
  return 1;
}

}  // namespace

int RunPxhost(const PxhostArgs& args, api::PluginEntryProc entry) {
  std::string error;
  Image image;
  if (!ReadImage(args.image, &image, &error)) return Fail(error);
  Mode mode = ModeOf(image);
  if (!args.mode.empty() && !ParseMode(args.mode, &mode)) return Fail("unknown mode " + args.mode);
  Document document;
  if (!MakeDocument(image, mode, &document, &error)) return Fail(args.image + ": " + error);
  if (!args.mask.empty()) {
    Image mask;
    if (!ReadImage(args.mask, &mask, &error)) return Fail(error);
    if (!AttachMask(mask, &document, &error)) return Fail(args.mask + ": " + error);
  }

  HostOptions options;
  options.maxSpace = args.maxSpace;
  options.handleTable = args.noHandleProcs ? HandleTable::kNewerVersion : HandleTable::kUsable;
  options.abortFrom = args.abortAt;
  options.failAdvanceAt = args.failAdvance;
  options.errorString = !args.noErrorString;
  options.trace = args.trace;
  if (!args.filterRect.empty()) {
    if (!ParseRect(args.filterRect, &options.filterRect)) {
      return Fail("--filter-rect wants TOP,LEFT,BOTTOM,RIGHT, not " + args.filterRect);
    }
    options.ownFilterRect = true;
  }

  Host host(std::move(document), options, entry);
  if (!args.keptSession.empty()) {
    std::vector<char> kept;
    if (!KeptParameters(args.keptSession, &kept)) {
      return Fail("--kept-session wants a path of 1 to 255 characters: " + args.keptSession);
    }
    host.HandBackParameters(kept);
  }
  bool ok = true;
  if (args.about && host.About() != api::noErr) ok = false;
  if (!args.repeatOnly) {
    std::printf("run\n");
    ok = host.RunFilter(true) && ok;
  }
  if (args.repeat || args.repeatOnly) {
    if (args.keepOnlyParameters) host.KeepOnlyParameters();
    std::printf("repeat\n");
    ok = host.RunFilter(false) && ok;
  }
  for (const std::string& problem : host.problems) {
    std::printf("problem: %s\n", problem.c_str());
    ok = false;
  }
  std::fflush(stdout);
  if (!WriteImage(args.output, DocumentImage(host.document()), &error)) return Fail(error);
  return ok ? 0 : 2;
}

}  // namespace pxb::pxhost
