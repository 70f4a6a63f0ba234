#include "runtime/window/window_statements.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/data/base/error_state.h"
#include "runtime/data/queue/queue.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/window/list_source.h"
#include "runtime/window/properties.h"
#include "runtime/window/user_input.h"
#include "runtime/window/window_test_fixture.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;

constexpr std::int16_t kEntry = 14;
constexpr std::int16_t kOther = 15;
constexpr std::int16_t kList = 20;
constexpr std::int16_t kSheet = 30;
constexpr std::int16_t kTabA = 31;
constexpr std::int16_t kTabB = 32;
constexpr std::int16_t kOnTabB = 33;
constexpr std::int16_t kOption = 40;
constexpr std::int16_t kRadio1 = 41;
constexpr std::int16_t kRadio2 = 42;
constexpr std::int16_t kImage = 50;
constexpr std::int16_t kFileMenu = 500;
constexpr std::int16_t kSave = 553;
constexpr std::int16_t kPrint = 554;

class WindowStatementsTest : public WindowTest {
 protected:
  WindowStatementsTest() {
    form.title = "Statements";
    ControlDescription entry = Control(kEntry, ControlKind::kEntry);
    entry.variable = Variable::Of(entry_value);
    ControlDescription other = Control(kOther, ControlKind::kEntry);
    other.variable = Variable::Of(other_value);
    ControlDescription on_tab = Control(kOnTabB, ControlKind::kButton);
    on_tab.parent = kTabB;
    ControlDescription tab_a = Control(kTabA, ControlKind::kTab, "A");
    tab_a.parent = kSheet;
    ControlDescription tab_b = Control(kTabB, ControlKind::kTab, "B");
    tab_b.parent = kSheet;
    ControlDescription radio1 = Control(kRadio1, ControlKind::kRadio, "One");
    radio1.parent = kOption;
    ControlDescription radio2 = Control(kRadio2, ControlKind::kRadio, "Two");
    radio2.parent = kOption;
    ControlDescription save = Control(kSave, ControlKind::kMenuItem, "&Save");
    save.parent = kFileMenu;
    save.shortcut = "Ctrl+S";
    ControlDescription print =
        Control(kPrint, ControlKind::kMenuItem, "&Print");
    print.parent = kFileMenu;
    form.controls = {entry,
                     other,
                     Control(kList, ControlKind::kList),
                     Control(kSheet, ControlKind::kSheet),
                     tab_a,
                     tab_b,
                     on_tab,
                     Control(kOption, ControlKind::kOption),
                     radio1,
                     radio2,
                     Control(kImage, ControlKind::kImage),
                     Control(kFileMenu, ControlKind::kMenu, "&File"),
                     save,
                     print};
  }

  const HeadlessBackend::ShownControl& Shown(std::int16_t control) {
    return gui.Shown("Statements")->controls.at(control);
  }

  std::int32_t entry_value = 1;
  std::int32_t other_value = 2;
  WindowDescription form;
};

TEST_F(WindowStatementsTest, EnableAndDisableRanges) {
  struct Case {
    std::int16_t first, last;
    std::vector<std::int16_t> disabled;
  } cases[] = {
      {kSave, kPrint, {kSave, kPrint}},
      {kEntry, 0, {kEntry}},
      {kOther, kEntry, {kEntry, kOther}},  // either order
  };
  for (const Case& c : cases) {
    OpenWindow(form);
    Disable(c.first, c.last);
    for (std::int16_t n : {kEntry, kOther, kSave, kPrint}) {
      bool expected = std::count(c.disabled.begin(), c.disabled.end(), n) == 0;
      EXPECT_EQ(Shown(n).enabled, expected)
          << c.first << "," << c.last << ":" << n;
    }
    Enable(c.first, c.last);
    for (std::int16_t n : c.disabled) EXPECT_TRUE(Shown(n).enabled);
    CloseWindow();
  }
}

TEST_F(WindowStatementsTest, DisplayShowsVariablesOfTheRange) {
  OpenWindow(form);
  entry_value = 10;
  other_value = 20;
  Display(kEntry);
  EXPECT_EQ(Shown(kEntry).value, "10");
  EXPECT_EQ(Shown(kOther).value, "2");
  Display();
  EXPECT_EQ(Shown(kOther).value, "20");
}

TEST_F(WindowStatementsTest, SelectMovesFocusAndSelects) {
  Window& window = OpenWindow(form);
  entry_value = 123456;
  Display();
  Select(kEntry, 2, 4);
  EXPECT_EQ(gui.Shown(window)->focus, kEntry);
  EXPECT_EQ(Shown(kEntry).selection_start, 2);
  EXPECT_EQ(Shown(kEntry).selection_end, 4);
  EXPECT_EQ(GetProperty(kPropSelStart, kEntry), "2");  // the caret
  EXPECT_EQ(GetProperty(kPropSelEnd, kEntry), "4");
  Select(kSheet, 2);
  EXPECT_EQ(Choice(kSheet), 2);
  Select(kSheet, 3);  // no such tab: unchanged
  EXPECT_EQ(Choice(kSheet), 2);
  EXPECT_EQ(gui.Shown(window)->focus, kSheet);
}

TEST_F(WindowStatementsTest, ChoiceOfListsSheetsAndOptions) {
  std::uint8_t record[4] = {};
  TypeDescriptor descriptor = DescriptorBuilder().Long("Q:N").Descriptor();
  Queue queue(record, &descriptor, sizeof record);
  Window& window = OpenWindow(form);
  SetPropertyRef(kPropFrom, kList, {&queue, 1});
  EXPECT_EQ(Choice(kList), 0);  // empty list
  for (std::int32_t n : {7, 8, 9}) {
    std::memcpy(record, &n, sizeof n);
    Add(&queue);
  }
  // Showing the entries leaves the program's view of the queue alone.
  std::int32_t in_buffer = 42;
  std::memcpy(record, &in_buffer, sizeof in_buffer);
  PostError(kErrRecordNotFound, "cards.vtl");
  Display(kList);
  EXPECT_THAT(Shown(kList).entries, ElementsAre("7", "8", "9"));
  EXPECT_EQ(std::memcmp(record, &in_buffer, sizeof in_buffer), 0);
  EXPECT_EQ(ErrorCode(), kErrRecordNotFound);
  EXPECT_EQ(ErrorFile(), "cards.vtl");
  // So does reading single entries, as a backend does for the rows it shows,
  // and counting them.
  const ControlState& list = *window.Find(kList);
  EXPECT_EQ(ListEntry(list, 2), "8");
  EXPECT_EQ(ListEntry(list, 4), "");
  EXPECT_THAT(ListEntryFields(list, 3, 2), ElementsAre("9", ""));
  EXPECT_TRUE(ListEntryFields(list, 0, 1).empty());
  EXPECT_EQ(ListCount(list), 3u);
  EXPECT_EQ(std::memcmp(record, &in_buffer, sizeof in_buffer), 0);
  EXPECT_EQ(ErrorCode(), kErrRecordNotFound);
  EXPECT_EQ(Pointer(&queue), 3u);
  ClearError();
  EXPECT_EQ(Choice(kList), 0);  // nothing chosen yet
  Select(kList, 3);
  EXPECT_EQ(Choice(kList), 3);
  EXPECT_EQ(Choice(kSheet), 1);
  UserSelectTab(window, kSheet, 2);
  EXPECT_EQ(Choice(kSheet), 2);
  EXPECT_EQ(Choice(kOption), 0);
  UserClick(window, kRadio2);
  EXPECT_EQ(Choice(kOption), 2);
  Free(&queue);
  EXPECT_EQ(Choice(kList), 0);  // the chosen entry is gone
}

TEST_F(WindowStatementsTest, CreatedControlsHideUntilUnhiddenAndDestroy) {
  OpenWindow(form);
  EXPECT_TRUE(CreateControl(34, ControlKind::kTab, kSheet));
  EXPECT_EQ(static_cast<int>(ControlKind::kTab), 0x26);
  EXPECT_FALSE(CreateControl(34, ControlKind::kTab, kSheet));  // taken
  EXPECT_TRUE(Shown(34).hidden);
  SetProperty(kPropText, 34, "Notes");
  UnhideControl(34);
  EXPECT_FALSE(Shown(34).hidden);
  EXPECT_EQ(Shown(34).value, "Notes");
  Select(kSheet, 3);
  EXPECT_EQ(Choice(kSheet), 3);

  DestroyControl(999);    // missing: nothing happens
  DestroyControl(kTabB);  // and the button on it
  EXPECT_EQ(gui.Shown("Statements")->controls.count(kTabB), 0u);
  EXPECT_EQ(gui.Shown("Statements")->controls.count(kOnTabB), 0u);
  EXPECT_EQ(Choice(kSheet), 2);  // the tab "Notes" moved up
}

TEST_F(WindowStatementsTest, WindowAndControlProperties) {
  Window& window = OpenWindow(form);
  SetProperty(kPropText, 0, "Renamed");
  SetProperty(kPropIcon, 0, "~Vantrel.ico");
  EXPECT_EQ(gui.Shown(window)->title, "Renamed");
  EXPECT_EQ(gui.Shown(window)->icon, "~Vantrel.ico");
  EXPECT_EQ(GetProperty(kPropText), "Renamed");
  SetProperty(kPropText, kImage, "VANTREL.ICO");
  EXPECT_EQ(GetProperty(kPropText, kImage), "VANTREL.ICO");
  SetProperty(0x7C01, kEntry, 2, "kept");
  EXPECT_EQ(GetProperty(0x7C01, kEntry, 2), "kept");
  EXPECT_EQ(GetProperty(0x7C01, kEntry, 1), "");
  EXPECT_EQ(GetProperty(kPropText, 999), "");
}

TEST(IconsTest, ClassifiesTheThreeForms) {
  EXPECT_EQ(ClassifyIcon("VANTREL.ICO"),
            (Icon{IconKind::kFile, "VANTREL.ICO", 0}));
  EXPECT_EQ(ClassifyIcon("~Vantrel.ico"),
            (Icon{IconKind::kLinked, "Vantrel.ico", 0}));
  EXPECT_EQ(ClassifyIcon(StandardIconString(3)),
            (Icon{IconKind::kStandard, "", kIconQuestion}));
  EXPECT_EQ(ClassifyIcon("   "), Icon{});
}

}  // namespace
}  // namespace vantrel
