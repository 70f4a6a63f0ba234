// Opening the window and a card file, showing cards, tabs and the letter
// selector.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "app/card_window_test_support.h"
#include "app/current_file_setting.h"
#include "runtime/window/icons.h"
#include "runtime/window/message_box.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class CardWindowOpenTest : public CardWindowTest {
 protected:
  // Two categories, a card listed twice, a company-only card, and records
  // that opening the file purges.
  void MakeSampleFile(const std::string& path) {
    MakeCardFile(path, {
                           {"Smith", "Ann", "Acme", 1, "Work", "5551234", ""},
                           {"Brown", "Bob", "", 0, "Family"},
                           {"", "", "Zeta Corp", 1, "Work"},
                           {"", "", "Ghost Inc", 0, "Ghosts"},
                           {"Smith", "Old", "", 0, "Work", "", "", 1},
                           {"Clark"},
                       });
  }
};

TEST_F(CardWindowOpenTest, OpeningPurgesAndFillsTheListsAndTabs) {
  const std::string path = Path("cards.vtl");
  MakeSampleFile(path);
  std::vector<std::string> list, tabs;
  user.Then([&] {
        list = ListShown();
        tabs = TabsShown();
        EXPECT_EQ(Shown().title,
                  "'Vantrel - A Personal Card File' (" + path + ")");
        EXPECT_EQ(Field(kLastNameEntry), "Smith");  // the first entry's card
        EXPECT_EQ(Field(kCompanyEntry), "Acme");
        EXPECT_EQ(data.state.LetterChoice, 1);
        EXPECT_EQ(Shown(kLetterOption).choice, 1);
        EXPECT_FALSE(Enabled(kShowAllButton));
        EXPECT_FALSE(Enabled(kSaveButton));
        EXPECT_FALSE(Enabled(kSaveItem));
        EXPECT_FALSE(Enabled(kUndoButton));
        EXPECT_FALSE(Enabled(kUndoItem));
        EXPECT_GT(data.state.HeaderPointer, 0);
        EXPECT_EQ(data.state.LastExportDate, kHeaderDate);
        EXPECT_EQ(data.state.LastExportTime, kHeaderTime);
        EXPECT_EQ(ReadCurrentFile(), path);
      })
      .Exit();
  Run(path);

  EXPECT_THAT(list, ElementsAre("Acme (Ann Smith)", "Brown, Bob", "Clark",
                                "Smith, Ann (Acme)", "Zeta Corp"));
  EXPECT_THAT(tabs, ElementsAre("ALL", "Family", "Work"));
  // The deleted version and the card without names or company listing are
  // gone; the header stays first.
  std::vector<CardRecord> records = Records(path);
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(records[0].CREATEDTIME, kHeaderTime);
  EXPECT_THAT(LiveNames(path), ElementsAre("Smith", "Brown", "", "Clark"));
  EXPECT_FALSE(data.card_file.control.state & kStateOpen);
}

TEST_F(CardWindowOpenTest, FileWithOnlyItsHeaderOpensEmpty) {
  const std::string path = Path("empty.vtl");
  MakeCardFile(path, {});
  user.Then([&] {
        EXPECT_THAT(ListShown(), IsEmpty());
        EXPECT_THAT(TabsShown(), ElementsAre("ALL"));
        EXPECT_EQ(Field(kLastNameEntry), "");
        EXPECT_EQ(data.state.CurrentPointer, 0);
      })
      // Nothing is shown, so there is nothing to delete or to save.
      .Click(kDeleteButton)
      .Enter(kLastNameEntry, "Nobody")
      .Click(kSaveButton)
      .Then([&] {
        EXPECT_FALSE(Enabled(kUndoButton));
        EXPECT_EQ(Records(path).size(), 1u);
      })
      .Exit();
  Run(path);
  EXPECT_THAT(gui.message_boxes(), IsEmpty());
}

TEST_F(CardWindowOpenTest, CategoryTabsNarrowTheListAndShowAllWidensIt) {
  const std::string path = Path("cards.vtl");
  MakeSampleFile(path);
  user.SelectTab(3)  // Work
      .Then([&] {
        EXPECT_THAT(ListShown(), ElementsAre("Acme (Ann Smith)",
                                             "Smith, Ann (Acme)", "Zeta Corp"));
        EXPECT_EQ(Clipped(data.state.CurrentCategory), "Work");
        EXPECT_EQ(data.state.SelectedTabFeq, 27);
        EXPECT_TRUE(Enabled(kShowAllButton));
        EXPECT_EQ(Field(kLastNameEntry), "Smith");
      })
      .Pick(3)
      .Then([&] { EXPECT_EQ(Field(kCompanyEntry), "Zeta Corp"); })
      .SelectTab(2)  // Family
      .Then([&] {
        EXPECT_THAT(ListShown(), ElementsAre("Brown, Bob"));
        EXPECT_EQ(Field(kLastNameEntry), "Brown");
      })
      .Click(kShowAllButton)
      .Then([&] {
        EXPECT_EQ(ListShown().size(), 5u);
        EXPECT_EQ(Shown(kSheet).choice, 1);
        EXPECT_EQ(Clipped(data.state.CurrentCategory), "ALL");
        EXPECT_FALSE(Enabled(kShowAllButton));
        EXPECT_EQ(Field(kLastNameEntry), "Smith");
      })
      .Exit();
  Run(path);
}

TEST_F(CardWindowOpenTest, LetterSelectorJumpsToTheFirstEntryFromItsLetter) {
  const std::string path = Path("cards.vtl");
  MakeSampleFile(path);
  auto letter = [](char c) {
    return static_cast<std::int16_t>(kFirstLetter + (c - 'A'));
  };
  user.Click(letter('C'))
      .Then([&] { EXPECT_EQ(Field(kLastNameEntry), "Clark"); })
      .Click(letter('D'))  // none with D: the next letter's first
      .Then([&] {
        EXPECT_EQ(Shown(kCardList).choice, 4);
        EXPECT_EQ(Field(kFirstNameEntry), "Ann");
        EXPECT_EQ(data.state.LetterChoice, 19);  // follows the card: S
      })
      .SelectTab(2)  // Family: only Brown
      .Click(letter('X'))  // past every entry: the last
      .Then([&] { EXPECT_EQ(Field(kLastNameEntry), "Brown"); })
      .Exit();
  Run(path);
}

TEST_F(CardWindowOpenTest, ListKeysStartNewDeleteAndEdit) {
  const std::string path = Path("cards.vtl");
  MakeSampleFile(path);
  user.Focus(kCardList)
      .PressKey(kKeyInsert)
      .Then([&] {
        EXPECT_NE(data.state.PendingNewPointer, 0);
        EXPECT_EQ(ListShown().size(), 6u);
      })
      .Focus(kCardList)
      .PressKey(kKeyDelete)  // deletes the pending card
      .Then([&] {
        EXPECT_EQ(data.state.PendingNewPointer, 0);
        EXPECT_EQ(ListShown().size(), 5u);
      })
      .PressKey(kKeyEnter)
      .Then([&] { EXPECT_EQ(Shown().focus, kContentsText); })
      .Exit();
  Run(path);
  EXPECT_EQ(Records(path).size(), 5u);
}

TEST_F(CardWindowOpenTest, HelpSupportAndAnimation) {
  const std::string path = Path("cards.vtl");
  MakeCardFile(path, {{"Smith"}});
  std::vector<std::string> images;
  auto image = [&] { images.push_back(GetProperty(kPropText, kImage)); };
  setenv("PATH", dir_.c_str(), 1);  // no support program installed
  user.Then([&] { EXPECT_EQ(Shown().timer, 20); })  // the window has focus
      .TickTimer()
      .Then(image)
      .TickTimer()
      .Then(image)
      .Click(kAnimationToggle)
      .Then([&] {
        EXPECT_EQ(Shown().timer, 0);
        image();
      })
      .Click(kAnimationToggle)
      .Then([&] { EXPECT_EQ(Shown().timer, 20); })
      .Click(kHelpTopicItem)
      .Click(kSupportItem)
      .Exit();
  gui.AnswerMessageBox(kButtonOk);
  Run(path);

  EXPECT_THAT(images,
              ElementsAre("~vantrel1.svg", "~vantrel2.svg", "~vantrel.svg"));
  ASSERT_EQ(gui.help_shown().size(), 1u);
  EXPECT_EQ(gui.help_shown()[0].file, kWindowHelpFile);
  EXPECT_EQ(gui.help_shown()[0].topic, "Contents");
  ASSERT_EQ(gui.message_boxes().size(), 1u);
  const MessageBoxRequest& box = gui.message_boxes()[0];
  EXPECT_EQ(box.caption, "Support and Returns");
  EXPECT_THAT(box.lines[0], ::testing::HasSubstr("not installed"));
}

TEST_F(CardWindowOpenTest, SupportStartsTheInstalledProgram) {
  const std::string path = Path("cards.vtl");
  MakeCardFile(path, {{"Smith"}});
  const std::string program = Path(kSupportProgram);
  const std::string marker = Path("support-ran");
  FILE* script = std::fopen(program.c_str(), "w");
  ASSERT_NE(script, nullptr);
  std::fprintf(script, "#!/bin/sh\ntouch '%s'\n", marker.c_str());
  std::fclose(script);
  chmod(program.c_str(), 0755);
  const std::string path_variable = dir_ + ":" + getenv("PATH");
  setenv("PATH", path_variable.c_str(), 1);
  user.Click(kSupportItem).Exit();
  Run(path);
  EXPECT_THAT(gui.message_boxes(), IsEmpty());
  bool ran = false;
  for (int i = 0; i < 500 && !ran; ++i) {
    ran = access(marker.c_str(), F_OK) == 0;
    if (!ran) usleep(10000);
  }
  EXPECT_TRUE(ran);
}

TEST_F(CardWindowOpenTest, AboutIsOfferedOnlyWhenProvided) {
  const std::string path = Path("cards.vtl");
  MakeCardFile(path, {{"Smith"}});
  user.Then([&] {
        EXPECT_FALSE(Enabled(kAboutItem));
        for (std::int16_t c : {kFindButton, kFindItem, kImportButton,
                               kImportItem, kExportButton, kExportItem,
                               kLastExportItem})
          EXPECT_TRUE(Enabled(c)) << c;
      })
      .Exit();
  Run(path);
  int abouts = 0;
  CardWindowCommands commands;
  commands.about = [&abouts] { ++abouts; };
  user.Then([&] { EXPECT_TRUE(Enabled(kAboutItem)); })
      .Click(kAboutItem)
      .Exit();
  Run(path, commands);
  EXPECT_EQ(abouts, 1);
}

}  // namespace
}  // namespace vantrel
