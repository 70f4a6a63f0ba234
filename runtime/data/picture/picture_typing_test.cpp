#include "runtime/data/picture/picture_typing.h"

#include <gtest/gtest.h>

#include "runtime/data/text/locale.h"

namespace vantrel {
namespace {

class PictureTypingTest : public ::testing::Test {
 protected:
  void SetUp() override { SetRegionalSettings(RegionalSettings()); }
};

// Types the keys one after another from the empty entry and checks the
// text, the caret and which keys were refused (leaving both as they were).
struct Case {
  const char* picture;
  const char* keys;
  const char* text;     // the text after the last key
  int caret;            // the caret after the last key
  const char* refused;  // keys refused, in order
};

void TypeKeys(const Case& c) {
  Picture p = CompilePicture(c.picture);
  ASSERT_TRUE(p.valid()) << c.picture;
  std::string text = EntryTemplate(p);
  int caret = 0;
  std::string refused;
  for (const char* k = c.keys; *k; ++k) {
    TypingResult r = TypeCharacter(p, text, caret, *k);
    if (!r.accepted) {
      refused += *k;
      EXPECT_EQ(r.text, text) << c.picture << " key " << *k;
      EXPECT_EQ(r.caret, caret) << c.picture << " key " << *k;
      continue;
    }
    text = r.text;
    caret = r.caret;
  }
  EXPECT_EQ(text, c.text) << c.picture << " keys " << c.keys;
  EXPECT_EQ(caret, c.caret) << c.picture << " keys " << c.keys;
  EXPECT_EQ(refused, c.refused) << c.picture << " keys " << c.keys;
}

TEST_F(PictureTypingTest, KeysAreTakenOrRefusedByPosition) {
  Case cases[] = {
      {"@K^^-##K", "ab12", "AB-12", 5, ""},
      {"@K^^-##K", "a1b-2x3", "AB-23", 5, "1x"},
      {"@K__K", "AB", "ab", 2, ""},
      {"@K##K", " 7", "07", 2, ""},
      {"@K<<K", " 7", " 7", 2, ""},
      {"@K@?K", "1a%", "a%", 2, "1"},
      {"@K(###) ###K", "(555)", "(555)    ", 6, ""},
      {"@K(###) ###K", "555123", "(555) 123", 9, ""},
      {"@K\\##K", "#5", "#5", 2, ""},
      {"@K@@@|##K", "a/12", "a  12", 5, ""},
      {"@D2", "03052026", "03/05/2026", 10, ""},
      {"@D2", "3/5/2026", " 3/05/2026", 10, ""},
      {"@D2", "x3", "3 /  /    ", 1, "x"},
      {"@D3", "m", "Mar   ,     ", 1, ""},
      {"@D3", "ju", "Jun   ,     ", 2, ""},
      {"@D3", "jz", "Jan   ,     ", 1, "z"},
      {"@D4", "de", "December    ,     ", 2, ""},
      {"@T3", "0930p", "09:30PM", 7, ""},
      {"@T3", "930a", "93:0   ", 4, "a"},
      {"@T6", "9:30:15q", " 9:30:15  ", 8, "q"},
      {"@T4", "2359a", "23:59:  ", 6, "a"},
      {"@P(###) ###-####P", "5551234567", "(555) 123-4567", 14, ""},
      {"@P###-####P", "55a", "55 -    ", 2, "a"},
      {"@P ##P", "#2%", " 02", 3, ""},
      {"@K(###) ###K", "(5)", "(5  )    ", 6, ""},
  };
  for (const Case& c : cases) TypeKeys(c);
}

TEST_F(PictureTypingTest, OtherKindsInsertUpToTheirWidth) {
  Picture s = CompilePicture("@S3");
  TypingResult r = TypeCharacter(s, "ac", 1, 'b');
  EXPECT_TRUE(r.accepted);
  EXPECT_EQ(r.text, "abc");
  EXPECT_EQ(r.caret, 2);
  EXPECT_FALSE(TypeCharacter(s, "abc", 3, 'd').accepted);
  EXPECT_FALSE(TypeCharacter(CompilePicture("@X"), "", 0, 'a').accepted);
}

}  // namespace
}  // namespace vantrel
