// Runs the breeding dialogs on the headless backend with small pictures,
// on a population of nine fresh members over a patterned source image.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <deque>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "evolution/population.h"
#include "evolution/session_file.h"
#include "host/plugin_run.h"
#include "primitives/registration.h"
#include "primitives/source_image.h"
#include "storage/session_store.h"
#include "testhost/headless_backend.h"
#include "testhost/script.h"
#include "tests/common/temp_dir.h"
#include "ui/dialog_state.h"
#include "ui/dialogs.h"
#include "ui/preview.h"
#include "ui/templates.h"

namespace pxb::ui {

using Step = std::function<void(HeadlessBackend& backend, WindowHandle dialog)>;

// How often each main preview's border was drawn, matched against the
// slots' frames.
struct FrameCounts {
  std::atomic<int> framed[kMaxPreviews] = {};

  static void Framed(void* context, WindowHandle, const Rect& r) {
    auto* c = static_cast<FrameCounts*>(context);
    for (int k = 0; k < kMaxPreviews; ++k) {
      if (Slot(k).frame.Load() == r) ++c->framed[k];
    }
  }
  static void Filled(void*, WindowHandle, const Rect&, uint32_t) {}
};

class DialogTest : public ::testing::Test {
 protected:
  // Small dialogs keep the previews quick: a 90-unit placeholder is 45
  // pixels wide and high.
  static HeadlessOptions SmallDialogs() {
    HeadlessOptions o;
    o.baseUnitX = 2;
    o.baseUnitY = 4;
    return o;
  }

  void SetUp() override {
    RegisterPrimitives();
    source_.resize(static_cast<size_t>(kSourceWidth) * kSourceHeight * 3);
    for (int y = 0; y < kSourceHeight; ++y) {
      for (int x = 0; x < kSourceWidth; ++x) {
        uint8_t* p = &source_[(static_cast<size_t>(y) * kSourceWidth + x) * 3];
        p[0] = static_cast<uint8_t>(x * 2);
        p[1] = static_cast<uint8_t>(y * 3);
        p[2] = static_cast<uint8_t>((x + y) * 5);
      }
    }
    SetSourceImage(kSourceWidth, kSourceHeight, source_.data(), kSourceWidth * 3, 3);
    ResetPopulation(1234, 3);
    UseBackend(SmallDialogs());
  }

  // Replaces the backend (before the dialogs run).
  void UseBackend(const HeadlessOptions& options) {
    backend_ = std::make_unique<HeadlessBackend>(options);
    observer_ = DrawObserver{&counts_, FrameCounts::Filled, FrameCounts::Framed};
    backend_->SetDrawObserver(&observer_);
    backend_->SetDriver([this](HeadlessBackend& b, WindowHandle d) { return Drive(b, d); });
    SetDialogLayer(&backend_->layer());
  }

  void TearDown() override {
    StopPreviewWorker();
    StopBigPreview();
    DialogState& d = Dialogs();
    for (int k = 0; k < kMaxPreviews; ++k) {
      if (d.ready[k] != 0) NodeRelease(&d.renderRefs[k], &GlobalPopulation().views[k]);
      d.ready[k] = 0;
    }
    if (d.backupHeld != 0) ReleaseMember(&d.backup, &d.backupView);
    d.backupHeld = 0;
    d.newSessionPath.clear();
    SetDialogLayer(nullptr);
    backend_.reset();
    ClearSourceImage();
    host::CurrentRun().sessionPath.clear();
    host::CurrentRun().sessionTitle.clear();
  }

  // Nine treeless members seeded (357, word, k) and a header showing n.
  static void ResetPopulation(uint16_t word, uint32_t n) {
    Population& p = GlobalPopulation();
    ReleasePopulation(&p);
    p.rootType = kColour;
    p.chosenMember = -1;
    for (int k = 0; k < kPopulationSize; ++k) {
      p.views[k] = ViewParams{0, 0, 0, RandState{{357, word, static_cast<uint16_t>(k)}}};
      ResetMember(&p.members[k], kColour, &p.views[k]);
    }
    GlobalSessionHeader() = SessionHeader{};
    GlobalSessionHeader().previewCount = n;
  }

  // One entry of a flow: a step, or the commands of a dialog script, each
  // of which is a step (DIR in the script stands for the test's directory).
  // Implicit, so that a flow lists steps and script lines alike.
  struct Act {
    template <typename F>
    Act(F f) : steps{Step(std::move(f))} {}
    Act(const char* text) : script(text) {}
    std::vector<Step> steps;
    std::string script;
  };

  // Runs the main dialog; each time it waits for input the next step acts
  // on the innermost dialog. When the steps run out the dialogs are
  // cancelled.
  std::intptr_t RunMain(std::initializer_list<Act> acts) {
    steps_.clear();
    for (const Act& act : acts) {
      steps_.insert(steps_.end(), act.steps.begin(), act.steps.end());
      if (!act.script.empty()) AddScript(act.script);
    }
    return RunMainDialog(0, nullptr);
  }

  void AddScript(std::string text) {
    for (size_t at = text.find("DIR"); at != std::string::npos; at = text.find("DIR"))
      text.replace(at, 3, dir_.path().string());
    Script script;
    std::string error;
    ASSERT_TRUE(ParseScript(text, &script, &error)) << error;
    const size_t n = script.commands.size();
    auto runner = std::make_shared<ScriptRunner>(std::move(script), nullptr, nullptr);
    for (size_t i = 0; i < n; ++i) {
      steps_.push_back([runner](HeadlessBackend& b, WindowHandle d) {
        ASSERT_TRUE(runner->Step(b, d)) << runner->error();
      });
    }
  }

  bool Drive(HeadlessBackend& b, WindowHandle d) {
    if (steps_.empty()) return false;
    const Step step = steps_.front();
    steps_.pop_front();
    step(b, d);
    return true;
  }

  static Step Click(int id) {
    return [id](HeadlessBackend& b, WindowHandle d) { ASSERT_TRUE(b.Click(d, id)); };
  }
  static Step Do(std::function<void(HeadlessBackend&, WindowHandle)> f) { return f; }
  // Clicks button id with its file dialog answered by file.
  static Step AnswerAndClick(const std::string& file, int id) {
    return [file, id](HeadlessBackend& b, WindowHandle d) {
      b.AnswerFileDialog(file);
      ASSERT_TRUE(b.Click(d, id));
    };
  }

  // The dialogs' state as named fields, for flows that check it between
  // steps: Expect("n=5; ready=11111????; seeds=5555*9") compares only the
  // fields it names, and '?' matches any character. Flags run over the nine
  // groups; seeds are the members' seed words, a run of one word as word*count.
  static std::string Field(HeadlessBackend& b, WindowHandle d, const std::string& name) {
    const DialogState& s = Dialogs();
    const Population& p = GlobalPopulation();
    std::string f;
    auto flags = [&f](auto on) {
      for (int k = 0; k < kMaxPreviews; ++k)
        f += on(k) ? '1' : '0';
      return f;
    };
    if (name == "dialog") return b.TemplateOf(d)->caption;
    if (name == "n") return std::to_string(PreviewCount());
    if (name == "header") return std::to_string(GlobalSessionHeader().previewCount);
    if (name == "held") return std::to_string(s.backupHeld);
    if (name == "title") return host::CurrentRun().sessionTitle;
    // The properties dialog's own fields, while it is open.
    if (name == "count") return b.TextOf(d, ids::kCountEdit);
    if (name == "session") return b.TextOf(d, ids::kSessionTitle);
    if (name == "ready") return flags([&](int k) { return s.ready[k] != 0; });
    if (name == "trees") return flags([&](int k) { return p.members[k].tree != nullptr; });
    if (name == "shown")
      return flags([&](int k) { return b.IsVisible(s.mainWindow, ids::GroupSel(k)); });
    if (name == "sliders") {
      for (int k = 0; k < PreviewCount(); ++k)
        f += std::to_string(b.PositionOf(s.mainWindow, ids::GroupSlider(k))) + ",";
      return f;
    }
    EXPECT_EQ(name, "seeds");
    for (int k = 0, run = 1; k < kPopulationSize; k += run, run = 1) {
      while (k + run < kPopulationSize && SeedWord(k + run) == SeedWord(k))
        ++run;
      f += (k > 0 ? " " : "") + std::to_string(SeedWord(k)) +
           (run > 1 ? "*" + std::to_string(run) : "");
    }
    return f;
  }
  static Step Expect(const std::string& fields) {
    return [fields](HeadlessBackend& b, WindowHandle d) {
      std::istringstream in(fields);
      std::string item;
      while (std::getline(in, item, ';')) {
        item.erase(0, item.find_first_not_of(' '));
        const size_t eq = item.find('=');
        const std::string name = item.substr(0, eq);
        std::string want = item.substr(eq + 1);
        const std::string got = Field(b, d, name);
        for (size_t i = 0; i < want.size() && i < got.size(); ++i)
          want[i] = want[i] == '?' ? got[i] : want[i];
        EXPECT_EQ(got, want) << name;
      }
    };
  }

  // A filter file holding a fresh member seeded (357, word, 0).
  void FilterFile(const std::string& name, uint16_t word) {
    ViewParams view{0, 0, 0, RandState{{357, word, 0}}};
    Member m{};
    ResetMember(&m, kColour, &view);
    std::string error;
    EXPECT_TRUE(SaveFilterFile(Path(name), m, &error)) << error;
    ReleaseMember(&m, &view);
  }

  // The seed word that tells which population member k came from.
  static uint16_t SeedWord(int k) { return GlobalPopulation().members[k].seed.rand.x[1]; }

  std::string Path(const std::string& name) const { return dir_ / name; }

  static constexpr int kSourceWidth = 120;
  static constexpr int kSourceHeight = 80;

  testing::TempDir dir_{"pxb_ui"};
  std::vector<uint8_t> source_;
  std::unique_ptr<HeadlessBackend> backend_;
  FrameCounts counts_;
  DrawObserver observer_{};
  std::deque<Step> steps_;
};

}  // namespace pxb::ui
