// New, Open and Save As of card files, and a file that cannot be opened.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/card_window_test_support.h"
#include "app/current_file_setting.h"
#include "runtime/window/message_box.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class FileCommandsTest : public CardWindowTest {
 protected:
  void SetUp() override {
    CardWindowTest::SetUp();
    path = Path("cards.vtl");
    MakeCardFile(path, {{"Brown", "Bob"}, {"Smith", "Ann"}});
  }
  bool Exists(const std::string& file) {
    return access(file.c_str(), F_OK) == 0;
  }
  bool FileOpen() { return data.card_file.control.state & kStateOpen; }
  std::string path;
};

TEST_F(FileCommandsTest, AFileThatCannotBeOpenedOffersOpenAgain) {
  const std::string missing = Path("missing.vtl");
  user.Then([&] {
        EXPECT_FALSE(FileOpen());
        EXPECT_THAT(ListShown(), IsEmpty());
      })
      .Exit();
  gui.CancelFileDialog();
  Run(missing);
  ASSERT_EQ(gui.file_dialogs().size(), 1u);
  const FileDialogRequest& dialog = gui.file_dialogs()[0];
  EXPECT_EQ(dialog.title, "Open a Different Vantrel File");
  EXPECT_FALSE(dialog.save);
  EXPECT_EQ(dialog.initial_file, "missing.vtl");
  ASSERT_EQ(dialog.filters.size(), 2u);
  EXPECT_EQ(dialog.filters[0].pattern, "*.vtl");
  EXPECT_EQ(dialog.filters[1].description, "ALL");
  EXPECT_THAT(gui.message_boxes(), IsEmpty());
  EXPECT_EQ(ReadCurrentFile(), "");  // nothing opened, nothing remembered
}

TEST_F(FileCommandsTest, TheFileChosenInsteadIsOpenedAndRemembered) {
  user.Then([&] {
        EXPECT_TRUE(FileOpen());
        EXPECT_THAT(ListShown(), ElementsAre("Brown, Bob", "Smith, Ann"));
        EXPECT_EQ(Shown().title,
                  "'Vantrel - A Personal Card File' (" + path + ")");
      })
      .Exit();
  gui.AnswerFileDialog({path});
  Run(Path("missing.vtl"));
  EXPECT_EQ(ReadCurrentFile(), path);
}

TEST_F(FileCommandsTest, NewCardFileStartsWithItsHeaderAndAFreshUndo) {
  const std::string fresh = Path("fresh.vtl");
  user.Pick(2)
      .Enter(kFirstNameEntry, "Anne")
      .Click(kSaveButton)
      .Click(kNewButton)  // pending in the old file when it closes
      .Then([&] { EXPECT_TRUE(Enabled(kUndoButton)); })
      .Click(kNewFileItem)
      .Then([&] {
        EXPECT_THAT(ListShown(), IsEmpty());
        EXPECT_THAT(TabsShown(), ElementsAre("ALL"));
        EXPECT_EQ(RecordCount(&data.queues.undo), 0u);
        EXPECT_FALSE(Enabled(kUndoButton));
        EXPECT_EQ(data.state.PendingNewPointer, 0);
        EXPECT_TRUE(Enabled(kNewButton));
        EXPECT_EQ(Field(kLastNameEntry), "");
      })
      .Click(kUndoItem)  // disabled; the old file's entries are gone
      .Click(kNewButton)
      .Enter(kLastNameEntry, "First")
      .Click(kSaveButton)
      .Exit();
  gui.AnswerFileDialog({fresh});
  Run(path);
  const FileDialogRequest& dialog = gui.file_dialogs().at(0);
  EXPECT_EQ(dialog.title, "Create a New Vantrel File");
  EXPECT_TRUE(dialog.save);
  std::vector<CardRecord> records = Records(fresh);
  ASSERT_EQ(records.size(), 3u);  // header, placeholder, saved card
  EXPECT_TRUE(IsBlank(records[0].LASTNAME));
  EXPECT_EQ(records[0].CHANGEDDATE, records[0].CREATEDDATE);
  EXPECT_EQ(records[0].CHANGEDTIME, records[0].CREATEDTIME);
  EXPECT_GT(records[0].CREATEDDATE, 0);
  EXPECT_THAT(LiveNames(fresh), ElementsAre("First"));
  EXPECT_EQ(ReadCurrentFile(), fresh);
  // The old file kept its saved change; its placeholder goes at its next
  // open.
  EXPECT_THAT(LiveNames(path), ElementsAre("Brown", "Smith"));
}

TEST_F(FileCommandsTest, OpenAnotherFileForgetsTheUndoOfTheFirst) {
  const std::string other = Path("other.vtl");
  MakeCardFile(other, {{"Other"}});
  user.Click(kDeleteButton)
      .Click(kOpenFileItem)
      .Then([&] {
        EXPECT_THAT(ListShown(), ElementsAre("Other"));
        EXPECT_FALSE(Enabled(kUndoButton));
      })
      .Click(kUndoButton)
      .Exit();
  gui.AnswerFileDialog({other});
  Run(path);
  EXPECT_EQ(gui.file_dialogs().at(0).title, "Open a Different Vantrel File");
  EXPECT_THAT(LiveNames(path), ElementsAre("Smith"));
  EXPECT_THAT(LiveNames(other), ElementsAre("Other"));
}

TEST_F(FileCommandsTest, SaveAsCopiesTheFileAndGoesOnInTheCopy) {
  const std::string copy = Path("copy.vtl");
  user.Click(kSaveFileAsItem)
      .Then([&] {
        EXPECT_EQ(Clipped(data.state.current_file_name), copy);
        EXPECT_THAT(ListShown(), ElementsAre("Brown, Bob", "Smith, Ann"));
      })
      .Click(kDeleteButton)
      // A copy onto the file in use is no copy: the file stays as it is.
      .Click(kSaveFileAsItem)
      .Exit();
  gui.AnswerFileDialog({copy});
  gui.AnswerFileDialog({copy});
  Run(path);
  const FileDialogRequest& dialog = gui.file_dialogs().at(0);
  EXPECT_EQ(dialog.title, "Save Vantrel File As ...");
  EXPECT_TRUE(dialog.save);
  EXPECT_THAT(gui.message_boxes(), IsEmpty());
  EXPECT_THAT(LiveNames(path), ElementsAre("Brown", "Smith"));
  EXPECT_THAT(LiveNames(copy), ElementsAre("Smith"));
  EXPECT_EQ(ReadCurrentFile(), copy);
  EXPECT_EQ(Clipped(data.state.change_file_name), copy);
}

TEST_F(FileCommandsTest, ANameTooLongForTheFileNameIsRefused) {
  const std::string long_name = Path(std::string(120, 'n') + ".vtl");
  user.Click(kSaveFileAsItem)
      .Then([&] { EXPECT_EQ(Clipped(data.state.current_file_name), path); })
      .Exit();
  gui.AnswerFileDialog({long_name});
  gui.AnswerMessageBox(kButtonOk);
  Run(path);
  ASSERT_EQ(gui.message_boxes().size(), 1u);
  EXPECT_EQ(gui.message_boxes()[0].caption, "Save Vantrel File As ...");
  EXPECT_FALSE(Exists(long_name));
}

TEST_F(FileCommandsTest, CancelledDialogsChangeNothing) {
  user.Click(kNewFileItem)
      .Click(kOpenFileItem)
      .Click(kSaveFileAsItem)
      .Then([&] {
        EXPECT_TRUE(FileOpen());
        EXPECT_EQ(Clipped(data.state.current_file_name), path);
        EXPECT_EQ(ListShown().size(), 2u);
      })
      .Exit();
  gui.CancelFileDialog();
  gui.CancelFileDialog();
  gui.CancelFileDialog();
  Run(path);
  EXPECT_EQ(gui.file_dialogs().size(), 3u);
}

}  // namespace
}  // namespace vantrel
