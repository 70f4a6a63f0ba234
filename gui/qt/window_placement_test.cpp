// Where a window stands: the program places it, and the user's moves and
// sizes come back as the window's placement with their events.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "gui/qt/dialog_units.h"
#include "gui/qt/qt_test_fixture.h"
#include "runtime/window/accept_loop.h"

namespace vantrel::qt {
namespace {

using ::testing::ElementsAre;

class WindowPlacementTest : public QtTest {};

TEST_F(WindowPlacementTest,
       TheProgramPlacesTheWindowAndTheUsersSizingComesBack) {
  WindowDescription form;
  form.title = "Placed";
  form.modal = false;
  form.resizable = true;
  form.layout = {0, 0, 120, 80};
  form.controls = {Control(1, ControlKind::kText, "", {4, 4, 112, 72})};
  const WindowPlacement placed{{20, 30, 200, 100}, false, false};
  Layout at_open, after_placing;
  QPoint frame_at;
  QSize canvas_size, text_size;
  std::vector<std::string> seen;

  UserScript user(gui);
  user.Then([&] {
        Window& window = *TopWindow();
        at_open = window.placement.normal;
        PlaceWindow(window, placed);
        after_placing = window.placement.normal;
        frame_at = Frame()->geometry().topLeft();
        canvas_size = Field(1)->parentWidget()->size();
        text_size = Field(1)->size();
      })
      .Then([&] {
        DialogUnits units(Frame()->font());
        Frame()->resize(Frame()->size() + QSize(units.X(40), 0));
      })
      .WaitUntil([&] { return TopWindow()->placement.normal.width != 200; })
      .Then([&] { Frame()->close(); });

  OpenWindow(form);
  AcceptLoop([&] {
    std::int32_t event = CurrentEvent();
    if (event == kEventMoved || event == kEventSized ||
        event == kEventMaximized || event == kEventRestored)
      seen.push_back(std::to_string(event));
    if (event == kEventCloseWindow) EndLoop();
  });
  Layout after_sizing = TopWindow()->placement.normal;
  CloseWindow();

  DialogUnits units(TestApplication().font());
  // At open, the window's size is its layout's; no event told of it.
  EXPECT_EQ(at_open.width, 120);
  EXPECT_EQ(at_open.height, 80);
  EXPECT_EQ(after_placing, placed.normal);
  EXPECT_EQ(frame_at, QPoint(units.X(20), units.Y(30)));
  EXPECT_EQ(canvas_size, QSize(units.X(200), units.Y(100)));
  // The text grows with the window.
  EXPECT_GT(text_size.width(), units.X(180));
  // The user's sizing: one Sized event, the new width in dialog units.
  EXPECT_THAT(seen, ElementsAre(std::to_string(kEventSized)));
  EXPECT_EQ(after_sizing.width, 240);
  EXPECT_EQ(after_sizing.x, 20);
}

}  // namespace
}  // namespace vantrel::qt
