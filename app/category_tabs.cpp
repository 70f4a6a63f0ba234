// The sheet's tabs: ALL, one per category (kept alphabetical), and the list
// of a category tab (TAB).
#include <cstring>
#include <string>

#include "app/card_window.h"
#include "app/card_window_controls.h"
#include "app/error_check.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/queue/queue.h"
#include "runtime/window/events.h"
#include "runtime/window/properties.h"
#include "runtime/window/window_statements.h"

namespace vantrel {

bool CardWindow::OnAllTab() const {
  return Clipped(state_.CurrentCategory) == kAllCategory;
}

std::string CardWindow::TabText(std::int16_t tab) {
  return GetProperty(kPropText, tab);
}

void CardWindow::SelectAllTab() { Select(kSheet, 1); }

void CardWindow::SetListSource(ListSourceRef source) {
  state_.list_source = source;
  SetPropertyRef(kPropFrom, kCardList, {source.queue, kListSortKey});
}

void CardWindow::SelectTab() {
  if (state_.FindTabFeq != 0) {
    DestroyControl(state_.FindTabFeq);
    state_.FindTabFeq = 0;
    if (RecordCount(&queues_.undo) != 0) EnableUndo(true);
  }
  state_.SelectedTabFeq = static_cast<std::int16_t>(Choice(kSheet) + kFirstTab);
  const std::string text = TabText(state_.SelectedTabFeq);
  if (text == Clipped(state_.CurrentCategory)) return;
  DiscardPendingNewCard();
  if (text == kAllCategory) {
    Disable(kShowAllButton);
    Assign(state_.CurrentCategory, kAllCategory);
    SetListSource(AllSource(queues_));
  } else {
    Enable(kShowAllButton);
    Assign(state_.CurrentCategory, text);
    SetListSource(TabSource(queues_));
    RebuildCategoryList();
    if (RecordCount(&queues_.tab) == 0) {
      RemoveEmptyCategoryTab();
      SelectAllTab();
      return;
    }
  }
  Select(kCardList, 1);
  ShowSelectedCard();
  EnableNewAndDuplicate(true);
  Display();
}

void CardWindow::ShowAll() {
  SelectAllTab();
  PostEvent(kEventNewSelection, kSheet);
}

void CardWindow::RebuildCategoryList() {
  Free(&queues_.tab);
  const std::string_view category = Clipped(state_.CurrentCategory);
  const std::uint32_t count = RecordCount(&queues_.all);
  for (std::uint32_t i = 1; i <= count; ++i) {
    Get(&queues_.all, static_cast<std::int32_t>(i));
    if (Clipped(queues_.all_entry.CATEGORY) != category) continue;
    std::memcpy(&queues_.tab_entry, &queues_.all_entry, kTabEntryLength);
    Add(&queues_.tab);
  }
  if (RecordCount(&queues_.tab) == 0) {
    SelectAllTab();
    PostEvent(kEventNewSelection, kSheet);
  }
}

void CardWindow::RemoveEmptyCategoryTab() {
  Get(&queues_.cat, state_.SelectedTabFeq - kAllTab);
  if (ErrorCheck("Can't Get Sheet Choice")) return;
  Delete(&queues_.cat);
  const auto count = static_cast<std::int16_t>(RecordCount(&queues_.cat));
  DestroyControl(static_cast<std::int16_t>(kAllTab + 1 + count));
  SetCategoryTabTexts();
}

void CardWindow::AddNewCategory(std::string_view category) {
  if (category.empty()) return;
  Assign(queues_.cat_entry.CATEGORY, category);
  Get(&queues_.cat, {kCatCategory});
  if (ErrorCode() == 0) return;
  Assign(queues_.cat_entry.CATEGORY, category);
  Add(&queues_.cat, {kCatCategory});
  if (ErrorCheck("Can't Add Category")) return;
  const auto tab =
      static_cast<std::int16_t>(kAllTab + RecordCount(&queues_.cat));
  CreateControl(tab, ControlKind::kTab, kSheet);
  UnhideControl(tab);
  SetCategoryTabTexts();
  // A category sorted in before the selected one has pushed it one place
  // to the right: follow it there.
  if (!OnAllTab() && state_.FindTabFeq == 0 &&
      TabText(state_.SelectedTabFeq) != Clipped(state_.CurrentCategory)) {
    ++state_.SelectedTabFeq;
    Select(kSheet, state_.SelectedTabFeq - kFirstTab);
  }
}

void CardWindow::SetCategoryTabTexts() {
  const std::uint32_t count = RecordCount(&queues_.cat);
  for (std::uint32_t i = 1; i <= count; ++i) {
    Get(&queues_.cat, static_cast<std::int32_t>(i));
    SetProperty(kPropText, static_cast<std::int16_t>(kAllTab + i),
                Clipped(queues_.cat_entry.CATEGORY));
  }
}

}  // namespace vantrel
