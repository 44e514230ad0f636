// The file choosers of the GTK dialogs: GtkFileChooserDialog set up from
// what the dialogs ask for (file_dialogs.h), with the same checks on the
// chosen name as the common file dialogs make.
#include <gtk/gtk.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <system_error>

#include "gimp/gtk_backend.h"
#include "gimp/gtk_window.h"
#include "ui/chosen_file.h"
#include "ui/file_dialogs.h"

namespace pxb::gimp {
namespace {

namespace ofn = ui::ofn;
constexpr guint kAnswerDelayMs = 300;

// The filter list: description, NUL, pattern, NUL, ..., NUL.
void AddFilters(GtkFileChooser* chooser, const char* list) {
  if (list == nullptr) return;
  while (*list != '\0') {
    const char* description = list;
    const char* pattern = description + std::char_traits<char>::length(description) + 1;
    if (*pattern == '\0') return;
    GtkFileFilter* f = gtk_file_filter_new();
    gtk_file_filter_set_name(f, description);
    gtk_file_filter_add_pattern(f, pattern);
    gtk_file_chooser_add_filter(chooser, f);
    list = pattern + std::char_traits<char>::length(pattern) + 1;
  }
}

gboolean Accept(gpointer dialog) {
  gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  return FALSE;
}

}  // namespace

bool GtkBackend::ChooseFile(ui::FileDialogSetup* setup) {
  namespace fs = std::filesystem;
  lastFileChosen_ = false;
  const bool open = setup->kind == ui::kFileDialogKindOpen;
  const Window* owner = Find(setup->owner);
  GtkWidget* dialog = gtk_file_chooser_dialog_new(
      setup->save ? "Save" : (open ? "Open" : "Session"),
      owner != nullptr ? GTK_WINDOW(owner->window) : nullptr,
      open ? GTK_FILE_CHOOSER_ACTION_OPEN : GTK_FILE_CHOOSER_ACTION_SAVE, GTK_STOCK_CANCEL,
      GTK_RESPONSE_CANCEL, open ? GTK_STOCK_OPEN : GTK_STOCK_SAVE, GTK_RESPONSE_ACCEPT, nullptr);
  auto* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_file_chooser_set_do_overwrite_confirmation(chooser,
                                                 (setup->flags & ofn::kOverwritePrompt) != 0);
  AddFilters(chooser, setup->filter);
  if (setup->initialDirectory != nullptr && setup->initialDirectory[0] != '\0')
    gtk_file_chooser_set_current_folder(chooser, setup->initialDirectory);

  // The proposed file, or the answer a driver gave, typed in.
  std::string proposed = setup->path != nullptr ? setup->path : "";
  const bool answered = !fileAnswers_.empty();
  if (answered) {
    std::error_code ec;
    proposed = fs::absolute(fs::path(fileAnswers_.front()), ec).string();
    fileAnswers_.pop_front();
  }
  if (!proposed.empty()) {
    const fs::path p(proposed);
    if (p.has_parent_path()) gtk_file_chooser_set_current_folder(chooser, p.parent_path().c_str());
    if (open) {
      gtk_file_chooser_set_filename(chooser, proposed.c_str());
    } else {
      gtk_file_chooser_set_current_name(chooser, p.filename().c_str());
    }
  }
  if (answered) g_timeout_add(kAnswerDelayMs, Accept, dialog);
  const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
  gchar* chosen =
      response == GTK_RESPONSE_ACCEPT ? gtk_file_chooser_get_filename(chooser) : nullptr;
  gtk_widget_destroy(dialog);
  if (chosen == nullptr) return false;
  fs::path path(chosen);
  g_free(chosen);

  auto refuse = [&](const std::string& why) {
    Log("the file dialog did not accept " + path.string() + ": " + why);
    return false;
  };
  std::string why;
  if (!ui::AcceptChosenFile(setup, path, &why)) return refuse(why);
  lastFileChosen_ = true;
  return true;
}

}  // namespace pxb::gimp
