// The message box as the user sees it: the runtime's button order and
// default, its lines, and what Escape and the close box answer.
#include "runtime/window/message_box.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "gui/qt/message_box_dialog.h"
#include "gui/qt/qt_test_fixture.h"

namespace vantrel::qt {
namespace {

using ::testing::ElementsAre;

class MessageBoxTest : public QtTest {
 protected:
  // Runs ShowMessage while `act` works on the box once it is up.
  int Show(int buttons, int default_button,
           std::function<void(MessageBoxDialog&)> act) {
    QTimer::singleShot(0, [&] {
      auto* box =
          dynamic_cast<MessageBoxDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      act(*box);
    });
    return ShowMessage("First line|Second line", "Caption",
                       StandardIconString(kIconQuestion), buttons,
                       default_button);
  }

  static QStringList Texts(const MessageBoxDialog& box) {
    QStringList texts;
    for (QPushButton* button : box.buttons()) texts << button->text();
    return texts;
  }
};

TEST_F(MessageBoxTest, ButtonsInTheRuntimesOrderWithItsDefault) {
  QStringList texts;
  QString lines;
  QString default_button;
  int pressed = Show(kButtonCancel + kButtonNo + kButtonYes, kButtonCancel,
                     [&](MessageBoxDialog& box) {
                       texts = Texts(box);
                       for (QLabel* label : box.findChildren<QLabel*>())
                         lines += label->text();
                       for (QPushButton* b : box.buttons())
                         if (b->isDefault()) default_button = b->text();
                       QTest::mouseClick(box.buttons()[1], Qt::LeftButton);
                     });
  EXPECT_THAT(texts, ElementsAre("&Yes", "&No", "Cancel"));
  EXPECT_EQ(default_button, "Cancel");
  EXPECT_EQ(lines, "First line\nSecond line");
  EXPECT_EQ(pressed, kButtonNo);
}

TEST_F(MessageBoxTest, EnterPressesTheDefaultEvenWhenItIsNotInTheSet) {
  // Default 2 (Yes) is not among OK + Cancel: OK is the default.
  int pressed = Show(
      kButtonOk + kButtonCancel, kButtonYes,
      [](MessageBoxDialog& box) { QTest::keyClick(&box, Qt::Key_Return); });
  EXPECT_EQ(pressed, kButtonOk);
}

TEST_F(MessageBoxTest, EscapeAndTheCloseBoxAnswer) {
  struct Case {
    int buttons;
    bool escape;  // else the close box
    int dialog_answer;
    int shown_answer;  // what ShowMessage returns
  } cases[] = {
      {kButtonYes + kButtonNo + kButtonCancel, true, kButtonCancel,
       kButtonCancel},
      {kButtonYes + kButtonNo, true, 0, kButtonNo},
      {kButtonOk, true, 0, kButtonOk},
      {kButtonOk + kButtonCancel, false, 0, kButtonCancel},
  };
  for (const Case& c : cases) {
    int answer = -1;
    int shown = Show(c.buttons, 0, [&](MessageBoxDialog& box) {
      if (c.escape) {
        QTest::keyClick(&box, Qt::Key_Escape);
      } else {
        box.close();
      }
      answer = box.answer();
    });
    EXPECT_EQ(answer, c.dialog_answer) << c.buttons;
    EXPECT_EQ(shown, c.shown_answer) << c.buttons;
  }
}

}  // namespace
}  // namespace vantrel::qt
