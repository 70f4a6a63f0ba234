// New, duplicate, save, delete and undo, as the user meets them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "app/card_window_test_support.h"
#include "runtime/window/icons.h"
#include "runtime/window/message_box.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class CardCommandsTest : public CardWindowTest {
 protected:
  void SetUp() override {
    CardWindowTest::SetUp();
    path = Path("cards.vtl");
    MakeCardFile(path, {
                           {"Brown", "Bob", "", 0, "Family", "5551234"},
                           {"Smith", "Ann", "Acme", 1, "Work", "", "Note"},
                           {"Young", "Yves", "", 0, "Work"},
                       });
  }

  // The file's records of the card whose live or last version has this
  // last name, in file order.
  std::vector<CardRecord> VersionsOf(const std::string& last) {
    std::vector<CardRecord> records = Records(path);
    std::int32_t time = 0;
    for (const CardRecord& r : records) {
      if (Clipped(r.LASTNAME) == last) time = r.CREATEDTIME;
    }
    std::vector<CardRecord> versions;
    for (std::size_t i = 1; i < records.size(); ++i) {
      if (records[i].CREATEDTIME == time) versions.push_back(records[i]);
    }
    return versions;
  }

  std::uint32_t UndoCount() { return RecordCount(&data.queues.undo); }

  std::string path;
};

// List on the ALL tab: Acme (Ann Smith), Brown, Bob, Smith, Ann (Acme),
// Young, Yves.

TEST_F(CardCommandsTest, SavingWritesANewVersionUnderTheSameStamp) {
  user.Pick(2)
      .Then([&] {
        EXPECT_FALSE(Enabled(kSaveButton));
        EXPECT_EQ(data.state.EditFlag, 0);
      })
      .Enter(kFirstNameEntry, "Robert")
      .Then([&] {
        EXPECT_TRUE(Enabled(kSaveButton));
        EXPECT_TRUE(Enabled(kSaveItem));
        EXPECT_EQ(data.state.EditFlag, 1);
      })
      .Click(kSaveButton)
      .Then([&] {
        EXPECT_THAT(ListShown(), ElementsAre("Acme (Ann Smith)", "Brown, Robert",
                                             "Smith, Ann (Acme)", "Young, Yves"));
        EXPECT_EQ(Shown(kCardList).choice, 2);
        EXPECT_EQ(Field(kFirstNameEntry), "Robert");
        EXPECT_FALSE(Enabled(kSaveButton));
        EXPECT_TRUE(Enabled(kUndoButton));
        EXPECT_EQ(UndoCount(), 1u);
        EXPECT_EQ(Shown().focus, kCardList);
      })
      // Saving again without a change writes nothing and adds no undo.
      .Focus(kFirstNameEntry)
      .Click(kSaveButton)
      .Then([&] {
        EXPECT_EQ(Records(path).size(), 5u);
        EXPECT_EQ(UndoCount(), 1u);
      })
      .Exit();
  Run(path);

  std::vector<CardRecord> versions = VersionsOf("Brown");
  ASSERT_EQ(versions.size(), 2u);
  EXPECT_EQ(versions[0].DELETED, 1);
  EXPECT_EQ(Clipped(versions[0].FIRSTNAME), "Bob");
  EXPECT_EQ(versions[1].DELETED, 0);
  EXPECT_EQ(Clipped(versions[1].FIRSTNAME), "Robert");
  EXPECT_EQ(Clipped(versions[1].NAMEKEY), "Brown, Robert");
  EXPECT_EQ(Clipped(versions[1].PHONES), "5551234");
  EXPECT_EQ(versions[1].CREATEDDATE, versions[0].CREATEDDATE);
  EXPECT_GT(versions[1].CHANGEDDATE, kHeaderDate);
  EXPECT_THAT(gui.message_boxes(), IsEmpty());
}

TEST_F(CardCommandsTest, PickingAnotherEntrySavesTheEditedCard) {
  user.Pick(4)
      .Focus(kCompanyEntry)
      .Type("Yarn Ltd")
      .Pick(1)  // the edit is saved, then Acme's card is shown
      .Then([&] {
        EXPECT_EQ(Field(kLastNameEntry), "Smith");
        EXPECT_EQ(ListShown().back(), "Young, Yves (Yarn Ltd)");
      })
      // Only looking at a field changes nothing.
      .Focus(kLastNameEntry)
      .Pick(2)
      .Then([&] { EXPECT_EQ(Field(kLastNameEntry), "Brown"); })
      .Exit();
  Run(path);
  EXPECT_EQ(VersionsOf("Young").size(), 2u);
  EXPECT_EQ(VersionsOf("Smith").size(), 1u);
}

TEST_F(CardCommandsTest, NewCardIsPendingUntilSaved) {
  std::int32_t pending = 0;
  user.Click(kNewButton)
      .Then([&] {
        pending = data.state.PendingNewPointer;
        EXPECT_NE(pending, 0);
        EXPECT_THAT(ListShown(), ElementsAre("Acme (Ann Smith)", "Brown, Bob",
                                             "Smith, Ann (Acme)", "Young, Yves",
                                             ""));
        EXPECT_EQ(Shown(kCardList).choice, 5);
        EXPECT_EQ(Shown().focus, kLastNameEntry);
        EXPECT_EQ(Field(kLastNameEntry), "");
        for (std::int16_t c : {kNewButton, kDuplicateButton, kNewCardItem,
                               kDuplicateItem})
          EXPECT_FALSE(Enabled(c)) << c;
        EXPECT_TRUE(Enabled(kUndoButton));
        // The placeholder is on file, not yet live.
        std::vector<CardRecord> records = Records(path);
        ASSERT_EQ(records.size(), 5u);
        EXPECT_EQ(records.back().DELETED, 1);
      })
      .Click(kNewButton)  // disabled while a card is pending
      .Enter(kLastNameEntry, "Adams")
      .Click(kSaveButton)
      .Then([&] {
        EXPECT_EQ(data.state.PendingNewPointer, 0);
        EXPECT_TRUE(Enabled(kNewButton));
        EXPECT_TRUE(Enabled(kDuplicateItem));
        EXPECT_EQ(ListShown()[1], "Adams");
        EXPECT_EQ(Shown(kCardList).choice, 2);
        EXPECT_EQ(Field(kLastNameEntry), "Adams");
      })
      .Exit();
  Run(path);
  EXPECT_THAT(LiveNames(path), ElementsAre("Brown", "Smith", "Young", "Adams"));
  EXPECT_EQ(UndoCount(), 2u);
}

TEST_F(CardCommandsTest, PendingCardsWithoutNameOrCompanyAreDiscarded) {
  user.Click(kNewButton)
      .Pick(2)  // left empty: discarded
      .Then([&] {
        EXPECT_EQ(data.state.PendingNewPointer, 0);
        EXPECT_EQ(ListShown().size(), 4u);
        EXPECT_EQ(Field(kLastNameEntry), "Brown");
        EXPECT_EQ(Records(path).size(), 4u);
      })
      // A company that is not listed by company does not keep it on Save.
      .Click(kNewButton)
      .Enter(kCompanyEntry, "Nameless Inc")
      .Click(kSaveButton)
      .Then([&] {
        EXPECT_EQ(data.state.PendingNewPointer, 0);
        EXPECT_EQ(ListShown().size(), 4u);
        EXPECT_EQ(Records(path).size(), 4u);
        EXPECT_TRUE(Enabled(kNewButton));
      })
      // Listed by company, it is kept.
      .Click(kNewButton)
      .Enter(kCompanyEntry, "Nameless Inc")
      .Click(kListByCompanyCheck)
      .Click(kSaveButton)
      .Then([&] {
        EXPECT_THAT(ListShown(), ::testing::Contains("Nameless Inc"));
        EXPECT_EQ(Field(kCompanyEntry), "Nameless Inc");
      })
      .Exit();
  Run(path);
  EXPECT_THAT(LiveNames(path), ElementsAre("Brown", "Smith", "Young", ""));
}

TEST_F(CardCommandsTest, NewCardOnACategoryTabTakesTheCategory) {
  user.SelectTab(3)  // Work
      .Click(kNewCardItem)
      .Then([&] {
        EXPECT_EQ(ListShown().size(), 4u);  // Work's three and the new one
        EXPECT_EQ(Field(kCategoryCombo), "Work");
      })
      .Enter(kLastNameEntry, "Walker")
      .Click(kSaveItem)
      .Then([&] {
        EXPECT_THAT(ListShown(), ElementsAre("Acme (Ann Smith)",
                                             "Smith, Ann (Acme)", "Walker",
                                             "Young, Yves"));
        EXPECT_EQ(Shown(kCardList).choice, 3);
      })
      .Exit();
  Run(path);
}

TEST_F(CardCommandsTest, DuplicateKeepsAllButTheNames) {
  user.Pick(3)
      .Click(kDuplicateButton)
      .Then([&] {
        EXPECT_EQ(Field(kLastNameEntry), "");
        EXPECT_EQ(Field(kFirstNameEntry), "");
        EXPECT_EQ(Field(kCompanyEntry), "Acme");
        EXPECT_EQ(Field(kCategoryCombo), "Work");
        EXPECT_EQ(Field(kContentsText), "Note");
        EXPECT_EQ(Shown(kListByCompanyCheck).value, "1");
      })
      .Enter(kLastNameEntry, "Jones")
      .Click(kSaveButton)
      .Exit();
  Run(path);
  std::vector<CardRecord> copy = VersionsOf("Jones");
  ASSERT_EQ(copy.size(), 2u);  // the placeholder and the saved card
  const CardRecord& card = copy.back();
  EXPECT_EQ(Clipped(card.NAMEKEY), "Jones (Acme)");
  EXPECT_EQ(Clipped(card.COMPANYKEY), "Acme ( Jones)");
  EXPECT_EQ(Clipped(card.CONTENTS), "Note");
  EXPECT_NE(card.CREATEDTIME, VersionsOf("Smith").front().CREATEDTIME);
}

TEST_F(CardCommandsTest, ANewCategoryGetsItsTabInAlphabeticalPlace) {
  user.SelectTab(3)  // Work: ALL, Family, Work
      .Pick(3)       // Young
      .Enter(kCategoryCombo, "Clients")
      .Click(kSaveButton)
      .Then([&] {
        EXPECT_THAT(TabsShown(), ElementsAre("ALL", "Clients", "Family", "Work"));
        // Still on Work, which has moved one place to the right.
        EXPECT_EQ(Shown(kSheet).choice, 4);
        EXPECT_EQ(data.state.SelectedTabFeq, 28);
        EXPECT_EQ(Clipped(data.state.CurrentCategory), "Work");
        EXPECT_THAT(ListShown(),
                    ElementsAre("Acme (Ann Smith)", "Smith, Ann (Acme)"));
      })
      .SelectTab(2)
      .Then([&] { EXPECT_THAT(ListShown(), ElementsAre("Young, Yves")); })
      .Exit();
  Run(path);
}

TEST_F(CardCommandsTest, DeletingTheLastCardOfACategoryRemovesItsTab) {
  user.SelectTab(2)  // Family: Brown only
      .Click(kDeleteButton)
      .Then([&] {
        EXPECT_THAT(TabsShown(), ElementsAre("ALL", "Work"));
        EXPECT_EQ(Shown(kSheet).choice, 1);
        EXPECT_EQ(Clipped(data.state.CurrentCategory), "ALL");
        EXPECT_FALSE(Enabled(kShowAllButton));
        EXPECT_THAT(ListShown(), ElementsAre("Acme (Ann Smith)",
                                             "Smith, Ann (Acme)", "Young, Yves"));
        EXPECT_EQ(Field(kLastNameEntry), "Smith");
        EXPECT_TRUE(Enabled(kUndoButton));
      })
      .Click(kUndoButton)
      .Then([&] {
        EXPECT_THAT(TabsShown(), ElementsAre("ALL", "Family", "Work"));
        EXPECT_EQ(ListShown().size(), 4u);
        EXPECT_EQ(Field(kLastNameEntry), "Brown");
        EXPECT_FALSE(Enabled(kUndoButton));
      })
      .Exit();
  Run(path);
  EXPECT_THAT(LiveNames(path), ElementsAre("Brown", "Smith", "Young"));
  EXPECT_THAT(gui.message_boxes(), IsEmpty());
}

TEST_F(CardCommandsTest, DeleteDropsEditsThatWereNotSaved) {
  user.Pick(4)
      .Enter(kLastNameEntry, "Changed")
      .Click(kDeleteItem)
      .Then([&] { EXPECT_EQ(ListShown().size(), 3u); })
      .Click(kUndoItem)
      .Then([&] {
        EXPECT_EQ(Field(kLastNameEntry), "Young");
        EXPECT_EQ(ListShown().back(), "Young, Yves");
      })
      .Exit();
  Run(path);
  EXPECT_THAT(LiveNames(path), ElementsAre("Brown", "Smith", "Young"));
}

TEST_F(CardCommandsTest, UndoTakesBackSavesAndNewCardsInTurn) {
  user.Pick(2)
      .Enter(kLastNameEntry, "Browning")
      .Click(kSaveButton)
      .Click(kNewButton)
      .Then([&] { EXPECT_EQ(UndoCount(), 2u); })
      .Click(kUndoButton)  // the new card
      .Then([&] {
        EXPECT_EQ(data.state.PendingNewPointer, 0);
        EXPECT_EQ(ListShown().size(), 4u);
        EXPECT_EQ(Field(kLastNameEntry), "Browning");
        EXPECT_TRUE(Enabled(kNewButton));
      })
      .Click(kUndoButton)  // the save
      .Then([&] {
        EXPECT_THAT(ListShown(), ElementsAre("Acme (Ann Smith)", "Brown, Bob",
                                             "Smith, Ann (Acme)", "Young, Yves"));
        EXPECT_EQ(Shown(kCardList).choice, 2);
        EXPECT_EQ(Field(kLastNameEntry), "Brown");
        EXPECT_FALSE(Enabled(kUndoButton));
        EXPECT_FALSE(Enabled(kUndoItem));
      })
      .Click(kUndoButton)  // disabled: nothing left
      .Exit();
  Run(path);
  std::vector<CardRecord> versions = VersionsOf("Brown");
  ASSERT_EQ(versions.size(), 2u);
  EXPECT_EQ(versions[0].DELETED, 0);
  EXPECT_EQ(versions[1].DELETED, 1);
  EXPECT_EQ(Records(path).size(), 5u);  // the new card's placeholder is gone
}

TEST_F(CardCommandsTest, FailedSaveChangesNothingAndKeepsTheEdits) {
  CardRecord editing{};
  user.Pick(2)
      .Enter(kFirstNameEntry, "Robert")
      .Then([&] {
        // The shown version vanishes behind the window's back.
        editing = data.vtl;
        Get(data.card_file, data.state.CurrentPointer);
        Delete(data.card_file);
        ASSERT_EQ(ErrorCode(), 0);
        data.vtl = editing;
      })
      .Click(kSaveButton)
      .Then([&] {
        EXPECT_EQ(Field(kFirstNameEntry), "Robert");
        EXPECT_TRUE(Enabled(kSaveButton));
        EXPECT_EQ(data.state.EditFlag, 1);
        EXPECT_EQ(ListShown()[1], "Brown, Bob");
        EXPECT_EQ(UndoCount(), 0u);
        // No transaction is left open.
        Logout(data.card_file, 1);
        EXPECT_EQ(ErrorCode(), 0) << Error();
        Rollback(data.card_file);
      })
      .Exit();
  gui.AnswerMessageBox(kButtonOk);
  Run(path);
  ASSERT_EQ(gui.message_boxes().size(), 1u);
  const MessageBoxRequest& box = gui.message_boxes()[0];
  EXPECT_EQ(box.caption, "Can't Put Old Version");
  ASSERT_EQ(box.lines.size(), 1u);
  // The error text after ten blanks.
  EXPECT_EQ(box.lines[0].find_first_not_of(' '), 10u);
  EXPECT_EQ(box.icon.kind, IconKind::kStandard);
  EXPECT_EQ(box.icon.standard, kIconAsterisk);
  ASSERT_EQ(box.buttons.size(), 1u);
  EXPECT_EQ(box.buttons[0].mask, kButtonOk);
  EXPECT_THAT(LiveNames(path), ElementsAre("Smith", "Young"));
}

// Record numbers beyond 16 bits: the lists still name the right cards.
TEST_F(CardCommandsTest, ListsWorkPastSixteenBitRecordNumbers) {
  path = Path("big.vtl");
  MakeCardFile(path, {{"Brown", "Bob"}, {"Smith", "Ann"}, {"Young", "Yves"}},
               /*padding=*/66000);
  user.Then([&] {
        EXPECT_GT(data.state.CurrentPointer, 65535);
        EXPECT_EQ(Field(kLastNameEntry), "Brown");
      })
      .Pick(3)
      .Then([&] { EXPECT_EQ(Field(kLastNameEntry), "Young"); })
      .Enter(kFirstNameEntry, "Yvonne")
      .Pick(2)
      .Then([&] { EXPECT_EQ(Field(kLastNameEntry), "Smith"); })
      .Click(kDeleteButton)
      .Pick(2)
      .Then([&] {
        EXPECT_THAT(ListShown(), ElementsAre("Brown, Bob", "Young, Yvonne"));
        EXPECT_EQ(Field(kFirstNameEntry), "Yvonne");
      })
      .Click(kUndoButton)
      .Then([&] { EXPECT_EQ(Field(kLastNameEntry), "Smith"); })
      .Exit();
  Run(path);
  EXPECT_EQ(Records(path).size(), 5u);  // header, Brown, two of Young, Smith
  EXPECT_THAT(LiveNames(path), ElementsAre("Brown", "Smith", "Young"));
}

}  // namespace
}  // namespace vantrel
