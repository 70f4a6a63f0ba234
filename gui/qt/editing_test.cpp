// Typing into entries and texts: what the widget shows, what the runtime
// reads back, characters the runtime's text cannot hold, entries typed
// through their picture, and alerted keys in a text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <cstring>

#include "gui/qt/qt_test_fixture.h"
#include "gui/qt/refusal_notice.h"
#include "runtime/data/text/string_ops.h"
#include "runtime/data/types/std_date.h"
#include "runtime/window/accept_loop.h"
#include "runtime/window/properties.h"
#include "runtime/window/user_input.h"

namespace vantrel::qt {
namespace {

using ::testing::ElementsAre;

constexpr std::int16_t kName = 1;
constexpr std::int16_t kBorn = 2;
constexpr std::int16_t kPhones = 3;
constexpr std::int16_t kCardMenu = 10;
constexpr std::int16_t kUndoItem = 11;

// Types characters that have no key of their own on a test keyboard, as an
// input method would deliver them: one key event per character.
void TypeCharacters(QWidget* widget, const QString& text) {
  for (QChar c : text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                    QString(c));
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier,
                      QString(c));
    QApplication::sendEvent(widget, &release);
  }
}

class EditingTest : public QtTest {
 protected:
  EditingTest() {
    std::memset(name, ' ', sizeof name);
    std::memset(phones, ' ', sizeof phones);
    ClearLastRefusal();
  }

  // Runs the form; the Accepted, Rejected, PreAlert and AlertKey events it
  // saw, and `on_pre_alert` inside the body on PreAlert.
  std::vector<std::string> Run(std::function<void()> on_pre_alert = {}) {
    WindowDescription form;
    form.title = "Editing";
    ControlDescription name_entry =
        Control(kName, ControlKind::kEntry, "", {4, 4, 100, 12});
    name_entry.variable = Variable::Of(name);
    name_entry.picture = "@s20";
    ControlDescription born_entry =
        Control(kBorn, ControlKind::kEntry, "", {4, 20, 60, 12});
    born_entry.variable = Variable::Of(born);
    born_entry.picture = "@D2";
    ControlDescription phones_text =
        Control(kPhones, ControlKind::kText, "", {4, 36, 100, 40});
    phones_text.variable = Variable::Of(phones);
    phones_text.alert_keys = {kKeyEnter};
    ControlDescription undo_item =
        Control(kUndoItem, ControlKind::kMenuItem, "&Undo\tCtrl Z");
    undo_item.parent = kCardMenu;
    form.controls = {name_entry, born_entry, phones_text,
                     Control(kCardMenu, ControlKind::kMenu, "&Card"),
                     undo_item};
    std::vector<std::string> seen;
    OpenWindow(form);
    AcceptLoop([&] {
      std::int32_t event = CurrentEvent();
      if (event == kEventAccepted || event == kEventRejected ||
          event == kEventPreAlert || event == kEventAlertKey) {
        std::string trace(EventTraceName(event + kEventBase));
        seen.push_back(trace.substr(trace.find(':') + 1) + ":" +
                       std::to_string(EventField()));
      }
      if (event == kEventPreAlert && on_pre_alert) on_pre_alert();
      if (event == kEventCloseWindow) EndLoop();
    });
    CloseWindow();
    return seen;
  }

  QLineEdit* Entry(std::int16_t number) const {
    return static_cast<QLineEdit*>(Field(number));
  }
  QPlainTextEdit* Text() const {
    return static_cast<QPlainTextEdit*>(Field(kPhones));
  }

  char name[20];
  std::int32_t born = 0;
  char phones[60];
};

TEST_F(EditingTest, CharactersOutsideWindows1252AreRefusedWithANotice) {
  QString typed, pasted, pasted_again, notice;
  UserScript user(gui);
  user.Then([&] { Activate(); })
      .Then([&] { QTest::mouseClick(Entry(kName), Qt::LeftButton); })
      .Then([&] {
        TypeCharacters(Entry(kName), QString::fromUtf8("Ren\u2713\u00E9e"));
      })
      .Then([&] {
        typed = Entry(kName)->text();
        notice = LastRefusal();
        QTest::mouseClick(Text(), Qt::LeftButton);
      })
      .Then([&] {
        QApplication::clipboard()->setText(
            QString::fromUtf8("€5 \u2192 \u20AC6"));
        QTest::keyClick(Text(), Qt::Key_V, Qt::ControlModifier);
      })
      .Then([&] {
        pasted = Text()->toPlainText();
        QApplication::clipboard()->setText(QString::fromUtf8("€5"));
        QTest::keyClick(Text(), Qt::Key_V, Qt::ControlModifier);
      })
      .Then([&] {
        pasted_again = Text()->toPlainText();
        Frame()->close();
      });

  EXPECT_THAT(Run(), ElementsAre("Accepted:1"));
  EXPECT_EQ(typed, QString::fromUtf8("Renée"));
  EXPECT_TRUE(notice.contains(QString::fromUtf8("\u2713")))
      << notice.toStdString();
  EXPECT_EQ(pasted, "");
  EXPECT_EQ(std::string(ClipText({name, sizeof name})),
            "Ren\xE9"
            "e");
  EXPECT_EQ(LastRefusal().contains(QString::fromUtf8("\u2192")), true);
  // The euro sign has a place in Windows-1252: the second paste went in.
  EXPECT_EQ(pasted_again, QString::fromUtf8("€5"));
}

TEST_F(EditingTest, TextBeyondWhatTheVariableHoldsIsRefused) {
  QString kept;
  UserScript user(gui);
  user.Then([&] { Activate(); })
      .Then([&] { QTest::mouseClick(Text(), Qt::LeftButton); })
      .Then([&] { QTest::keyClicks(Text(), "555-1234"); })
      .Then([&] {
        QApplication::clipboard()->setText(QString(sizeof phones, QChar('9')));
        QTest::keyClick(Text(), Qt::Key_V, Qt::ControlModifier);
      })
      .Then([&] {
        kept = Text()->toPlainText();
        QTest::mouseClick(Entry(kName), Qt::LeftButton);
      })
      .Then([&] { Frame()->close(); });
  EXPECT_THAT(Run(), ElementsAre("Accepted:3"));
  EXPECT_EQ(kept, "555-1234");
  EXPECT_EQ(LastRefusal(), CapacityMessage(sizeof phones));
  EXPECT_EQ(std::string(ClipText({phones, sizeof phones})), "555-1234");
}

TEST_F(EditingTest, AMenuShortcutWinsOverTheFieldsOwnUseOfTheKey) {
  QString shown;
  UserScript user(gui);
  user.Then([&] { Activate(); })
      .Then([&] { QTest::mouseClick(Entry(kName), Qt::LeftButton); })
      .Then([&] { QTest::keyClicks(Entry(kName), "Ann"); })
      // An entry would undo its typing with Ctrl+Z.
      .Then([&] {
        QTest::keyClick(Entry(kName), Qt::Key_Z, Qt::ControlModifier);
      })
      .Then([&] {
        shown = Entry(kName)->text();
        Frame()->close();
      });
  // The entry is read back before the command, and keeps its text.
  EXPECT_THAT(Run(), ElementsAre("Accepted:1", "Accepted:11"));
  EXPECT_EQ(shown, "Ann");
  EXPECT_EQ(std::string(ClipText({name, sizeof name})), "Ann");
}

TEST_F(EditingTest, AnEntryWithADatePictureIsTypedThroughThePicture) {
  QStringList shown;
  UserScript user(gui);
  user.Then([&] { Activate(); })
      .Then([&] { QTest::mouseClick(Entry(kBorn), Qt::LeftButton); })
      .Then([&] {
        shown << Entry(kBorn)->text();
        QTest::keyClick(Entry(kBorn), Qt::Key_Home);
        QTest::keyClicks(Entry(kBorn), "7/4x/2025");
      })
      .Then([&] {
        shown << Entry(kBorn)->text();
        QTest::keyClick(Entry(kBorn), Qt::Key_Backspace);
      })
      .Then([&] {
        shown << Entry(kBorn)->text();
        QTest::keyClicks(Entry(kBorn), "6");
      })
      .Then([&] {
        shown << Entry(kBorn)->text();
        QTest::mouseClick(Entry(kName), Qt::LeftButton);
      })
      .Then([&] { Frame()->close(); });

  EXPECT_THAT(Run(), ElementsAre("Accepted:2"));
  // The empty template; the typed date (each slash ends its field, the x is
  // refused); Backspace blanks the last digit, keeping the picture's shape;
  // the new digit takes its place.
  EXPECT_THAT(shown, ElementsAre("  /  /    ", " 7/04/2025", " 7/04/202 ",
                                 " 7/04/2026"));
  EXPECT_EQ(born, StandardDateFrom(4, 7, 2026));
}

TEST_F(EditingTest, AnAlertedKeyInATextReachesTheRuntimeBeforeItActs) {
  std::string value_at_alert;
  std::string caret_at_alert;
  QString final_text;
  UserScript user(gui);
  user.Then([&] { Activate(); })
      .Then([&] { QTest::mouseClick(Text(), Qt::LeftButton); })
      .Then([&] { QTest::keyClicks(Text(), "5551234"); })
      .Then([&] { QTest::keyClick(Text(), Qt::Key_Return); })
      .Then([&] { QTest::keyClicks(Text(), "mobile"); })
      .Then([&] {
        final_text = Text()->toPlainText();
        Frame()->close();
      });

  // On PreAlert the procedure reformats the line, as the card window does
  // with phone numbers, and puts the caret after it.
  std::vector<std::string> seen = Run([&] {
    value_at_alert = GetProperty(kPropText, kPhones);
    caret_at_alert = GetProperty(kPropSelStart, kPhones);
    SetProperty(kPropText, kPhones, "555-1234");
    SetProperty(kPropSelStart, kPhones, "9");
  });

  EXPECT_THAT(seen, ElementsAre("PreAlert:3", "AlertKey:3"));
  EXPECT_EQ(value_at_alert, "5551234");
  EXPECT_EQ(caret_at_alert, "8");
  // The Enter key acted after the procedure: the new line follows the
  // reformatted number.
  EXPECT_EQ(final_text, "555-1234\nmobile");
}

}  // namespace
}  // namespace vantrel::qt
