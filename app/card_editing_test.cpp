// Entering the card's fields: the contents' default text and the phone
// lines as the user types them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/card_window_test_support.h"

namespace vantrel {
namespace {

class CardEditingTest : public CardWindowTest {
 protected:
  void SetUp() override {
    CardWindowTest::SetUp();
    path = Path("cards.vtl");
    MakeCardFile(path, {
                           {"Brown", "", "Bricks Ltd"},
                           {"", "", "Acme", 1},
                           {"Smith", "Ann", "Acme"},
                       });
  }
  std::string path;
};

// List: Acme, Brown (Bricks Ltd), Smith, Ann (Acme).

TEST_F(CardEditingTest, ContentsStartWithAGreetingFromTheNames) {
  struct Case {
    int entry;
    const char* contents;
  } cases[] = {{3, "Mr. Ann Smith"}, {2, "Brown"}, {1, "Acme"}};
  for (const Case& c : cases) {
    user.Pick(c.entry).Focus(kContentsText).Then([&, c] {
      EXPECT_EQ(Field(kContentsText), c.contents);
      EXPECT_EQ(Shown(kContentsText).selection_start, 1);
      EXPECT_EQ(Shown(kContentsText).selection_end,
                static_cast<int>(std::string(c.contents).size()));
      EXPECT_TRUE(Enabled(kSaveButton));
    });
  }
  user.Exit();
  Run(path);
}

TEST_F(CardEditingTest, PhonesAreFormattedWhenLeft) {
  user.Pick(3)
      .Enter(kPhonesText,
             "6175551234\r\n\r\n5551234\r\n555 1234\r\n16175551234\r\n\r\n")
      .Then([&] {
        EXPECT_EQ(Field(kPhonesText),
                  "(617) 555-1234\r\n\r\n555-1234\r\n555 1234\r\n"
                  "1 (617) 555-1234");
      })
      .Click(kSaveButton)
      .Exit();
  Run(path);
  std::vector<CardRecord> records = Records(path);
  EXPECT_EQ(Clipped(records.back().PHONES),
            "(617) 555-1234\r\n\r\n555-1234\r\n555 1234\r\n1 (617) 555-1234");
}

TEST_F(CardEditingTest, EnterInThePhonesFormatsTheLinesSoFar) {
  const std::string typed = "5551234\r\n6175551234\r\n";
  user.Pick(3)
      .Focus(kPhonesText)
      .Type(typed)
      .PressKey(kKeyEnter)
      .Then([&] {
        EXPECT_EQ(Field(kPhonesText), "555-1234\r\n(617) 555-1234\r\n");
        // The caret stays at the start of the third line.
        const int caret = static_cast<int>(typed.size()) + 1 + 1 + 4;
        EXPECT_EQ(GetProperty(kPropSelStart, kPhonesText),
                  std::to_string(caret));
        EXPECT_EQ(Shown(kPhonesText).selection_end, caret - 1);
      })
      .Type("home")
      .Focus(kCardList)
      .Then([&] {
        EXPECT_EQ(Field(kPhonesText), "555-1234\r\n(617) 555-1234\r\nhome");
      })
      .Exit();
  Run(path);
}

TEST_F(CardEditingTest, PhonesWithElevenLinesAreNotReformattedOnEnter) {
  std::string eleven;
  for (int i = 0; i < 11; ++i) eleven += "5551234\r\n";
  eleven.resize(eleven.size() - 2);
  user.Pick(3)
      .Enter(kPhonesText, "text")
      .Then([&] {
        // Eleven lines already: Enter leaves the text to the user.
        Assign(data.vtl.PHONES, eleven);
        Display(kPhonesText);
      })
      .Focus(kPhonesText)
      .PressKey(kKeyEnter)
      .Then([&] { EXPECT_EQ(Field(kPhonesText), eleven); })
      .Exit();
  Run(path);
}

}  // namespace
}  // namespace vantrel

namespace vantrel {
namespace {

// A find tab (made by the find command) marks the search text in the card
// shown, and fields entered there do not offer Save; the category does.
TEST_F(CardEditingTest, WhileAFindTabIsShownTheSearchTextIsMarked) {
  user.Then([&] {
        Assign(data.state.FindText, "acme");
        data.state.IgnoreCase = 1;
        CreateControl(27, ControlKind::kTab, kSheet);  // the find tab
        data.state.FindTabFeq = 27;
      })
      .Pick(3)  // Smith, Ann (Acme)
      .Then([&] {
        EXPECT_EQ(Shown(kCompanyEntry).selection_start, 1);
        EXPECT_EQ(Shown(kCompanyEntry).selection_end, 4);
        EXPECT_EQ(Shown(kLastNameEntry).selection_start, 0);
      })
      .Focus(kLastNameEntry)
      .Then([&] {
        EXPECT_FALSE(Enabled(kSaveButton));
        EXPECT_EQ(data.state.EditFlag, 0);
      })
      .Focus(kCategoryCombo)
      .Then([&] {
        EXPECT_TRUE(Enabled(kSaveButton));
        EXPECT_EQ(data.state.EditFlag, 1);
      })
      .Close();
  Run(path);
  EXPECT_FALSE(data.card_file.control.state & kStateOpen);  // closed by the close box
}

}  // namespace
}  // namespace vantrel
