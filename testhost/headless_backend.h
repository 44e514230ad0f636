// The dialog layer without a window system: dialogs laid out from their
// templates onto off-screen pictures, driven by a script or a test.
//
// Layout: dialog units become pixels with the base units of "MS Sans
// Serif" 8 pt at 96 dots per inch, 6 pixels per average character width and
// 13 per character height: x · 6 / 4 and y · 13 / 8, rounded as Win32's
// MulDiv rounds. A dialog's window is its client area (no frame or caption)
// and stands at a screen position that centring sets.
//
// Drawing surface: each dialog is one picture of 32-bit pixels, each pixel
// an atomic word, so the preview workers and the dialog thread may draw at
// the same time without a data race. The workers draw only inside their
// frame rectangles; the dialog thread draws the background and the controls,
// which lie outside them. A paint erases its update area to the background
// and draws the controls there before the procedure sees the paint, so no
// sample drawn after the restart it causes is erased.
//
// Modal dialogs run as nested loops on the calling thread: paint what is
// invalid, otherwise hand the innermost dialog to the driver, which acts on
// it as a user would. When a dialog closes, the area of its owner that it
// covered is repainted.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/dialog_layer.h"
#include "ui/templates.h"
#include "ui/window_slots.h"

namespace pxb::ui {

struct HeadlessOptions {
  int32_t baseUnitX = 6;
  int32_t baseUnitY = 13;
  int32_t screenWidth = 1024;
  int32_t screenHeight = 768;
  int32_t captionButtonWidth = 18;
  // As with desktop composition: a closing dialog leaves its owner's
  // picture as it was, with no repaint of the area it covered.
  bool composited = false;
};

// The colour of a dialog's background (red + 256 · green + 65536 · blue).
inline constexpr uint32_t kDialogBackground = 0xF0F0F0;

// A picture of a dialog: rows of red, green, blue bytes.
struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgb;
};

// What became of the last file dialog.
enum class FileDialogOutcome {
  kNone,       // none has run
  kCancelled,  // no answer was waiting: the user cancelled
  kRefused,    // the answer broke the dialog's rules (see the log)
  kChosen,
};

class HeadlessBackend;

// Called on the dialog thread whenever the innermost open dialog waits for
// input; acts on it through the backend. Returning false abandons the
// dialogs: each open one is sent Cancel (id 2) in turn.
using HeadlessDriver = std::function<bool(HeadlessBackend& backend, WindowHandle dialog)>;

// Sees everything the dialogs draw, from whichever thread draws it.
struct DrawObserver {
  void* context;
  void (*filled)(void* context, WindowHandle window, const Rect& rect, uint32_t colour);
  void (*framed)(void* context, WindowHandle window, const Rect& rect);
};

class HeadlessBackend {
 public:
  explicit HeadlessBackend(HeadlessOptions options = {});
  ~HeadlessBackend();
  HeadlessBackend(const HeadlessBackend&) = delete;
  HeadlessBackend& operator=(const HeadlessBackend&) = delete;

  // The table to install with SetDialogLayer while dialogs run.
  const DialogLayer& layer() const { return layer_; }
  void SetDriver(HeadlessDriver driver) { driver_ = std::move(driver); }
  // Set before any dialog runs; null removes it.
  void SetDrawObserver(const DrawObserver* observer);

  // What a user does, from inside the driver.
  // Clicks a visible, existing button (a command with code 0).
  bool Click(WindowHandle dialog, int id);
  // Sends the command a control would send, visible or not.
  bool SendCommand(WindowHandle dialog, int id, int code);
  // Moves a visible trackbar's thumb to position (0..100).
  bool SetSlider(WindowHandle dialog, int id, int32_t position);
  // Sets a visible up-down control within its range, or steps it by delta
  // arrow clicks (wrapping around at the ends when its style says so).
  bool SetUpDown(WindowHandle dialog, int id, int32_t position);
  bool StepUpDown(WindowHandle dialog, int id, int32_t delta);
  // The answer the next file dialog gets; without one it is cancelled.
  void AnswerFileDialog(const std::string& path);
  FileDialogOutcome lastFileDialog() const { return lastFileDialog_; }
  // Marks an area of a dialog for repainting (null: all of it).
  void Invalidate(WindowHandle dialog, const Rect* area);
  // Paints an open dialog's invalid area now, even while a dialog it owns
  // runs (as a window system without composition does); false when
  // nothing was invalid.
  bool PaintNow(WindowHandle dialog);

  // What a user sees.
  WindowHandle Innermost() const;
  const DialogTemplate* TemplateOf(WindowHandle dialog) const;
  bool HasControl(WindowHandle dialog, int id) const;
  bool IsVisible(WindowHandle dialog, int id) const;
  int32_t PositionOf(WindowHandle dialog, int id) const;
  std::string TextOf(WindowHandle dialog, int id) const;
  Rect ControlRectOf(WindowHandle dialog, int id) const;
  Rect ScreenRectOf(WindowHandle dialog) const;
  Picture Snapshot(WindowHandle dialog) const;
  uint32_t PixelAt(WindowHandle dialog, int32_t x, int32_t y) const;
  int32_t waitCursorDepth() const { return waitCursorDepth_; }
  // What the dialogs told the layer's log, what the file dialogs refused,
  // and, prefixed "told: ", the messages shown to the user.
  const std::vector<std::string>& log() const { return log_; }

  // Dialog units to pixels.
  int32_t PixelsX(int32_t units) const;
  int32_t PixelsY(int32_t units) const;

  // The layer's functions.
  std::intptr_t RunModal(WindowHandle owner, const DialogTemplate& dialog, DialogProc proc,
                         std::intptr_t param);
  void EndDialog(WindowHandle dialog, std::intptr_t result);
  bool ChooseFile(FileDialogSetup* setup);
  void Centre(WindowHandle dialog);
  void Log(const std::string& message) { log_.push_back(message); }

  struct Control;
  struct Window;

 private:
  Window* Find(WindowHandle dialog) const;
  Control* FindControlIn(WindowHandle dialog, int id) const;
  void Paint(Window& w);
  void DrawControl(Window& w, const Control& c, const Rect& clip);
  void SetUpDownValue(Window& w, Control& c, int32_t position);

  HeadlessOptions options_;
  DialogLayer layer_;
  HeadlessDriver driver_;
  DrawObserver observer_{};
  WindowSlots<Window> windows_;
  bool abandoned_ = false;
  std::deque<std::string> fileAnswers_;
  FileDialogOutcome lastFileDialog_ = FileDialogOutcome::kNone;
  int32_t waitCursorDepth_ = 0;
  std::vector<std::string> log_;

  friend struct HeadlessThunks;
};

}  // namespace pxb::ui
