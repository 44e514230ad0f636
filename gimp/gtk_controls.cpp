// The GTK dialogs' controls: made from the templates, and what the
// procedures and a driver do to them.
#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>

#include "gimp/gtk_backend.h"
#include "gimp/gtk_window.h"

namespace pxb::gimp {
namespace {

using ui::ControlKind;
namespace style = ui::style;

struct Clicked {
  GtkBackend::Window* window;
  int id;
};

void SendClick(GtkButton*, gpointer data) {
  const auto* c = static_cast<const Clicked*>(data);
  c->window->proc(c->window->handle, ui::kMsgCommand, ui::CommandParam(c->id, 0), 0);
}

void FreeClicked(gpointer data, GClosure*) {
  delete static_cast<Clicked*>(data);
}

// An up-down control that sets its buddy's number: the buddy (the control
// before it) and it become one spin button.
bool DrivesBuddy(const ui::ControlTemplate& t) {
  return t.kind == ControlKind::kUpDown && (t.style & style::kUpDownAutoBuddy) != 0 &&
         (t.style & style::kUpDownSetBuddyInt) != 0;
}

GtkWidget* MakeWidget(GtkBackend::Window& w, const ui::ControlTemplate& t) {
  const char* caption = t.caption != nullptr ? t.caption : "";
  switch (t.kind) {
    case ControlKind::kPushButton:
    case ControlKind::kDefaultPushButton: {
      GtkWidget* b = gtk_button_new_with_label(caption);
      g_signal_connect_data(b, "clicked", G_CALLBACK(SendClick), new Clicked{&w, t.id}, FreeClicked,
                            static_cast<GConnectFlags>(0));
      return b;
    }
    case ControlKind::kStatic: {
      GtkWidget* l = gtk_label_new(caption);
      gtk_misc_set_alignment(GTK_MISC(l), 0.0F, 0.0F);
      return l;
    }
    case ControlKind::kEdit: {
      GtkWidget* e = gtk_entry_new();
      gtk_entry_set_text(GTK_ENTRY(e), caption);
      gtk_editable_set_editable(GTK_EDITABLE(e), (t.style & style::kEditReadOnly) == 0);
      return e;
    }
    case ControlKind::kUpDown: {
      GtkWidget* s = gtk_spin_button_new_with_range(0, 100, 1);
      gtk_spin_button_set_wrap(GTK_SPIN_BUTTON(s), (t.style & style::kUpDownWrap) != 0);
      gtk_spin_button_set_numeric(GTK_SPIN_BUTTON(s), TRUE);
      return s;
    }
    case ControlKind::kTrackbar: {
      GtkWidget* s = gtk_vscale_new_with_range(0, 100, 1);
      gtk_scale_set_draw_value(GTK_SCALE(s), FALSE);
      return s;
    }
  }
  return nullptr;
}

// The templates' sizes are made for a small dialog font; GTK's default is
// larger, so captions get a font of the dialog font's pixel height.
void UseDialogFont(GtkWidget* widget) {
  GtkWidget* text = GTK_IS_BUTTON(widget) ? gtk_bin_get_child(GTK_BIN(widget)) : widget;
  if (text == nullptr) return;
  PangoFontDescription* font = pango_font_description_from_string("Sans");
  pango_font_description_set_absolute_size(font, 9 * PANGO_SCALE);
  gtk_widget_modify_font(text, font);
  pango_font_description_free(font);
}

}  // namespace

void GtkBackend::CreateControls(Window& w) {
  const ui::DialogTemplate& d = *w.dialog;
  for (int32_t i = 0; i < d.controlCount; ++i) {
    const ui::ControlTemplate& t = d.controls[i];
    const int32_t left = PixelsX(t.x);
    const int32_t top = PixelsY(t.y);
    ui::Rect rect{left, top, left + PixelsX(t.width), top + PixelsY(t.height)};
    ui::Rect place = rect;
    if (DrivesBuddy(t) && !w.controls.empty() && w.controls.back().kind == ControlKind::kEdit) {
      Control& buddy = w.controls.back();
      if (buddy.widget != nullptr) gtk_widget_destroy(buddy.widget);
      buddy.widget = nullptr;
      place = ui::Rect{std::min(buddy.rect.left, rect.left), std::min(buddy.rect.top, rect.top),
                       std::max(buddy.rect.right, rect.right),
                       std::max(buddy.rect.bottom, rect.bottom)};
    }
    GtkWidget* widget = MakeWidget(w, t);
    UseDialogFont(widget);
    gtk_widget_set_size_request(widget, place.width(), place.height());
    gtk_fixed_put(GTK_FIXED(w.fixed), widget, place.left, place.top);
    if ((t.style & style::kVisible) != 0) gtk_widget_show(widget);
    if (t.kind == ControlKind::kDefaultPushButton) {
      GTK_WIDGET_SET_FLAGS(widget, GTK_CAN_DEFAULT);
      gtk_widget_grab_default(widget);
    }
    w.controls.push_back(Control{t.id, t.kind, rect, widget});
  }
}

bool GtkBackend::IsVisible(WindowHandle dialog, int id) const {
  const Control* c = FindControlIn(dialog, id);
  return c != nullptr && c->widget != nullptr && GTK_WIDGET_VISIBLE(c->widget);
}

bool GtkBackend::Click(WindowHandle dialog, int id) {
  const Control* c = FindControlIn(dialog, id);
  if (!IsVisible(dialog, id) ||
      (c->kind != ControlKind::kPushButton && c->kind != ControlKind::kDefaultPushButton)) {
    return false;
  }
  gtk_button_clicked(GTK_BUTTON(c->widget));
  return true;
}

bool GtkBackend::SetSlider(WindowHandle dialog, int id, int32_t position) {
  const Control* c = FindControlIn(dialog, id);
  if (!IsVisible(dialog, id) || c->kind != ControlKind::kTrackbar || position < 0 ||
      position > 100) {
    return false;
  }
  gtk_range_set_value(GTK_RANGE(c->widget), position);
  return true;
}

bool GtkBackend::SetUpDown(WindowHandle dialog, int id, int32_t position) {
  const Control* c = FindControlIn(dialog, id);
  if (!IsVisible(dialog, id) || c->kind != ControlKind::kUpDown) return false;
  double lower = 0;
  double upper = 0;
  gtk_spin_button_get_range(GTK_SPIN_BUTTON(c->widget), &lower, &upper);
  if (position < lower || position > upper) return false;
  gtk_spin_button_set_value(GTK_SPIN_BUTTON(c->widget), position);
  return true;
}

// The layer's control functions.
struct GtkControlThunks {
  static GtkBackend::Control* C(void* context, WindowHandle dialog, int id) {
    GtkBackend::Control* c = static_cast<GtkBackend*>(context)->FindControlIn(dialog, id);
    return c != nullptr && c->widget != nullptr ? c : nullptr;
  }
  static bool ControlRect(void* context, WindowHandle dialog, int id, ui::Rect* rect) {
    const GtkBackend::Control* c = static_cast<GtkBackend*>(context)->FindControlIn(dialog, id);
    if (c == nullptr) return false;
    *rect = c->rect;
    return true;
  }
  static void ShowControl(void* context, WindowHandle dialog, int id, bool show) {
    if (const GtkBackend::Control* c = C(context, dialog, id); c != nullptr) {
      if (show) {
        gtk_widget_show(c->widget);
      } else {
        gtk_widget_hide(c->widget);
      }
    }
  }
  static int32_t SliderPosition(void* context, WindowHandle dialog, int id) {
    const GtkBackend::Control* c = C(context, dialog, id);
    if (c == nullptr || c->kind != ControlKind::kTrackbar) return 0;
    return static_cast<int32_t>(std::lround(gtk_range_get_value(GTK_RANGE(c->widget))));
  }
  static void SetSliderPosition(void* context, WindowHandle dialog, int id, int32_t position) {
    const GtkBackend::Control* c = C(context, dialog, id);
    if (c != nullptr && c->kind == ControlKind::kTrackbar)
      gtk_range_set_value(GTK_RANGE(c->widget), position);
  }
  static void SetUpDownRange(void* context, WindowHandle dialog, int id, int32_t lower,
                             int32_t upper) {
    const GtkBackend::Control* c = C(context, dialog, id);
    if (c != nullptr && c->kind == ControlKind::kUpDown) {
      gtk_spin_button_set_range(GTK_SPIN_BUTTON(c->widget), std::min(lower, upper),
                                std::max(lower, upper));
    }
  }
  static void SetUpDownPosition(void* context, WindowHandle dialog, int id, int32_t position) {
    const GtkBackend::Control* c = C(context, dialog, id);
    if (c != nullptr && c->kind == ControlKind::kUpDown)
      gtk_spin_button_set_value(GTK_SPIN_BUTTON(c->widget), position);
  }
  static int32_t UpDownPosition(void* context, WindowHandle dialog, int id) {
    const GtkBackend::Control* c = C(context, dialog, id);
    if (c == nullptr || c->kind != ControlKind::kUpDown) return 0;
    return gtk_spin_button_get_value_as_int(GTK_SPIN_BUTTON(c->widget));
  }
  static void SetText(void* context, WindowHandle dialog, int id, const char* text) {
    const GtkBackend::Control* c = C(context, dialog, id);
    if (c == nullptr) return;
    const char* t = text != nullptr ? text : "";
    switch (c->kind) {
      case ControlKind::kStatic:
        gtk_label_set_text(GTK_LABEL(c->widget), t);
        break;
      case ControlKind::kEdit:
        gtk_entry_set_text(GTK_ENTRY(c->widget), t);
        break;
      case ControlKind::kPushButton:
      case ControlKind::kDefaultPushButton:
        gtk_button_set_label(GTK_BUTTON(c->widget), t);
        break;
      case ControlKind::kUpDown:
      case ControlKind::kTrackbar:
        break;
    }
  }
};

ui::DialogLayer gtkui::GtkControlFunctions(GtkBackend* backend) {
  using T = GtkControlThunks;
  ui::DialogLayer layer{};
  layer.context = backend;
  layer.controlRect = T::ControlRect;
  layer.showControl = T::ShowControl;
  layer.sliderPosition = T::SliderPosition;
  layer.setSliderPosition = T::SetSliderPosition;
  layer.setUpDownRange = T::SetUpDownRange;
  layer.setUpDownPosition = T::SetUpDownPosition;
  layer.upDownPosition = T::UpDownPosition;
  layer.setText = T::SetText;
  return layer;
}

}  // namespace pxb::gimp
