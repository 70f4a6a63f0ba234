#include "gui/qt/text_edge.h"

#include <gtest/gtest.h>

namespace vantrel::qt {
namespace {

TEST(TextEdgeTest, Windows1252CrossesBothWaysAndTheRestIsRefused) {
  // "Café – €5": é, the en dash and the euro sign all have a byte.
  const std::string runtime =
      "Caf\xE9 \x96 \x80"
      "5";
  QString shown = FromRuntime(runtime);
  EXPECT_EQ(shown, QString::fromUtf8("Café – €5"));
  EXPECT_EQ(ToRuntime(shown), runtime);

  struct Case {
    const char* utf8;
    const char* refused;  // empty: none
  } cases[] = {
      {"plain ASCII", ""},
      {"Grüße, Łódź", "Ł"},  // Polish letters are not Western European
      {"tick \u2713 here", "\u2713"},
      {"smile \U0001F600", "\U0001F600"},  // a surrogate pair stays whole
  };
  for (const Case& c : cases) {
    QString text = QString::fromUtf8(c.utf8);
    EXPECT_EQ(FirstRefusedCharacter(text), QString::fromUtf8(c.refused))
        << c.utf8;
    EXPECT_EQ(ToRuntime(text).has_value(), *c.refused == '\0') << c.utf8;
  }
  EXPECT_TRUE(RefusalMessage(QString::fromUtf8("\u2713"))
                  .contains(QString::fromUtf8("\u2713")));
  EXPECT_EQ(ToRuntimeLossy(QString::fromUtf8("a\u2713b")), "a?b");
}

TEST(TextEdgeTest, ShapesDropPaddingAndMapPositionsBack) {
  ShownText text = ShowText("Smith     ", TextShape::kTrimmed);
  EXPECT_EQ(text.text, "Smith");
  // A caret past the padding lands at the end of what is shown.
  EXPECT_EQ(ToWidgetPosition("Smith     ", text, TextShape::kTrimmed, 9), 5);

  ShownText number = ShowText("    1,234.50", TextShape::kNumber);
  EXPECT_EQ(number.text, "1,234.50");
  EXPECT_EQ(number.lead, 4);
  EXPECT_EQ(ToWidgetPosition("    1,234.50", number, TextShape::kNumber, 6), 1);
  EXPECT_EQ(ToRuntimePosition(number.text, number.lead, TextShape::kNumber, 1),
            6);

  ShownText as_is = ShowText("  /  /    ", TextShape::kAsIs);
  EXPECT_EQ(as_is.text, "  /  /    ");
}

TEST(TextEdgeTest, MultiLineTextsKeepCrLfInTheRuntime) {
  const std::string runtime = "555-1234\r\nmobile\r\nwork";
  ShownText text = ShowText(runtime, TextShape::kMultiLine);
  EXPECT_EQ(text.text, "555-1234\nmobile\nwork");
  EXPECT_EQ(ReadText(text.text, TextShape::kMultiLine), runtime);
  // Runtime position 11 is the "m" of "mobile" (after one CR LF); the
  // widget has one character less before it.
  EXPECT_EQ(ToWidgetPosition(runtime, text, TextShape::kMultiLine, 11), 9);
  EXPECT_EQ(ToRuntimePosition(text.text, 0, TextShape::kMultiLine, 9), 11);
  // The start of the third line, both ways.
  EXPECT_EQ(ToWidgetPosition(runtime, text, TextShape::kMultiLine, 19), 16);
  EXPECT_EQ(ToRuntimePosition(text.text, 0, TextShape::kMultiLine, 16), 19);
}

}  // namespace
}  // namespace vantrel::qt
