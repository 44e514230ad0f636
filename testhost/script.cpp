#include "testhost/script.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "ui/dialog_state.h"
#include "ui/preview.h"
#include "ui/templates.h"

namespace pxb::ui {

ScriptRunner::ScriptRunner(Script script, SavePictureFn save, void* saveContext)
    : script_(std::move(script)), save_(save), saveContext_(saveContext) {}

const ScriptCommand* ScriptRunner::nextCommand() const {
  return next_ < script_.commands.size() ? &script_.commands[next_] : nullptr;
}

bool ScriptRunner::Fail(const std::string& message) {
  failed_ = true;
  error_ = message;
  log_.push_back(message);
  return false;
}

void ScriptRunner::TakeBackendLog(const HeadlessBackend& backend, const std::string& where) {
  if (&backend != backend_) {
    backend_ = &backend;
    backendLogSeen_ = 0;
  }
  for (; backendLogSeen_ < backend.log().size(); ++backendLogSeen_)
    log_.push_back(where + backend.log()[backendLogSeen_]);
}

bool ScriptRunner::Step(HeadlessBackend& backend, WindowHandle dialog) {
  TakeBackendLog(backend, "");
  if (failed_) return false;
  if (next_ >= script_.commands.size()) {
    const DialogTemplate* t = backend.TemplateOf(dialog);
    return Fail(std::string("the script ended with the dialog \"") +
                (t != nullptr ? t->caption : "?") + "\" open");
  }
  const ScriptCommand& c = script_.commands[next_++];
  const std::string where = "line " + std::to_string(c.line) + ": ";
  log_.push_back(where + c.verb + (c.numbers.empty() ? "" : " " + std::to_string(c.numbers[0])) +
                 (c.numbers.size() > 1 ? " " + std::to_string(c.numbers[1]) : "") +
                 (c.file.empty() ? "" : " " + c.file));
  std::string why;
  const bool done = Carry(backend, dialog, c, &why);
  TakeBackendLog(backend, where);
  if (!done) return Fail(where + c.verb + ": " + why);
  return true;
}

}  // namespace pxb::ui
