// A small window procedure as the application writes them, run end to end
// under a scripted user: a name entry, a list over a queue, a sheet whose
// tabs are created when the window opens, and a menu.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/data/queue/queue.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/window/message_box.h"
#include "runtime/window/properties.h"
#include "runtime/window/window_test_fixture.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;

constexpr std::int16_t kNameEntry = 1;
constexpr std::int16_t kNameList = 2;
constexpr std::int16_t kSheet = 3;
constexpr std::int16_t kGeneralTab = 4;
constexpr std::int16_t kNotesTab = 5;
constexpr std::int16_t kFileMenu = 500;
constexpr std::int16_t kSaveItem = 553;
constexpr std::int16_t kExitItem = 554;
constexpr std::size_t kNameLength = 12;

// The names window: typing a name enables Save; Save adds it to the list;
// choosing a list entry brings it back into the entry; Exit and the close
// box ask before leaving.
struct NamesWindow {
  char name[kNameLength];
  std::uint8_t record[kNameLength] = {};
  TypeDescriptor descriptor =
      DescriptorBuilder().String("N:NAME", kNameLength).Descriptor();
  Queue names{record, &descriptor, kNameLength};
  std::vector<int> tab_changes;

  NamesWindow() { std::memset(name, ' ', sizeof name); }

  WindowDescription Description() {
    auto control = [](std::int16_t number, ControlKind kind,
                      std::string text = {}, std::int16_t parent = 0) {
      ControlDescription description;
      description.number = number;
      description.kind = kind;
      description.text = std::move(text);
      description.parent = parent;
      return description;
    };
    ControlDescription entry = control(kNameEntry, ControlKind::kEntry);
    entry.variable = Variable::Of(name);
    entry.picture = "@s12";
    ControlDescription list = control(kNameList, ControlKind::kList);
    list.list = {&names, 1};
    ControlDescription save =
        control(kSaveItem, ControlKind::kMenuItem, "&Save", kFileMenu);
    save.shortcut = "Ctrl+S";
    WindowDescription window;
    window.title = "Names";
    window.controls = {
        entry,
        list,
        control(kSheet, ControlKind::kSheet),
        control(kFileMenu, ControlKind::kMenu, "&File"),
        save,
        control(kExitItem, ControlKind::kMenuItem, "E&xit", kFileMenu)};
    return window;
  }

  bool ConfirmLeave() {
    return ShowMessage("Leave the names?|The list is not kept.", "Names",
                       StandardIconString(kIconQuestion),
                       kButtonYes + kButtonNo, kButtonNo) == kButtonYes;
  }

  void AddTab(std::int16_t number, const char* text) {
    CreateControl(number, ControlKind::kTab, kSheet);
    SetProperty(kPropText, number, text);
    UnhideControl(number);
  }

  void Run() {
    OpenWindow(Description());
    AcceptLoop([this] {
      switch (CurrentEvent()) {
        case kEventOpenWindow:
          AddTab(kGeneralTab, "General");
          AddTab(kNotesTab, "Notes");
          Disable(kSaveItem);
          break;
        case kEventAccepted:
          OnAccepted(AcceptedField());
          break;
        case kEventNewSelection:
          if (EventField() == kSheet) tab_changes.push_back(Choice(kSheet));
          if (EventField() == kNameList) {
            Get(&names, Choice(kNameList));
            std::memcpy(name, record, kNameLength);
            Display(kNameEntry);
          }
          break;
        case kEventCloseWindow:
          if (!ConfirmLeave()) return SkipDefault();
          break;
      }
    });
    CloseWindow();
  }

  void OnAccepted(std::int16_t field) {
    switch (field) {
      case kNameEntry:
        Enable(kSaveItem);
        break;
      case kSaveItem:
        std::memcpy(record, name, kNameLength);
        Add(&names);
        Display(kNameList);
        Disable(kSaveItem);
        break;
      case kExitItem:
        if (ConfirmLeave()) EndLoop();
        break;
    }
  }
};

class SampleWindowTest : public WindowTest {};

TEST_F(SampleWindowTest, NamesWindowRunsEndToEnd) {
  NamesWindow names;
  std::vector<std::string> list_shown;
  bool save_enabled_at_start = true;
  gui.Then([&] {
       save_enabled_at_start =
           gui.Shown("Names")->controls.at(kSaveItem).enabled;
     })
      .Click(kSaveItem)  // disabled: nothing happens
      .Focus(kNameEntry)
      .Type("Ann")
      .Focus(kNameList)  // leaves the entry: Accepted enables Save
      .Click(kSaveItem)
      .Focus(kNameEntry)
      .Type("Bob")
      .Focus(kNameList)
      .Click(kSaveItem)
      .ChooseEntry(kNameList, 1)
      .SelectTab(kSheet, 2)
      .Then([&] {
        list_shown = gui.Shown("Names")->controls.at(kNameList).entries;
      })
      .Close()            // answered No: the window stays
      .Click(kExitItem);  // answered Yes
  gui.AnswerMessageBox(kButtonNo);
  gui.AnswerMessageBox(kButtonYes);

  names.Run();

  EXPECT_FALSE(save_enabled_at_start);
  EXPECT_THAT(list_shown, ElementsAre("Ann", "Bob"));
  EXPECT_EQ(RecordCount(&names.names), 2u);
  EXPECT_EQ(std::string(names.name, kNameLength), "Ann         ");
  EXPECT_THAT(names.tab_changes, ElementsAre(2));
  const HeadlessBackend::ShownWindow* shown = gui.Shown("Names");
  EXPECT_FALSE(shown->open);
  EXPECT_EQ(shown->controls.at(kNameEntry).value, "Ann         ");
  EXPECT_EQ(shown->controls.at(kNotesTab).value, "Notes");
  EXPECT_FALSE(shown->controls.at(kNotesTab).hidden);
  ASSERT_EQ(gui.message_boxes().size(), 2u);
  const MessageBoxRequest& box = gui.message_boxes()[0];
  EXPECT_THAT(box.lines,
              ElementsAre("Leave the names?", "The list is not kept."));
  EXPECT_EQ(box.icon.standard, kIconQuestion);
  EXPECT_EQ(box.buttons[box.default_button].mask, kButtonNo);
  EXPECT_EQ(gui.steps_left(), 0u);
}

}  // namespace
}  // namespace vantrel
