#include "gimp/gtk_script_driver.h"

#include <cstdlib>
#include <fstream>

#include "ui/dialog_state.h"
#include "ui/preview.h"
#include "ui/templates.h"

namespace pxb::gimp {
namespace {

namespace ids = ui::ids;
constexpr int32_t kWaitMs = 600000;

enum class Dialog { kMain, kSelection, kProperties, kOther };

Dialog Which(const GtkBackend& backend, WindowHandle dialog) {
  const ui::DialogTemplate* t = backend.TemplateOf(dialog);
  if (t == &ui::kMainDialogTemplate) return Dialog::kMain;
  if (t == &ui::kSelectionDialogTemplate) return Dialog::kSelection;
  if (t == &ui::kPropertiesDialogTemplate) return Dialog::kProperties;
  return Dialog::kOther;
}

bool In(Dialog want, Dialog open, std::string* why) {
  if (want == open) return true;
  *why = "not possible in the dialog that is open";
  return false;
}

bool ShownGroup(const GtkBackend& backend, WindowHandle dialog, int32_t k, std::string* why) {
  if (k >= 0 && k < ui::kMaxPreviews && backend.IsVisible(dialog, ids::GroupSlider(k))) return true;
  *why = "group " + std::to_string(k) + " is not shown";
  return false;
}

bool ClickOrSay(GtkBackend& backend, WindowHandle dialog, int id, std::string* why) {
  if (backend.Click(dialog, id)) return true;
  *why = "there is no button " + std::to_string(id) + " to click";
  return false;
}

bool ClickWithFile(GtkBackend& backend, WindowHandle dialog, int id, const std::string& file,
                   std::string* why) {
  backend.AnswerFileDialog(file);
  if (!ClickOrSay(backend, dialog, id, why)) return false;
  if (backend.lastFileChosen()) return true;
  *why = "the file dialog did not accept " + file;
  return false;
}

}  // namespace

std::unique_ptr<GtkScriptDriver> GtkScriptDriver::FromEnvironment(GtkBackend* backend) {
  const char* path = std::getenv("PXB_UI_SCRIPT");
  if (path == nullptr || path[0] == '\0') return nullptr;
  auto driver = std::make_unique<GtkScriptDriver>();
  if (const char* log = std::getenv("PXB_UI_LOG"); log != nullptr) driver->logPath_ = log;
  std::string error;
  if (!ui::LoadScript(path, &driver->script_, &error)) driver->Fail(error);
  if (const char* session = std::getenv("PXB_UI_SESSION"); session != nullptr && session[0] != 0)
    backend->AnswerFileDialog(session);
  GtkScriptDriver* d = driver.get();
  backend->SetDriver([d](GtkBackend& b, WindowHandle dialog) { return d->Step(b, dialog); });
  return driver;
}

bool GtkScriptDriver::Fail(const std::string& message) {
  failed_ = true;
  log_.push_back(message);
  return false;
}

void GtkScriptDriver::Finish() {
  if (!failed_ && next_ < script_.commands.size())
    Fail("line " + std::to_string(script_.commands[next_].line) + ": the dialogs had ended");
  if (!failed_) log_.emplace_back("completed");
  if (logPath_.empty()) return;
  std::ofstream out(logPath_);
  for (const std::string& line : log_)
    out << line << '\n';
}

bool GtkScriptDriver::Step(GtkBackend& backend, WindowHandle dialog) {
  if (failed_) return false;
  if (next_ >= script_.commands.size()) return Fail("the script ended with a dialog open");
  const ui::ScriptCommand& c = script_.commands[next_++];
  const std::string where = "line " + std::to_string(c.line) + ": " + c.verb;
  log_.push_back(where);
  std::string why;
  if (!Carry(backend, dialog, c, &why)) return Fail(where + ": " + why);
  return true;
}

bool GtkScriptDriver::Carry(GtkBackend& backend, WindowHandle dialog, const ui::ScriptCommand& c,
                            std::string* why) {
  const Dialog open = Which(backend, dialog);
  const std::string& v = c.verb;
  if (v == "wait") {
    const bool done =
        open == Dialog::kSelection ? ui::WaitForBigPreview(kWaitMs) : ui::WaitForPreviews(kWaitMs);
    if (!done) *why = "the previews did not finish in time";
    return done;
  }
  if (v == "slider") {
    if (!In(Dialog::kMain, open, why) || !ShownGroup(backend, dialog, c.numbers[0], why))
      return false;
    if (backend.SetSlider(dialog, ids::GroupSlider(c.numbers[0]), c.numbers[1])) return true;
    *why = "the position must lie in 0..100";
    return false;
  }
  if (v == "next" || v == "back" || v == "prop" || v == "cancel") {
    const int id = v == "next"   ? ids::kNext
                   : v == "back" ? ids::kBack
                   : v == "prop" ? ids::kProp
                                 : ids::kCancel;
    return In(Dialog::kMain, open, why) && ClickOrSay(backend, dialog, id, why);
  }
  if (v == "ok" || v == "sel") {
    const int32_t k = c.numbers[0];
    return In(Dialog::kMain, open, why) && ShownGroup(backend, dialog, k, why) &&
           ClickOrSay(backend, dialog, v == "ok" ? ids::GroupOk(k) : ids::GroupSel(k), why);
  }
  if (v == "open" || v == "save") {
    return In(Dialog::kSelection, open, why) &&
           ClickWithFile(backend, dialog, v == "open" ? ids::kOpen : ids::kSave, c.file, why);
  }
  if (v == "count") {
    if (!In(Dialog::kProperties, open, why)) return false;
    if (backend.SetUpDown(dialog, ids::kCountUpDown, c.numbers[0])) return true;
    *why = "the number of previews must lie in 1..9";
    return false;
  }
  if (v == "newsession") {
    return In(Dialog::kProperties, open, why) &&
           ClickWithFile(backend, dialog, ids::kNewSession, c.file, why);
  }
  if (v == "accept" || v == "reject") {
    if (open != Dialog::kSelection && open != Dialog::kProperties) {
      *why = "no child dialog is open";
      return false;
    }
    return ClickOrSay(backend, dialog, v == "accept" ? ids::kOk : ids::kCancel, why);
  }
  if (v == "shot") return backend.SaveScreenshot(dialog, c.file, why);
  *why = "unknown command";
  return false;
}

}  // namespace pxb::gimp
