// A small window procedure as the application writes them, driven through
// real Qt widgets: the runtime must see the user's actions as the events a
// procedure expects, in the order it expects them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <cstring>

#include "gui/qt/qt_test_fixture.h"
#include "runtime/data/queue/queue.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/window/accept_loop.h"
#include "runtime/window/properties.h"
#include "runtime/window/user_input.h"

namespace vantrel::qt {
namespace {

using ::testing::ElementsAre;

constexpr std::int16_t kName = 1;
constexpr std::int16_t kAdd = 2;
constexpr std::int16_t kList = 3;
constexpr std::int16_t kSheet = 4;
constexpr std::int16_t kFirstTab = 5;
constexpr std::int16_t kSecondTab = 6;
constexpr std::int16_t kFileMenu = 10;
constexpr std::int16_t kSaveItem = 11;
constexpr std::int16_t kExitItem = 12;
constexpr std::size_t kNameLength = 12;

class SampleWindowTest : public QtTest {
 protected:
  SampleWindowTest() { std::memset(name, ' ', sizeof name); }

  WindowDescription Description() {
    WindowDescription window;
    window.title = "Names";
    window.modal = false;
    ControlDescription entry =
        Control(kName, ControlKind::kEntry, "", {4, 4, 80, 12});
    entry.variable = Variable::Of(name);
    entry.picture = "@s12";
    ControlDescription list =
        Control(kList, ControlKind::kList, "", {4, 38, 120, 60});
    list.list = {&names, 1};
    list.alert_keys = {kKeyDelete};
    ControlDescription save =
        Control(kSaveItem, ControlKind::kMenuItem, "&Save");
    save.parent = kFileMenu;
    save.shortcut = "Ctrl S";
    ControlDescription exit =
        Control(kExitItem, ControlKind::kMenuItem, "E&xit");
    exit.parent = kFileMenu;
    window.controls = {
        entry,
        Control(kAdd, ControlKind::kButton, "&Add", {90, 4, 40, 14}),
        Control(kSheet, ControlKind::kSheet, "", {4, 22, 120, 13}),
        list,
        Control(kFileMenu, ControlKind::kMenu, "&File"),
        save,
        exit};
    return window;
  }

  void AddTab(std::int16_t number, const char* text) {
    CreateControl(number, ControlKind::kTab, kSheet);
    SetProperty(kPropText, number, text);
    UnhideControl(number);
  }

  // Runs the window; the events its body saw, as "Name:control".
  std::vector<std::string> Run() {
    std::vector<std::string> seen;
    OpenWindow(Description());
    AcceptLoop([&] {
      std::int32_t event = CurrentEvent();
      if (event == kEventTimer) {
        ++timer_events;
        SetProperty(kPropTimer, 0, "0");
        return;
      }
      std::string trace(EventTraceName(event + kEventBase));
      seen.push_back(trace.substr(trace.find(':') + 1) + ":" +
                     std::to_string(EventField()));
      switch (event) {
        case kEventOpenWindow:
          AddTab(kFirstTab, "General");
          AddTab(kSecondTab, "Notes");
          SetProperty(kPropTimer, 0, "2");
          break;
        case kEventAccepted:
          if (AcceptedField() == kAdd) {
            std::memcpy(record, name, kNameLength);
            Add(&names);
            Display(kList);
          }
          if (AcceptedField() == kExitItem) EndLoop();
          break;
        case kEventCloseWindow:
          ++close_requests;
          SkipDefault();  // the window stays
          break;
      }
    });
    CloseWindow();
    return seen;
  }

  char name[kNameLength];
  std::uint8_t record[kNameLength] = {};
  TypeDescriptor descriptor =
      DescriptorBuilder().String("N:NAME", kNameLength).Descriptor();
  Queue names{record, &descriptor, kNameLength};
  int timer_events = 0;
  int close_requests = 0;
};

TEST_F(SampleWindowTest, UserActionsReachTheProcedureAsEventsInOrder) {
  QStringList list_shown;
  QString shown_after_typing;
  UserScript user(gui);
  user.Then([&] { Activate(); })
      .Then([&] { QTest::mouseClick(Field(kName), Qt::LeftButton); })
      .Then([&] { QTest::keyClicks(Field(kName), "Ann"); })
      .Then([&] {
        shown_after_typing = static_cast<QLineEdit*>(Field(kName))->text();
        QTest::mouseClick(Field(kAdd), Qt::LeftButton);
      })
      .Then([&] {
        auto* bar = static_cast<QTabBar*>(Field(kSheet));
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
      })
      .Then([&] {
        auto* view = Field(kList)->findChild<QListView*>();
        for (int row = 0; row < view->model()->rowCount(); ++row)
          list_shown << view->model()->index(row, 0).data().toString();
        QRect first = view->visualRect(view->model()->index(0, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, first.center());
      })
      .Then([&] {
        QTest::keyClick(Field(kList)->findChild<QListView*>(), Qt::Key_Delete);
      })
      .Then([&] { QTest::keyClick(Frame(), Qt::Key_S, Qt::ControlModifier); })
      .WaitUntil([&] { return timer_events > 0; })
      .Then([&] { Frame()->close(); })
      .Then([&] { QTest::keyClick(Frame(), Qt::Key_F, Qt::AltModifier); })
      .Then([&] {
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_X);
      });

  std::vector<std::string> seen = Run();

  EXPECT_THAT(seen, ElementsAre("OpenWindow:0", "GainFocus:0", "Selected:1",
                                "Accepted:1", "Selected:2", "Accepted:2",
                                "TabChanging:4", "NewSelection:4", "Selected:3",
                                "NewSelection:3", "PreAlert:3", "AlertKey:3",
                                "Accepted:11", "CloseWindow:0", "Accepted:12"));
  EXPECT_EQ(shown_after_typing, "Ann");
  EXPECT_THAT(list_shown, ElementsAre("Ann"));
  EXPECT_EQ(std::string(name, kNameLength), "Ann         ");
  EXPECT_EQ(close_requests, 1);
  EXPECT_EQ(timer_events, 1);
  EXPECT_EQ(user.steps_left(), 0u);
}

}  // namespace
}  // namespace vantrel::qt
