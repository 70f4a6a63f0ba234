// The card commands: new, duplicate, save (a new version of the card),
// discarding a pending new card, delete; and the list entries of a card.
//
// A card is never changed in place: saving marks the shown version
// DELETED = 1 and adds the edited fields as a new record with the same
// creation stamp, in one transaction.
#include <cstring>
#include <string>

#include "app/card_window.h"
#include "app/card_window_controls.h"
#include "app/error_check.h"
#include "app/list_keys.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/queue/queue.h"
#include "runtime/data/types/std_date.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

void StampNow(CardRecord& card) {
  card.CREATEDDATE = Today();
  card.CREATEDTIME = Clock();
  card.CHANGEDDATE = card.CREATEDDATE;
  card.CHANGEDTIME = card.CREATEDTIME;
}

bool SameCard(const CardRecord& a, const CardRecord& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// A list-source entry that shows nothing, for a card not yet saved.
void ClearListEntry(Queue& queue, std::int32_t pointer) {
  std::memset(queue.buffer, ' ', queue.record_length);
  std::memcpy(queue.buffer + offsetof(TabEntry, POINTER), &pointer,
              sizeof pointer);
  queue.buffer[offsetof(TabEntry, KEYTYPE)] = 0;
}

}  // namespace

void CardWindow::EnableUndo(bool enable) {
  auto set = enable ? Enable : Disable;
  set(kUndoButton, 0);
  set(kUndoItem, 0);
}

void CardWindow::EnableNewAndDuplicate(bool enable) {
  auto set = enable ? Enable : Disable;
  set(kNewButton, kDuplicateButton);
  set(kNewCardItem, kDuplicateItem);
}

void CardWindow::EnableSave(bool enable) {
  auto set = enable ? Enable : Disable;
  set(kSaveButton, 0);
  set(kSaveItem, 0);
}

void CardWindow::AppendUndo(const UndoEntry& entry) {
  queues_.undo_entry = entry;
  Add(&queues_.undo);
  EnableUndo(true);
}

void CardWindow::NewCard(bool duplicate) {
  // New and Duplicate are unavailable while a new card is pending.
  if (state_.PendingNewPointer != 0) return;
  if (duplicate) TakeInFocusedField();
  UndoEntry undo{};
  undo.ACTION = kUndoNew;
  std::memcpy(undo.SORTKEY, state_.CurrentKey, kSortKeyLength);
  undo.KEYTYPE = state_.CurrentKeyType;
  undo.OLDPOINTER = state_.CurrentPointer;

  CardRecord& vtl = data_.vtl;
  if (duplicate) {
    Assign(vtl.LASTNAME, "");
    Assign(vtl.FIRSTNAME, "");
  } else {
    ClearCard(vtl);
    if (!OnAllTab() && state_.FindTabFeq == 0)
      std::memcpy(vtl.CATEGORY, state_.CurrentCategory, kCategoryLength);
  }
  vtl.DELETED = 1;  // a placeholder until it is saved
  StampNow(vtl);
  Add(data_.card_file);
  if (ErrorCheck("Can't Add New Card")) {
    ShowSelectedCard();
    return;
  }
  state_.PendingNewPointer = static_cast<std::int32_t>(Pointer(data_.card_file));
  EnableNewAndDuplicate(false);
  Queue& list = *state_.list_source.queue;
  ClearListEntry(list, state_.PendingNewPointer);
  Add(&list);
  Select(kCardList, static_cast<int>(RecordCount(&list)));
  ShowSelectedCard();
  Select(kLastNameEntry);

  state_.CurrentPointer = static_cast<std::int32_t>(Pointer(data_.card_file));
  undo.POINTER = state_.CurrentPointer;
  AppendUndo(undo);
}

void CardWindow::SaveCommand() {
  TakeInFocusedField();
  const CardRecord& vtl = data_.vtl;
  if (state_.PendingNewPointer != 0 && IsBlank(vtl.LASTNAME) &&
      (IsBlank(vtl.COMPANY) || vtl.LISTBYCOMPANY == 0)) {
    DiscardPendingNewCard();
  } else if (!SaveCard()) {
    return;  // the edited card stays on the screen, Save still enabled
  }
  state_.EditFlag = 0;
  ShowSelectionOrLast();
  Select(kCardList);
}

bool CardWindow::SaveCard() {
  if (state_.PendingNewPointer != 0) {
    state_.PendingNewPointer = 0;
    EnableNewAndDuplicate(true);
  }
  if (state_.CurrentPointer == 0) return true;  // no card is shown
  CardRecord& vtl = data_.vtl;
  if (SameCard(vtl, state_.SavedCard)) return true;

  FileDeclaration& file = data_.card_file;
  const std::int32_t shown = state_.CurrentPointer;
  Logout(file, kLogoutWaitSeconds);
  RemoveListEntries(shown, /*rebuild_tab=*/false);

  // Retire the shown version, keeping the edited one aside.
  data_.chg = vtl;
  vtl = state_.SavedCard;
  vtl.DELETED = 1;
  Put(data_.card_file, shown);
  if (ErrorCheck("Can't Put Old Version")) {
    RestoreAfterFailedSave();
    return false;
  }
  UndoEntry undo{};
  undo.ACTION = kUndoSaved;
  undo.OLDPOINTER = shown;
  std::memcpy(undo.SORTKEY, state_.CurrentKey, kSortKeyLength);
  undo.KEYTYPE = state_.CurrentKeyType;

  // The edited fields become the live version.
  vtl = data_.chg;
  ComposeListKeys(vtl);
  vtl.DELETED = 0;
  vtl.CHANGEDDATE = Today();
  vtl.CHANGEDTIME = Clock();
  Add(file);
  if (ErrorCheck("Can't Add Saved Record")) {
    RestoreAfterFailedSave();
    return false;
  }
  const auto saved = static_cast<std::int32_t>(Pointer(file));
  Commit(file);
  if (ErrorCheck("Can't Commit Saved Record")) {
    RestoreAfterFailedSave();
    return false;
  }

  AddListEntries(vtl, saved);
  AddNewCategory(Clipped(vtl.CATEGORY));
  state_.CurrentPointer = saved;
  ChooseCurrentKey(vtl);
  undo.POINTER = saved;
  AppendUndo(undo);
  if (!OnAllTab()) RebuildCategoryList();
  EnableNewAndDuplicate(true);
  Reselect(saved);
  return true;
}

// The key of the saved card's entry the list should show: the one of the
// same type as the entry shown before, else the one the card has.
void CardWindow::ChooseCurrentKey(const CardRecord& card) {
  const bool by_company =
      state_.CurrentKeyType == kCompanyKey ||
      (state_.CurrentKeyType != kNameKey && IsBlank(card.NAMEKEY));
  Assign(state_.CurrentKey, by_company ? Clipped(card.COMPANYKEY)
                                       : Clipped(card.NAMEKEY));
  state_.CurrentKeyType = by_company ? kCompanyKey : kNameKey;
  if (IsBlank(state_.CurrentKey)) {
    Assign(state_.CurrentKey, std::string(Clipped(card.NAMEKEY)) +
                                  std::string(Clipped(card.COMPANYKEY)));
    state_.CurrentKeyType = IsBlank(card.NAMEKEY) ? kCompanyKey : kNameKey;
  }
}

// A save that could not be written changes nothing: the transaction is
// rolled back, the shown version keeps its list entries, and the edited
// fields stay on the screen to be saved again.
void CardWindow::RestoreAfterFailedSave() {
  Rollback(data_.card_file);
  data_.vtl = data_.chg;
  AddListEntries(state_.SavedCard, state_.CurrentPointer);
  if (!OnAllTab()) RebuildCategoryList();
  Display();
  state_.EditFlag = 1;
  EnableSave(true);
}

void CardWindow::DiscardPendingNewCard() {
  if (state_.PendingNewPointer == 0) return;
  FileDeclaration& file = data_.card_file;
  Logout(file, kLogoutWaitSeconds);
  Get(file, state_.PendingNewPointer);
  const bool read = ErrorCode() == 0;
  RemoveListEntries(state_.PendingNewPointer);
  if (read) Delete(file);  // never the record read before
  Commit(file);
  state_.PendingNewPointer = 0;
  EnableNewAndDuplicate(true);
}

void CardWindow::DeleteCard() {
  if (state_.PendingNewPointer != 0) {
    DiscardPendingNewCard();
  } else {
    if (state_.CurrentPointer == 0) return;  // no card is shown
    const std::int32_t shown = state_.CurrentPointer;
    UndoEntry undo{};
    undo.ACTION = kUndoDeleted;
    undo.POINTER = shown;
    std::memcpy(undo.SORTKEY, state_.CurrentKey, kSortKeyLength);
    undo.KEYTYPE = state_.CurrentKeyType;
    RemoveListEntries(shown);
    // The version on file is deleted; edits not saved are dropped with it.
    data_.vtl = state_.SavedCard;
    data_.vtl.DELETED = 1;
    Put(data_.card_file, shown);
    if (ErrorCheck("Can't Delete Vantrel")) {
      AddListEntries(state_.SavedCard, shown);
      if (!OnAllTab()) RebuildCategoryList();
    } else {
      AppendUndo(undo);
    }
  }
  ShowSelectionOrLast();
  Select(kCardList);
}

// Shows the list's selected card; when the selection has gone, the last
// entry's.
void CardWindow::ShowSelectionOrLast() {
  if (Choice(kCardList) == 0)
    Select(kCardList, static_cast<int>(RecordCount(state_.list_source.queue)));
  ShowSelectedCard();
}

void CardWindow::AddListEntries(const CardRecord& card, std::int32_t pointer,
                                bool keyed) {
  AllEntry& entry = queues_.all_entry;
  auto add = [&](std::string_view key, KeyType type, std::string_view check) {
    entry.POINTER = pointer;
    Assign(entry.SORTKEY, key);
    entry.KEYTYPE = type;
    std::memcpy(entry.CATEGORY, card.CATEGORY, kCategoryLength);
    if (keyed) {
      Add(&queues_.all, {kListSortKey});
    } else {
      Add(&queues_.all);
    }
    ErrorCheck(check);
  };
  if (!IsBlank(card.NAMEKEY))
    add({card.NAMEKEY, sizeof card.NAMEKEY}, kNameKey, "Can't Add Name Element");
  if (!IsBlank(card.COMPANYKEY))
    add({card.COMPANYKEY, sizeof card.COMPANYKEY}, kCompanyKey,
        "Can't Add Company Element");
}

void CardWindow::RemoveListEntries(std::int32_t pointer, bool rebuild_tab) {
  std::int32_t i = 1;
  while (i <= static_cast<std::int32_t>(RecordCount(&queues_.all))) {
    Get(&queues_.all, i);
    if (ErrorCheck("Can't Get Card Element")) break;
    if (queues_.all_entry.POINTER != pointer) {
      ++i;
      continue;
    }
    Delete(&queues_.all);
    if (ErrorCheck("Can't Delete Card Element")) break;
  }
  if (rebuild_tab && !OnAllTab()) RebuildCategoryList();
}

}  // namespace vantrel
