#include "ui/script_dispatch.h"

namespace pxb::ui {
namespace {

constexpr int32_t kGroups = 9;

bool In(ScriptDialog want, ScriptDialog open, std::string* why) {
  if (want == open) return true;
  *why = std::string("only in ") + ScriptDialogName(want) + ", but " + ScriptDialogName(open) +
         " is open";
  return false;
}

// Group k of the main dialog, which must be shown.
bool ShownGroup(const ScriptDriver& driver, WindowHandle dialog, int32_t k, std::string* why) {
  if (k < 0 || k >= kGroups) {
    *why = "there is no group " + std::to_string(k);
    return false;
  }
  if (!driver.IsShown(dialog, ids::GroupSlider(k))) {
    *why = "group " + std::to_string(k) + " is hidden";
    return false;
  }
  return true;
}

}  // namespace

const char* ScriptDialogName(ScriptDialog d) {
  switch (d) {
    case ScriptDialog::kMain:
      return "the main dialog";
    case ScriptDialog::kSelection:
      return "the selection dialog";
    case ScriptDialog::kProperties:
      return "the properties dialog";
    case ScriptDialog::kOther:
      break;
  }
  return "another dialog";
}

bool CarryScriptCommand(ScriptDriver& driver, WindowHandle dialog, const ScriptCommand& c,
                        std::string* why) {
  using D = ScriptDialog;
  const D open = driver.Which(dialog);
  const std::string& v = c.verb;
  if (v == "wait") return driver.WaitForPreviews(dialog, open, why);
  if (v == "slider") {
    if (!In(D::kMain, open, why) || !ShownGroup(driver, dialog, c.numbers[0], why)) return false;
    if (driver.SetSlider(dialog, ids::GroupSlider(c.numbers[0]), c.numbers[1])) return true;
    *why = "the position must lie in 0..100";
    return false;
  }
  if (v == "next" || v == "back" || v == "prop" || v == "cancel") {
    const int id = v == "next"   ? ids::kNext
                   : v == "back" ? ids::kBack
                   : v == "prop" ? ids::kProp
                                 : ids::kCancel;
    return In(D::kMain, open, why) &&
           driver.Click(dialog, id, v == "prop" ? D::kProperties : D::kOther, why);
  }
  if (v == "ok" || v == "sel") {
    const int32_t k = c.numbers[0];
    if (!In(D::kMain, open, why) || !ShownGroup(driver, dialog, k, why)) return false;
    if (v == "ok") return driver.Click(dialog, ids::GroupOk(k), D::kOther, why);
    return driver.Click(dialog, ids::GroupSel(k), D::kSelection, why);
  }
  if (v == "open" || v == "save") {
    return In(D::kSelection, open, why) &&
           driver.ClickWithFile(dialog, v == "open" ? ids::kOpen : ids::kSave, c.file, why);
  }
  if (v == "count") {
    if (!In(D::kProperties, open, why)) return false;
    if (driver.SetCount(dialog, c.numbers[0])) return true;
    *why = "the number of previews must lie in 1..9";
    return false;
  }
  if (v == "newsession") {
    return In(D::kProperties, open, why) &&
           driver.ClickWithFile(dialog, ids::kNewSession, c.file, why);
  }
  if (v == "accept" || v == "reject") {
    if (open != D::kSelection && open != D::kProperties) {
      *why = "no child dialog is open";
      return false;
    }
    return driver.Click(dialog, v == "accept" ? ids::kOk : ids::kCancel, D::kOther, why);
  }
  if (v == "shot") return driver.SaveShot(dialog, c.file, why);
  *why = "unknown command";
  return false;
}

}  // namespace pxb::ui
