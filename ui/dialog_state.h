// The state the three breeding dialogs share. It lives as long as the
// module stays loaded; only the members' render state is given up each time
// the main dialog opens.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "engine/member.h"
#include "interface/pluginapi.h"
#include "ui/dialog_layer.h"

namespace pxb::ui {

inline constexpr int kMaxPreviews = 9;

struct DialogState {
  // N, the number of previews shown (1 to 9); preview k shows member k. The
  // preview worker reads it after every step.
  std::atomic<int32_t> previewCount{3};

  // Per member: the reference a preview renders through (PrepareTree may
  // have put a wrapper in it, so it is released through this variable) and
  // whether the member's tree exists and that reference is held.
  Node* renderRefs[kMaxPreviews] = {};
  int32_t ready[kMaxPreviews] = {};

  // The preview grid, in client pixels of the main dialog: where placeholder
  // k lies, the largest rectangle of the image's shape inside it, and that
  // frame shrunk by 2 on every side (where the preview is drawn).
  Rect control[kMaxPreviews] = {};
  Rect frame[kMaxPreviews] = {};
  Rect picture[kMaxPreviews] = {};

  WindowHandle mainWindow = 0;       // drawing target of the main previews
  WindowHandle selectionWindow = 0;  // drawing target of the big preview
  api::FilterRecord* record = nullptr;

  // Selection dialog: the member it works on, its geometry and the backup
  // of the member as it was before the first filter file was loaded.
  int32_t selectionTarget = 0;
  Rect bigControl{};
  Rect bigFrame{};
  Rect bigPicture{};
  Member backup{};
  ViewParams backupView{};
  int32_t backupHeld = 0;

  // Properties dialog: the file "New Session" proposes (kept between
  // openings), whether it produced a choice in this opening, and the title
  // shown when the dialog opened.
  std::string newSessionPath;
  int32_t newSessionChosen = 0;
  std::string titleBackup;
};

DialogState& Dialogs();

// N as the dialogs see it.
inline int32_t PreviewCount() {
  return Dialogs().previewCount.load(std::memory_order_acquire);
}

}  // namespace pxb::ui
