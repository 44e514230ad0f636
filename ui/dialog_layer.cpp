#include "ui/dialog_layer.h"

namespace pxb::ui {
namespace {

// The backend without windows: no controls, nothing drawn, every chooser
// and dialog cancelled.
bool NoControl(void*, WindowHandle, int, Rect*) {
  return false;
}
void NoShow(void*, WindowHandle, int, bool) {}
int32_t NoPosition(void*, WindowHandle, int) {
  return 0;
}
void NoSetPosition(void*, WindowHandle, int, int32_t) {}
void NoRange(void*, WindowHandle, int, int32_t, int32_t) {}
void NoText(void*, WindowHandle, int, const char*) {}
std::intptr_t NoModal(void*, WindowHandle, const DialogTemplate*, DialogProc, std::intptr_t) {
  return 2;
}
void NoEnd(void*, WindowHandle, std::intptr_t) {}
bool NoUpdate(void*, WindowHandle, Rect*) {
  return false;
}
void NoWindow(void*, WindowHandle) {}
std::intptr_t NoCursor(void*) {
  return 0;
}
void NoRestore(void*, std::intptr_t) {}
bool NoChoice(void*, FileDialogSetup*) {
  return false;
}
DrawContext NoDrawing(void*, WindowHandle) {
  return 0;
}
void NoEndDrawing(void*, WindowHandle, DrawContext) {}
void NoFill(void*, DrawContext, const Rect&, uint32_t) {}
void NoFrame(void*, DrawContext, const Rect&) {}
void NoPriority(void*) {}
void NoLog(void*, const char*) {}
void NoTell(void*, WindowHandle, const char*) {}

constexpr DialogLayer kWithoutWindows{
    nullptr,   NoControl,    NoShow, NoPosition, NoSetPosition, NoRange,  NoSetPosition, NoPosition,
    NoText,    NoModal,      NoEnd,  NoUpdate,   NoWindow,      NoCursor, NoRestore,     NoChoice,
    NoDrawing, NoEndDrawing, NoFill, NoFrame,    NoPriority,    NoLog,    NoWindow,      NoTell};

// The backend the dialogs talk to.
struct LayerState {
  DialogLayer installed = kWithoutWindows;
};
LayerState layerState;

}  // namespace

void SetDialogLayer(const DialogLayer* layer) {
  layerState.installed = layer != nullptr ? *layer : kWithoutWindows;
}

const DialogLayer& Layer() {
  return layerState.installed;
}

}  // namespace pxb::ui
