// The dialog-script driver of the Windows pxhost. It runs on its own thread
// while the host thread sits in the plug-in's modal dialogs, and acts on
// them with window messages:
//
// - The dialogs are found among this process's top-level dialog windows by
//   their captions. A command acts on the innermost one that takes input
//   (enabled, no file dialog over it), after a WM_NULL sent to it has come
//   back, which means the dialog thread is back in its message loop.
// - Buttons get the WM_COMMAND a click sends. Buttons that open a modal
//   dialog (sel, prop, open, save, New Session) are posted, and the driver
//   waits for the new window; the others are sent.
// - File dialogs are answered by putting the absolute path of FILE into
//   their file-name field and pressing OK; a "create" or "replace" question
//   after it is answered Yes, any other message box means the dialog did not
//   accept the file.
// - wait: the plug-in exports PxbreedPreviewsIdle (1 when no preview is
//   drawing), looked up in the module whose template made the main dialog.
//   The driver waits until the dialog has no area left to paint and that
//   answer is 1.
// - shot: BitBlt from the dialog's window DC into a DIB, written as PNG.
#include "testhost/ui_driver_win32.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// windows.h first: these need its types.
#include <commctrl.h>

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "imageio/image_io.h"
#include "ui/script_dispatch.h"
#include "ui/templates.h"

namespace pxb::pxhost {
namespace {

using Clock = std::chrono::steady_clock;
namespace ids = ui::ids;
using ui::WindowHandle;

constexpr int kGroups = 9;
constexpr int kFileNameEdit = 0x480;    // edt1
constexpr int kFileNameCombo = 0x47c;   // cmb13, the explorer-style field
constexpr int kFirstDialogMs = 120000;  // the plug-in loading, the session chooser
constexpr int kDialogMs = 60000;        // a dialog to take input again
constexpr int kWaitMs = 600000;         // previews to finish
constexpr int kEndMs = 30000;           // the dialogs to close after the script

using Which = ui::ScriptDialog;

using ui::ScriptCommand;

struct DriverState {
  std::vector<ScriptCommand> script;
  std::string sessionAnswer;  // for a chooser that proposes no file
  std::thread thread;
  std::atomic<int> runEnded{0};
  bool failed = false;
  std::string error;
  using IdleFn = int (*)();
  IdleFn idle = nullptr;
};
DriverState driver;

// --- Finding windows -------------------------------------------------------

bool IsDialogClass(HWND w) {
  char name[16] = {};
  GetClassNameA(w, name, sizeof name);
  return std::string(name) == "#32770";
}

BOOL CALLBACK CollectDialog(HWND w, LPARAM found) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == GetCurrentProcessId() && IsWindowVisible(w) && IsDialogClass(w)) {
    reinterpret_cast<std::vector<HWND>*>(found)->push_back(w);
  }
  return TRUE;
}

// This process's visible top-level dialog windows.
std::vector<HWND> OurDialogs() {
  std::vector<HWND> found;
  EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::string CaptionOf(HWND w) {
  char text[256] = {};
  GetWindowTextA(w, text, sizeof text);
  return text;
}

// The captions of the plug-in's templates (ui/templates.cpp, which lives in
// the plug-in, not here).
Which Kind(HWND w) {
  const std::string caption = CaptionOf(w);
  if (caption == "Pixbreed") return Which::kMain;
  if (caption == "Brood Selection") return Which::kSelection;
  if (caption == "brood properties") return Which::kProperties;
  return Which::kOther;
}

HWND Find(Which kind) {
  for (HWND w : OurDialogs()) {
    if (Kind(w) == kind) return w;
  }
  return nullptr;
}

// A dialog window that is none of the plug-in's own: a file dialog or a
// message box. owner: only those it owns (null: any).
HWND ForeignDialog(HWND owner) {
  for (HWND w : OurDialogs()) {
    if (Kind(w) != Which::kOther) continue;
    if (owner == nullptr || GetWindow(w, GW_OWNER) == owner) return w;
  }
  return nullptr;
}

bool IsFileDialog(HWND w) {
  return GetDlgItem(w, kFileNameEdit) != nullptr || GetDlgItem(w, kFileNameCombo) != nullptr;
}

const char* NameOf(Which w) {
  return w == Which::kOther ? "no dialog" : ui::ScriptDialogName(w);
}

void Pause() {
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

bool Expired(Clock::time_point end) {
  return Clock::now() > end;
}

// Returns once the dialog thread has come back to a message loop.
bool Settle(HWND dialog) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, kDialogMs, &ignored) != 0;
}

// --- Buttons, file dialogs --------------------------------------------------

WPARAM Clicked(int id) {
  return MAKEWPARAM(id, BN_CLICKED);
}

bool ClickButton(HWND dialog, int id, bool post, std::string* why) {
  const HWND button = GetDlgItem(dialog, id);
  if (button == nullptr || !IsWindowVisible(button)) {
    *why = "there is no button " + std::to_string(id) + " to click";
    return false;
  }
  const auto l = reinterpret_cast<LPARAM>(button);
  if (post) return PostMessageA(dialog, WM_COMMAND, Clicked(id), l) != 0;
  SendMessageA(dialog, WM_COMMAND, Clicked(id), l);
  return true;
}

std::string AbsolutePath(const std::string& file) {
  char full[MAX_PATH * 4] = {};
  const DWORD n = GetFullPathNameA(file.c_str(), sizeof full, full, nullptr);
  return n > 0 && n < sizeof full ? std::string(full) : file;
}

HWND FileNameField(HWND fd) {
  const HWND edit = GetDlgItem(fd, kFileNameEdit);
  return edit != nullptr && IsWindowVisible(edit) ? edit : GetDlgItem(fd, kFileNameCombo);
}

std::string FileNameOf(HWND fd) {
  char text[MAX_PATH * 4] = {};
  if (const HWND field = FileNameField(fd); field != nullptr) {
    SendMessageA(field, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  }
  return text;
}

// Answers the file dialog fd with file; true once it has closed with it.
bool AnswerFileDialog(HWND fd, const std::string& file, std::string* why) {
  const HWND field = FileNameField(fd);
  if (field == nullptr) {
    *why = "the file dialog has no file-name field";
    return false;
  }
  const std::string path = AbsolutePath(file);
  SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
  PostMessageA(fd, WM_COMMAND, Clicked(IDOK), reinterpret_cast<LPARAM>(GetDlgItem(fd, IDOK)));
  const auto end = Clock::now() + std::chrono::milliseconds(kDialogMs);
  while (IsWindow(fd)) {
    if (const HWND box = ForeignDialog(fd); box != nullptr) {
      if (GetDlgItem(box, IDYES) != nullptr) {
        PostMessageA(box, WM_COMMAND, Clicked(IDYES), 0);  // create or replace: yes
      } else {
        PostMessageA(box, WM_COMMAND, Clicked(IDOK), 0);
        PostMessageA(fd, WM_COMMAND, Clicked(IDCANCEL), 0);
        *why = "the file dialog did not accept " + path;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    if (Expired(end)) {
      *why = "the file dialog did not close after " + path;
      return false;
    }
    Pause();
  }
  return true;
}

// Clicks a button of dialog that opens a file dialog, and answers it.
bool ClickAndAnswer(HWND dialog, int id, const std::string& file, std::string* why) {
  if (!ClickButton(dialog, id, true, why)) return false;
  const auto end = Clock::now() + std::chrono::milliseconds(kDialogMs);
  HWND fd = nullptr;
  while ((fd = ForeignDialog(dialog)) == nullptr || !IsFileDialog(fd)) {
    if (Expired(end)) {
      *why = "no file dialog was opened";
      return false;
    }
    Pause();
  }
  return AnswerFileDialog(fd, file, why);
}

// Clicks a button that opens a child dialog and waits until it is there.
bool ClickForChild(HWND dialog, int id, Which child, std::string* why) {
  if (!ClickButton(dialog, id, true, why)) return false;
  const auto end = Clock::now() + std::chrono::milliseconds(kDialogMs);
  while (Find(child) == nullptr) {
    if (Expired(end)) {
      *why = std::string(NameOf(child)) + " did not open";
      return false;
    }
    Pause();
  }
  return true;
}

// --- wait and shot ----------------------------------------------------------

bool WaitUntilDrawn(HWND dialog, std::string* why) {
  DriverState& d = driver;
  if (d.idle == nullptr) {
    const auto module = reinterpret_cast<HMODULE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE));
    d.idle = reinterpret_cast<DriverState::IdleFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "PxbreedPreviewsIdle")));
    if (d.idle == nullptr) {
      *why = "the plug-in does not export PxbreedPreviewsIdle";
      return false;
    }
  }
  const auto end = Clock::now() + std::chrono::milliseconds(kWaitMs);
  for (;;) {
    // A pending paint restarts previews: let it happen first.
    const bool paintPending = GetUpdateRect(dialog, nullptr, FALSE) != 0;
    if (!paintPending && Settle(dialog) && d.idle() != 0 &&
        GetUpdateRect(dialog, nullptr, FALSE) == 0) {
      return true;
    }
    if (Expired(end)) {
      *why = "the previews did not finish in time";
      return false;
    }
    Pause();
  }
}

bool SaveDialogPicture(HWND dialog, [[maybe_unused]] const std::string& path, std::string* why) {
  RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  Settle(dialog);
  RECT r;
  GetWindowRect(dialog, &r);
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  const HDC source = GetWindowDC(dialog);
  const HDC memory = CreateCompatibleDC(source);
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool copied = false;
  if (bitmap != nullptr) {
    const HGDIOBJ old = SelectObject(memory, bitmap);
    copied = BitBlt(memory, 0, 0, w, h, source, 0, 0, SRCCOPY) != 0;
    GdiFlush();
    SelectObject(memory, old);
  }
  std::vector<unsigned char> rgb;
  if (copied) {
    const auto* bgra = static_cast<const unsigned char*>(bits);
    rgb.resize(static_cast<size_t>(w) * h * 3);
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
      rgb[3 * i] = bgra[4 * i + 2];
      rgb[3 * i + 1] = bgra[4 * i + 1];
      rgb[3 * i + 2] = bgra[4 * i];
    }
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(dialog, source);
  if (!copied) {
    *why = "the dialog's picture could not be copied";
    return false;
  }
  Image picture;
  if (!AllocateImage(&picture, w, h, 3, why)) return false;
  std::copy(rgb.begin(), rgb.end(), picture.pixels.begin());
  return WriteImage(path, picture, why);
}

// --- Commands ---------------------------------------------------------------

// The driver actions of the script commands over the real dialogs.
class Win32Actions : public ui::ScriptDriver {
 public:
  ui::ScriptDialog Which(WindowHandle dialog) const override { return Kind(Hwnd(dialog)); }
  bool IsShown(WindowHandle dialog, int id) const override {
    const HWND control = GetDlgItem(Hwnd(dialog), id);
    return control != nullptr && IsWindowVisible(control);
  }
  bool WaitForPreviews(WindowHandle dialog, ui::ScriptDialog, std::string* why) override {
    return WaitUntilDrawn(Hwnd(dialog), why);
  }
  bool Click(WindowHandle dialog, int id, ui::ScriptDialog opens, std::string* why) override {
    if (opens == ui::ScriptDialog::kOther) return ClickButton(Hwnd(dialog), id, false, why);
    return ClickForChild(Hwnd(dialog), id, opens, why);
  }
  bool ClickWithFile(WindowHandle dialog, int id, const std::string& file,
                     std::string* why) override {
    return ClickAndAnswer(Hwnd(dialog), id, file, why);
  }
  bool SetSlider(WindowHandle dialog, int id, int32_t position) override {
    if (position < 0 || position > 100) return false;
    SendDlgItemMessageA(Hwnd(dialog), id, TBM_SETPOS, TRUE, position);
    return true;
  }
  bool SetCount(WindowHandle dialog, int32_t count) override {
    if (count < 1 || count > kGroups) return false;
    SendDlgItemMessageA(Hwnd(dialog), ids::kCountUpDown, UDM_SETPOS, 0, MAKELPARAM(count, 0));
    return true;
  }
  bool SaveShot(WindowHandle dialog, const std::string& file, std::string* why) override {
    return SaveDialogPicture(Hwnd(dialog), file, why);
  }

 private:
  static HWND Hwnd(WindowHandle w) { return reinterpret_cast<HWND>(w); }
};

// The innermost of the plug-in's dialogs, once it takes input; a session
// chooser met on the way is answered with the session it proposes. Null when the run ends first or
// the time runs out (*why says which).
HWND WaitForInput(int timeoutMs, Which* open, std::string* why) {
  DriverState& d = driver;
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    for (Which w : {Which::kProperties, Which::kSelection, Which::kMain}) {
      const HWND dialog = Find(w);
      if (dialog == nullptr) continue;
      if (IsWindowEnabled(dialog) && ForeignDialog(dialog) == nullptr && Settle(dialog) &&
          IsWindowEnabled(dialog)) {
        *open = w;
        return dialog;
      }
      break;
    }
    if (Find(Which::kMain) == nullptr) {
      if (const HWND fd = ForeignDialog(nullptr); fd != nullptr && IsFileDialog(fd)) {
        // The chooser proposes the session the host remembers (--session):
        // accept it, creating the file when it does not exist yet.
        std::string proposed = FileNameOf(fd);
        if (proposed.empty()) proposed = driver.sessionAnswer;
        if (proposed.empty()) {
          *why = "the session chooser opened with no file: give pxhost a --session";
          return nullptr;
        }
        std::fprintf(stderr, "ui: session chooser: %s\n", proposed.c_str());
        if (!AnswerFileDialog(fd, proposed, why)) return nullptr;
        continue;
      }
    }
    if (d.runEnded.load() != 0) {
      *why = "the dialogs had ended before it";
      return nullptr;
    }
    if (Expired(end)) {
      *why = "no dialog took input in time";
      return nullptr;
    }
    Pause();
  }
}

// Cancels whatever is open, innermost first, until nothing is.
void CancelAll() {
  const auto end = Clock::now() + std::chrono::milliseconds(kEndMs);
  while (!Expired(end) && driver.runEnded.load() == 0) {
    const std::vector<HWND> open = OurDialogs();
    if (open.empty()) return;
    for (HWND w : open) {
      if (IsWindowEnabled(w)) {
        PostMessageA(w, WM_COMMAND, Clicked(GetDlgItem(w, IDNO) != nullptr ? IDNO : IDCANCEL), 0);
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
}

void Fail(const std::string& message) {
  DriverState& d = driver;
  d.failed = true;
  d.error = message;
  std::fprintf(stderr, "ui: %s\n", message.c_str());
  CancelAll();
}

void Run() {
  DriverState& d = driver;
  bool first = true;
  for (const ScriptCommand& c : d.script) {
    const std::string where = "line " + std::to_string(c.line) + ": " + c.verb;
    Which open = Which::kOther;
    std::string why;
    const HWND dialog = WaitForInput(first ? kFirstDialogMs : kDialogMs, &open, &why);
    first = false;
    if (dialog == nullptr) return Fail(where + ": " + why);
    std::string args;
    for (int32_t n : c.numbers)
      args += " " + std::to_string(n);
    if (!c.file.empty()) args += " " + c.file;
    std::fprintf(stderr, "ui: %s%s\n", where.c_str(), args.c_str());
    Win32Actions actions;
    if (!ui::CarryScriptCommand(actions, reinterpret_cast<WindowHandle>(dialog), c, &why))
      return Fail(where + ": " + why);
  }
  // The last command should have closed the dialogs.
  const auto end = Clock::now() + std::chrono::milliseconds(kEndMs);
  while (d.runEnded.load() == 0 && Find(Which::kMain) != nullptr) {
    if (Expired(end)) {
      Which open = Which::kOther;
      std::string why;
      WaitForInput(0, &open, &why);
      return Fail(std::string("the script ended with ") + NameOf(open) + " open");
    }
    Pause();
  }
}

}  // namespace

bool StartUiDriver(const std::string& scriptPath, std::string* error) {
  return StartUiDriver(scriptPath, std::string(), error);
}

bool StartUiDriver(const std::string& scriptPath, const std::string& sessionPath,
                   std::string* error) {
  DriverState& d = driver;
  ui::Script script;
  if (!ui::LoadScript(scriptPath, &script, error)) return false;
  d.script = std::move(script.commands);
  d.sessionAnswer = sessionPath;
  d.runEnded.store(0);
  d.failed = false;
  d.error.clear();
  d.thread = std::thread(Run);
  return true;
}

bool FinishUiDriver(std::string* error) {
  DriverState& d = driver;
  d.runEnded.store(1);
  if (d.thread.joinable()) d.thread.join();
  if (d.failed) {
    *error = d.error;
    return false;
  }
  return true;
}

}  // namespace pxb::pxhost
