// The DLL's entry: keeps the module instance, whose resources hold the about
// text and the dialog templates, and installs the Win32 dialogs when they
// are built in. Nothing else runs here: hosts may load the module only to
// read its resources.
#include <windows.h>

#include "host/plugin_run.h"
#ifdef PXB_HAVE_WIN32_DIALOGS
#include "ui/win32_backend.h"
#endif

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID);

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    pxb::host::SetModuleInstance(instance);
#ifdef PXB_HAVE_WIN32_DIALOGS
    pxb::ui::InstallWin32Dialogs(instance);
#endif
  }
  return TRUE;
}
