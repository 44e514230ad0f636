// The dialog layer on GTK 2, for the GIMP plug-in: the breeding dialogs laid
// out from their templates as GTK windows on the main thread.
//
// Layout: dialog units become pixels as in the headless backend (6 pixels
// per four units across, 13 per eight down), so the dialogs have the same
// geometry everywhere. Each control is a GTK widget placed at its pixels in
// a GtkFixed: buttons, vertical scales for the rating sliders, labels, and
// a spin button for an up-down control together with the edit field it
// drives.
//
// Drawing surface: the preview workers draw from their own threads, and GTK
// may be called only from the main thread. So each dialog owns a picture of
// 32-bit pixels, each an atomic word, that the workers fill; the GtkFixed's
// own window shows that picture under the controls, and a timeout on the
// main loop repaints it while the dialog is open. The picture is never
// erased by the window system, so nothing needs repainting when a child
// dialog closes.
//
// Modal dialogs run as nested main-loop iterations on the calling thread.
// A driver (for tests) may act on the innermost dialog whenever the loop
// has no events to handle.
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

namespace pxb::gimp {

using ui::WindowHandle;

class GtkBackend;

// Acts once on the innermost dialog; false abandons the dialogs (each is
// cancelled in turn).
using GtkDriver = std::function<bool(GtkBackend& backend, WindowHandle dialog)>;
// Receives what the dialogs report (files that could not be read or written).
using GtkMessageSink = std::function<void(const std::string& message)>;

class GtkBackend {
 public:
  GtkBackend();
  ~GtkBackend();
  GtkBackend(const GtkBackend&) = delete;
  GtkBackend& operator=(const GtkBackend&) = delete;

  const ui::DialogLayer& layer() const { return layer_; }
  void SetDriver(GtkDriver driver) { driver_ = std::move(driver); }
  void SetMessageSink(GtkMessageSink sink) { sink_ = std::move(sink); }

  // What a user does, for a driver.
  bool Click(WindowHandle dialog, int id);
  bool SetSlider(WindowHandle dialog, int id, int32_t position);
  bool SetUpDown(WindowHandle dialog, int id, int32_t position);
  // The next file chooser is answered with path as if the user had typed
  // it and pressed the accepting button; without one a chooser waits for
  // the user.
  void AnswerFileDialog(const std::string& path) { fileAnswers_.push_back(path); }
  // True when the last file chooser ended with a file.
  bool lastFileChosen() const { return lastFileChosen_; }

  // What a user sees.
  WindowHandle Innermost() const;
  const ui::DialogTemplate* TemplateOf(WindowHandle dialog) const;
  bool IsVisible(WindowHandle dialog, int id) const;
  // Writes what the dialog's window shows on the screen to a PNG file.
  bool SaveScreenshot(WindowHandle dialog, const std::string& path, std::string* error);

  int32_t PixelsX(int32_t units) const;
  int32_t PixelsY(int32_t units) const;

  struct Control;
  struct Window;

  // The layer's functions (gtk_backend.cpp, gtk_controls.cpp, gtk_files.cpp).
  std::intptr_t RunModal(WindowHandle owner, const ui::DialogTemplate& dialog, ui::DialogProc proc,
                         std::intptr_t param);
  void EndDialog(WindowHandle dialog, std::intptr_t result);
  bool ChooseFile(ui::FileDialogSetup* setup);
  void Log(const std::string& message);
  void Tell(WindowHandle owner, const std::string& message);
  Window* Find(WindowHandle dialog) const;
  Control* FindControlIn(WindowHandle dialog, int id) const;
  void CreateControls(Window& w);
  void Refresh();

 private:
  void Paint(Window& w);

  ui::DialogLayer layer_;
  GtkDriver driver_;
  GtkMessageSink sink_;
  ui::WindowSlots<Window> windows_;
  bool abandoned_ = false;
  std::deque<std::string> fileAnswers_;
  bool lastFileChosen_ = false;
  unsigned refreshSource_ = 0;
};

}  // namespace pxb::gimp
