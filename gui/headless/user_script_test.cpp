#include "gui/headless/user_script.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(UserScriptTest, StepsWithTheirTargetsAndTexts) {
  ParsedScript parsed = ParseUserScript(
      "\xEF\xBB\xBF# a comment\r\n"
      "\r\n"
      "  CLICK   Show All Entries  \r\n"
      "set \"Last \\\"Name\\\"\"   Smith \\\\ Sons\n"
      "set 563\n"
      "expect -7 a\\nb\n"
      "choose Card/List 12\n"
      "choose 561 Smith, Ann\n"
      "key f12\n"
      "key ctrl n\n"
      "letter q\n"
      "type M\xC3\xBCller\n"
      "click \"1\"\n");
  ASSERT_EQ(parsed.error_line, 0) << parsed.error;
  ASSERT_EQ(parsed.steps.size(), 11u);
  const auto& s = parsed.steps;

  EXPECT_EQ(s[0].command, ScriptCommand::kClick);
  EXPECT_EQ(s[0].line, 3);
  EXPECT_EQ(s[0].source, "CLICK   Show All Entries");
  EXPECT_EQ(s[0].target.label, "Show All Entries");  // the rest of the line

  EXPECT_EQ(s[1].target.label, "Last \"Name\"");
  EXPECT_TRUE(s[1].target.quoted);
  EXPECT_EQ(s[1].text, "Smith \\ Sons");

  EXPECT_EQ(s[2].target.number, 563);
  EXPECT_EQ(s[2].text, "");  // set may clear a field

  EXPECT_EQ(s[3].target.number, -7);
  EXPECT_EQ(s[3].text, "a\nb");

  EXPECT_EQ(s[4].target.label, "Card/List");
  EXPECT_FALSE(s[4].target.quoted);
  EXPECT_EQ(s[4].number, 12);
  EXPECT_EQ(s[5].number, 0);
  EXPECT_EQ(s[5].text, "Smith, Ann");

  EXPECT_EQ(s[6].number, 0x7B);
  EXPECT_EQ(s[7].number, 0);
  EXPECT_EQ(s[7].text, "Ctrl+N");
  EXPECT_EQ(s[8].text, "Q");
  EXPECT_EQ(s[9].text, "M\xFCller");  // the runtime's Windows-1252
  EXPECT_EQ(s[10].target.number, 0);  // quoted: a label, not a number
  EXPECT_EQ(s[10].target.label, "1");
}

TEST(UserScriptTest, LabelsCompareAsTheUserReadsThem) {
  struct Case {
    const char* label;
    const char* normal;
  } cases[] = {
      {"&Last Name:", "last name"},
      {"&Open Vantrel File ...", "open vantrel file"},
      {"&New\tCtrl N", "new"},
      {"Smith && Sons", "smith & sons"},
      {"  Set &Last Export Date ...  ", "set last export date"},
      {"\xC4rger:", "\xE4rger"},  // Windows-1252 capitals fold too
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(NormalizeLabel(c.label), c.normal);
}

TEST(UserScriptTest, KeysAndShortcuts) {
  EXPECT_EQ(ScriptKeyCode("Insert"), 0x2D);
  EXPECT_EQ(ScriptKeyCode("del"), 0x2E);
  EXPECT_EQ(ScriptKeyCode("DoubleClick"), 5);
  EXPECT_EQ(ScriptKeyCode("F1"), 0x70);
  EXPECT_EQ(ScriptKeyCode("F13"), 0);
  EXPECT_EQ(ScriptKeyCode("F"), 0);
  EXPECT_EQ(ScriptKeyCode("x"), 0);

  struct Case {
    const char* text;
    const char* shortcut;
  } cases[] = {
      {"Ctrl N", "Ctrl+N"},
      {"ctrl+n", "Ctrl+N"},
      {"Shift+Ctrl+del", "Ctrl+Shift+Delete"},
      {"Alt F4", "Alt+F4"},
      {"N", ""},           // no modifier
      {"Ctrl", ""},        // no key
      {"Ctrl+N+M", ""},    // two keys
      {"Ctrl+Hyper", ""},  // no such key
  };
  for (const Case& c : cases)
    EXPECT_EQ(NormalizeShortcut(c.text), c.shortcut) << c.text;
}

}  // namespace
}  // namespace vantrel
