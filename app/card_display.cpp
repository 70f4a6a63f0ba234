// Showing the selected card, and moving the selection: picking a list
// entry, the list's keys, the letter selector, reselecting after a change.
#include <cstring>
#include <string>

#include "app/card_window.h"
#include "app/card_window_controls.h"
#include "app/error_check.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/queue/queue.h"
#include "runtime/data/text/string_ops.h"
#include "runtime/window/events.h"
#include "runtime/window/user_input.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

// The letter selector's value for a sort key: 1 for A .. 26 for Z; 0 (no
// letter) for a key that starts otherwise.
std::int32_t LetterOf(std::string_view sort_key) {
  const std::string first = UpperCaseText(sort_key.substr(0, 1));
  const int letter = first.empty() ? 0 : first[0] - 'A' + 1;
  return letter >= 1 && letter <= kLetterCount ? letter : 0;
}

}  // namespace

void CardWindow::ShowSelectedCard() {
  if (RecordCount(&queues_.all) == 0) return;
  ListSourceRef source = state_.list_source;
  if (RecordCount(source.queue) == 0) {
    // The category's last card has gone: so has its tab.
    if (!OnAllTab()) {
      RemoveEmptyCategoryTab();
      SelectAllTab();
    }
    return;
  }
  Get(source.queue, Choice(kCardList));
  if (ErrorCheck("Can't Get Queue Choice")) return;
  state_.CurrentPointer = source.pointer();
  state_.LetterChoice = LetterOf(source.sort_key());

  Get(data_.card_file, state_.CurrentPointer);
  if (ErrorCheck("Can't Select Vantrel")) {
    // Nothing must be written over a record that was not read.
    ShowNoCard();
    return;
  }
  Display();
  state_.SavedCard = data_.vtl;
  Assign(state_.CurrentKey, source.sort_key());
  state_.CurrentKeyType = source.key_type();
  state_.EditFlag = 0;
  EnableSave(false);
  if (state_.FindTabFeq != 0) HighlightFindText();
}

// No card: an empty form, and nothing that Save or Delete could write.
void CardWindow::ShowNoCard() {
  ClearCard(data_.vtl);
  state_.SavedCard = data_.vtl;
  state_.CurrentPointer = 0;
  Assign(state_.CurrentKey, "");
  state_.EditFlag = 0;
  EnableSave(false);
  Display();
}

void CardWindow::HighlightFindText() {
  const std::string_view find = ClipText(
      std::string_view(state_.FindText, sizeof state_.FindText));
  if (find.empty()) return;
  const bool fold = state_.IgnoreCase != 0;
  const std::string needle = fold ? UpperCaseText(find) : std::string(find);
  CardRecord& copy = data_.chg;
  copy = data_.vtl;
  struct Place {
    const char* field;
    std::size_t size;
    std::int16_t control;
  };
  const Place places[] = {
      {copy.LASTNAME, sizeof copy.LASTNAME, kLastNameEntry},
      {copy.FIRSTNAME, sizeof copy.FIRSTNAME, kFirstNameEntry},
      {copy.COMPANY, sizeof copy.COMPANY, kCompanyEntry},
      {copy.CONTENTS, sizeof copy.CONTENTS, kContentsText},
      {copy.PHONES, sizeof copy.PHONES, kPhonesText},
  };
  for (const Place& place : places) {
    std::string text(place.field, place.size);
    if (fold) text = UpperCaseText(text);
    const auto at = static_cast<int>(SearchText(text, needle, 1, 1));
    if (at > 0)
      Select(place.control, at, at + static_cast<int>(needle.size()) - 1);
  }
}

void CardWindow::PickListEntry() {
  ListSourceRef source = state_.list_source;
  Get(source.queue, Choice(kCardList));
  if (ErrorCheck("Can't Get Queue Choice")) return;
  Assign(state_.ReselectKey, source.sort_key());
  reselect_pointer_ = source.pointer();
  if (state_.PendingNewPointer != 0) {
    if (IsBlank(data_.vtl.LASTNAME) && IsBlank(data_.vtl.COMPANY)) {
      DiscardPendingNewCard();
    } else {
      state_.PendingNewPointer = 0;  // kept: the save below writes it
    }
  }
  if (state_.EditFlag != 0) SaveCard();
  ShowSelectedCard();
  Assign(state_.ReselectKey, "");
  reselect_pointer_ = 0;
}

void CardWindow::ListAlertKey() {
  switch (EventKeyCode()) {
    case kKeyInsert:
      return PostEvent(kEventAccepted, kNewCardItem);
    case kKeyEnter:
    case kKeyDoubleClick:
      return Select(kContentsText);
    case kKeyDelete:
      return PostEvent(kEventAccepted, kDeleteItem);
    default:
      return;
  }
}

void CardWindow::LetterSelector() {
  ListSourceRef source = state_.list_source;
  const auto count = static_cast<std::int32_t>(RecordCount(source.queue));
  if (count == 0) return;
  const std::int32_t wanted = state_.LetterChoice + 'A' - 1;
  std::int32_t i = 1;
  for (; i <= count; ++i) {
    Get(source.queue, i);
    const std::string first = UpperCaseText(source.sort_key().substr(0, 1));
    if (static_cast<unsigned char>(first[0]) >= wanted) break;
  }
  Select(kCardList, std::min(i, count));
  ShowSelectedCard();
}

// Selects the first entry of the list whose sort key is CurrentKey (or the
// key the user just picked), preferring the one of the card expected.
void CardWindow::Reselect(std::int32_t preferred_pointer) {
  if (!IsBlank(state_.ReselectKey)) {
    std::memcpy(state_.CurrentKey, state_.ReselectKey, kSortKeyLength);
    preferred_pointer = reselect_pointer_;
  }
  ListSourceRef source = state_.list_source;
  const std::string_view key(state_.CurrentKey, kSortKeyLength);
  const auto count = static_cast<std::int32_t>(RecordCount(source.queue));
  std::int32_t first_equal = 0;
  for (std::int32_t i = 1; i <= count; ++i) {
    Get(source.queue, i);
    if (source.sort_key() != key) continue;
    if (source.pointer() == preferred_pointer) {
      first_equal = i;
      break;
    }
    if (first_equal == 0) first_equal = i;
  }
  if (first_equal != 0) Select(kCardList, first_equal);
}

}  // namespace vantrel
