// Opening a card file: purge what is no longer live, fill the lists and the
// category tabs, show the first card.
#include <cstring>
#include <string>
#include <unordered_set>

#include "app/card_window.h"
#include "app/card_window_controls.h"
#include "app/current_file_setting.h"
#include "app/error_check.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/queue/queue.h"
#include "runtime/window/events.h"
#include "runtime/window/properties.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

// NEXT past the last record.
constexpr int kEndOfFile = kErrRecordNotAvailable;

bool IsPurged(const CardRecord& card) {
  return card.DELETED != 0 ||
         (IsBlank(card.LASTNAME) && IsBlank(card.FIRSTNAME) &&
          card.LISTBYCOMPANY == 0);
}

}  // namespace

void CardWindow::OpenCardFile() {
  ForgetPreviousFile();
  SetProperty(kPropText, 0,
              std::string(kCardWindowTitle) + " (" +
                  std::string(Clipped(state_.current_file_name)) + ")");
  Assign(state_.CurrentCategory, kAllCategory);
  Disable(kShowAllButton);
  SetListSource(AllSource(queues_));

  const auto categories = static_cast<std::int16_t>(RecordCount(&queues_.cat));
  for (std::int16_t tab = kAllTab + 1; tab <= kAllTab + categories; ++tab)
    DestroyControl(tab);
  Free(&queues_.cat);
  state_.SelectedTabFeq = kAllTab;

  SetFileName(data_.card_file, state_.current_file_name);
  Open(data_.card_file, kDefaultOpenMode);
  if (ErrorCode() != 0) {
    // The Open command follows at once, so that the user picks another.
    PostEvent(kEventAccepted, kOpenFileItem);
    return;
  }
  WriteCurrentFile(Clipped(state_.current_file_name));
  Free(&queues_.all);
  Free(&queues_.tab);
  LoadCards();
  CreateCategoryTabs();
  Select(kCardList, 1);
  ShowSelectedCard();
}

// What belongs to the file that was open before must not act on the next
// one: its undo entries, a pending new card and the card shown hold its
// record numbers.
void CardWindow::ForgetPreviousFile() {
  Free(&queues_.undo);
  EnableUndo(false);
  state_.PendingNewPointer = 0;
  EnableNewAndDuplicate(true);
  if (state_.FindTabFeq != 0) {
    DestroyControl(state_.FindTabFeq);
    state_.FindTabFeq = 0;
  }
  ShowNoCard();
}

void CardWindow::LoadCards() {
  FileDeclaration& file = data_.card_file;
  CardRecord& vtl = data_.vtl;
  std::unordered_set<std::string> categories;
  state_.HeaderPointer = 0;
  Logout(file, kLogoutWaitSeconds);
  Set(file);
  Next(file);
  if (ErrorCode() == 0) {
    state_.LastExportDate = vtl.CHANGEDDATE;
    state_.LastExportTime = vtl.CHANGEDTIME;
    state_.HeaderPointer = static_cast<std::int32_t>(Pointer(file));
    for (Next(file); ErrorCode() == 0; Next(file)) {
      if (IsPurged(vtl)) {
        Delete(file);
        if (ErrorCheck("Can't Purge Vantrel")) break;
        continue;
      }
      // A category not yet in CAT goes into it in ascending order; the
      // ones seen are remembered here, which saves a look-up per card.
      if (!IsBlank(vtl.CATEGORY) &&
          categories.emplace(Clipped(vtl.CATEGORY)).second) {
        Assign(queues_.cat_entry.CATEGORY, Clipped(vtl.CATEGORY));
        Add(&queues_.cat, {kCatCategory});
        ErrorCheck("Can't Add Category");
      }
      AddListEntries(vtl, static_cast<std::int32_t>(Pointer(file)),
                     /*keyed=*/false);
    }
  }
  // The end of the file ends the pass; anything else is a damaged file.
  if (ErrorCode() != kEndOfFile) ErrorCheck("Can't Read Vantrel");
  Commit(file);
  Sort(&queues_.all, {kListSortKey});
}

void CardWindow::CreateCategoryTabs() {
  const std::uint32_t count = RecordCount(&queues_.cat);
  for (std::uint32_t i = 1; i <= count; ++i) {
    Get(&queues_.cat, static_cast<std::int32_t>(i));
    if (ErrorCheck("Can't Get Category")) continue;
    const auto tab = static_cast<std::int16_t>(kAllTab + i);
    CreateControl(tab, ControlKind::kTab, kSheet);
    SetProperty(kPropText, tab, Clipped(queues_.cat_entry.CATEGORY));
    UnhideControl(tab);
  }
}

}  // namespace vantrel
