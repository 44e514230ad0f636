#include "gimp/gtk_backend.h"

#include <gtk/gtk.h>

#include "gimp/gtk_window.h"

namespace pxb::gimp {
namespace {

using gtkui::FillPixels;

constexpr guint kRefreshMs = 50;

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  const int64_t p = static_cast<int64_t>(a) * b;
  const int64_t r = p >= 0 ? (p + c / 2) / c : -((-p + c / 2) / c);
  return static_cast<int32_t>(r);
}

// Shows the exposed part of the dialog's picture; the controls draw over it
// afterwards (the handler runs before the container's own).
gboolean ExposePicture(GtkWidget* widget, GdkEventExpose* event, gpointer data) {
  auto* w = static_cast<GtkBackend::Window*>(data);
  const GdkRectangle a = event->area;
  const int32_t left = std::max(a.x, 0);
  const int32_t top = std::max(a.y, 0);
  const int32_t right = std::min(a.x + a.width, w->width);
  const int32_t bottom = std::min(a.y + a.height, w->height);
  if (right <= left || bottom <= top) return FALSE;
  const int32_t width = right - left;
  std::vector<guchar> rgb(static_cast<size_t>(width) * static_cast<size_t>(bottom - top) * 3);
  size_t o = 0;
  for (int32_t y = top; y < bottom; ++y) {
    const std::atomic<uint32_t>* row =
        &w->pixels[static_cast<size_t>(y) * static_cast<size_t>(w->width)];
    for (int32_t x = left; x < right; ++x) {
      const uint32_t c = row[x].load(std::memory_order_relaxed);
      rgb[o++] = static_cast<guchar>(c & 0xFF);
      rgb[o++] = static_cast<guchar>((c >> 8) & 0xFF);
      rgb[o++] = static_cast<guchar>((c >> 16) & 0xFF);
    }
  }
  gdk_draw_rgb_image(widget->window, widget->style->black_gc, left, top, width, bottom - top,
                     GDK_RGB_DITHER_NONE, rgb.data(), width * 3);
  return FALSE;
}

// Closing the window is the Cancel button, as with a dialog's close box.
gboolean CloseAsCancel(GtkWidget*, GdkEvent*, gpointer data) {
  auto* w = static_cast<GtkBackend::Window*>(data);
  w->proc(w->handle, ui::kMsgCommand, ui::CommandParam(ui::ids::kCancel, 0), 0);
  return TRUE;
}

gboolean RefreshTick(gpointer data) {
  static_cast<GtkBackend*>(data)->Refresh();
  return TRUE;
}

}  // namespace

// The layer's entries, forwarding to the backend in their context.
struct GtkThunks {
  static GtkBackend& B(void* context) { return *static_cast<GtkBackend*>(context); }
  static std::intptr_t RunModal(void* context, WindowHandle owner, const ui::DialogTemplate* dialog,
                                ui::DialogProc proc, std::intptr_t param) {
    return B(context).RunModal(owner, *dialog, proc, param);
  }
  static void EndDialog(void* context, WindowHandle dialog, std::intptr_t result) {
    B(context).EndDialog(dialog, result);
  }
  static bool UpdateRect(void* context, WindowHandle dialog, ui::Rect* rect) {
    const GtkBackend::Window* w = B(context).Find(dialog);
    if (w == nullptr || !w->painting) return false;
    *rect = w->paintRect;
    return true;
  }
  static void Centre(void* context, WindowHandle dialog) {
    if (const GtkBackend::Window* w = B(context).Find(dialog); w != nullptr) {
      gtk_window_set_position(GTK_WINDOW(w->window),
                              w->owner != 0 ? GTK_WIN_POS_CENTER_ON_PARENT : GTK_WIN_POS_CENTER);
    }
  }
  static std::intptr_t ShowWaitCursor(void* context) {
    const WindowHandle top = B(context).Innermost();
    if (const GtkBackend::Window* w = B(context).Find(top); w != nullptr && w->window->window) {
      GdkCursor* cursor = gdk_cursor_new(GDK_WATCH);
      gdk_window_set_cursor(w->window->window, cursor);
      gdk_cursor_unref(cursor);
      gdk_flush();
    }
    return top;
  }
  static void RestoreCursor(void* context, std::intptr_t previous) {
    const GtkBackend::Window* w = B(context).Find(static_cast<WindowHandle>(previous));
    if (w != nullptr && w->window->window) gdk_window_set_cursor(w->window->window, nullptr);
  }
  static bool ChooseFile(void* context, ui::FileDialogSetup* setup) {
    return B(context).ChooseFile(setup);
  }
  // Drawing goes into the picture only, so any thread may do it.
  static ui::DrawContext BeginDrawing(void* context, WindowHandle dialog) {
    return reinterpret_cast<ui::DrawContext>(B(context).Find(dialog));
  }
  static void EndDrawing(void*, WindowHandle, ui::DrawContext) {}
  static void FillSolid(void*, ui::DrawContext dc, const ui::Rect& rect, uint32_t colour) {
    if (auto* w = reinterpret_cast<GtkBackend::Window*>(dc); w != nullptr)
      FillPixels(*w, rect, colour);
  }
  static void FrameBlack(void*, ui::DrawContext dc, const ui::Rect& r) {
    auto* w = reinterpret_cast<GtkBackend::Window*>(dc);
    if (w == nullptr || r.right <= r.left || r.bottom <= r.top) return;
    FillPixels(*w, ui::Rect{r.left, r.top, r.right, r.top + 1}, 0);
    FillPixels(*w, ui::Rect{r.left, r.bottom - 1, r.right, r.bottom}, 0);
    FillPixels(*w, ui::Rect{r.left, r.top, r.left + 1, r.bottom}, 0);
    FillPixels(*w, ui::Rect{r.right - 1, r.top, r.right, r.bottom}, 0);
  }
  static void LowerThreadPriority(void*) {}
  static void Log(void* context, const char* message) { B(context).Log(message); }
  static void Invalidate(void* context, WindowHandle dialog) {
    if (GtkBackend::Window* w = B(context).Find(dialog); w != nullptr) w->paintPending = true;
  }
  static void Tell(void* context, WindowHandle owner, const char* message) {
    B(context).Tell(owner, message);
  }
};

GtkBackend::GtkBackend() {
  using T = GtkThunks;
  layer_ = gtkui::GtkControlFunctions(this);
  layer_.runModal = T::RunModal;
  layer_.endDialog = T::EndDialog;
  layer_.updateRect = T::UpdateRect;
  layer_.centre = T::Centre;
  layer_.showWaitCursor = T::ShowWaitCursor;
  layer_.restoreCursor = T::RestoreCursor;
  layer_.chooseFile = T::ChooseFile;
  layer_.beginDrawing = T::BeginDrawing;
  layer_.endDrawing = T::EndDrawing;
  layer_.fillSolid = T::FillSolid;
  layer_.frameBlack = T::FrameBlack;
  layer_.lowerThreadPriority = T::LowerThreadPriority;
  layer_.log = T::Log;
  layer_.invalidate = T::Invalidate;
  layer_.tell = T::Tell;
  refreshSource_ = g_timeout_add(kRefreshMs, RefreshTick, this);
}

GtkBackend::~GtkBackend() {
  if (refreshSource_ != 0) g_source_remove(refreshSource_);
}

int32_t GtkBackend::PixelsX(int32_t units) const {
  return MulDiv(units, 6, 4);
}

int32_t GtkBackend::PixelsY(int32_t units) const {
  return MulDiv(units, 13, 8);
}

GtkBackend::Window* GtkBackend::Find(WindowHandle dialog) const {
  return windows_.Find(dialog);
}

GtkBackend::Control* GtkBackend::FindControlIn(WindowHandle dialog, int id) const {
  return windows_.FindControl(dialog, id);
}

WindowHandle GtkBackend::Innermost() const {
  return windows_.Innermost();
}

const ui::DialogTemplate* GtkBackend::TemplateOf(WindowHandle dialog) const {
  const Window* w = Find(dialog);
  return w != nullptr ? w->dialog : nullptr;
}

void GtkBackend::Log(const std::string& message) {
  if (sink_) sink_(message);
}

// A scripted run has nobody to close a message box: what the user would be
// told goes to the log instead.
void GtkBackend::Tell(WindowHandle owner, const std::string& message) {
  if (driver_) {
    Log(message);
    return;
  }
  const Window* o = Find(owner);
  GtkWidget* box =
      gtk_message_dialog_new(o != nullptr ? GTK_WINDOW(o->window) : nullptr, GTK_DIALOG_MODAL,
                             GTK_MESSAGE_WARNING, GTK_BUTTONS_OK, "%s", message.c_str());
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
}

void GtkBackend::Refresh() {
  for (int i = 0; i < ui::WindowSlots<Window>::kCount; ++i) {
    if (windows_[i].open && windows_[i].fixed != nullptr) gtk_widget_queue_draw(windows_[i].fixed);
  }
}

std::intptr_t GtkBackend::RunModal(WindowHandle owner, const ui::DialogTemplate& dialog,
                                   ui::DialogProc proc, std::intptr_t param) {
  Window* slot = windows_.Take();
  if (slot == nullptr) return -1;
  Window& w = *slot;
  w.backend = this;
  w.dialog = &dialog;
  w.proc = proc;
  w.owner = owner;
  w.width = PixelsX(dialog.width);
  w.height = PixelsY(dialog.height);
  w.pixels.reset(
      new std::atomic<uint32_t>[static_cast<size_t>(w.width) * static_cast<size_t>(w.height)]);
  FillPixels(w, ui::Rect{0, 0, w.width, w.height}, gtkui::kBackground);

  w.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(w.window), dialog.caption);
  gtk_window_set_resizable(GTK_WINDOW(w.window), FALSE);
  gtk_window_set_modal(GTK_WINDOW(w.window), TRUE);
  if (const Window* o = Find(owner); o != nullptr)
    gtk_window_set_transient_for(GTK_WINDOW(w.window), GTK_WINDOW(o->window));
  w.fixed = gtk_fixed_new();
  gtk_fixed_set_has_window(GTK_FIXED(w.fixed), TRUE);
  gtk_widget_set_size_request(w.fixed, w.width, w.height);
  gtk_widget_set_app_paintable(w.fixed, TRUE);
  gtk_container_add(GTK_CONTAINER(w.window), w.fixed);
  g_signal_connect(w.fixed, "expose-event", G_CALLBACK(ExposePicture), &w);
  g_signal_connect(w.window, "delete-event", G_CALLBACK(CloseAsCancel), &w);
  CreateControls(w);
  w.open = true;

  proc(w.handle, ui::kMsgInitDialog, 0, param);
  gtk_widget_show(w.fixed);
  gtk_widget_show(w.window);
  Paint(w);
  while (!w.ended) {
    if (w.paintPending) {
      w.paintPending = false;
      Paint(w);
      continue;
    }
    if (gtk_events_pending()) {
      gtk_main_iteration();
      continue;
    }
    if (!driver_) {
      gtk_main_iteration();
      continue;
    }
    const bool go = !abandoned_ && driver_(*this, w.handle);
    if (!go && !w.ended) {
      abandoned_ = true;
      w.proc(w.handle, ui::kMsgCommand, ui::CommandParam(ui::ids::kCancel, 0), 0);
      if (!w.ended) EndDialog(w.handle, ui::ids::kCancel);
    }
  }
  const std::intptr_t result = w.result;
  w.open = false;
  gtk_widget_destroy(w.window);
  w.window = nullptr;
  w.fixed = nullptr;
  w.controls.clear();
  w.pixels.reset();
  if (Innermost() == 0) abandoned_ = false;
  while (gtk_events_pending())
    gtk_main_iteration();
  return result;
}

void GtkBackend::EndDialog(WindowHandle dialog, std::intptr_t result) {
  Window* w = Find(dialog);
  if (w == nullptr) return;
  w->ended = true;
  w->result = result;
}

// The first paint: the whole picture erased, then the procedure draws (and
// starts its previews).
void GtkBackend::Paint(Window& w) {
  const ui::Rect area{0, 0, w.width, w.height};
  FillPixels(w, area, gtkui::kBackground);
  w.painting = true;
  w.paintRect = area;
  w.proc(w.handle, ui::kMsgPaint, 0, 0);
  w.painting = false;
  gtk_widget_queue_draw(w.fixed);
}

bool GtkBackend::SaveScreenshot(WindowHandle dialog, const std::string& path, std::string* error) {
  const Window* w = Find(dialog);
  if (w == nullptr || w->fixed->window == nullptr) {
    *error = "the dialog is not on the screen";
    return false;
  }
  gtk_widget_queue_draw(w->fixed);
  gdk_window_process_all_updates();
  gdk_flush();
  GdkPixbuf* shot = gdk_pixbuf_get_from_drawable(nullptr, w->fixed->window, nullptr, 0, 0, 0, 0,
                                                 w->width, w->height);
  if (shot == nullptr) {
    *error = "the dialog's window could not be read";
    return false;
  }
  GError* failure = nullptr;
  const bool saved = gdk_pixbuf_save(shot, path.c_str(), "png", &failure, nullptr) != FALSE;
  if (!saved) {
    *error = path + ": " + (failure != nullptr ? failure->message : "not written");
    g_clear_error(&failure);
  }
  g_object_unref(shot);
  return saved;
}

}  // namespace pxb::gimp
