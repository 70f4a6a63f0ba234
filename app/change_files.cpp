// Keeping two copies of a card file in step: export writes the records
// changed since the last export stamp into a change file, import takes a
// change file's cards into the card file (the newer version wins), and the
// last-export dialog edits the stamp.
//
// A failed export leaves no change file and keeps the stamp, so the cards
// it could not carry go with the next one. An import runs in one
// transaction: it is taken whole or not at all.
#include <filesystem>
#include <string>

#include "app/card_window.h"
#include "app/card_window_controls.h"
#include "app/error_check.h"
#include "os/posix/open_mode.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/types/std_date.h"
#include "runtime/window/accept_loop.h"
#include "runtime/window/events.h"
#include "runtime/window/file_dialog.h"
#include "runtime/window/icons.h"
#include "runtime/window/message_box.h"
#include "runtime/window/window_statements.h"

namespace vantrel {
namespace {

// Change files are opened for reading and writing, others only reading.
constexpr std::uint32_t kChangeOpenMode = kOpenReadWrite | kOpenDenyWrite;

// Whether the stamp date/time is older than the stamp of `than`.
bool Older(std::int32_t date, std::int32_t time, std::int32_t than_date,
           std::int32_t than_time) {
  return date < than_date || (date == than_date && time < than_time);
}

std::string Summary(std::string_view second, std::int64_t read,
                    std::int64_t done) {
  return "Records Read: " + std::to_string(read) + "\r\n\r\n" +
         std::string(second) + std::to_string(done);
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

ControlDescription DialogControl(std::int16_t number, ControlKind kind,
                                 std::string text, Layout layout) {
  ControlDescription control;
  control.number = number;
  control.kind = kind;
  control.text = std::move(text);
  control.layout = layout;
  return control;
}

WindowDescription LastExportDialog(ProgramState& state) {
  WindowDescription window;
  window.title = "Set Last Export Date and Time";
  window.layout = {0, 0, 220, 76};
  window.modal = true;
  ControlDescription date =
      DialogControl(kDateEntry, ControlKind::kEntry, {}, {60, 22, 70, 12});
  date.variable = Variable::Of(state.LastExportDate);
  date.picture = "@d1";
  ControlDescription time =
      DialogControl(kTimeEntry, ControlKind::kEntry, {}, {60, 38, 70, 12});
  time.variable = Variable::Of(state.LastExportTime);
  time.picture = "@t1";
  ControlDescription ok =
      DialogControl(kStampOk, ControlKind::kButton, "&OK", {80, 56, 60, 14});
  window.controls = {
      DialogControl(kStampText, ControlKind::kPrompt,
                    "Records added after this date and time will be exported.",
                    {8, 6, 204, 10}),
      DialogControl(kDatePrompt, ControlKind::kPrompt,
                    "&Date:", {8, 24, 50, 10}),
      date,
      DialogControl(kTimePrompt, ControlKind::kPrompt,
                    "&Time:", {8, 40, 50, 10}),
      time,
      ok,
      DialogControl(kStampCancel, ControlKind::kButton, "&Cancel",
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
  std::error_code ignored;
  if (std::filesystem::equivalent(*chosen,
                                  std::string(Clipped(state_.current_file_name)),
                                  ignored)) {
    ShowMessage(std::string(10, ' ') +
                    "The change file cannot be the card file in use.",
                "Can't Create Export File", StandardIconString(kIconAsterisk),
                kButtonOk);
    return;
  }
  SaveShownEdits();
  Assign(state_.change_file_name, *chosen);
  FileDeclaration& changes = data_.change_file;
  SetFileName(changes, state_.change_file_name);
  Create(changes);
  if (const int error = ErrorCode(); error != 0) {
    ErrorCheck("Can't Create Export File");
    // What a failed write left is removed; a file the program may not
    // replace is not its own to remove.
    if (error != kErrAccessDenied && error != kErrSharingViolation &&
        error != kErrFileLocked && error != kErrPathNotFound)
      Remove(changes);
    return;
  }
  Open(changes, kChangeOpenMode);
  if (ErrorCheck("Can't Open Export File")) {
    Remove(changes);
    return;
  }
  // The whole file is written in one transaction: one commit at the end
  // instead of one per batch of records.
  Logout(changes, kLogoutWaitSeconds);
  if (ErrorCheck("Can't Open Export File")) {
    Close(changes);
    Remove(changes);
    return;
  }

  std::int64_t read = 0;
  std::int64_t exported = 0;
  // The first failure ends the export: the partial change file is removed
  // and the stamp stays, so that nothing is skipped next time.
  const bool complete = [&] {
    CardRecord& chg = data_.chg;
    ClearCard(chg);
    chg.CREATEDDATE = Today();
    chg.CREATEDTIME = Clock();
    chg.CHANGEDDATE = chg.CREATEDDATE;
    chg.CHANGEDTIME = chg.CREATEDTIME;
    Add(changes);
    if (ErrorCheck("Can't Add Export Header")) return false;

    FileDeclaration& file = data_.card_file;
    const CardRecord& vtl = data_.vtl;
    const bool all = OnAllTab();
    Set(file);
    Next(file);  // the header
    for (Next(file); ErrorCode() == 0; Next(file)) {
      if (!all && std::string_view(vtl.CATEGORY, kCategoryLength) !=
                      std::string_view(state_.CurrentCategory, kCategoryLength))
        continue;
      ++read;
      if (Older(vtl.CHANGEDDATE, vtl.CHANGEDTIME, state_.LastExportDate,
                state_.LastExportTime))
        continue;
      chg = vtl;
      Add(changes);
      if (ErrorCheck("Can't Add Export Record")) return false;
      ++exported;
    }
    if (ErrorCode() != kErrRecordNotAvailable) {
      ErrorCheck("Can't Read Vantrel");
      return false;
    }
    Commit(changes);
    if (ErrorCheck("Can't Write Export File")) return false;
    Close(changes);
    return !ErrorCheck("Can't Close Export File");
  }();
  if (!complete) {
    Rollback(changes);
    Close(changes);
    Remove(changes);
    ErrorCheck("Can't Remove Export File");
    ShowSelectedCard();
    return;
  }
  ShowMessage(Summary("Records Exported: ", read, exported), "Export Complete",
              StandardIconString(kIconAsterisk), kButtonOk);
  WriteExportStamp(Today(), Clock());
  ShowSelectedCard();
}

void CardWindow::ImportChanges() {
  std::optional<std::string> chosen =
      AskForFile("Import Vantrel Changes", state_.change_file_name, 0,
                 kChangeFileNameLength);
  if (!chosen) return;
  SaveShownEdits();
  Assign(state_.change_file_name, *chosen);
  FileDeclaration& changes = data_.change_file;
  SetFileName(changes, state_.change_file_name);
  Open(changes, kChangeOpenMode);
  if (ErrorCode() == kErrInvalidRecordDeclaration ||
      ErrorCode() == kErrInvalidDataFile) {
    ShowMessage(
        std::string(10, ' ') + std::string(Clipped(state_.change_file_name)) +
            " is not a Vantrel change file.|" + std::string(Error()),
        "Can't Open Import File", StandardIconString(kIconAsterisk), kButtonOk);
    ShowSelectedCard();
    return;
  }
  if (ErrorCheck("Can't Open Import File")) {
    ShowSelectedCard();
    return;
  }

  FileDeclaration& file = data_.card_file;
  CardRecord& vtl = data_.vtl;
  const CardRecord& chg = data_.chg;
  std::int64_t records = 0;
  std::int64_t imported = 0;
  Logout(file, kLogoutWaitSeconds);
  // The first failure rolls the whole import back.
  const bool complete = [&] {
    if (ErrorCheck("Can't Start Import")) return false;
    Set(changes);
    for (Next(changes); ErrorCode() == 0; Next(changes)) {
      if (++records == 1 || chg.DELETED != 0) continue;  // the header first
      vtl.CREATEDDATE = chg.CREATEDDATE;
      vtl.CREATEDTIME = chg.CREATEDTIME;
      vtl.DELETED = 0;
      Get(file, *data_.card_key);
      if (ErrorCode() == kErrRecordNotFound) {
        vtl = chg;
        Add(file);
        if (ErrorCheck("Can't Add Import Record")) return false;
        ++imported;
      } else if (ErrorCheck("Can't Get Import Record")) {
        return false;
      } else if (Older(vtl.CHANGEDDATE, vtl.CHANGEDTIME, chg.CHANGEDDATE,
                       chg.CHANGEDTIME)) {
        vtl = chg;
        Put(file);
        if (ErrorCheck("Can't Update Import Record")) return false;
        ++imported;
      }
    }
    if (ErrorCode() != kErrRecordNotAvailable) {
      ErrorCheck("Can't Read Import File");
      return false;
    }
    Commit(file);
    return !ErrorCheck("Can't Commit Import");
  }();
  if (!complete) {
    Rollback(file);
    Close(changes);
    ShowSelectedCard();
    return;
  }
  ShowMessage(
      Summary("Records Imported: ", records > 0 ? records - 1 : 0, imported),
      "Import Complete", StandardIconString(kIconAsterisk), kButtonOk);
  Close(changes);
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
