// The window-system services the breeding dialogs use, as one table of
// functions. The dialog procedures, the preview workers and the file
// choosers are written once against this table; a backend fills it in: the
// Win32 dialogs of the plug-in, or the headless dialogs of the native tools
// and tests (headless_backend.h).
//
// Messages reach the procedures in the window system's own form (message
// number, wParam, lParam), so a Win32 backend forwards them unchanged.
#pragma once

#include <cstdint>

#include "host/platform.h"

namespace pxb::ui {

using WindowHandle = host::platform::WindowHandle;

// A rectangle in client pixels of a dialog; right and bottom are exclusive.
struct Rect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;

  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool operator==(const Rect&) const = default;
};

// The three messages the procedures handle, with their Win32 numbers.
// Initialisation: lParam is the creation parameter (the FilterRecord).
// Command: the control id in the low word of wParam, the notification code
// in the high word (0 for a click).
inline constexpr uint32_t kMsgInitDialog = 0x0110;
inline constexpr uint32_t kMsgPaint = 0x000F;
inline constexpr uint32_t kMsgCommand = 0x0111;

// A dialog procedure: returns 1 for a message it has handled, 0 otherwise.
using DialogProc = std::intptr_t (*)(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam);

inline std::uintptr_t CommandParam(int id, int code) {
  return (static_cast<std::uintptr_t>(code & 0xFFFF) << 16) |
         static_cast<std::uintptr_t>(id & 0xFFFF);
}

struct DialogTemplate;  // templates.h

// One run of a common file dialog, as SetupFileDialog prepares it
// (file_dialogs.h). The chooser writes the chosen path into path and, when
// fileTitle is set, the file-name part into fileTitle.
struct FileDialogSetup {
  int32_t kind;                  // 0 save a filter, 1 open a filter, 2 choose a session
  bool save;                     // a save dialog (kind 0) rather than an open dialog
  uint32_t structSize;           // size of the classic 32-bit record: 76
  WindowHandle owner;            // 0 when no dialog is open yet
  const char* filter;            // description, NUL, pattern, NUL, NUL
  const char* defaultExtension;  // without the dot
  uint32_t flags;                // OFN_* values, see file_dialogs.h
  char* path;                    // in: the proposed file; out: the chosen one
  int32_t pathCapacity;
  const char* initialDirectory;  // null when there is none
  char* fileTitle;               // null when not wanted
  int32_t fileTitleCapacity;
};

// What a drawing function draws into: a device context of a window, valid
// between beginDrawing and endDrawing on one thread.
using DrawContext = std::intptr_t;

struct DialogLayer {
  void* context;  // passed back to every function

  // Controls, by id, of a dialog.
  // The control's window rectangle in the dialog's client pixels; false
  // when the dialog has no such control.
  bool (*controlRect)(void* context, WindowHandle dialog, int id, Rect* rect);
  void (*showControl)(void* context, WindowHandle dialog, int id, bool show);
  // Trackbars: 0 at the top to 100 at the bottom.
  int32_t (*sliderPosition)(void* context, WindowHandle dialog, int id);
  void (*setSliderPosition)(void* context, WindowHandle dialog, int id, int32_t position);
  // Up-down controls.
  void (*setUpDownRange)(void* context, WindowHandle dialog, int id, int32_t lower, int32_t upper);
  void (*setUpDownPosition)(void* context, WindowHandle dialog, int id, int32_t position);
  int32_t (*upDownPosition)(void* context, WindowHandle dialog, int id);
  void (*setText)(void* context, WindowHandle dialog, int id, const char* text);

  // Dialogs.
  // Runs a dialog from its template modally and returns the result it
  // ended with; param reaches the procedure with the initialisation.
  std::intptr_t (*runModal)(void* context, WindowHandle owner, const DialogTemplate* dialog,
                            DialogProc proc, std::intptr_t param);
  void (*endDialog)(void* context, WindowHandle dialog, std::intptr_t result);
  // During a paint: the bounding rectangle of the area to repaint, without
  // erasing it; false when there is none.
  bool (*updateRect)(void* context, WindowHandle dialog, Rect* rect);
  // Places the dialog over its owner (CentreDialog).
  void (*centre)(void* context, WindowHandle dialog);

  // The wait cursor while work runs on the dialog thread; restoreCursor
  // takes what showWaitCursor returned.
  std::intptr_t (*showWaitCursor)(void* context);
  void (*restoreCursor)(void* context, std::intptr_t previous);

  // Runs a common file dialog; true when the user made a choice.
  bool (*chooseFile)(void* context, FileDialogSetup* setup);

  // Drawing into a dialog's window. These four may be called from any
  // thread; each thread draws through its own context.
  DrawContext (*beginDrawing)(void* context, WindowHandle dialog);
  void (*endDrawing)(void* context, WindowHandle dialog, DrawContext dc);
  // A solid square; colour is red + 256 · green + 65536 · blue.
  void (*fillSolid)(void* context, DrawContext dc, const Rect& rect, uint32_t colour);
  // A 1-pixel black border just inside rect.
  void (*frameBlack)(void* context, DrawContext dc, const Rect& rect);

  // Called by a preview worker on its own thread as it starts: one step
  // below normal priority.
  void (*lowerThreadPriority)(void* context);

  // The dialogs show no messages; what went wrong (a file that could not be
  // read or written) is told here.
  void (*log)(void* context, const char* message);

  // Marks the whole of a dialog for repainting; the paint comes later,
  // through the dialog's procedure, on the dialog thread.
  void (*invalidate)(void* context, WindowHandle dialog);

  // Shows message in a box owned by owner and returns when the user has
  // closed it: for the few things the user must know at once (the session
  // could not be written).
  void (*tell)(void* context, WindowHandle owner, const char* message);
};

// Installs the backend (copied); null installs one without windows, whose
// queries answer nothing and whose choosers and dialogs cancel. Install it
// before a dialog runs and keep it until the dialog has returned: the
// preview workers read it.
void SetDialogLayer(const DialogLayer* layer);
const DialogLayer& Layer();

}  // namespace pxb::ui
