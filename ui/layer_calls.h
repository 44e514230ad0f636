// Short forms of the dialog layer's functions for the procedures: each
// passes the installed backend's context along.
#pragma once

#include "ui/dialog_layer.h"

namespace pxb::ui::win {

inline bool ControlRect(WindowHandle dialog, int id, Rect* rect) {
  return Layer().controlRect(Layer().context, dialog, id, rect);
}
inline void ShowControl(WindowHandle dialog, int id, bool show) {
  Layer().showControl(Layer().context, dialog, id, show);
}
inline int32_t SliderPosition(WindowHandle dialog, int id) {
  return Layer().sliderPosition(Layer().context, dialog, id);
}
inline void SetSliderPosition(WindowHandle dialog, int id, int32_t position) {
  Layer().setSliderPosition(Layer().context, dialog, id, position);
}
inline void SetUpDownRange(WindowHandle dialog, int id, int32_t lower, int32_t upper) {
  Layer().setUpDownRange(Layer().context, dialog, id, lower, upper);
}
inline void SetUpDownPosition(WindowHandle dialog, int id, int32_t position) {
  Layer().setUpDownPosition(Layer().context, dialog, id, position);
}
inline int32_t UpDownPosition(WindowHandle dialog, int id) {
  return Layer().upDownPosition(Layer().context, dialog, id);
}
inline void SetText(WindowHandle dialog, int id, const char* text) {
  Layer().setText(Layer().context, dialog, id, text);
}
inline std::intptr_t RunModal(WindowHandle owner, const DialogTemplate& dialog, DialogProc proc,
                              std::intptr_t param) {
  return Layer().runModal(Layer().context, owner, &dialog, proc, param);
}
inline void EndDialog(WindowHandle dialog, std::intptr_t result) {
  Layer().endDialog(Layer().context, dialog, result);
}
inline bool UpdateRect(WindowHandle dialog, Rect* rect) {
  return Layer().updateRect(Layer().context, dialog, rect);
}
inline void Centre(WindowHandle dialog) {
  Layer().centre(Layer().context, dialog);
}
inline bool ChooseFile(FileDialogSetup* setup) {
  return Layer().chooseFile(Layer().context, setup);
}
inline void Log(const char* message) {
  Layer().log(Layer().context, message);
}
inline void Invalidate(WindowHandle dialog) {
  Layer().invalidate(Layer().context, dialog);
}
inline void Tell(WindowHandle owner, const char* message) {
  Layer().tell(Layer().context, owner, message);
}

// The wait cursor for as long as the object lives.
class WaitCursor {
 public:
  WaitCursor() : previous_(Layer().showWaitCursor(Layer().context)) {}
  ~WaitCursor() { Layer().restoreCursor(Layer().context, previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  std::intptr_t previous_;
};

// A drawing context of one window for as long as the object lives.
class Drawing {
 public:
  explicit Drawing(WindowHandle window)
      : window_(window), dc_(Layer().beginDrawing(Layer().context, window)) {}
  ~Drawing() { Layer().endDrawing(Layer().context, window_, dc_); }
  Drawing(const Drawing&) = delete;
  Drawing& operator=(const Drawing&) = delete;

  void Fill(const Rect& rect, uint32_t colour) const {
    Layer().fillSolid(Layer().context, dc_, rect, colour);
  }
  void Frame(const Rect& rect) const { Layer().frameBlack(Layer().context, dc_, rect); }

 private:
  WindowHandle window_;
  DrawContext dc_;
};

}  // namespace pxb::ui::win
