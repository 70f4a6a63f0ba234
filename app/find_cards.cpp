// Finding cards: the find dialog, the search over the stored image of every
// live card, and the find tab that lists the matches.
#include <cstring>
#include <string>

#include "app/card_window.h"
#include "app/card_window_controls.h"
#include "app/error_check.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/queue/queue.h"
#include "runtime/data/text/string_ops.h"
#include "runtime/window/accept_loop.h"
#include "runtime/window/events.h"
#include "runtime/window/icons.h"
#include "runtime/window/message_box.h"
#include "runtime/window/properties.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

constexpr char kFindTitle[] = "Find Matching Card Entries";

enum FindControl : std::int16_t {
  kFindPrompt = 1,
  kFindEntry = 2,
  kFindOk = 3,
  kFindCancel = 4,
  kIgnoreCaseCheck = 5,
};

WindowDescription FindDialog(ProgramState& state) {
  WindowDescription window;
  window.title = kFindTitle;
  window.layout = {0, 0, 200, 64};
  window.modal = true;
  ControlDescription entry =
      MakeControl(kFindEntry, ControlKind::kEntry, {}, {60, 8, 130, 12});
  entry.variable = Variable::Of(state.FindText);
  entry.picture = "@s20";
  ControlDescription check =
      MakeControl(kIgnoreCaseCheck, ControlKind::kCheck,
                  "&Ignore Upper/Lower Case", {60, 24, 130, 12});
  check.variable = Variable::Of(state.IgnoreCase);
  ControlDescription ok =
      MakeControl(kFindOk, ControlKind::kButton, "&OK", {60, 44, 60, 14});
  window.controls = {
      MakeControl(kFindPrompt, ControlKind::kPrompt,
                  "&Find what:", {8, 10, 50, 10}),
      entry,
      check,
      ok,
      MakeControl(kFindCancel, ControlKind::kButton, "&Cancel",
                  {130, 44, 60, 14}),
  };
  return window;
}

}  // namespace

void CardWindow::FindCards() {
  // Edits of the card shown are saved, as picking another card saves them.
  TakeInFocusedField();
  if (state_.EditFlag != 0 && state_.FindTabFeq == 0) SaveCard();

  OpenWindow(FindDialog(state_));
  AcceptLoop([this] {
    switch (CurrentEvent()) {
      case kEventAccepted:
        if (AcceptedField() == kFindOk) {
          TakeInFocusedField();  // the text typed, even if not yet left
          return EndLoop();
        }
        if (AcceptedField() == kFindCancel) {
          Assign(state_.FindText, "");
          return EndLoop();
        }
        return;
      case kEventCloseWindow:
        // The close box is Cancel.
        Assign(state_.FindText, "");
        return;
      default:
        return;
    }
  });
  CloseWindow();
  SearchCards();
}

void CardWindow::SearchCards() {
  if (IsBlank(state_.FindText)) return;
  std::string tab_text =
      "Has \"" + std::string(Clipped(state_.FindText)) + "\"";
  Assign(queues_.cat_entry.CATEGORY, tab_text);
  if (state_.IgnoreCase != 0)
    Assign(state_.FindText, UpperCaseText(Clipped(state_.FindText)));
  const std::string needle(Clipped(state_.FindText));
  const bool fold = state_.IgnoreCase != 0;
  // The pass reads over the record buffer, which a pending new card holds.
  DiscardPendingNewCard();

  std::memset(&queues_.tab_entry, ' ', sizeof queues_.tab_entry);
  Free(&queues_.tab);
  FileDeclaration& file = data_.card_file;
  const CardRecord& vtl = data_.vtl;
  CardRecord& image = data_.chg;
  std::string folded;
  Set(file);
  Next(file);  // the header
  for (Next(file); ErrorCode() == 0; Next(file)) {
    if (vtl.DELETED != 0 || (IsBlank(vtl.NAMEKEY) && IsBlank(vtl.COMPANYKEY)))
      continue;
    image = vtl;
    std::string_view haystack(image.bytes().data(), kCardLength);
    if (fold) {
      folded = UpperCaseText(haystack);
      haystack = folded;
    }
    if (SearchText(haystack, needle, 1, 1) == 0) continue;
    TabEntry& entry = queues_.tab_entry;
    entry.POINTER = static_cast<std::int32_t>(Pointer(file));
    if (!IsBlank(vtl.NAMEKEY)) {
      std::memcpy(entry.SORTKEY, vtl.NAMEKEY, kSortKeyLength);
      entry.KEYTYPE = kNameKey;
    } else {
      std::memcpy(entry.SORTKEY, vtl.COMPANYKEY, kSortKeyLength);
      entry.KEYTYPE = kCompanyKey;
    }
    Add(&queues_.tab, {kListSortKey});
    if (ErrorCheck("Can't Add Queue Entry")) break;
  }
  // The end of the file ends the pass; anything else is a damaged file.
  if (ErrorCode() != 0 && ErrorCode() != kErrRecordNotAvailable)
    ErrorCheck("Can't Read Vantrel");

  const auto find_tab = static_cast<std::int16_t>(
      kAllTab + 1 + static_cast<std::int16_t>(RecordCount(&queues_.cat)));
  if (RecordCount(&queues_.tab) == 0) {
    ShowMessage("No Matching Cards Were Found", kFindTitle,
                StandardIconString(kIconAsterisk), kButtonOk);
    if (state_.FindTabFeq != 0) {
      DestroyControl(state_.FindTabFeq);
      state_.FindTabFeq = 0;
      // The list of every card takes the place of the results.
      SelectAllTab();
      PostEvent(kEventNewSelection, kSheet);
    } else if (state_.CurrentPointer != 0) {
      // The pass read over the record buffer: show the card again.
      ShowSelectedCard();
    }
    return;
  }
  // A second search lists its matches on a new tab in the old one's place.
  if (state_.FindTabFeq != 0) DestroyControl(state_.FindTabFeq);
  CreateControl(find_tab, ControlKind::kTab, kSheet);
  SetProperty(kPropText, find_tab, Clipped(queues_.cat_entry.CATEGORY));
  UnhideControl(find_tab);
  EnableSave(false);
  EnableUndo(false);
  Select(kSheet, find_tab - kFirstTab);
  state_.SelectedTabFeq = state_.FindTabFeq = find_tab;
  std::memcpy(state_.CurrentCategory, queues_.cat_entry.CATEGORY,
              kCategoryLength);
  Enable(kShowAllButton);
  SetListSource(TabSource(queues_));
  Select(kCardList, 1);
  ShowSelectedCard();
  Display();
}

}  // namespace vantrel
