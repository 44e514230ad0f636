// What each dialog-script command does, once for every driver of the
// dialogs: the headless backend, the GTK dialogs of the GIMP plug-in and the
// real Windows dialogs each offer the few actions below over their own
// windows, and the commands are carried out on top of them alike.
#pragma once

#include <cstdint>
#include <string>

#include "ui/dialog_layer.h"
#include "ui/script_parse.h"
#include "ui/templates.h"

namespace pxb::ui {

enum class ScriptDialog { kMain, kSelection, kProperties, kOther };

// Which dialog a template makes (for drivers that know their templates).
inline ScriptDialog ScriptDialogOf(const DialogTemplate* t) {
  if (t == &kMainDialogTemplate) return ScriptDialog::kMain;
  if (t == &kSelectionDialogTemplate) return ScriptDialog::kSelection;
  if (t == &kPropertiesDialogTemplate) return ScriptDialog::kProperties;
  return ScriptDialog::kOther;
}

const char* ScriptDialogName(ScriptDialog d);

class ScriptDriver {
 public:
  virtual ~ScriptDriver() = default;

  virtual ScriptDialog Which(WindowHandle dialog) const = 0;
  virtual bool IsShown(WindowHandle dialog, int id) const = 0;
  // Until every shown preview of dialog (in the selection dialog: the big
  // preview) has finished drawing.
  virtual bool WaitForPreviews(WindowHandle dialog, ScriptDialog open, std::string* why) = 0;
  // Clicks button id; opens is the child dialog the click opens, if any.
  virtual bool Click(WindowHandle dialog, int id, ScriptDialog opens, std::string* why) = 0;
  // Clicks button id and answers the file dialog it opens with file, which
  // that dialog must accept.
  virtual bool ClickWithFile(WindowHandle dialog, int id, const std::string& file,
                             std::string* why) = 0;
  // False when the position lies outside 0..100.
  virtual bool SetSlider(WindowHandle dialog, int id, int32_t position) = 0;
  // The properties dialog's count; false outside 1..9.
  virtual bool SetCount(WindowHandle dialog, int32_t count) = 0;
  virtual bool SaveShot(WindowHandle dialog, const std::string& file, std::string* why) = 0;
};

// Carries out c on dialog, the one waiting for input; false with the
// reason when it cannot be done there.
bool CarryScriptCommand(ScriptDriver& driver, WindowHandle dialog, const ScriptCommand& c,
                        std::string* why);

}  // namespace pxb::ui
