#include "host/session_run.h"

#include <cstring>
#include <vector>

#include "evolution/byte_io.h"
#include "evolution/population.h"
#include "evolution/session_file.h"
#include "host/dialogs.h"
#include "host/plugin_run.h"
#include "host/session_ops.h"
#include "storage/session_store.h"

namespace pxb::host {
namespace {

std::string BlockPath(const ParameterBlock& block) {
  return std::string(block.sessionPath, strnlen(block.sessionPath, kSessionPathCapacity));
}

void Cancel() {
  SetResult(api::userCanceledErr);
  ClearRects();
}

void Fail(api::OSErr code, const std::string& message) {
  ReportFailure(code, message);
  ClearRects();
}

// The session the parameter block remembers, read into the population.
bool ReadRememberedSession() {
  PluginRun& run = CurrentRun();
  run.sessionPath = BlockPath(*run.block);
  run.sessionTitle = SessionTitle(run.sessionPath);
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!ReadFileBytes(run.sessionPath, &bytes, &error)) {
    Fail(api::userCanceledErr, error);
    return false;
  }
  if (!ReadSession(bytes, &GlobalPopulation(), &GlobalSessionHeader(), &error)) {
    Fail(api::readErr, run.sessionPath + ": " + error);
    return false;
  }
  return true;
}

// The start-up chooser: the user names a session file, which is read, or
// created when it does not exist.
bool ChooseSessionFile(const DialogProcs& dialogs) {
  PluginRun& run = CurrentRun();
  std::string path;
  if (!dialogs.chooseSessionFile(dialogs.context, run.hostWindow, run.sessionPath, &path)) {
    Cancel();
    return false;
  }
  if (path.empty() || path.size() >= kSessionPathCapacity) {
    Fail(api::userCanceledErr, "the session path must have 1 to 255 characters: " + path);
    return false;
  }
  std::string error;
  switch (OpenOrCreateSession(path, &error)) {
    case SessionOpening::kRead:
    case SessionOpening::kCreated:
      break;
    case SessionOpening::kRefused:
      Fail(api::readErr, error);
      return false;
    case SessionOpening::kUnreadable:
    case SessionOpening::kNotCreatable:
      Fail(api::userCanceledErr, error);
      return false;
  }
  SetCurrentSessionPath(path);
  return true;
}

// The session could not be written to its file: the user is told and may
// name another file, as often as writing fails. True once the session is
// written (the run then remembers the new file); false when the user
// declines, and the session's changes are given up.
bool SaveSessionElsewhere(const DialogProcs& dialogs, const std::string& firstError) {
  PluginRun& run = CurrentRun();
  std::string problem = "The session could not be saved to " + run.sessionPath + ": " + firstError;
  for (;;) {
    std::string path;
    if (!dialogs.saveSessionElsewhere(dialogs.context, run.hostWindow, problem, run.sessionPath,
                                      &path)) {
      return false;
    }
    std::string error;
    if (path.empty() || path.size() >= kSessionPathCapacity) {
      problem = "The session path must have 1 to 255 characters: " + path;
    } else if (!SaveSession(path, GlobalPopulation(), &GlobalSessionHeader(), &error)) {
      problem = "The session could not be saved to " + path + ": " + error;
    } else {
      SetCurrentSessionPath(path);
      return true;
    }
  }
}

}  // namespace

void RunBreedingSession(api::FilterRecord* record) {
  PluginRun& run = CurrentRun();
  run.hostWindow =
      record != nullptr && record->platformData != nullptr ? record->platformData->hwnd : 0;
  const DialogProcs& dialogs = CurrentDialogProcs();
  if (run.block->haveSession == 1 ? !ReadRememberedSession() : !ChooseSessionFile(dialogs)) return;

  const int k = dialogs.runMainDialog(dialogs.context, run.hostWindow, record);
  if (k >= 0 && k < kPopulationSize) {
    PickMember(k);
  } else {
    Cancel();
  }
  // The session goes back to its file whatever the outcome. When it cannot
  // be written there the user decides: another file, or giving the changes
  // up. Either way a picked member is still filtered, as the user asked.
  std::string error;
  if (!SaveSession(run.sessionPath, GlobalPopulation(), &GlobalSessionHeader(), &error)) {
    SaveSessionElsewhere(dialogs, error);
  }
}

void RepeatLastFilter() {
  PluginRun& run = CurrentRun();
  if (run.block->haveSession != 1) {
    SetResult(api::readErr);
    return;
  }
  run.sessionPath = BlockPath(*run.block);
  run.sessionTitle = SessionTitle(run.sessionPath);
  std::vector<std::uint8_t> bytes;
  std::string error;
  if (!ReadFileBytes(run.sessionPath, &bytes, &error)) {
    ReportFailure(api::readErr, error);
    return;
  }
  Population& population = GlobalPopulation();
  const int k = ReadChosenMember(bytes, &population, &GlobalSessionHeader(), &error);
  if (k == -2) {
    ReportFailure(api::readErr, run.sessionPath + ": " + error);
  } else if (k < 0) {
    SetResult(api::readErr);
  } else {
    population.chosenMember = k;
  }
}

}  // namespace pxb::host
