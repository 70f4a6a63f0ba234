#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "runtime/data/base/error_state.h"
#include "runtime/data/text/locale.h"
#include "runtime/window/file_dialog.h"
#include "runtime/window/message_box.h"
#include "runtime/window/services.h"
#include "runtime/window/window_test_fixture.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;

std::vector<int> Masks(const MessageBoxRequest& box) {
  std::vector<int> masks;
  for (const MessageBoxButton& button : box.buttons)
    masks.push_back(button.mask);
  return masks;
}

class DialogsTest : public WindowTest {
 protected:
  ~DialogsTest() override {
    SetEnvironmentOptions(EnvironmentOptions{});
    SetNewLook(true);
  }
};

TEST_F(DialogsTest, MessageBoxButtonsInTableOrderWithTheirDefault) {
  struct Case {
    int buttons, default_button;
    std::vector<int> shown;
    std::size_t default_index;
  } cases[] = {
      {kButtonCancel + kButtonNo + kButtonYes,
       kButtonCancel,
       {kButtonYes, kButtonNo, kButtonCancel},
       2},
      {kButtonOk + kButtonCancel, kButtonYes, {kButtonOk, kButtonCancel}, 0},
      {kButtonHelp + kButtonIgnore + kButtonRetry + kButtonAbort,
       kButtonRetry,
       {kButtonAbort, kButtonRetry, kButtonIgnore, kButtonHelp},
       1},
      {0, 0, {kButtonOk}, 0},
  };
  for (const Case& c : cases) {
    MessageBoxRequest box =
        BuildMessageBox("t", "c", {}, c.buttons, c.default_button, 0);
    EXPECT_EQ(Masks(box), c.shown) << c.buttons;
    EXPECT_EQ(box.default_button, c.default_index) << c.buttons;
  }
}

TEST_F(DialogsTest, ShowMessageReturnsThePressedButton) {
  gui.AnswerMessageBox(kButtonNo);
  EXPECT_EQ(ShowMessage("Delete?", "Cards", {},
                        kButtonYes + kButtonNo + kButtonCancel, kButtonCancel),
            kButtonNo);
  const MessageBoxRequest& box = gui.message_boxes().back();
  EXPECT_EQ(box.caption, "Cards");
  ASSERT_EQ(box.buttons.size(), 3u);
  EXPECT_EQ(box.buttons[0].text, "&Yes");
  EXPECT_EQ(box.buttons[0].platform_id, 6);
  EXPECT_EQ(box.buttons[2].text, "Cancel");
  EXPECT_EQ(box.buttons[2].platform_id, 2);
}

TEST_F(DialogsTest, ClosedBoxAnswersCancelOrNo) {
  struct Case {
    int buttons, default_button, expected;
  } cases[] = {
      {kButtonYes + kButtonNo + kButtonCancel, kButtonYes, kButtonCancel},
      {kButtonYes + kButtonNo, kButtonYes, kButtonNo},
      {kButtonOk, 0, kButtonOk},
  };
  for (const Case& c : cases) {
    gui.AnswerMessageBox(0);
    EXPECT_EQ(ShowMessage("x", "y", {}, c.buttons, c.default_button),
              c.expected);
  }
  gui.AnswerMessageBox(kButtonHelp);  // not in the set: a close
  EXPECT_EQ(ShowMessage("x", "y", {}, kButtonOk + kButtonCancel),
            kButtonCancel);
}

TEST_F(DialogsTest, DialogWithoutQueuedAnswerIsReportedAndCancelled) {
  std::vector<std::string> messages;
  gui.OnScriptExhausted([&](const std::string& m) { messages.push_back(m); });
  EXPECT_EQ(ShowMessage("x", "Unexpected", {}, kButtonOk + kButtonCancel),
            kButtonCancel);
  char name[4] = {'a', ' ', ' ', ' '};
  EXPECT_FALSE(FileDialog("Pick", Variable::Of(name)));
  EXPECT_EQ(name[0], 'a');
  EXPECT_THAT(messages,
              ElementsAre("no answer queued for the message box \"Unexpected\"",
                          "no answer queued for the file dialog \"Pick\""));
}

TEST_F(DialogsTest, MessageLinesIconsFontAndButtonTexts) {
  MessageBoxRequest box =
      BuildMessageBox("First|Second||", "c", {}, 0, 0, kStyleIconQuestion);
  EXPECT_THAT(box.lines, ElementsAre("First", "Second", "", ""));
  EXPECT_EQ(box.icon, (Icon{IconKind::kStandard, "", kIconQuestion}));
  EXPECT_EQ(box.font_face, "MS Sans Serif");
  EXPECT_FALSE(box.font_bold);

  box = BuildMessageBox("x", "c", StandardIconString(kIconAsterisk), 0, 0,
                        kStyleIconHand);  // the argument wins
  EXPECT_EQ(box.icon.standard, kIconAsterisk);

  SetNewLook(false);
  EnvironmentOptions options;
  options.button_texts[1] = "&Ja";
  SetEnvironmentOptions(options);
  box = BuildMessageBox("x", "c", {}, kButtonYes + kButtonNo, 0, 0);
  EXPECT_EQ(box.font_face, "Helv");
  EXPECT_TRUE(box.font_bold);
  EXPECT_EQ(box.font_points, 8);
  EXPECT_EQ(box.buttons[0].text, "&Ja");
  EXPECT_EQ(box.buttons[1].text, "&No");
}

TEST_F(DialogsTest, FileDialogRequestFromVariableFilterAndFlags) {
  FileDialogRequest request = BuildFileDialog("Open", "/home/u/cards.vtl   ",
                                              "Vantrel|*.vtl|ALL|*.*|Odd", 0);
  EXPECT_EQ(request.initial_directory, "/home/u");
  EXPECT_EQ(request.initial_file, "cards.vtl");
  ASSERT_EQ(request.filters.size(), 2u);
  EXPECT_EQ(request.filters[1].description, "ALL");
  EXPECT_EQ(request.filters[1].pattern, "*.*");
  EXPECT_TRUE(request.must_exist);
  EXPECT_FALSE(request.save);

  struct Case {
    int flags;
    bool save, must_exist, multi, directory;
  } cases[] = {
      {kFileSave, true, false, false, false},
      {kFileMayNotExist, false, false, false, false},
      {kFileMultiSelect, false, true, true, false},
      {kFileDirectory, false, true, false, true},
  };
  for (const Case& c : cases) {
    request = BuildFileDialog("t", "", "", c.flags);
    EXPECT_EQ(request.save, c.save) << c.flags;
    EXPECT_EQ(request.must_exist, c.must_exist) << c.flags;
    EXPECT_EQ(request.multi_select, c.multi) << c.flags;
    EXPECT_EQ(request.directory, c.directory) << c.flags;
  }
  // The filter text is cut to 255 characters before it is split.
  std::string long_filter = std::string(250, 'd') + "|*.vtl";
  request = BuildFileDialog("t", "", long_filter, 0);
  ASSERT_EQ(request.filters.size(), 1u);
  EXPECT_EQ(request.filters[0].pattern, "*.vt");
}

TEST_F(DialogsTest, FileDialogWritesTheChoiceCutToTheVariable) {
  char name[12];
  std::memcpy(name, "old.vtl     ", sizeof name);
  Variable variable = Variable::Of(name);
  gui.CancelFileDialog();
  EXPECT_FALSE(
      FileDialog("Open", variable, "Vantrel|*.vtl", kFileKeepDirectory));
  EXPECT_EQ(std::string(name, sizeof name), "old.vtl     ");
  EXPECT_EQ(gui.file_dialogs().back().initial_file, "old.vtl");

  gui.AnswerFileDialog({"/data/cards/a-long-name.vtl"});
  EXPECT_TRUE(FileDialog("Open", variable, {}, kFileKeepDirectory));
  EXPECT_EQ(std::string(name, sizeof name), "/data/cards/");
}

TEST_F(DialogsTest, FileDialogChangesDirectoryUnlessKept) {
  namespace fs = std::filesystem;
  fs::path before = fs::current_path();
  fs::path dir = fs::temp_directory_path() / "vantrel_dialog_test";
  fs::create_directories(dir);
  char name[200] = {};
  Variable variable{FieldType::CSTRING, reinterpret_cast<std::uint8_t*>(name),
                    sizeof name, 0};
  gui.AnswerFileDialog({(dir / "x.vtl").string()});
  EXPECT_TRUE(FileDialog("Save", variable, {}, kFileSave | kFileKeepDirectory));
  EXPECT_EQ(fs::current_path(), before);
  gui.AnswerFileDialog({(dir / "x.vtl").string()});
  EXPECT_TRUE(FileDialog("Save", variable, {}, kFileSave));
  EXPECT_EQ(fs::current_path(), dir);
  EXPECT_EQ(std::string(name), (dir / "x.vtl").string());
  fs::current_path(before);
  fs::remove_all(dir);
}

TEST_F(DialogsTest, HelpFileThenTopic) {
  ShowHelp("vantrel.html");
  EXPECT_TRUE(gui.help_shown().empty());
  ShowHelp({}, "Cards");
  ASSERT_EQ(gui.help_shown().size(), 1u);
  EXPECT_EQ(gui.help_shown()[0].file, "vantrel.html");
  EXPECT_EQ(gui.help_shown()[0].topic, "Cards");
}

TEST_F(DialogsTest, RunProgramWaitsOrPostsTheError) {
  EXPECT_TRUE(RunProgram("sh -c \"exit 3\"", /*wait=*/true));
  EXPECT_EQ(RunCode(), 3);
  EXPECT_EQ(ErrorCode(), 0);
  EXPECT_FALSE(RunProgram("vantrel-no-such-program", /*wait=*/true));
  EXPECT_EQ(ErrorCode(), 302);
  EXPECT_EQ(RunCode(), 3);
  ClearError();
}

}  // namespace
}  // namespace vantrel
