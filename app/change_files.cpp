// Keeping two copies of a card file in step: export writes the records
// changed since the last export stamp into a change file, import takes a
// change file's cards into the card file (the newer version wins), and the
// last-export dialog edits the stamp.
//
// The work is the card layer's (app/card_store.h); the commands here ask
// for the file, save the edits shown first and report in message boxes.
#include <string>

#include "app/card_store.h"
#include "app/card_window.h"
#include "app/card_window_controls.h"
#include "app/error_check.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/window/accept_loop.h"
#include "runtime/window/events.h"
#include "runtime/window/file_dialog.h"
#include "runtime/window/icons.h"
#include "runtime/window/message_box.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

std::string Summary(std::string_view second, std::int64_t read,
                    std::int64_t done) {
  return "Records Read: " + std::to_string(read) + "\r\n\r\n" +
         std::string(second) + std::to_string(done);
}

// One message box a failed step: the step as caption, the error text (after
// the command's own reason, if it has one) as message.
void ShowProblems(const ChangeResult& result) {
  for (const ChangeProblem& problem : result.problems) {
    std::string text = problem.reason;
    if (!problem.error.empty())
      text += (text.empty() ? "" : "|") + problem.error;
    ShowMessage(std::string(10, ' ') + text, problem.step,
                StandardIconString(kIconAsterisk), kButtonOk);
  }
}

enum StampControl : std::int16_t {
  kStampText = 1,
  kDatePrompt = 2,
  kDateEntry = 5,
  kStampOk = 3,
  kStampCancel = 4,
  kTimePrompt = 6,
  kTimeEntry = 7,
};

WindowDescription LastExportDialog(ProgramState& state) {
  WindowDescription window;
  window.title = "Set Last Export Date and Time";
  window.layout = {0, 0, 220, 76};
  window.modal = true;
  ControlDescription date =
      MakeControl(kDateEntry, ControlKind::kEntry, {}, {60, 22, 70, 12});
  date.variable = Variable::Of(state.LastExportDate);
  date.picture = "@d1";
  ControlDescription time =
      MakeControl(kTimeEntry, ControlKind::kEntry, {}, {60, 38, 70, 12});
  time.variable = Variable::Of(state.LastExportTime);
  time.picture = "@t1";
  ControlDescription ok =
      MakeControl(kStampOk, ControlKind::kButton, "&OK", {80, 56, 60, 14});
  window.controls = {
      MakeControl(kStampText, ControlKind::kPrompt,
                  "Records added after this date and time will be exported.",
                  {8, 6, 204, 10}),
      MakeControl(kDatePrompt, ControlKind::kPrompt, "&Date:", {8, 24, 50, 10}),
      date,
      MakeControl(kTimePrompt, ControlKind::kPrompt, "&Time:", {8, 40, 50, 10}),
      time,
      ok,
      MakeControl(kStampCancel, ControlKind::kButton, "&Cancel",
                  {150, 56, 60, 14}),
  };
  return window;
}

}  // namespace

// Edits of the card shown are saved first: the commands read over the
// record buffer.
void CardWindow::SaveShownEdits() {
  TakeInFocusedField();
  if (state_.EditFlag != 0 && state_.FindTabFeq == 0) SaveCard();
  DiscardPendingNewCard();
}

bool CardWindow::WriteExportStamp(std::int32_t date, std::int32_t time) {
  FileDeclaration& file = data_.card_file;
  const CardRecord shown = data_.vtl;
  bool written = false;
  Get(file, state_.HeaderPointer);
  if (!ErrorCheck("Can't Get First Record")) {
    data_.vtl.CHANGEDDATE = date;
    data_.vtl.CHANGEDTIME = time;
    Put(file);
    written = !ErrorCheck("Can't Put First Record");
  }
  data_.vtl = shown;
  if (written) {
    state_.LastExportDate = date;
    state_.LastExportTime = time;
  }
  return written;
}

void CardWindow::ExportChanges() {
  std::optional<std::string> chosen =
      AskForFile("Export Vantrel Changes", state_.change_file_name, kFileSave,
                 kChangeFileNameLength);
  if (!chosen) return;
  // Creating the change file over the card file in use would wipe it.
  if (IsTheCardFile(data_, *chosen)) {
    ShowMessage(std::string(10, ' ') +
                    "The change file cannot be the card file in use.",
                "Can't Create Export File", StandardIconString(kIconAsterisk),
                kButtonOk);
    return;
  }
  SaveShownEdits();
  Assign(state_.change_file_name, *chosen);
  const ChangeResult result = ::vantrel::ExportChanges(
      data_, std::string(Clipped(state_.change_file_name)),
      Clipped(state_.CurrentCategory));
  if (result.done) {
    ShowMessage(Summary("Records Exported: ", result.counts.read,
                        result.counts.written),
                "Export Complete", StandardIconString(kIconAsterisk),
                kButtonOk);
  }
  ShowProblems(result);
  if (result.ok()) {
    state_.LastExportDate = result.stamp_date;
    state_.LastExportTime = result.stamp_time;
  }
  ShowSelectedCard();
}

void CardWindow::ImportChanges() {
  std::optional<std::string> chosen =
      AskForFile("Import Vantrel Changes", state_.change_file_name, 0,
                 kChangeFileNameLength);
  if (!chosen) return;
  SaveShownEdits();
  Assign(state_.change_file_name, *chosen);
  const ChangeResult result = ::vantrel::ImportChanges(
      data_, std::string(Clipped(state_.change_file_name)));
  ShowProblems(result);
  if (!result.done) {
    ShowSelectedCard();
    return;
  }
  ShowMessage(
      Summary("Records Imported: ", result.counts.read, result.counts.written),
      "Import Complete", StandardIconString(kIconAsterisk), kButtonOk);
  CloseCardFile();
  OpenCardFile();
}

void CardWindow::SetLastExport() {
  const std::int32_t date = state_.LastExportDate;
  const std::int32_t time = state_.LastExportTime;
  bool confirmed = false;
  OpenWindow(LastExportDialog(state_));
  AcceptLoop([&] {
    if (CurrentEvent() != kEventAccepted) return;
    if (AcceptedField() == kStampOk) {
      TakeInFocusedField();
      confirmed = true;
      return EndLoop();
    }
    if (AcceptedField() == kStampCancel) return EndLoop();
  });
  CloseWindow();
  // Cancel, or a stamp that could not be stored, keeps the one on file.
  if (!confirmed ||
      !WriteExportStamp(state_.LastExportDate, state_.LastExportTime)) {
    state_.LastExportDate = date;
    state_.LastExportTime = time;
  }
}

}  // namespace vantrel
