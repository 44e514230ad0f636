// Runs the plug-in in-process through its entry point with the test host's
// side of the interface, with scripted stand-ins for its dialogs.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "evolution/session_file.h"
#include "host/dialogs.h"
#include "host/entry.h"
#include "host/plugin_run.h"
#include "host/session_ops.h"
#include "primitives/expression_text.h"
#include "primitives/registration.h"
#include "storage/session_store.h"
#include "testhost/host_side.h"
#include "tests/common/seeded_session.h"
#include "tests/common/temp_dir.h"

namespace pxb::host {

using pxhost::Document;
using pxhost::Host;
using pxhost::HostOptions;

// What the stand-in dialogs do.
struct DialogScript {
  std::string chooserAnswer;     // the start-up chooser's path; empty: it cancels
  int pick = 0;                  // the member the main dialog picks; -1: it cancels
  std::function<void()> during;  // runs inside the main dialog
  int chooserCalls = 0;
  int dialogCalls = 0;
  // The offers to save the session elsewhere: the answers, one per offer
  // (none left: declined), and what the user was told.
  std::deque<std::string> saveAsAnswers;
  std::vector<std::string> told;
};

class PluginTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterPrimitives();
    const DialogProcs procs{&script_, Choose, Dialog, SaveElsewhere};
    SetDialogProcs(&procs);
    CurrentRun().privateCopyLimit = INT64_MAX;
  }
  void TearDown() override { SetDialogProcs(nullptr); }

  std::string Path(const std::string& name) const { return dir_ / name; }

  static HostOptions Quiet() {
    HostOptions o;
    o.log = nullptr;
    return o;
  }

  // A w × h document whose planes vary along both axes.
  static Document Pattern(int w, int h, std::int16_t planes, std::int16_t mode) {
    Document d;
    d.width = w;
    d.height = h;
    d.planes = planes;
    d.imageMode = mode;
    d.pixels.resize(static_cast<std::size_t>(w) * h * planes);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        for (int p = 0; p < planes; ++p) {
          d.pixels[(static_cast<std::size_t>(y) * w + x) * planes + p] =
              static_cast<std::uint8_t>(x * (5 + 2 * p) + y * (3 + p) + 40 * p);
        }
      }
    }
    return d;
  }

  static Document Rgb(int w, int h) { return Pattern(w, h, 3, api::plugInModeRGBColor); }

  // A session file like `pixbreed new --seed seed`, member `chosen` picked.
  static void WriteSession(const std::string& path, std::uint16_t seed, TypeId root, int chosen) {
    testing::WriteSeededSession(path, seed, 3, root, chosen);
  }

  // The expression text of member k of a session seeded with seed.
  static std::string TreeText(std::uint16_t seed, TypeId root, int k) {
    Member m{};
    ViewParams view{64, 64, 0, {{357, seed, static_cast<std::uint16_t>(k)}}};
    ResetMember(&m, root, &view);
    RegrowMember(&m, &view);
    const std::string text = ExpressionText(m.tree);
    ReleaseMember(&m, &view);
    return text;
  }

  // The first seed whose member 0 reads the image, depends on the position,
  // and has or lacks "dither".
  static std::uint16_t FindSeed(TypeId root, bool dither) {
    for (std::uint16_t seed = 1; seed < 500; ++seed) {
      const std::string t = TreeText(seed, root, 0);
      const bool leaves = t.find("phtshp") != std::string::npos;
      const bool hasDither = t.find("dither") != std::string::npos;
      const bool positional = t.find("(mu)") != std::string::npos ||
                              t.find("(mv)") != std::string::npos ||
                              t.find("noise") != std::string::npos;
      if (leaves && positional && hasDither == dither) return seed;
    }
    ADD_FAILURE() << "no such seed";
    return 1;
  }

  // A session of member 0 of FindSeed(...), picked, answering the chooser.
  std::string SessionWith(TypeId root, bool dither) {
    const std::string path = Path("chosen.gds");
    WriteSession(path, FindSeed(root, dither), root, 0);
    script_.chooserAnswer = path;
    script_.pick = 0;
    return path;
  }

  // A document of one value in every plane: the image leaves see the same
  // whatever the planes are and wherever they read.
  static Document Flat(int w, int h, std::int16_t planes, std::int16_t mode, std::uint8_t v) {
    Document d = Pattern(w, h, planes, mode);
    std::fill(d.pixels.begin(), d.pixels.end(), v);
    return d;
  }

  // One normal run on doc; returns the document afterwards.
  Document Filter(const Document& doc, HostOptions options, api::OSErr* start = nullptr) {
    Host host(doc, options, &ENTRYPOINT);
    host.RunFilter(true);
    EXPECT_TRUE(host.problems.empty()) << host.problems.front();
    if (start != nullptr) *start = host.LastResult(api::filterSelectorStart);
    return host.document();
  }

  static bool Choose(void* context, platform::WindowHandle, const std::string&, std::string* path) {
    auto* s = static_cast<DialogScript*>(context);
    ++s->chooserCalls;
    *path = s->chooserAnswer;
    return !path->empty();
  }
  static int Dialog(void* context, platform::WindowHandle, api::FilterRecord*) {
    auto* s = static_cast<DialogScript*>(context);
    ++s->dialogCalls;
    if (s->during) s->during();
    if (s->pick >= 0) PickMember(s->pick);
    return s->pick;
  }

  static bool SaveElsewhere(void* context, platform::WindowHandle, const std::string& problem,
                            const std::string&, std::string* path) {
    auto* s = static_cast<DialogScript*>(context);
    s->told.push_back(problem);
    if (s->saveAsAnswers.empty()) return false;
    *path = s->saveAsAnswers.front();
    s->saveAsAnswers.pop_front();
    return true;
  }

  DialogScript script_;
  testing::TempDir dir_{"pxb_host"};
};

}  // namespace pxb::host
