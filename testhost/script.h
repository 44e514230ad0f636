// Dialog scripts: one command per line, driving the breeding dialogs the way
// a user would. Blank lines and lines starting with '#' are ignored.
//
//   wait              until every shown preview (in the selection dialog:
//                     the big preview) has finished drawing
//   slider K P        rating slider of group K to position P (0..100)
//   next | back | prop | cancel   NEXT, Back, PROP, Cancel of the main dialog
//   ok K | sel K      "ok" or "sel" of group K
//   open FILE | save FILE  selection dialog: "open" or "save", its file
//                     dialog answered with FILE
//   count N           properties dialog: the number of previews
//   newsession FILE   properties dialog: "New Session" answered with FILE
//   accept | reject   OK or Cancel of the open child dialog
//   shot FILE.png     saves the picture of the dialog open now
//
// A command that cannot be carried out stops the script with a message
// naming its line; the open dialogs are then cancelled.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "testhost/headless_backend.h"
#include "ui/script_parse.h"

namespace pxb::ui {

// Writes a dialog's picture to a file (the caller knows image formats).
using SavePictureFn = bool (*)(void* context, const Picture& picture, const std::string& path,
                               std::string* error);

// Carries a script out command by command as the driver of a headless
// backend: each call acts once on the dialog that waits for input.
class ScriptRunner {
 public:
  ScriptRunner(Script script, SavePictureFn save, void* saveContext);

  // The driver: false when the script has stopped (failed or run out while
  // a dialog is open).
  bool Step(HeadlessBackend& backend, WindowHandle dialog);

  bool failed() const { return failed_; }
  const std::string& error() const { return error_; }
  // Commands not yet carried out.
  int32_t remaining() const { return static_cast<int32_t>(script_.commands.size() - next_); }
  const ScriptCommand* nextCommand() const;
  // What was done, and what the dialogs reported, line by line.
  const std::vector<std::string>& log() const { return log_; }
  // How long "wait" waits before it fails.
  int32_t waitTimeoutMs = 600000;

 private:
  bool Carry(HeadlessBackend& backend, WindowHandle dialog, const ScriptCommand& c,
             std::string* why);
  bool Fail(const std::string& message);
  void TakeBackendLog(const HeadlessBackend& backend, const std::string& where);

  Script script_;
  size_t next_ = 0;
  SavePictureFn save_;
  void* saveContext_;
  bool failed_ = false;
  std::string error_;
  std::vector<std::string> log_;
  const HeadlessBackend* backend_ = nullptr;  // whose log has been read up to backendLogSeen_
  size_t backendLogSeen_ = 0;
};

}  // namespace pxb::ui
