// Finding cards: what the search matches, the find tab and leaving it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/card_window_test_support.h"
#include "runtime/window/message_box.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The find dialog's controls.
constexpr std::int16_t kFindEntry = 2;
constexpr std::int16_t kFindOk = 3;
constexpr std::int16_t kFindCancel = 4;
constexpr std::int16_t kIgnoreCaseCheck = 5;

class FindCardsTest : public CardWindowTest {
 protected:
  void SetUp() override {
    CardWindowTest::SetUp();
    path = Path("cards.vtl");
    MakeCardFile(path, {
                           {"Brown", "Bob", "", 0, "Family", "5551234"},
                           {"Smith", "Ann", "Acme", 1, "Work", "", "Met BOB"},
                           {"Young", "Yves", "", 0, "Work", "", "bob's friend"},
                           {"Ghost", "Bob", "", 0, "", "", "", 1},
                       });
  }

  // Runs the find dialog with `text`.
  void Find(const std::string& text, bool ignore_case = false) {
    user.Click(kFindButton).Focus(kFindEntry).Then([this, text, ignore_case] {
      UserSetText(*TopWindow(), kFindEntry, text);
      if ((data.state.IgnoreCase != 0) != ignore_case)
        UserClick(*TopWindow(), kIgnoreCaseCheck);
    });
    user.Click(kFindOk);
  }

  std::string path;
};

TEST_F(FindCardsTest, MatchesTheStoredRecordExactlyOrIgnoringCase) {
  struct Case {
    std::string text;
    bool ignore_case;
    std::vector<std::string> found;
  };
  // Never the deleted card; a card is listed under its name key.
  const Case cases[] = {
      {"Bob", false, {"Brown, Bob"}},
      {"bob", true, {"Brown, Bob", "Smith, Ann (Acme)", "Young, Yves"}},
      // Through the composed company key of a card listed by company.
      {"Acme (Ann", false, {"Smith, Ann (Acme)"}},
      // Across the blank padding between the phones and the category.
      {"  Family", false, {"Brown, Bob"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Find(c.text, c.ignore_case);
    user.Then([&] {
      EXPECT_EQ(ListShown(), c.found);
      EXPECT_EQ(data.state.FindTabFeq, kAllTab + 1 + 2);  // two categories
      EXPECT_EQ(TabsShown().back(), Clipped(data.state.CurrentCategory));
      EXPECT_FALSE(Enabled(kSaveButton));
      EXPECT_FALSE(Enabled(kUndoButton));
      EXPECT_TRUE(Enabled(kShowAllButton));
    });
    user.Click(kShowAllButton);
  }
  user.Exit();
  Run(path);
  EXPECT_THAT(gui.message_boxes(), IsEmpty());
}

TEST_F(FindCardsTest, TabTextIsCutAndTheMatchHighlighted) {
  Find("Met BOB");
  user.Then([&] {
    EXPECT_THAT(TabsShown(),
                ElementsAre("ALL", "Family", "Work", "Has \"Met BOB\""));
    EXPECT_EQ(Shown(kContentsText).selection_start, 1);
    EXPECT_EQ(Shown(kContentsText).selection_end, 7);
  });
  Find("e (Ann Smith)");  // 13 characters: the closing quote is lost
  user.Then([&] {
    EXPECT_EQ(TabsShown().back(), "Has \"e (Ann Smi");
    EXPECT_THAT(ListShown(), ElementsAre("Smith, Ann (Acme)"));
  });
  user.Exit();
  Run(path);
  EXPECT_THAT(gui.message_boxes(), IsEmpty());
}

TEST_F(FindCardsTest, CancelKeepsTheFindTabAndNoMatchRemovesIt) {
  Find("Brown");
  user.Click(kFindButton).Click(kFindCancel).Then([&] {
    EXPECT_EQ(TabsShown().back(), "Has \"Brown\"");
    EXPECT_THAT(ListShown(), ElementsAre("Brown, Bob"));
  });
  Find("Nobody");
  user.Then([&] {
    EXPECT_THAT(TabsShown(), ElementsAre("ALL", "Family", "Work"));
    EXPECT_EQ(data.state.FindTabFeq, 0);
  });
  // Leaving the find tab for another tab gives Undo back.
  user.Pick(2).Enter(kFirstNameEntry, "Robert").Click(kSaveButton);
  Find("Robert");
  user.Then([&] { EXPECT_FALSE(Enabled(kUndoButton)); })
      .SelectTab(2)
      .Then([&] {
        EXPECT_THAT(TabsShown(), ElementsAre("ALL", "Family", "Work"));
        EXPECT_TRUE(Enabled(kUndoButton));
      })
      .Exit();
  gui.AnswerMessageBox(kButtonOk);
  Run(path);
  ASSERT_EQ(gui.message_boxes().size(), 1u);
  EXPECT_EQ(gui.message_boxes()[0].caption, "Find Matching Card Entries");
  EXPECT_THAT(gui.message_boxes()[0].lines,
              ElementsAre("No Matching Cards Were Found"));
}

}  // namespace
}  // namespace vantrel
