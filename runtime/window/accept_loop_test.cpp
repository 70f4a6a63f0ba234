#include "runtime/window/accept_loop.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

#include "runtime/data/base/fatal_report.h"
#include "runtime/window/properties.h"
#include "runtime/window/user_input.h"
#include "runtime/window/window_test_fixture.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;

constexpr std::int16_t kName = 1;
constexpr std::int16_t kCity = 2;
constexpr std::int16_t kOk = 3;

class AcceptLoopTest : public WindowTest {
 protected:
  AcceptLoopTest() {
    form.title = "Form";
    form.controls = {Control(kName, ControlKind::kEntry),
                     Control(kCity, ControlKind::kEntry),
                     Control(kOk, ControlKind::kButton, "OK")};
  }

  // Runs the form's loop, recording every event; ends at `last`.
  std::vector<std::string> RunForm(std::int32_t last) {
    std::vector<std::string> seen;
    OpenWindow(form);
    AcceptLoop([&] {
      seen.push_back(Seen());
      if (CurrentEvent() == last) EndLoop();
    });
    CloseWindow();
    return seen;
  }

  WindowDescription form;
};

TEST_F(AcceptLoopTest, PostedEventIsCurrentWithItsControl) {
  EXPECT_EQ(CurrentEvent(), 0);
  OpenWindow(form);
  std::int32_t internal = 0, event = 0, field = 0, accepted = 0;
  AcceptLoop([&] {
    if (CurrentEvent() == kEventOpenWindow) PostEvent(kEventAccepted, kCity);
    if (CurrentEvent() != kEventAccepted) return;
    internal = CurrentWindowEvent()->number;
    event = CurrentEvent();
    field = EventField();
    accepted = AcceptedField();
    EndLoop();
  });
  EXPECT_EQ(internal, 0x1401);
  EXPECT_EQ(event, 1);
  EXPECT_EQ(field, kCity);
  EXPECT_EQ(accepted, kCity);
  EXPECT_EQ(CurrentEvent(), 0);  // outside the loop again
  EXPECT_EQ(AcceptedField(), 0);
}

TEST_F(AcceptLoopTest, OpenWindowComesFirstThenFocusAndUserEvents) {
  gui.Click(kOk);
  EXPECT_THAT(RunForm(kEventAccepted),
              ElementsAre("OpenWindow:0", "GainFocus:0", "Accepted:3"));
}

TEST_F(AcceptLoopTest, LeavingTheProgramLosesTheFocusAndComingBackGainsIt) {
  // With no active window, the steps name theirs.
  gui.Then([] { UserDeactivate(*TopWindow()); })
      .On("Form")
      .Then([] { UserDeactivate(*TopWindow()); })  // not active: nothing
      .On("Form")
      .Then([] { UserActivate(*TopWindow()); })
      .Click(kOk);
  std::vector<std::string> seen;
  OpenWindow(form);
  AcceptLoop([&] {
    if (CurrentEvent() == kEventGainFocus || CurrentEvent() == kEventLoseFocus)
      seen.push_back(Seen());
    if (CurrentEvent() == kEventAccepted) EndLoop();
  });
  EXPECT_THAT(seen, ElementsAre("GainFocus:0", "LoseFocus:0", "GainFocus:0"));
}

TEST_F(AcceptLoopTest, AcceptLoopWithoutWindowIsFatal537) {
  struct Fatal {
    int code;
    std::string text;
  };
  SetFatalReportHandler([](int code, std::string_view text) {
    throw Fatal{code, std::string(text)};
  });
  try {
    AcceptLoop([] {});
    ADD_FAILURE() << "no fatal report";
  } catch (const Fatal& fatal) {
    EXPECT_EQ(fatal.code, 537);
    EXPECT_EQ(fatal.text, "ACCEPT loop requires a window");
  }
  SetFatalReportHandler(nullptr);
}

TEST_F(AcceptLoopTest, PostEventToThreadWithoutWindowDoesNothing) {
  PostEvent(kEventAccepted, kName);  // no window at all
  PostEvent(kEventAccepted, kName, 5);
  OpenWindow(form);
  PostEvent(kEventAccepted, kName, 5);         // thread 5 has no window
  EXPECT_EQ(TopWindow()->pending.size(), 1u);  // OpenWindow alone
}

TEST_F(AcceptLoopTest, CycleOnCloseWindowKeepsTheWindow) {
  gui.Close().Close();
  int closes = 0;
  OpenWindow(form);
  AcceptLoop([&] {
    if (CurrentEvent() == kEventCloseWindow && ++closes == 1) SkipDefault();
  });
  EXPECT_EQ(closes, 2);
  EXPECT_EQ(gui.steps_left(), 0u);
}

TEST_F(AcceptLoopTest, TwoTicksBeforeTheLoopGiveOneTimer) {
  Window& window = OpenWindow(form);
  SetProperty(kPropTimer, 0, "20");
  EXPECT_EQ(gui.Shown(window)->timer, 20);
  TimerTick(window);
  TimerTick(window);
  gui.Close();
  int timers = 0;
  AcceptLoop([&] { timers += CurrentEvent() == kEventTimer; });
  EXPECT_EQ(timers, 1);
}

TEST_F(AcceptLoopTest, StoppedTimerHandsNoTimerToTheLoop) {
  Window& window = OpenWindow(form);
  SetProperty(kPropTimer, 0, "20");
  gui.TickTimer(2)
      .Then([&] {
        TimerTick(window);  // a tick already on its way
        SetProperty(kPropTimer, 0, "0");
      })
      .TickTimer()  // stopped: the platform ticks no more
      .Close();
  int timers = 0;
  AcceptLoop([&] { timers += CurrentEvent() == kEventTimer; });
  EXPECT_EQ(timers, 1);
  EXPECT_EQ(gui.Shown(window)->timer, 0);
}

TEST_F(AcceptLoopTest, SelectedForControlThatLostFocusNeverArrives) {
  Window& window = OpenWindow(form);
  gui.Then([&] {
    UserFocus(window, kName);
    UserFocus(window, kCity);
  });
  gui.Close();
  std::vector<std::string> selected;
  AcceptLoop([&] {
    if (CurrentEvent() == kEventSelected) selected.push_back(Seen());
  });
  EXPECT_THAT(selected, ElementsAre("Selected:2"));
  EXPECT_EQ(window.selected_control, kCity);
}

TEST_F(AcceptLoopTest, DisabledControlGetsNoFieldEvents) {
  gui.Then([] { Disable(kOk); })
      .Click(kOk)
      .Then([] { Enable(kOk); })
      .Click(kOk);
  std::vector<std::string> seen = RunForm(kEventAccepted);
  EXPECT_EQ(seen.back(), "Accepted:3");
  EXPECT_EQ(gui.steps_left(), 0u);  // the first click made no event
}

TEST_F(AcceptLoopTest, ControlsInsideADisabledOrHiddenParentTakeNoInput) {
  constexpr std::int16_t kMenu = 10, kItem = 11;
  form.controls.push_back(Control(kMenu, ControlKind::kMenu, "&File"));
  ControlDescription item = Control(kItem, ControlKind::kMenuItem, "&Open");
  item.parent = kMenu;
  form.controls.push_back(item);
  gui.Then([] { Disable(kMenu); })
      .Click(kItem)
      .Then([] {
        Enable(kMenu);
        HideControl(kMenu);
      })
      .Click(kItem)
      .Then([] { UnhideControl(kMenu); })
      .Click(kItem);
  std::vector<std::string> seen = RunForm(kEventAccepted);
  EXPECT_EQ(seen.back(), "Accepted:11");
  EXPECT_EQ(gui.steps_left(), 0u);  // only the last click made an event
}

TEST_F(AcceptLoopTest, OtherFieldAndWindowActions) {
  Window& window = OpenWindow(form);
  EXPECT_FALSE(UserFieldAction(window, kName, kEventCloseWindow));
  EXPECT_FALSE(UserWindowAction(window, kEventAccepted));
  EXPECT_FALSE(UserWindowAction(window, kEventCompleted));
  CloseWindow();
  gui.Act(kName, kEventScrollDown)
      .Act(kName, kEventPageUp)
      .ActOnWindow(kEventMaximize)
      .ActOnWindow(kEventMaximized)
      .Click(kOk);
  EXPECT_THAT(
      RunForm(kEventAccepted),
      ElementsAre("OpenWindow:0", "GainFocus:0", "ScrollDown:1", "PageUp:1",
                  "Maximize:0", "Maximized:0", "Accepted:3"));
}

TEST_F(AcceptLoopTest, PlacingTheWindow) {
  form.layout = {10, 20, 200, 100};
  WindowPlacement maximized{{10, 20, 200, 100}, true, false};
  WindowPlacement restored_elsewhere{{30, 40, 250, 100}, false, false};
  WindowPlacement iconized{{30, 40, 250, 100}, false, true};
  gui.Place(maximized).Place(restored_elsewhere).Place(iconized).Click(kOk);
  EXPECT_THAT(
      RunForm(kEventAccepted),
      ElementsAre("OpenWindow:0", "GainFocus:0", "Maximized:0", "Restored:0",
                  "Moved:0", "Sized:0", "Iconized:0", "Accepted:3"));

  // The program's placement reaches the backend; the user's is the model's.
  Window& window = OpenWindow(form);
  EXPECT_EQ(gui.Shown(window)->placement.normal, form.layout);
  PlaceWindow(window, maximized);
  EXPECT_EQ(gui.Shown(window)->placement, maximized);
  UserPlaceWindow(window, restored_elsewhere);
  EXPECT_EQ(window.placement, restored_elsewhere);
  CloseWindow();
}

TEST_F(AcceptLoopTest, BuildEventsAndOpenFailedEndTheLoop) {
  for (std::int32_t event :
       {kEventBuildFile, kEventBuildKey, kEventBuildDone, kEventOpenFailed}) {
    OpenWindow(form);
    PostEvent(event);
    std::vector<std::int32_t> seen;
    AcceptLoop([&] { seen.push_back(CurrentEvent()); });
    // The loop returned at once: GainFocus, posted behind it, still waits.
    EXPECT_THAT(seen, ElementsAre(kEventOpenWindow, event));
    EXPECT_EQ(TopWindow()->pending.size(), 1u);
    CloseWindow();
  }
}

TEST_F(AcceptLoopTest, ScriptRunningOutEndsTheLoopWithAMessage) {
  std::string message;
  gui.OnScriptExhausted([&](const std::string& m) { message = m; });
  OpenWindow(form);
  AcceptLoop([] {});
  EXPECT_NE(message.find("\"Form\" waits for input"), std::string::npos)
      << message;
}

TEST_F(AcceptLoopTest, EventCarriesMouseAndKeyAtPosting) {
  form.alert_keys = {kKeyF2};
  gui.MoveMouse(40, 12).Focus(kName).PressKey(kKeyF2, 1, 0);
  std::vector<std::string> seen;
  std::int32_t key = 0, x = 0, y = 0;
  OpenWindow(form);
  AcceptLoop([&] {
    if (CurrentEvent() == kEventPreAlert || CurrentEvent() == kEventAlertKey)
      seen.push_back(Seen());
    if (CurrentEvent() != kEventAlertKey) return;
    key = EventKeyCode();
    x = EventMouseX();
    y = EventMouseY();
    EndLoop();
  });
  EXPECT_THAT(seen, ElementsAre("PreAlert:1", "AlertKey:1"));
  EXPECT_EQ(key, kKeyF2);
  EXPECT_EQ(x, 40);
  EXPECT_EQ(y, 12);
}

}  // namespace
}  // namespace vantrel
