// The script commands on the headless backend: the driver actions they are
// made of, over the backend's windows.
#include "testhost/script.h"
#include "ui/preview.h"
#include "ui/script_dispatch.h"

namespace pxb::ui {
namespace {

class HeadlessScriptDriver : public ScriptDriver {
 public:
  HeadlessScriptDriver(HeadlessBackend& backend, int32_t waitMs, SavePictureFn save,
                       void* saveContext)
      : backend_(backend), waitMs_(waitMs), save_(save), saveContext_(saveContext) {}

  ScriptDialog Which(WindowHandle dialog) const override {
    return ScriptDialogOf(backend_.TemplateOf(dialog));
  }
  bool IsShown(WindowHandle dialog, int id) const override {
    return backend_.IsVisible(dialog, id);
  }
  bool WaitForPreviews(WindowHandle, ScriptDialog open, std::string* why) override {
    const bool done = open == ScriptDialog::kSelection ? WaitForBigPreview(waitMs_)
                                                       : ui::WaitForPreviews(waitMs_);
    if (!done) *why = "the previews did not finish in time";
    return done;
  }
  bool Click(WindowHandle dialog, int id, ScriptDialog, std::string* why) override {
    if (backend_.Click(dialog, id)) return true;
    *why = "there is no button " + std::to_string(id) + " to click";
    return false;
  }
  bool ClickWithFile(WindowHandle dialog, int id, const std::string& file,
                     std::string* why) override {
    backend_.AnswerFileDialog(file);
    if (!Click(dialog, id, ScriptDialog::kOther, why)) return false;
    switch (backend_.lastFileDialog()) {
      case FileDialogOutcome::kChosen:
        return true;
      case FileDialogOutcome::kRefused:
        *why = "the file dialog did not accept " + file;
        return false;
      default:
        *why = "no file dialog was opened";
        return false;
    }
  }
  bool SetSlider(WindowHandle dialog, int id, int32_t position) override {
    return backend_.SetSlider(dialog, id, position);
  }
  bool SetCount(WindowHandle dialog, int32_t count) override {
    return backend_.SetUpDown(dialog, ids::kCountUpDown, count);
  }
  bool SaveShot(WindowHandle dialog, const std::string& file, std::string* why) override {
    if (save_ == nullptr) {
      *why = "pictures cannot be saved here";
      return false;
    }
    return save_(saveContext_, backend_.Snapshot(dialog), file, why);
  }

 private:
  HeadlessBackend& backend_;
  int32_t waitMs_;
  SavePictureFn save_;
  void* saveContext_;
};

}  // namespace

bool ScriptRunner::Carry(HeadlessBackend& backend, WindowHandle dialog, const ScriptCommand& c,
                         std::string* why) {
  HeadlessScriptDriver driver(backend, waitTimeoutMs, save_, saveContext_);
  return CarryScriptCommand(driver, dialog, c, why);
}

}  // namespace pxb::ui
