#include "host/dialogs.h"

#include "host/plugin_run.h"

namespace pxb::host {
namespace {

bool CancelChooser(void*, platform::WindowHandle, const std::string&, std::string*) {
  return false;
}

int CancelMainDialog(void*, platform::WindowHandle, api::FilterRecord*) {
  return -1;
}

bool DeclineSaveElsewhere(void*, platform::WindowHandle, const std::string&, const std::string&,
                          std::string*) {
  return false;
}

}  // namespace

void SetDialogProcs(const DialogProcs* procs) {
  CurrentRun().dialogs = procs != nullptr ? *procs : DialogProcs{};
}

const DialogProcs& CurrentDialogProcs() {
  DialogProcs& d = CurrentRun().dialogs;
  if (d.chooseSessionFile == nullptr) d.chooseSessionFile = CancelChooser;
  if (d.runMainDialog == nullptr) d.runMainDialog = CancelMainDialog;
  if (d.saveSessionElsewhere == nullptr) d.saveSessionElsewhere = DeclineSaveElsewhere;
  return d;
}

}  // namespace pxb::host
