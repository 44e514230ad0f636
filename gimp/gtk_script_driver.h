// Dialog scripts (the language of ui/script_parse.h) carried out on the GTK
// dialogs, for tests that run the plug-in under a virtual display. The
// script is named by PXB_UI_SCRIPT; PXB_UI_SESSION answers the start-up
// session chooser; PXB_UI_LOG names a file that receives what was done and,
// as its last line, "completed" or why the script stopped.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gimp/gtk_backend.h"
#include "ui/script_parse.h"

namespace pxb::gimp {

class GtkScriptDriver {
 public:
  // Null when PXB_UI_SCRIPT is not set; a script that cannot be read gives
  // a driver that has already failed (the dialogs are then cancelled).
  static std::unique_ptr<GtkScriptDriver> FromEnvironment(GtkBackend* backend);

  // Acts once on the dialog that waits for input.
  bool Step(GtkBackend& backend, WindowHandle dialog);
  // Writes the log after the dialogs have closed.
  void Finish();

 private:
  bool Fail(const std::string& message);

  ui::Script script_;
  size_t next_ = 0;
  bool failed_ = false;
  std::string logPath_;
  std::vector<std::string> log_;
};

}  // namespace pxb::gimp
