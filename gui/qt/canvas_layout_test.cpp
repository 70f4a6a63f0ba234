#include "gui/qt/canvas_layout.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>

#include "gui/qt/qt_test_fixture.h"

namespace vantrel::qt {
namespace {

// One pixel per dialog unit, so that rectangles read as the units.
const DialogUnits kUnit(1, 1);

TEST(ArrangeTest, RoomGoesToWhatGrowsAndWhatFollowsMovesAlong) {
  // A tool button row; below it a list beside a column of a prompt with its
  // entry, a button, and a text.
  std::vector<Placement> controls = {
      {{0, 0, 20, 10}, kGrowNone},                    // 0 tool button
      {{0, 12, 100, 100}, kGrowAcross | kGrowDown},   // 1 list
      {{110, 12, 30, 10}, kGrowNone},                 // 2 prompt
      {{142, 12, 100, 10}, kGrowAcross},              // 3 entry
      {{250, 12, 40, 10}, kGrowNone},                 // 4 button
      {{110, 30, 180, 82}, kGrowAcross | kGrowDown},  // 5 text
  };
  std::vector<QRect> design = Arrange(controls, kUnit, QSize(0, 0));
  EXPECT_EQ(design[3], QRect(142, 12, 100, 10));

  std::vector<QRect> grown = Arrange(controls, kUnit, QSize(280, 100));
  EXPECT_EQ(grown[0], design[0]);
  // Across, the list (100 wide) and the right column (180) share the room
  // by their widths.
  EXPECT_EQ(grown[1], QRect(0, 12, 200, 200));
  // The prompt keeps its distance to its entry; the entry takes its row's
  // room and the button after it moves by as much.
  EXPECT_EQ(grown[2], QRect(210, 12, 30, 10));
  EXPECT_EQ(grown[3], QRect(242, 12, 280, 10));
  EXPECT_EQ(grown[4], QRect(530, 12, 40, 10));
  // The text below takes the column's room both ways; the entry row does
  // not grow down.
  EXPECT_EQ(grown[5], QRect(210, 30, 360, 182));
}

TEST(ArrangeTest, ControlsThatCannotBeCutApartShareTheirBand) {
  std::vector<Placement> controls = {
      {{0, 0, 20, 20}, kGrowNone},    // an image
      {{0, 0, 20, 20}, kGrowNone},    // a region over it
      {{0, 0, 60, 10}, kGrowAcross},  // overlapping them
      {{0, 30, 60, 40}, kGrowAcross | kGrowDown},
  };
  std::vector<QRect> grown = Arrange(controls, kUnit, QSize(10, 10));
  EXPECT_EQ(grown[0], QRect(0, 0, 20, 20));
  EXPECT_EQ(grown[1], QRect(0, 0, 20, 20));
  EXPECT_EQ(grown[2], QRect(0, 0, 70, 10));
  EXPECT_EQ(grown[3], QRect(0, 30, 70, 50));
}

class CanvasLayoutTest : public QtTest {};

TEST_F(CanvasLayoutTest, ControlsGetTheRoomTheyNeedToShowTheirText) {
  QWidget canvas;
  auto* layout = new CanvasLayout(&canvas, Layout{0, 0, 100, 40});
  auto* label = new QLabel("A prompt longer than its rectangle");
  auto* entry = new QLineEdit;
  layout->Place(label, {4, 4, 10, 8}, kGrowNone);
  layout->Place(entry, {4, 20, 60, 2}, kGrowAcross);
  DialogUnits units(canvas.font());
  EXPECT_EQ(layout->sizeHint(), QSize(units.X(100), units.Y(40)));
  canvas.resize(layout->sizeHint());
  layout->activate();
  EXPECT_GE(label->width(), label->minimumSizeHint().width());
  EXPECT_GE(entry->height(), entry->minimumSizeHint().height());
  // Grown evenly about the rectangle's middle.
  EXPECT_NEAR(entry->geometry().center().y(), units.Y(21), 1);
}

}  // namespace
}  // namespace vantrel::qt
