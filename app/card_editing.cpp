// Editing the card shown: entering its fields, the contents' default text
// and the phone lines.
#include <charconv>
#include <string>

#include "app/card_window.h"
#include "app/card_window_controls.h"
#include "app/phone_lines.h"
#include "runtime/data/picture/picture.h"
#include "runtime/window/events.h"
#include "runtime/window/properties.h"
#include "runtime/window/variable.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

int ToInt(std::string_view text) {
  int value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

// The contents a card starts with: a greeting built from its names.
std::string DefaultContents(const CardRecord& card) {
  const std::string_view last(card.LASTNAME, sizeof card.LASTNAME);
  if (IsBlank(card.LASTNAME)) return std::string(Clipped(card.COMPANY));
  if (IsBlank(card.FIRSTNAME)) return std::string(last);
  return "Mr. " + std::string(Clipped(card.FIRSTNAME)) + " " +
         std::string(last);
}

}  // namespace

void CardWindow::EnterEditField(std::int16_t control) {
  if (control == kCategoryCombo || state_.FindTabFeq == 0) {
    EnableSave(true);
    state_.EditFlag = 1;
  } else {
    EnableSave(false);
  }
  if (control == kPhonesText) return PhonesSelected();
  if (control != kContentsText || !IsBlank(data_.vtl.CONTENTS)) return;
  Assign(data_.vtl.CONTENTS, DefaultContents(data_.vtl));
  Display(kContentsText);
  const auto length = static_cast<int>(Clipped(data_.vtl.CONTENTS).size());
  if (length > 0) Select(kContentsText, 1, length);
}

void CardWindow::PhonesSelected() {
  PhoneLines lines = SplitPhones({data_.vtl.PHONES, sizeof data_.vtl.PHONES});
  TrimPhones(lines);
  Assign(data_.vtl.PHONES, JoinPhones(lines));
  Display(kPhonesText);
}

void CardWindow::PhonesAccepted() {
  PhoneLines lines = SplitPhones({data_.vtl.PHONES, sizeof data_.vtl.PHONES});
  FormatPhones(lines);
  TrimPhones(lines);
  Assign(data_.vtl.PHONES, JoinPhones(lines));
  Display(kPhonesText);
}

void CardWindow::PhonesPreAlert() {
  if (SplitPhones({data_.vtl.PHONES, sizeof data_.vtl.PHONES}).count >=
      kMaxPhoneLines)
    return;
  int caret = ToInt(GetProperty(kPropSelStart, kPhonesText));
  if (const Window* window = TopWindow()) {
    if (const ControlState* phones = window->Find(kPhonesText))
      StoreVariableValue(phones->description.variable, phones->value);
  }
  PhoneLines lines = SplitPhones({data_.vtl.PHONES, sizeof data_.vtl.PHONES});
  caret = FormatPhones(lines, caret);
  Assign(data_.vtl.PHONES, JoinPhones(lines));
  Display(kPhonesText);
  // The caret alone: no characters selected (the end before the start).
  SetProperty(kPropSelStart, kPhonesText, std::to_string(caret));
  SetProperty(kPropSelEnd, kPhonesText, std::to_string(caret - 1));
}

// Reads the focused field's text, as the user has edited it, into its
// variable, as leaving the field would; a command that acts on the card
// must see what is on the screen.
void CardWindow::TakeInFocusedField() {
  Window* window = TopWindow();
  if (window == nullptr) return;
  ControlState* control = window->Find(window->focus);
  if (control == nullptr || !control->edited) return;
  const Variable& variable = control->description.variable;
  if (!variable.bound()) return;
  std::string value = control->value;
  if (control->picture.valid()) {
    Deformatted read = DeformatPicture(control->value, control->picture);
    if (!read.ok) return;
    value = std::move(read.value);
  }
  if (!StoreVariableValue(variable, value)) return;
  control->edited = false;
  if (control->number() == kPhonesText) PhonesAccepted();
}

}  // namespace vantrel
