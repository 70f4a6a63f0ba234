// The card window's life: opening it, its event loop and the commands that
// only start something else (help, support, the About window, animation).
#include "app/card_window.h"

#include <string>

#include "app/card_window_controls.h"
#include "app/card_window_icons.h"
#include "app/current_file_setting.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/window/accept_loop.h"
#include "runtime/window/events.h"
#include "runtime/window/icons.h"
#include "runtime/window/message_box.h"
#include "runtime/window/properties.h"
#include "runtime/window/services.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

// The animation's timer interval in hundredths of a second.
constexpr char kAnimationInterval[] = "20";
constexpr char kTimerStopped[] = "0";

// Help topics of the help menu's items.
constexpr char kHelpContentsTopic[] = "Contents";
constexpr char kHowToUseTopic[] = "How to Use Vantrel";
constexpr char kSearchHelpTopic[] = "Search";

}  // namespace

CardWindow::CardWindow(CardData& data, CardWindowCommands commands)
    : data_(data),
      state_(data.state),
      queues_(data.queues),
      commands_(std::move(commands)) {}

void CardWindow::Run() {
  OpenTheWindow();
  AcceptLoop([this] { OnEvent(); });
  CloseCardFile();
  CloseWindow();
}

void CardWindow::OpenTheWindow() {
  OpenWindow(CardWindowDescription(data_));
  ShowHelp(kWindowHelpFile);
  SetProperty(kPropIcon, 0, kIconWindow);
  // Commands that no part of the program provides stay unavailable.
  auto offer = [](const auto& command, std::int16_t item,
                  std::int16_t button) {
    if (command) return;
    Disable(item);
    if (button != 0) Disable(button);
  };
  offer(commands_.about, kAboutItem, 0);
  offer(commands_.import_vcards, kImportVCardsItem, 0);
  offer(commands_.export_vcards, kExportVCardsItem, 0);
  offer(commands_.export_vcards_40, kExportVCards40Item, 0);
  offer(commands_.import_csv, kImportCsvItem, 0);
  offer(commands_.export_csv, kExportCsvItem, 0);

  EnableUndo(false);
  EnableSave(false);
  SelectAllTab();
  state_.SelectedTabFeq = kAllTab;
  if (start_file_) {
    Assign(state_.current_file_name, *start_file_);
  } else {
    Assign(state_.current_file_name, ReadCurrentFile());
  }
  OpenCardFile();
}

void CardWindow::OnEvent() {
  switch (CurrentEvent()) {
    case kEventAccepted:
      return OnAccepted(AcceptedField());
    case kEventNewSelection:
      return OnNewSelection(EventField());
    case kEventSelected:
      return OnSelected(EventField());
    case kEventAlertKey:
      if (EventField() == kCardList) ListAlertKey();
      return;
    case kEventPreAlert:
      if (EventField() == kPhonesText) PhonesPreAlert();
      return;
    case kEventGainFocus:
      return SetProperty(kPropTimer, 0, kAnimationInterval);
    case kEventLoseFocus:
      return SetProperty(kPropTimer, 0, kTimerStopped);
    case kEventTimer:
      return Animate();
    default:
      return;
  }
}

void CardWindow::OnAccepted(std::int16_t control) {
  auto run = [](const std::function<void()>& command) {
    if (command) command();
  };
  switch (control) {
    case kNewFileItem:
      return NewCardFile();
    case kOpenFileItem:
      return OpenAnotherCardFile();
    case kSaveFileAsItem:
      return SaveCardFileAs();
    case kImportItem:
    case kImportButton:
      return ImportChanges();
    case kExportItem:
    case kExportButton:
      return ExportChanges();
    case kLastExportItem:
      return SetLastExport();
    case kImportVCardsItem:
      return ImportCards(commands_.import_vcards);
    case kExportVCardsItem:
      return run(commands_.export_vcards);
    case kExportVCards40Item:
      return run(commands_.export_vcards_40);
    case kImportCsvItem:
      return ImportCards(commands_.import_csv);
    case kExportCsvItem:
      return run(commands_.export_csv);
    case kExitItem:
      return EndLoop();
    case kNewCardItem:
    case kNewButton:
      return NewCard(/*duplicate=*/false);
    case kDuplicateItem:
    case kDuplicateButton:
      return NewCard(/*duplicate=*/true);
    case kDeleteItem:
    case kDeleteButton:
      return DeleteCard();
    case kSaveItem:
    case kSaveButton:
      return SaveCommand();
    case kUndoItem:
    case kUndoButton:
      return Undo();
    case kFindItem:
    case kFindButton:
      return FindCards();
    case kHelpTopicItem:
      return ShowHelp({}, kHelpContentsTopic);
    case kHowToUseHelpItem:
      return ShowHelp({}, kHowToUseTopic);
    case kSearchHelpItem:
      return ShowHelp({}, kSearchHelpTopic);
    case kSupportItem:
      return RunSupportProgram();
    case kAboutItem:
      return run(commands_.about);
    case kShowAllButton:
      return ShowAll();
    case kLetterOption:
      return LetterSelector();
    case kAnimationToggle:
      return ToggleAnimation();
    case kPhonesText:
      return PhonesAccepted();
    default:
      return;
  }
}

void CardWindow::OnNewSelection(std::int16_t control) {
  if (control == kSheet) return SelectTab();
  if (control == kCardList) return PickListEntry();
}

void CardWindow::OnSelected(std::int16_t control) {
  if ((control >= kLastNameEntry && control <= kContentsText) ||
      control == kPhonesText)
    EnterEditField(control);
}

void CardWindow::RunSupportProgram() {
  if (RunProgram(kSupportProgram)) return;
  ShowMessage(std::string("The support and returns information is not "
                          "installed.|The program ") +
                  kSupportProgram + " could not be started.",
              "Support and Returns", StandardIconString(kIconAsterisk),
              kButtonOk);
}

void CardWindow::Animate() {
  constexpr int kFrames = sizeof kIconFrames / sizeof kIconFrames[0];
  animation_frame_ = animation_frame_ % kFrames + 1;
  SetProperty(kPropText, kImage, kIconFrames[animation_frame_ - 1]);
}

void CardWindow::ToggleAnimation() {
  if (GetProperty(kPropTimer) != kTimerStopped) {
    SetProperty(kPropTimer, 0, kTimerStopped);
    SetProperty(kPropText, kImage, kIconStill);
  } else {
    SetProperty(kPropTimer, 0, kAnimationInterval);
  }
}

void CardWindow::CloseCardFile() { Close(data_.card_file); }

// Cards imported from another format are read like a file just opened:
// lists, categories and tabs are built afresh.
void CardWindow::ImportCards(const std::function<bool()>& command) {
  if (!command) return;
  SaveShownEdits();
  if (!command()) return;
  CloseCardFile();
  OpenCardFile();
}

}  // namespace vantrel
