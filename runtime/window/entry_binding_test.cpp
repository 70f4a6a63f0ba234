#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/data/queue/queue.h"
#include "runtime/data/types/descriptor_builder.h"
#include "runtime/data/types/std_date.h"
#include "runtime/window/properties.h"
#include "runtime/window/user_input.h"
#include "runtime/window/window_test_fixture.h"

namespace vantrel {
namespace {

using ::testing::ElementsAre;

constexpr std::int16_t kAmount = 1;
constexpr std::int16_t kName = 2;
constexpr std::int16_t kBorn = 3;
constexpr std::int16_t kOk = 4;

class EntryBindingTest : public WindowTest {
 protected:
  EntryBindingTest() {
    std::memset(name, ' ', sizeof name);
    form.title = "Entries";
    ControlDescription amount_entry = Control(kAmount, ControlKind::kEntry);
    amount_entry.picture = "@N12.2";
    amount_entry.variable = Variable::Of(amount);
    ControlDescription name_entry = Control(kName, ControlKind::kEntry);
    name_entry.variable = Variable::Of(name);
    name_entry.required = true;
    ControlDescription born_entry = Control(kBorn, ControlKind::kEntry);
    born_entry.picture = "@D2";
    born_entry.variable = Variable::Of(born);
    ControlDescription ok = Control(kOk, ControlKind::kButton, "OK");
    ok.completes = true;
    form.controls = {amount_entry, name_entry, born_entry, ok};
  }

  // Runs the form until Completed or the script's end; the events seen.
  std::vector<std::string> Run() {
    std::vector<std::string> seen;
    gui.OnScriptExhausted([](const std::string&) {});
    OpenWindow(form);
    AcceptLoop([&] {
      std::int32_t event = CurrentEvent();
      if (event == kEventAccepted || event == kEventRejected ||
          event == kEventCompleted)
        seen.push_back(Seen());
      if (event == kEventCompleted) EndLoop();
    });
    return seen;
  }

  double amount = 12.5;
  char name[10];
  std::int32_t born = 0;
  WindowDescription form;
};

TEST_F(EntryBindingTest, OpenShowsVariablesThroughPictures) {
  born = StandardDateFrom(5, 3, 2026);
  Window& window = OpenWindow(form);
  EXPECT_EQ(gui.Shown(window)->controls.at(kAmount).value, "       12.50");
  EXPECT_EQ(gui.Shown(window)->controls.at(kBorn).value,
            FormatPicture(std::to_string(born), CompilePicture("@D2")));
}

TEST_F(EntryBindingTest, LeavingAnEditedEntryReadsItBack) {
  gui.Focus(kAmount)
      .Type("1,234.5")
      .Focus(kBorn)
      .Type("4/7/2025")
      .Focus(kAmount);
  EXPECT_THAT(Run(), ElementsAre("Accepted:1", "Accepted:3"));
  EXPECT_EQ(amount, 1234.5);
  EXPECT_EQ(born, StandardDateFrom(7, 4, 2025));
  EXPECT_EQ(gui.Shown("Entries")->controls.at(kAmount).value, "    1,234.50");
}

TEST_F(EntryBindingTest, TextThePictureCannotReadIsRejected) {
  gui.Focus(kAmount).Type("x").Focus(kName);
  EXPECT_THAT(Run(), ElementsAre("Rejected:1"));
  EXPECT_EQ(amount, 12.5);
  // The typed text stays for the user to correct.
  EXPECT_EQ(gui.Shown("Entries")->controls.at(kAmount).value, "x");
}

TEST_F(EntryBindingTest, LeavingWithoutTypingMakesNoEvent) {
  gui.Focus(kAmount).Focus(kName);
  EXPECT_THAT(Run(), ElementsAre());
}

TEST_F(EntryBindingTest, CompletingAcceptsEveryEntryThenCompleted) {
  gui.Focus(kName).Type("Smith").Click(kOk);
  EXPECT_THAT(Run(), ElementsAre("Accepted:1", "Accepted:2", "Accepted:3",
                                 "Completed:0"));
  EXPECT_EQ(std::string(name, sizeof name), "Smith     ");
}

TEST_F(EntryBindingTest, RequiredBlankEntryStopsCompletionAndTakesFocus) {
  gui.Focus(kBorn).Click(kOk);
  EXPECT_THAT(Run(), ElementsAre("Accepted:1"));
  EXPECT_EQ(gui.Shown("Entries")->focus, kName);
  EXPECT_EQ(SelectedField(), kName);
}

TEST_F(EntryBindingTest, DatesAndTemplatesAreTypedThroughThePicture) {
  char phone[8];
  std::memset(phone, ' ', sizeof phone);
  ControlDescription phone_entry = Control(5, ControlKind::kEntry);
  phone_entry.picture = "@P###-####P";
  phone_entry.variable = Variable::Of(phone);
  form.controls.push_back(phone_entry);
  std::string born_typed, phone_refusing;
  gui.Focus(kBorn)
      .Type("03052026")
      .Then([&] { born_typed = TopWindow()->Find(kBorn)->value; })
      .Focus(5)
      .Type("55a")
      .Then([&] { phone_refusing = TopWindow()->Find(5)->value; })
      .Type("51234")
      .Focus(kAmount);
  EXPECT_THAT(Run(), ElementsAre("Accepted:3", "Accepted:5"));
  EXPECT_EQ(born_typed, "03/05/2026");
  EXPECT_EQ(born, StandardDateFrom(5, 3, 2026));
  // Typing overwrites the shown value; the letter was refused.
  EXPECT_EQ(phone_refusing, "550-0000");
  EXPECT_EQ(gui.Shown("Entries")->controls.at(5).value, "555-1234");
}

TEST_F(EntryBindingTest, ACommandWhileEditingReadsTheEntryBackInPlace) {
  gui.Focus(kAmount)
      .Type("7")
      .Then([] { UserFinishEditing(*TopWindow()); })
      .Then([] { UserFinishEditing(*TopWindow()); })  // nothing edited now
      .Focus(kBorn)
      .Type("1/2/3x")  // 01/02/2003 ...
      .Then([] { UserSetText(*TopWindow(), kBorn, "99/99/9999"); })
      .Then([] { UserFinishEditing(*TopWindow()); });
  EXPECT_THAT(Run(), ElementsAre("Accepted:1", "Rejected:3"));
  EXPECT_EQ(amount, 7);
  EXPECT_EQ(gui.Shown("Entries")->focus, kBorn);
}

TEST_F(EntryBindingTest, TypingGoesToTheCaretTheUserMoved) {
  char code[6];
  std::memset(code, ' ', sizeof code);
  ControlDescription code_entry = Control(5, ControlKind::kEntry);
  code_entry.picture = "@K##-###K";
  code_entry.variable = Variable::Of(code);
  form.controls.push_back(code_entry);
  std::string caret;
  gui.Focus(5)
      .Type("12345")
      .Then([] { UserMoveCaret(*TopWindow(), 5, 2); })
      .Type("9")
      .Then([&] { caret = GetProperty(kPropSelStart, 5); })
      .Focus(kAmount);
  Run();
  EXPECT_EQ(gui.Shown("Entries")->controls.at(5).value, "19-345");
  EXPECT_EQ(caret, "4");  // past the literal after the typed digit
}

TEST_F(EntryBindingTest, DropListChoiceAndEditedTextWriteTheVariables) {
  std::uint8_t record[6] = {};
  TypeDescriptor descriptor =
      DescriptorBuilder().String("Q:CITY", 6).Descriptor();
  Queue cities(record, &descriptor, sizeof record);
  for (const char* city : {"Bern  ", "Basel "}) {
    std::memcpy(record, city, sizeof record);
    Add(&cities);
  }
  char city[6];
  std::memset(city, ' ', sizeof city);
  ControlDescription drop = Control(6, ControlKind::kDropList);
  drop.variable = Variable::Of(city);
  drop.list = {&cities, 1};
  form.controls.push_back(drop);
  gui.ChooseEntry(6, 2)
      .Focus(kName)
      .Then([] { UserSetText(*TopWindow(), kName, "Ann"); })
      .Focus(kAmount);
  EXPECT_THAT(Run(), ElementsAre("Accepted:6", "Accepted:2"));
  EXPECT_EQ(std::string(city, sizeof city), "Basel ");
  EXPECT_EQ(std::string(name, 3), "Ann");
  EXPECT_EQ(Choice(6), 2);
}

TEST_F(EntryBindingTest, CheckBoxAndOptionWriteTheirVariables) {
  std::uint8_t remember = 1;
  std::int16_t size = 2;
  WindowDescription choices;
  choices.title = "Choices";
  ControlDescription check = Control(10, ControlKind::kCheck, "Remember");
  check.variable = Variable::Of(remember);
  ControlDescription option = Control(20, ControlKind::kOption);
  option.variable = Variable::Of(size);
  ControlDescription small = Control(21, ControlKind::kRadio, "Small");
  small.parent = 20;
  ControlDescription large = Control(22, ControlKind::kRadio, "Large");
  large.parent = 20;
  choices.controls = {check, option, small, large};
  gui.OnScriptExhausted([](const std::string&) {});
  gui.Click(10).Click(21);
  Window& window = OpenWindow(choices);
  EXPECT_EQ(gui.Shown(window)->controls.at(10).value, "1");
  EXPECT_EQ(gui.Shown(window)->controls.at(20).choice, 2);
  std::vector<std::string> seen;
  AcceptLoop([&] {
    if (CurrentEvent() == kEventAccepted) seen.push_back(Seen());
  });
  EXPECT_THAT(seen, ElementsAre("Accepted:10", "Accepted:20"));
  EXPECT_EQ(remember, 0);
  EXPECT_EQ(size, 1);
  EXPECT_EQ(Choice(20), 1);
}

}  // namespace
}  // namespace vantrel
