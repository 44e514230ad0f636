// pxhost, native build: the plug-in is linked in. With --ui its own dialogs
// run headless under the script; otherwise simple stand-ins take their
// place. Either way the start-up chooser answers with --session; the
// stand-in main dialog picks member --pick (0 by default) through the same
// PickMember its "ok" buttons use, or cancels with --cancel.
#include <cstdio>
#include <exception>
#include <string>

#include "host/dialogs.h"
#include "host/entry.h"
#include "host/session_ops.h"
#include "testhost/pxhost_run.h"
#include "testhost/ui_script.h"

namespace {

using pxb::pxhost::PxhostArgs;

bool ChooseSession(void* context, pxb::host::platform::WindowHandle, const std::string&,
                   std::string* path) {
  const auto* args = static_cast<const PxhostArgs*>(context);
  if (args->session.empty()) {
    std::fprintf(stderr, "pxhost: no --session to answer the session chooser: cancelled\n");
    return false;
  }
  *path = args->session;
  return true;
}

int RunMainDialog(void* context, pxb::host::platform::WindowHandle, pxb::api::FilterRecord*) {
  const auto* args = static_cast<const PxhostArgs*>(context);
  if (args->cancel) return -1;
  pxb::host::PickMember(args->pick);
  return args->pick;
}

// The session could not be written: the stand-in tells it and declines to
// save it elsewhere.
bool DeclineSaveElsewhere(void*, pxb::host::platform::WindowHandle, const std::string& problem,
                          const std::string&, std::string*) {
  std::fprintf(stderr, "pxhost: %s (the session's changes are given up)\n", problem.c_str());
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    PxhostArgs args;
    const int status = pxb::pxhost::ParseArguments(argc, argv, &args);
    if (status >= 0) return status;
    if (!args.ui.empty()) {
      pxb::ui::ScriptedDialogs scripted;
      std::string error;
      if (!pxb::pxhost::PrepareUiScript(args.ui, args.session, &scripted, &error)) {
        std::fprintf(stderr, "pxhost: %s\n", error.c_str());
        return 1;
      }
      const pxb::host::DialogProcs dialogs = pxb::ui::ScriptedDialogProcs(&scripted);
      pxb::host::SetDialogProcs(&dialogs);
      const int runStatus = pxb::pxhost::RunPxhost(args, &ENTRYPOINT);
      pxb::host::SetDialogProcs(nullptr);
      return pxb::pxhost::FinishUiScript(scripted, runStatus);
    }
    const pxb::host::DialogProcs dialogs{&args, ChooseSession, RunMainDialog, DeclineSaveElsewhere};
    pxb::host::SetDialogProcs(&dialogs);
    return pxb::pxhost::RunPxhost(args, &ENTRYPOINT);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pxhost: %s\n", e.what());
    return 1;
  }
}
