// The selection dialog: filter files opened, saved and undone, and the
// remembered directory.
#include <fstream>

#include "evolution/byte_io.h"
#include "evolution/filter_file.h"
#include "ui/chosen_file.h"
#include "ui/file_dialogs.h"
#include "ui_fixture.h"

namespace pxb::ui {
namespace {

using SelectionDialogTest = DialogTest;

TEST_F(SelectionDialogTest, OpenThenCancelOrNoOpenAtAllKeepsThePriorMember) {
  FilterFile("a.gdo", 4242);
  Member before{};
  ViewParams viewBefore{};
  const Step unchanged = [&](HeadlessBackend&, WindowHandle) {
    EXPECT_EQ(GlobalPopulation().members[1].tree, before.tree);
    EXPECT_EQ(GlobalPopulation().members[1].weights, before.weights);
    EXPECT_EQ(std::memcmp(&GlobalPopulation().views[1], &viewBefore, sizeof viewBefore), 0);
  };
  const std::intptr_t result = RunMain({
      "wait",
      Do([&](HeadlessBackend&, WindowHandle) {
        before = GlobalPopulation().members[1];
        viewBefore = GlobalPopulation().views[1];
      }),
      "sel 1",
      Do([](HeadlessBackend& b, WindowHandle d) {
        ASSERT_EQ(b.TemplateOf(d), &kSelectionDialogTemplate);
        for (int id = 4; id <= 8; ++id)
          EXPECT_FALSE(b.IsVisible(d, id)) << "unused slider " << id;
        ASSERT_TRUE(WaitForBigPreview(60000));
      }),
      "open DIR/a.gdo",
      Expect("seeds=1234 4242 1234*7; held=1; trees=?1???????"),  // grown at once
      "reject",
      Expect("dialog=Pixbreed; seeds=1234*9; held=0; ready=?1???????"),
      unchanged,
      // OK or Cancel without opening a file.
      "wait\nsel 1\nwait\naccept\nsel 1\nreject",
      unchanged,
      Expect("ready=?1???????"),
      "wait",
  });
  EXPECT_EQ(result, ids::kCancel);
}

// Without composition the main dialog is painted while the selection dialog
// runs over it, and nothing repaints it when that closes.
TEST_F(SelectionDialogTest, MainPaintsDuringTheSelectionStartNoWorkerAndClosingResumesPreviews) {
  HeadlessOptions options = SmallDialogs();
  options.composited = true;
  UseBackend(options);
  int framedBefore[3] = {};
  auto paintMain = [](bool waitForBig) {
    return [waitForBig](HeadlessBackend& b, WindowHandle d) {
      ASSERT_EQ(b.TemplateOf(d), &kSelectionDialogTemplate);
      if (waitForBig) {
        ASSERT_TRUE(WaitForBigPreview(60000));
      }
      b.Invalidate(Dialogs().mainWindow, nullptr);
      ASSERT_TRUE(b.PaintNow(Dialogs().mainWindow));
      EXPECT_FALSE(PreviewWorkerRunning()) << "the big preview owns member 0's tree";
    };
  };
  const std::intptr_t result = RunMain({
      // At the first paint: the main worker is drawing.
      "sel 0",
      paintMain(false),
      paintMain(true),
      Do([&](HeadlessBackend&, WindowHandle) {
        for (int k = 0; k < 3; ++k)
          framedBefore[k] = counts_.framed[k].load();
      }),
      "accept\nwait",
      Expect("dialog=Pixbreed"),
      Do([&](HeadlessBackend&, WindowHandle) {
        for (int k = 0; k < 3; ++k) {
          EXPECT_EQ(counts_.framed[k].load(), framedBefore[k] + 1) << k;
          EXPECT_EQ(Slot(k).busy.load(), 0) << k;
        }
      }),
  });
  EXPECT_EQ(result, ids::kCancel);
}

TEST_F(SelectionDialogTest, OpenTwiceThenOkKeepsTheSecondAndCancelKeepsNeither) {
  FilterFile("first.gdo", 1111);
  FilterFile("second.gdo", 2222);
  const std::intptr_t result = RunMain({
      "wait\nsel 0\nwait\nopen DIR/first.gdo\nopen DIR/second.gdo\naccept",
      Expect("seeds=2222 1234*8; held=0"),
      "sel 2\nopen DIR/first.gdo\nopen DIR/second.gdo\nreject",
      Expect("seeds=2222 1234*8; held=0"),
  });
  EXPECT_EQ(result, ids::kCancel);
}

TEST_F(SelectionDialogTest, SaveAfterOpenWritesTheLoadedMemberAndRemembersItsDirectory) {
  FilterFile("loaded.gdo", 3333);
  RunMain({"sel 0\nopen DIR/loaded.gdo\nsave DIR/copy.gdo\naccept"});
  std::vector<uint8_t> a;
  std::vector<uint8_t> b;
  std::string error;
  ASSERT_TRUE(ReadFileBytes(Path("loaded.gdo"), &a, &error)) << error;
  ASSERT_TRUE(ReadFileBytes(Path("copy.gdo"), &b, &error)) << error;
  EXPECT_EQ(a, b);
  EXPECT_EQ(LastDirectory(GlobalSessionHeader()), dir_.path().string());
}

TEST_F(SelectionDialogTest, AFileThatCannotBeReadChangesNothing) {
  std::ofstream(Path("garbage.gdo")) << "not a filter";
  std::filesystem::create_directories(Path("folder.gdo"));
  Node* tree = nullptr;
  RunMain({
      "wait",
      Do([&](HeadlessBackend&, WindowHandle) { tree = GlobalPopulation().members[0].tree; }),
      "sel 0\nopen DIR/garbage.gdo\nopen DIR/folder.gdo",
      // The open dialog accepts only files that exist.
      AnswerAndClick(Path("missing.gdo"), ids::kOpen),
      Do([](HeadlessBackend& b, WindowHandle) {
        EXPECT_EQ(b.lastFileDialog(), FileDialogOutcome::kRefused);
      }),
      // A file that cannot be created.
      AnswerAndClick(Path("folder.gdo"), ids::kSave),
      Expect("held=0; seeds=1234*9"),
      Do([&](HeadlessBackend&, WindowHandle) {
        EXPECT_EQ(GlobalPopulation().members[0].tree, tree);
      }),
      "reject",
  });
  EXPECT_EQ(LastDirectory(GlobalSessionHeader()), "");
  const auto& log = backend_->log();
  const char* said[] = {"not loaded", "not loaded", "does not exist", "not saved"};
  ASSERT_EQ(log.size(), std::size(said));
  for (size_t i = 0; i < log.size(); ++i)
    EXPECT_NE(log[i].find(said[i]), std::string::npos) << log[i];
}

TEST_F(SelectionDialogTest, RememberDirectoryKeepsWhatComesBeforeTheLastSeparator) {
  const std::pair<std::string, std::string> cases[] = {
      {"C:\\brood\\filters\\a.gdo", "C:\\brood\\filters"},
      {"/home/u/a.gdo", "/home/u"},
      {"a.gdo", ""},
      {"x\\a.gdo", "x"},
      {"\\a.gdo", ""},  // a separator only as the first character
      // 127 characters fit; 128 are not remembered.
      {std::string(127, 'd') + "\\a.gdo", std::string(127, 'd')},
      {std::string(128, 'e') + "\\a.gdo", std::string(127, 'd')},
  };
  for (const auto& [path, directory] : cases) {
    RememberDirectory(path);
    EXPECT_EQ(LastDirectory(GlobalSessionHeader()), directory) << path;
  }
}

// What each kind of file dialog accepts, whichever backend stands in for it.
TEST(ChosenFileTest, EachKindAddsItsExtensionAndChecksWhatItNeeds) {
  const testing::TempDir dir{"pxb_chosen"};
  std::ofstream(dir / "there.gdo") << "x";
  const std::string d = dir.path().string();
  const struct {
    int32_t kind;
    std::string name;
    const char* accepted;  // the path kept, or null
    const char* why;       // the reason when refused
  } cases[] = {
      {kFileDialogKindSave, "new", "new.gdo", nullptr},
      {kFileDialogKindSave, "none/new", "none/new.gdo", nullptr},  // no folder check
      {kFileDialogKindOpen, "there", "there.gdo", nullptr},
      {kFileDialogKindOpen, "missing.gdo", nullptr, "it does not exist"},
      {kFileDialogKindSession, "breed", "breed.gds", nullptr},
      {kFileDialogKindSession, "none/breed.gds", nullptr, "its directory does not exist"},
      {kFileDialogKindSessionSave, "other.txt", "other.txt", nullptr},
      {kFileDialogKindSession, std::string(kPathBufferSize, 'p'), nullptr, "too long"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name.substr(0, 20));
    char path[kPathBufferSize] = "kept";
    char title[kTitleBufferSize] = "";
    FileDialogSetup setup = SetupFileDialog(c.kind, 0, path, nullptr);
    setup.fileTitle = title;
    setup.fileTitleCapacity = kTitleBufferSize;
    std::string why;
    const bool accepted = AcceptChosenFile(&setup, dir / c.name, &why);
    ASSERT_EQ(accepted, c.accepted != nullptr) << why;
    if (accepted) {
      EXPECT_EQ(std::string(path), d + "/" + c.accepted);
      EXPECT_EQ(std::string(title), std::filesystem::path(c.accepted).filename().string());
    } else {
      EXPECT_EQ(why, c.why);
      EXPECT_STREQ(path, "kept");
    }
  }
}

}  // namespace
}  // namespace pxb::ui
