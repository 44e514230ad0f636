// What each script command does to the dialog that waits for input.
#include "testhost/script.h"
#include "ui/dialog_state.h"
#include "ui/preview.h"
#include "ui/templates.h"

namespace pxb::ui {
namespace {

enum class Dialog { kMain, kSelection, kProperties, kOther };

Dialog Which(const HeadlessBackend& backend, WindowHandle dialog) {
  const DialogTemplate* t = backend.TemplateOf(dialog);
  if (t == &kMainDialogTemplate) return Dialog::kMain;
  if (t == &kSelectionDialogTemplate) return Dialog::kSelection;
  if (t == &kPropertiesDialogTemplate) return Dialog::kProperties;
  return Dialog::kOther;
}

const char* NameOf(Dialog d) {
  switch (d) {
    case Dialog::kMain:
      return "the main dialog";
    case Dialog::kSelection:
      return "the selection dialog";
    case Dialog::kProperties:
      return "the properties dialog";
    case Dialog::kOther:
      break;
  }
  return "another dialog";
}

bool In(Dialog want, Dialog open, std::string* why) {
  if (want == open) return true;
  *why = std::string("only in ") + NameOf(want) + ", but " + NameOf(open) + " is open";
  return false;
}

// Group K of the main dialog, which must be shown.
bool ShownGroup(const HeadlessBackend& backend, WindowHandle dialog, int32_t k, std::string* why) {
  if (k < 0 || k >= kMaxPreviews) {
    *why = "there is no group " + std::to_string(k);
    return false;
  }
  if (!backend.IsVisible(dialog, ids::GroupSlider(k))) {
    *why = "group " + std::to_string(k) + " is hidden";
    return false;
  }
  return true;
}

bool ClickOrSay(HeadlessBackend& backend, WindowHandle dialog, int id, std::string* why) {
  if (backend.Click(dialog, id)) return true;
  *why = "there is no button " + std::to_string(id) + " to click";
  return false;
}

// Clicks a button whose file dialog is answered with file; the file dialog
// must have accepted it.
bool ClickWithFile(HeadlessBackend& backend, WindowHandle dialog, int id, const std::string& file,
                   std::string* why) {
  backend.AnswerFileDialog(file);
  if (!ClickOrSay(backend, dialog, id, why)) return false;
  switch (backend.lastFileDialog()) {
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

}  // namespace

bool ScriptRunner::Carry(HeadlessBackend& backend, WindowHandle dialog, const ScriptCommand& c,
                         std::string* why) {
  const Dialog open = Which(backend, dialog);
  const std::string& v = c.verb;
  if (v == "wait") {
    const bool done = open == Dialog::kSelection ? WaitForBigPreview(waitTimeoutMs)
                                                 : WaitForPreviews(waitTimeoutMs);
    if (!done) *why = "the previews did not finish in time";
    return done;
  }
  if (v == "slider") {
    if (!In(Dialog::kMain, open, why) || !ShownGroup(backend, dialog, c.numbers[0], why)) {
      return false;
    }
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
  if (v == "shot") {
    if (save_ == nullptr) {
      *why = "pictures cannot be saved here";
      return false;
    }
    return save_(saveContext_, backend.Snapshot(dialog), c.file, why);
  }
  *why = "unknown command";
  return false;
}

}  // namespace pxb::ui
