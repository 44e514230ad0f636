#include "testhost/scripted_dialogs.h"

#include "ui/dialogs.h"
#include "ui/templates.h"

namespace pxb::ui {
namespace {

constexpr int kGroups = 9;

// Installs a backend's layer for as long as the object lives.
class Installed {
 public:
  explicit Installed(const HeadlessBackend& backend) : previous_(Layer()) {
    SetDialogLayer(&backend.layer());
  }
  ~Installed() { SetDialogLayer(&previous_); }
  Installed(const Installed&) = delete;
  Installed& operator=(const Installed&) = delete;

 private:
  DialogLayer previous_;
};

bool Choose(void* context, host::platform::WindowHandle owner, const std::string& currentPath,
            std::string* path) {
  auto* d = static_cast<ScriptedDialogs*>(context);
  HeadlessBackend backend(d->options);
  if (!d->sessionAnswer.empty()) backend.AnswerFileDialog(d->sessionAnswer);
  bool chosen = false;
  {
    const Installed installed(backend);
    chosen = ChooseSessionFile(owner, currentPath, path);
  }
  for (const std::string& line : backend.log())
    d->log.push_back("session chooser: " + line);
  return chosen;
}

bool SaveElsewhere(void* context, host::platform::WindowHandle owner, const std::string& problem,
                   const std::string& currentPath, std::string* path) {
  auto* d = static_cast<ScriptedDialogs*>(context);
  HeadlessBackend backend(d->options);
  if (!d->saveAsAnswers.empty()) {
    backend.AnswerFileDialog(d->saveAsAnswers.front());
    d->saveAsAnswers.pop_front();
  }
  bool chosen = false;
  {
    const Installed installed(backend);
    chosen = OfferSessionSaveAs(owner, problem, currentPath, path);
  }
  for (const std::string& line : backend.log())
    d->log.push_back("session not saved: " + line);
  return chosen;
}

int RunMain(void* context, host::platform::WindowHandle owner, api::FilterRecord* record) {
  auto* d = static_cast<ScriptedDialogs*>(context);
  if (d->runner == nullptr) {
    d->runner = std::make_unique<ScriptRunner>(d->script, d->savePicture, d->saveContext);
  }
  const size_t seen = d->runner->log().size();
  HeadlessBackend backend(d->options);
  ScriptRunner& runner = *d->runner;
  backend.SetDriver(
      [&runner](HeadlessBackend& b, WindowHandle dialog) { return runner.Step(b, dialog); });
  std::intptr_t result = 0;
  {
    const Installed installed(backend);
    result = RunMainDialog(owner, record);
  }
  for (size_t i = seen; i < runner.log().size(); ++i)
    d->log.push_back(runner.log()[i]);
  for (int k = 0; k < kGroups; ++k) {
    if (result == ids::GroupOk(k)) return k;
  }
  return -1;
}

}  // namespace

host::DialogProcs ScriptedDialogProcs(ScriptedDialogs* dialogs) {
  return host::DialogProcs{dialogs, Choose, RunMain, SaveElsewhere};
}

bool ScriptCompleted(const ScriptedDialogs& dialogs, std::string* error) {
  if (dialogs.runner == nullptr) {
    if (dialogs.script.commands.empty()) return true;
    *error = "the main dialog never opened, so the script did not run";
    return false;
  }
  if (dialogs.runner->failed()) {
    *error = dialogs.runner->error();
    return false;
  }
  if (const ScriptCommand* c = dialogs.runner->nextCommand(); c != nullptr) {
    *error =
        "line " + std::to_string(c->line) + ": " + c->verb + ": the dialogs had ended before it";
    return false;
  }
  return true;
}

}  // namespace pxb::ui
