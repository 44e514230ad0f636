#include "gimp/gtk_script_driver.h"

#include <cstdlib>
#include <fstream>

#include "ui/preview.h"
#include "ui/script_dispatch.h"

namespace pxb::gimp {
namespace {

constexpr int32_t kWaitMs = 600000;

// The driver actions of the script commands over the GTK dialogs.
class GtkActions : public ui::ScriptDriver {
 public:
  explicit GtkActions(GtkBackend& backend) : backend_(backend) {}

  ui::ScriptDialog Which(WindowHandle dialog) const override {
    return ui::ScriptDialogOf(backend_.TemplateOf(dialog));
  }
  bool IsShown(WindowHandle dialog, int id) const override {
    return backend_.IsVisible(dialog, id);
  }
  bool WaitForPreviews(WindowHandle, ui::ScriptDialog open, std::string* why) override {
    const bool done = open == ui::ScriptDialog::kSelection ? ui::WaitForBigPreview(kWaitMs)
                                                           : ui::WaitForPreviews(kWaitMs);
    if (!done) *why = "the previews did not finish in time";
    return done;
  }
  bool Click(WindowHandle dialog, int id, ui::ScriptDialog, std::string* why) override {
    if (backend_.Click(dialog, id)) return true;
    *why = "there is no button " + std::to_string(id) + " to click";
    return false;
  }
  bool ClickWithFile(WindowHandle dialog, int id, const std::string& file,
                     std::string* why) override {
    backend_.AnswerFileDialog(file);
    if (!Click(dialog, id, ui::ScriptDialog::kOther, why)) return false;
    if (backend_.lastFileChosen()) return true;
    *why = "the file dialog did not accept " + file;
    return false;
  }
  bool SetSlider(WindowHandle dialog, int id, int32_t position) override {
    return backend_.SetSlider(dialog, id, position);
  }
  bool SetCount(WindowHandle dialog, int32_t count) override {
    return backend_.SetUpDown(dialog, ui::ids::kCountUpDown, count);
  }
  bool SaveShot(WindowHandle dialog, const std::string& file, std::string* why) override {
    return backend_.SaveScreenshot(dialog, file, why);
  }

 private:
  GtkBackend& backend_;
};

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
  GtkActions actions(backend);
  if (!ui::CarryScriptCommand(actions, dialog, c, &why)) return Fail(where + ": " + why);
  return true;
}

}  // namespace pxb::gimp
