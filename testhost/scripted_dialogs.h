// The dialogs of a run as the host interface sees them (host/dialogs.h),
// carried out by the headless dialogs under a script: the start-up chooser
// answers with a given session file, and the main dialog with its child
// dialogs follows the script. For hosts without a window system (pxhost).
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "host/dialogs.h"
#include "testhost/script.h"

namespace pxb::ui {

struct ScriptedDialogs {
  // The start-up chooser's answer; empty: it is cancelled.
  std::string sessionAnswer;
  // Drives the main dialog; dialogs of later runs go on with the same
  // script where the earlier ones stopped.
  Script script;
  SavePictureFn savePicture = nullptr;
  void* saveContext = nullptr;
  HeadlessOptions options;

  // Answers for the offers to save the session elsewhere, one per offer;
  // an offer with none left is declined.
  std::deque<std::string> saveAsAnswers;

  // The runner, made when the first main dialog opens.
  std::unique_ptr<ScriptRunner> runner;
  // What the choosers and the dialogs reported.
  std::vector<std::string> log;
};

// The procedures to install with host::SetDialogProcs; dialogs must outlive
// their use.
host::DialogProcs ScriptedDialogProcs(ScriptedDialogs* dialogs);

// After the runs: true when the script ran without error and every command
// was carried out; otherwise false with the reason.
bool ScriptCompleted(const ScriptedDialogs& dialogs, std::string* error);

}  // namespace pxb::ui
