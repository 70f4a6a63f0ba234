// Undo: the top entry of the UNDO stack is taken back. Each undo that
// writes does so in one transaction, so a failure leaves the file as it
// was and the entry on the stack.
#include <cstring>

#include "app/card_window.h"
#include "app/card_window_controls.h"
#include "app/error_check.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/queue/queue.h"
#include "runtime/window/window_statements.h"

namespace vantrel {

void CardWindow::Undo() {
  const auto count = static_cast<std::int32_t>(RecordCount(&queues_.undo));
  if (count == 0) return;
  Get(&queues_.undo, count);
  const UndoEntry entry = queues_.undo_entry;
  bool undone = true;  // an entry of no known action is dropped
  switch (entry.ACTION) {
    case kUndoNew:
      undone = UndoNewCard(entry);
      break;
    case kUndoSaved:
      undone = UndoSave(entry);
      break;
    case kUndoDeleted:
      undone = UndoDelete(entry);
      break;
  }
  if (!undone) return;
  Get(&queues_.undo, count);
  Delete(&queues_.undo);
  if (RecordCount(&queues_.undo) == 0) EnableUndo(false);
  Select(kCardList);
}

// Reselects the card shown before the new one. The pending card is gone
// whether or not that card can still be read, so the entry always goes.
bool CardWindow::UndoNewCard(const UndoEntry& entry) {
  DiscardPendingNewCard();
  if (entry.OLDPOINTER != 0) Get(data_.card_file, entry.OLDPOINTER);
  ShowUndoneCard(entry, entry.OLDPOINTER);
  return true;
}

// The card at `pointer` (in the card record) is live again: its list
// entries and its category come back, and it is shown.
void CardWindow::RelistCard(const UndoEntry& entry, std::int32_t pointer) {
  AddListEntries(data_.vtl, pointer);
  AddNewCategory(Clipped(data_.vtl.CATEGORY));
  if (!OnAllTab()) RebuildCategoryList();
  ShowUndoneCard(entry, pointer);
}

// Shows the card at `pointer` under the list entry the undo entry names.
void CardWindow::ShowUndoneCard(const UndoEntry& entry, std::int32_t pointer) {
  std::memcpy(state_.CurrentKey, entry.SORTKEY, kSortKeyLength);
  state_.CurrentKeyType = entry.KEYTYPE;
  state_.CurrentPointer = pointer;
  Reselect(pointer);
  ShowSelectionOrLast();
}

// The saved version is retired and the version before it made live again.
bool CardWindow::UndoSave(const UndoEntry& entry) {
  FileDeclaration& file = data_.card_file;
  CardRecord& vtl = data_.vtl;
  auto give_up = [&] {
    Rollback(file);
    ShowSelectedCard();
    return false;
  };
  Logout(file, kLogoutWaitSeconds);
  Get(file, entry.POINTER);
  if (ErrorCode() != 0) return give_up();
  vtl.DELETED = 1;
  Put(file, entry.POINTER);
  if (ErrorCheck("Can't Put Undo Save Record")) return give_up();
  Get(file, entry.OLDPOINTER);
  if (ErrorCheck("Can't Get Undo Old Record")) return give_up();
  vtl.DELETED = 0;
  Put(file, entry.OLDPOINTER);
  if (ErrorCheck("Can't Put Undo Old Record")) return give_up();
  Commit(file);
  if (ErrorCheck("Can't Commit Undo")) return give_up();

  RemoveListEntries(entry.POINTER, /*rebuild_tab=*/false);
  RelistCard(entry, entry.OLDPOINTER);
  return true;
}

bool CardWindow::UndoDelete(const UndoEntry& entry) {
  FileDeclaration& file = data_.card_file;
  CardRecord& vtl = data_.vtl;
  Get(file, entry.POINTER);
  if (ErrorCode() != 0) return false;
  vtl.DELETED = 0;
  Put(file, entry.POINTER);
  if (ErrorCheck("Can't Put Undo Delete Record")) {
    ShowSelectedCard();
    return false;
  }
  RelistCard(entry, entry.POINTER);
  return true;
}

}  // namespace vantrel
