// The GIMP 2.10 plug-in: registers the procedure and runs it in GIMP's three
// run modes. Everything it does to pixels and files is done by the core and
// the final pass over the drawable; this file only speaks GIMP's protocol.
#include <libgimp/gimp.h>

#include <cstring>
#include <string>

#include "engine/growth.h"
#include "engine/member.h"
#include "gimp/drawable_pass.h"
#include "gimp/filter_member.h"
#include "gimp/interactive.h"
#include "primitives/registration.h"

namespace {

constexpr const char* kProcedure = "plug-in-pixbreed";

// What GIMP keeps between runs for "Repeat": the session the last run used.
struct LastValues {
  char sessionPath[1024];
};

// The return values live until GIMP has read them, after run returns.
struct Replies {
  GimpParam values[2];
  std::string message;
};

Replies& TheReplies() {
  static Replies replies;
  return replies;
}

void Query() {
  static const GimpParamDef arguments[] = {
      {GIMP_PDB_INT32, const_cast<gchar*>("run-mode"),
       const_cast<gchar*>("The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1), "
                          "RUN-WITH-LAST-VALS (2) }")},
      {GIMP_PDB_IMAGE, const_cast<gchar*>("image"), const_cast<gchar*>("Input image")},
      {GIMP_PDB_DRAWABLE, const_cast<gchar*>("drawable"), const_cast<gchar*>("Input drawable")},
      {GIMP_PDB_STRING, const_cast<gchar*>("file"),
       const_cast<gchar*>("A session file (.gds) or a filter file (.gdo)")},
      {GIMP_PDB_INT32, const_cast<gchar*>("member"),
       const_cast<gchar*>("The session's member 0 to 8, or -1 for the picked one (always -1 "
                          "for a filter file)")},
  };
  gimp_install_procedure(
      kProcedure, "Breed image filters by rating previews, and apply the one you pick",
      "Interactively: the breeding dialog. Non-interactively: filters the drawable with member "
      "'member' of the session 'file', or with the filter file 'file'. With last values: the "
      "picked member of the session used last.",
      "Pixbreed", "Pixbreed", "2024", "_Pixbreed...", "RGB*, GRAY*", GIMP_PLUGIN,
      G_N_ELEMENTS(arguments), 0, arguments, nullptr);
  gimp_plugin_menu_register(kProcedure, "<Image>/Filters/Generic");
}

bool LoadLastValues(LastValues* values) {
  if (gimp_get_data_size(kProcedure) != static_cast<gint>(sizeof(LastValues))) return false;
  gimp_get_data(kProcedure, values);
  values->sessionPath[sizeof values->sessionPath - 1] = '\0';
  return values->sessionPath[0] != '\0';
}

void StoreLastSession(const std::string& path) {
  LastValues values{};
  if (path.size() >= sizeof values.sessionPath) return;
  std::memcpy(values.sessionPath, path.c_str(), path.size() + 1);
  gimp_set_data(kProcedure, &values, sizeof values);
}

// Reads the member and filters the drawable with it as one undo step.
bool Apply(gint32 image, gint32 drawable, const pxb::gimp::FilterTarget& target,
           std::string* error) {
  pxb::Member member{};
  if (!pxb::gimp::LoadFilterTarget(target, &member, error)) return false;
  gimp_image_undo_group_start(image);
  const bool ok = pxb::gimp::FilterDrawable(drawable, member, error);
  gimp_image_undo_group_end(image);
  pxb::ViewParams vp{};
  pxb::ReleaseMember(&member, &vp);
  if (ok && !pxb::gimp::IsFilterFile(target.path)) StoreLastSession(target.path);
  return ok;
}

void Run(const gchar* /*name*/, gint count, const GimpParam* params, gint* replyCount,
         GimpParam** replies) {
  Replies& r = TheReplies();
  *replies = r.values;
  *replyCount = 1;
  r.values[0].type = GIMP_PDB_STATUS;
  r.values[0].data.d_status = GIMP_PDB_SUCCESS;
  auto fail = [&](GimpPDBStatusType status, const std::string& message) {
    r.values[0].data.d_status = status;
    r.message = message;
    r.values[1].type = GIMP_PDB_STRING;
    r.values[1].data.d_string = const_cast<gchar*>(r.message.c_str());
    *replyCount = 2;
  };
  if (count < 3) {
    fail(GIMP_PDB_CALLING_ERROR, "Pixbreed needs the run mode, the image and the drawable");
    return;
  }
  const auto mode = static_cast<GimpRunMode>(params[0].data.d_int32);
  const gint32 image = params[1].data.d_image;
  const gint32 drawable = params[2].data.d_drawable;
  gegl_init(nullptr, nullptr);
  pxb::RegisterPrimitives();

  pxb::gimp::FilterTarget target;
  switch (mode) {
    case GIMP_RUN_NONINTERACTIVE:
      if (count != 5 || params[3].data.d_string == nullptr) {
        fail(GIMP_PDB_CALLING_ERROR, "Pixbreed takes a file and a member index");
        return;
      }
      target.path = params[3].data.d_string;
      target.member = params[4].data.d_int32;
      break;
    case GIMP_RUN_WITH_LAST_VALS: {
      LastValues last{};
      if (!LoadLastValues(&last)) {
        fail(GIMP_PDB_EXECUTION_ERROR, "Pixbreed has not used a session yet: nothing to repeat");
        gimp_message(r.message.c_str());
        return;
      }
      target.path = last.sessionPath;
      break;
    }
    case GIMP_RUN_INTERACTIVE:
    default: {
      // The breeding dialog; the session it ends in is the one "Repeat"
      // and the next dialog open, whatever the outcome.
      LastValues last{};
      std::string session = LoadLastValues(&last) ? last.sessionPath : "";
      std::string error;
      const pxb::gimp::BreedingOutcome outcome =
          pxb::gimp::RunBreedingDialog(drawable, &session, &error);
      if (!session.empty()) StoreLastSession(session);
      if (outcome == pxb::gimp::BreedingOutcome::kCancelled) {
        r.values[0].data.d_status = GIMP_PDB_CANCEL;
        return;
      }
      if (outcome == pxb::gimp::BreedingOutcome::kFailed) {
        fail(GIMP_PDB_EXECUTION_ERROR, error);
        gimp_message(r.message.c_str());
        return;
      }
      target.path = session;
      break;
    }
  }

  std::string error;
  if (!Apply(image, drawable, target, &error)) {
    fail(GIMP_PDB_EXECUTION_ERROR, error);
    if (mode != GIMP_RUN_NONINTERACTIVE) gimp_message(error.c_str());
    return;
  }
  if (mode != GIMP_RUN_NONINTERACTIVE) gimp_displays_flush();
}

}  // namespace

extern "C" {
const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, Query, Run};
}

MAIN()
