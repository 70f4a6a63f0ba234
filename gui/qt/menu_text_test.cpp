#include "gui/qt/menu_text.h"

#include <gtest/gtest.h>

namespace vantrel::qt {
namespace {

TEST(MenuTextTest, ShortcutsWrittenAfterATabOrGivenBecomeKeySequences) {
  struct Case {
    const char* text;
    const char* shortcut;
    const char* label;
    QKeySequence keys;
  } cases[] = {
      {"&New\tCtrl N", "", "&New", QKeySequence(Qt::CTRL | Qt::Key_N)},
      {"&Delete\tCtrl D", "", "&Delete", QKeySequence(Qt::CTRL | Qt::Key_D)},
      {"&Save", "Ctrl+S", "&Save", QKeySequence(Qt::CTRL | Qt::Key_S)},
      {"&Find", "Ctrl-Shift F", "&Find",
       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F)},
      {"&Help\tF1", "", "&Help", QKeySequence(Qt::Key_F1)},
      {"E&xit", "", "E&xit", QKeySequence()},
      {"&Odd\tnot a key", "", "&Odd", QKeySequence()},
  };
  for (const Case& c : cases) {
    MenuText text = SplitMenuText(c.text, c.shortcut);
    EXPECT_EQ(text.label, c.label) << c.text;
    EXPECT_EQ(text.shortcut, c.keys) << c.text;
  }
}

}  // namespace
}  // namespace vantrel::qt
