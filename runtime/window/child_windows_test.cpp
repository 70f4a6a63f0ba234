#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "runtime/window/user_input.h"
#include "runtime/window/window_test_fixture.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;

class ChildWindowsTest : public WindowTest {
 protected:
  static WindowDescription Titled(std::string title) {
    WindowDescription description;
    description.title = std::move(title);
    return description;
  }

  // Opens a child whose loop records its events in `log` and refuses the
  // first `refusals` CloseDown events.
  int OpenChild(Window& frame, std::string title, int refusals = 0) {
    return OpenChildWindow(Titled(title), frame, [this, title, refusals] {
      std::int32_t event = CurrentEvent();
      if (event == kEventOpenWindow || event == kEventSuspend ||
          event == kEventResume || event == kEventGainFocus ||
          event == kEventLoseFocus)
        return;
      log.push_back(title + " " + Seen());
      if (CurrentEvent() == kEventCloseDown && closedowns[title]++ < refusals)
        SkipDefault();
    });
  }

  std::vector<std::string> log;
  std::map<std::string, int> closedowns;
};

TEST_F(ChildWindowsTest, CloseWaitsForEveryChild) {
  Window& frame = OpenWindow(Titled("Frame"));
  OpenChild(frame, "A");
  OpenChild(frame, "B");
  gui.On("Frame").Close();
  int frame_closes = 0;
  AcceptLoop([&] {
    if (CurrentEvent() != kEventCloseWindow) return;
    ++frame_closes;
    log.push_back("Frame CloseWindow");
  });
  EXPECT_EQ(frame_closes, 1);
  EXPECT_THAT(
      log, ElementsAre("Frame CloseWindow", "A CloseDown:0", "B CloseDown:0"));
  EXPECT_FALSE(gui.Shown("A")->open);
  EXPECT_FALSE(gui.Shown("B")->open);
  EXPECT_TRUE(frame.children.empty());
}

TEST_F(ChildWindowsTest, ChildThatRefusesWithdrawsTheClose) {
  Window& frame = OpenWindow(Titled("Frame"));
  OpenChild(frame, "A");
  OpenChild(frame, "B", /*refusals=*/1);
  gui.On("Frame").Close();
  gui.Then([&] {
    // The first close was withdrawn: the frame and B are still open.
    EXPECT_EQ(frame.closing, ClosingState::kOpen);
    EXPECT_TRUE(gui.Shown("B")->open);
    EXPECT_FALSE(gui.Shown("A")->open);
  });
  gui.On("Frame").Close();
  AcceptLoop([] {});
  EXPECT_EQ(closedowns["B"], 2);
  EXPECT_FALSE(gui.Shown("B")->open);
}

TEST_F(ChildWindowsTest, BeepWhenNoChildCanCloseNow) {
  Window& frame = OpenWindow(Titled("Frame"));
  int thread = OpenChild(frame, "A");
  Window* dialog = nullptr;
  // A window of the child's own thread covers the child: it cannot close.
  gui.Then([&] {
    Runtime().current_slot = thread - 1;
    dialog = &OpenWindow(Titled("Dialog"));
    Runtime().current_slot = 0;
  });
  gui.On("Frame").Close();
  gui.Then([&] {
    EXPECT_EQ(gui.beeps(), 1);
    EXPECT_TRUE(gui.Shown("A")->open);
    CloseWindow(dialog);
  });
  gui.On("Frame").Close();
  AcceptLoop([] {});
  EXPECT_FALSE(gui.Shown("A")->open);
}

TEST_F(ChildWindowsTest, PostToAnotherThreadAndSuspendResume) {
  Window& frame = OpenWindow(Titled("Frame"));
  int thread = OpenChild(frame, "A");
  gui.Then([&] { PostEvent(kEventNotify, 0, thread); });
  gui.On("Frame").Close();
  std::vector<std::string> frame_log;
  AcceptLoop([&] { frame_log.push_back(Seen()); });
  // A took an event after the frame: the frame was suspended, and resumed
  // when it took its next event.
  EXPECT_THAT(log, ElementsAre("A Notify:0", "A CloseDown:0"));
  EXPECT_THAT(frame_log, ::testing::Contains("Suspend:0"));
  EXPECT_THAT(frame_log, ::testing::Contains("Resume:0"));
}

TEST_F(ChildWindowsTest, ChildClosingItselfEndsOnlyItsLoop) {
  Window& frame = OpenWindow(Titled("Frame"));
  int thread = OpenChildWindow(Titled("A"), frame, [] {
    if (CurrentEvent() == kEventNotify) CloseWindow();
  });
  gui.Then([&] { PostEvent(kEventNotify, 0, thread); })
      .Then([&] { EXPECT_FALSE(gui.Shown("A")->open); })
      .On("Frame")
      .Close();
  AcceptLoop([] {});
  EXPECT_TRUE(frame.children.empty());
  EXPECT_EQ(gui.steps_left(), 0u);
}

TEST_F(ChildWindowsTest, FrameLoopEndingUnderAChildsDialogWaitsForIt) {
  Window& frame = OpenWindow(Titled("Frame"));
  bool dialog_ran = false;
  int thread = OpenChildWindow(Titled("A"), frame, [&] {
    if (CurrentEvent() != kEventNotify) return;
    OpenWindow(Titled("Dialog"));
    AcceptLoop([&] { dialog_ran = true; });
    CloseWindow();
  });
  gui.Then([&] { PostEvent(kEventNotify, 0, thread); })
      .Then([] { PostEvent(kEventNotify, 0, 1); })  // the frame ends
      .On("Dialog")
      .Close();
  AcceptLoop([] {
    if (CurrentEvent() == kEventNotify) EndLoop();
  });
  EXPECT_TRUE(dialog_ran);
  EXPECT_FALSE(gui.Shown("Dialog")->open);
  EXPECT_EQ(gui.steps_left(), 0u);
}

}  // namespace
}  // namespace vantrel
