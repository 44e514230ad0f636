// The DLL's entry: keeps the module instance, whose resources hold the about
// text and the dialog templates, and installs the Win32 dialogs. Nothing
// else runs here: hosts may load the module only to read its resources.
#include <windows.h>

#include "host/plugin_run.h"
#include "plugin/win32_backend.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID);

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    pxb::host::SetModuleInstance(instance);
    pxb::ui::InstallWin32Dialogs(instance);
  }
  return TRUE;
}
