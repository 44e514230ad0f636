// The dialog layer on Win32: modal dialogs from the module's templates, the
// common controls, GDI drawing from the preview workers, the common file
// dialogs and the wait cursor. Every function forwards to the window system
// almost one to one; what needs care is the paint order (see Thunk).
#include "plugin/win32_backend.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// windows.h first: these need its types.
#include <commctrl.h>
#include <commdlg.h>

#include <cstddef>
#include <cstdio>

#include "host/dialogs.h"
#include "host/host_utils.h"
#include "ui/dialogs.h"
#include "ui/preview.h"
#include "ui/templates.h"

// What the plug-in exports besides its entry point.
extern "C" __declspec(dllexport) INT_PTR CALLBACK
    PxbreedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

namespace pxb::ui {
namespace {

constexpr int kGroups = 9;

// What a running modal dialog needs from its creation: the portable
// procedure and the parameter it is initialised with.
struct ModalStart {
  DialogProc proc;
  std::intptr_t param;
};

// The module whose resources hold the templates, and the update rectangle
// of the paint in progress on the dialog thread (saved before BeginPaint
// validates it, answered by updateRect during the procedure's paint).
struct Win32DialogState {
  HINSTANCE module = nullptr;
  HWND painting = nullptr;
  RECT paintRect{};
  bool paintPartial = false;
  bool commonControlsReady = false;
};
Win32DialogState win32State;

// The trackbar and up-down classes, registered when the first dialog opens
// rather than when the module loads: hosts may load the module only to read
// its resources, and nothing but trivial work may run under the loader lock.
void EnsureCommonControls() {
  if (win32State.commonControlsReady) return;
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
  win32State.commonControlsReady = InitCommonControlsEx(&controls) != FALSE;
}

HWND AsWindow(WindowHandle w) {
  return reinterpret_cast<HWND>(w);
}
WindowHandle AsHandle(HWND w) {
  return reinterpret_cast<WindowHandle>(w);
}
RECT AsRect(const Rect& r) {
  return RECT{r.left, r.top, r.right, r.bottom};
}
HWND Item(WindowHandle dialog, int id) {
  return GetDlgItem(AsWindow(dialog), id);
}

// Hands the three messages the portable procedures know to proc. A paint
// is finished (validated, the background erased) before the procedure sees
// it, so the previews it restarts draw onto the final background; the
// procedure learns the area from updateRect.
INT_PTR Dispatch(DialogProc proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return proc(AsHandle(window), kMsgInitDialog, wParam, lParam) != 0 ? TRUE : FALSE;
    case WM_PAINT: {
      Win32DialogState& s = win32State;
      RECT update{};
      const bool partial = GetUpdateRect(window, &update, FALSE) != 0;
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      const HWND outerWindow = s.painting;
      const RECT outerRect = s.paintRect;
      const bool outerPartial = s.paintPartial;
      s.painting = window;
      s.paintRect = update;
      s.paintPartial = partial;
      proc(AsHandle(window), kMsgPaint, wParam, lParam);
      s.painting = outerWindow;
      s.paintRect = outerRect;
      s.paintPartial = outerPartial;
      return TRUE;
    }
    case WM_COMMAND:
      return proc(AsHandle(window), kMsgCommand, wParam, lParam) != 0 ? TRUE : FALSE;
    default:
      return FALSE;
  }
}

// The window procedure of the dialogs RunModal opens: the portable
// procedure arrives with the initialisation and is kept in the dialog's
// user word. Messages before it (the font) are left to the system.
INT_PTR CALLBACK Thunk(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* start = reinterpret_cast<const ModalStart*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, reinterpret_cast<LONG_PTR>(start->proc));
    return Dispatch(start->proc, window, message, wParam, start->param);
  }
  const auto proc = reinterpret_cast<DialogProc>(GetWindowLongPtrA(window, DWLP_USER));
  if (proc == nullptr) return FALSE;
  return Dispatch(proc, window, message, wParam, lParam);
}

bool ControlRect(void*, WindowHandle dialog, int id, Rect* rect) {
  const HWND item = Item(dialog, id);
  RECT r;
  if (item == nullptr || GetWindowRect(item, &r) == 0) return false;
  POINT topLeft{r.left, r.top};
  POINT bottomRight{r.right, r.bottom};
  ScreenToClient(AsWindow(dialog), &topLeft);
  ScreenToClient(AsWindow(dialog), &bottomRight);
  *rect = Rect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
  return true;
}

void ShowControl(void*, WindowHandle dialog, int id, bool show) {
  if (const HWND item = Item(dialog, id); item != nullptr)
    ShowWindow(item, show ? SW_SHOW : SW_HIDE);
}

int32_t SliderPosition(void*, WindowHandle dialog, int id) {
  return static_cast<int32_t>(SendMessageA(Item(dialog, id), TBM_GETPOS, 0, 0));
}

void SetSliderPosition(void*, WindowHandle dialog, int id, int32_t position) {
  SendMessageA(Item(dialog, id), TBM_SETPOS, TRUE, position);
}

void SetUpDownRange(void*, WindowHandle dialog, int id, int32_t lower, int32_t upper) {
  SendMessageA(Item(dialog, id), UDM_SETRANGE, 0,
               MAKELPARAM(static_cast<WORD>(upper), static_cast<WORD>(lower)));
}

void SetUpDownPosition(void*, WindowHandle dialog, int id, int32_t position) {
  SendMessageA(Item(dialog, id), UDM_SETPOS, 0, MAKELPARAM(static_cast<WORD>(position), 0));
}

int32_t UpDownPosition(void*, WindowHandle dialog, int id) {
  // The low word holds the position, the high word an error flag.
  const LRESULT r = SendMessageA(Item(dialog, id), UDM_GETPOS, 0, 0);
  return static_cast<int16_t>(LOWORD(r));
}

void SetText(void*, WindowHandle dialog, int id, const char* text) {
  SetWindowTextA(Item(dialog, id), text);
}

std::intptr_t RunModal(void*, WindowHandle owner, const DialogTemplate* dialog, DialogProc proc,
                       std::intptr_t param) {
  ModalStart start{proc, param};
  EnsureCommonControls();
  return DialogBoxParamA(win32State.module, dialog->name, AsWindow(owner), Thunk,
                         reinterpret_cast<LPARAM>(&start));
}

void EndDialogOf(void*, WindowHandle dialog, std::intptr_t result) {
  EndDialog(AsWindow(dialog), result);
}

bool UpdateRect(void*, WindowHandle dialog, Rect* rect) {
  const Win32DialogState& s = win32State;
  if (s.painting != AsWindow(dialog) || !s.paintPartial) return false;
  *rect = Rect{s.paintRect.left, s.paintRect.top, s.paintRect.right, s.paintRect.bottom};
  return true;
}

void InvalidateAll(void*, WindowHandle dialog) {
  InvalidateRect(AsWindow(dialog), nullptr, FALSE);
}

void Tell(void*, WindowHandle owner, const char* message) {
  MessageBoxA(AsWindow(owner), message, "Pixbreed", MB_OK | MB_ICONWARNING);
}

void Centre(void*, WindowHandle dialog) {
  host::CentreDialog(dialog);
}

std::intptr_t ShowWaitCursor(void*) {
  return reinterpret_cast<std::intptr_t>(SetCursor(LoadCursorA(nullptr, IDC_WAIT)));
}

void RestoreCursor(void*, std::intptr_t previous) {
  SetCursor(reinterpret_cast<HCURSOR>(previous));
}

// The record has the classic 76-byte size on 32-bit Windows: the size of the
// record up to lpTemplateName, which the window system accepts from every
// version. 64-bit Windows has no 76-byte form; the same cut of its record
// is the size to give there (136 bytes), as OPENFILENAME_SIZE_VERSION_400A
// computes it.
constexpr DWORD kOpenFileNameRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
#ifndef _WIN64
static_assert(kOpenFileNameRecordSize == 76);
#endif

bool ChooseFile(void*, FileDialogSetup* setup) {
  OPENFILENAMEA ofn{};
  ofn.lStructSize = kOpenFileNameRecordSize;
  ofn.hwndOwner = AsWindow(setup->owner);
  ofn.lpstrFilter = setup->filter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = setup->path;
  ofn.nMaxFile = static_cast<DWORD>(setup->pathCapacity);
  ofn.lpstrFileTitle = setup->fileTitle;
  ofn.nMaxFileTitle = static_cast<DWORD>(setup->fileTitleCapacity);
  ofn.lpstrInitialDir = setup->initialDirectory;
  ofn.Flags = setup->flags;
  ofn.lpstrDefExt = setup->defaultExtension;
  return (setup->save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn)) != 0;
}

DrawContext BeginDrawing(void*, WindowHandle dialog) {
  return reinterpret_cast<DrawContext>(GetDC(AsWindow(dialog)));
}

void EndDrawing(void*, WindowHandle dialog, DrawContext dc) {
  if (dc != 0) ReleaseDC(AsWindow(dialog), reinterpret_cast<HDC>(dc));
}

void FillSolid(void*, DrawContext dc, const Rect& rect, uint32_t colour) {
  if (dc == 0) return;
  // COLORREF has the layout of colour: red in the low byte.
  const HBRUSH brush = CreateSolidBrush(colour);
  if (brush == nullptr) return;
  const RECT r = AsRect(rect);
  FillRect(reinterpret_cast<HDC>(dc), &r, brush);
  DeleteObject(brush);
}

void FrameBlack(void*, DrawContext dc, const Rect& rect) {
  if (dc == 0) return;
  const RECT r = AsRect(rect);
  FrameRect(reinterpret_cast<HDC>(dc), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void LowerThreadPriority(void*) {
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
}

void Log(void*, const char* message) {
  OutputDebugStringA(message);
  std::fprintf(stderr, "pxbreed: %s\n", message);
}

constexpr DialogLayer kWin32Layer{nullptr,
                                  ControlRect,
                                  ShowControl,
                                  SliderPosition,
                                  SetSliderPosition,
                                  SetUpDownRange,
                                  SetUpDownPosition,
                                  UpDownPosition,
                                  SetText,
                                  RunModal,
                                  EndDialogOf,
                                  UpdateRect,
                                  Centre,
                                  ShowWaitCursor,
                                  RestoreCursor,
                                  ChooseFile,
                                  BeginDrawing,
                                  EndDrawing,
                                  FillSolid,
                                  FrameBlack,
                                  LowerThreadPriority,
                                  Log,
                                  InvalidateAll,
                                  Tell};

bool ChooseSession(void*, host::platform::WindowHandle owner, const std::string& currentPath,
                   std::string* path) {
  return ChooseSessionFile(owner, currentPath, path);
}

bool SaveElsewhere(void*, host::platform::WindowHandle owner, const std::string& problem,
                   const std::string& currentPath, std::string* path) {
  return OfferSessionSaveAs(owner, problem, currentPath, path);
}

// The "ok" of group k ends the dialog with 4 + 4k after picking member k;
// anything else is a cancel.
int RunMain(void*, host::platform::WindowHandle owner, api::FilterRecord* record) {
  const std::intptr_t result = RunMainDialog(owner, record);
  for (int k = 0; k < kGroups; ++k) {
    if (result == ids::GroupOk(k)) return k;
  }
  return -1;
}

}  // namespace

void InstallWin32Dialogs(void* moduleInstance) {
  win32State.module = static_cast<HINSTANCE>(moduleInstance);
  SetDialogLayer(&kWin32Layer);
  const host::DialogProcs procs{nullptr, ChooseSession, RunMain, SaveElsewhere};
  host::SetDialogProcs(&procs);
}

}  // namespace pxb::ui

// The main dialog's procedure as the plug-in exports it: a window procedure
// of its own, usable with DialogBoxParamA directly (the creation parameter
// is the FilterRecord).
extern "C" __declspec(dllexport) INT_PTR CALLBACK
    PxbreedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return pxb::ui::Dispatch(pxb::ui::PxbreedProc, window, message, wParam, lParam);
}
