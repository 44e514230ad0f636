// The three breeding dialogs and the operations they share. The procedures
// take the window system's messages (dialog_layer.h) and reach the window
// system only through the installed dialog layer.
#pragma once

#include <cstdint>
#include <string>

#include "interface/pluginapi.h"
#include "ui/dialog_layer.h"

namespace pxb::ui {

// Main dialog (PXBREEDDIALOG).
std::intptr_t PxbreedProc(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                          std::intptr_t lParam);
// Runs the main dialog modally over owner and returns the result it ended
// with: 4 + 4k after "ok" of group k, 2 after Cancel.
std::intptr_t RunMainDialog(WindowHandle owner, api::FilterRecord* record);

// Lays out previews 0..n-1 (control, frame and picture rectangles), sets
// their sliders to 50 and rebuilds the main sample order for the largest
// picture.
void LayoutPreviews(int n);
// The largest rectangle of the source image's shape centred in r; an odd
// excess leaves its extra pixel at the bottom or the right.
Rect FitAspect(const Rect& r);
// r shrunk by 2 pixels on every side.
Rect PictureOf(const Rect& frame);
// Shows or hides the four controls of group k.
void ShowGroup(WindowHandle dialog, int k, bool show);
// Around the replacement of shown member k: before it, its preview stops
// and gives up its render reference; after it, the member's tree (regrown
// from its seed first when asked) gets a new render reference and its
// preview restarts.
void BeginReplacingMember(int k);
void FinishReplacingMember(int k, bool regrow = false);
// Tells the user, once, that the session just read had learning that could
// not be used.
void TellLearningDamage(WindowHandle owner);
// Stops all rendering and makes member k the chosen one.
void PickMember(int k);

// Selection dialog (PXSELDIALOG).
std::intptr_t SelectionProc(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam);
// Replaces the selection target k by the filter file at path, keeping the
// member it replaces as the backup the first time. A file that cannot be
// read changes nothing; false then, with the reason told to the layer's log.
bool LoadMemberFile(const std::string& path, int k);
// Ends the selection: restore puts the backup back (Cancel), otherwise the
// backup is freed (OK).
void CloseSelection(int k, bool restore);
// Keeps the directory part of path (everything before its last separator)
// as the session's last directory.
void RememberDirectory(const std::string& path);

// Properties dialog (PXPROPDIALOG).
std::intptr_t PropertiesProc(WindowHandle window, uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam);
// Ends the properties dialog, writes the current session and continues
// with the one "New Session" chose. Anything that cannot be written, read or created leaves the
// session, the population and the previews as they were; false then.
bool SwitchSession(WindowHandle dialog);

// The start-up chooser: asks for a session file with the session kind of
// file dialog. True with *path set when the user chose one.
bool ChooseSessionFile(WindowHandle owner, const std::string& currentPath, std::string* path);
// Tells the user problem (the session could not be written) and offers a
// file chooser to save the session under another name; true with *path
// when one was chosen, false when the user declines.
bool OfferSessionSaveAs(WindowHandle owner, const std::string& problem,
                        const std::string& currentPath, std::string* path);

}  // namespace pxb::ui
