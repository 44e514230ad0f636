// A hook for test hosts that drive the dialogs through the window system:
// they must not press a button while a preview is still being drawn. Only
// the test build of the DLL has it; the shipped DLL exports nothing but its
// entry point and the dialog procedure.
#include "ui/preview.h"

extern "C" __declspec(dllexport) int PxbreedPreviewsIdle();

// 1 when no preview (main or big) is being drawn, 0 while one is.
extern "C" __declspec(dllexport) int PxbreedPreviewsIdle() {
  return pxb::ui::PreviewWorkerRunning() || pxb::ui::BigPreviewRunning() ? 0 : 1;
}
