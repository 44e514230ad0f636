// The Windows side of the dialog layer: real dialogs from the module's
// templates, trackbars and up-down controls, GDI drawing from the preview
// workers, the common file dialogs, the wait cursor.
#pragma once

namespace pxb::ui {

// Installs the Win32 dialog layer and the dialog procedures the plug-in's run
// uses (the start-up session chooser and the main dialog). Called once from
// DllMain with the module instance, whose resources hold the templates; it
// only stores pointers (the common controls are set up by the first dialog).
void InstallWin32Dialogs(void* moduleInstance);

}  // namespace pxb::ui
