// The card file commands: a new card file, opening another, saving a copy
// under another name. Each ends by opening the card file, which starts the
// lists (and the undo stack) afresh.
#include <cstring>
#include <string>
#include <vector>

#include "app/card_window.h"
#include "app/card_window_controls.h"
#include "app/error_check.h"
#include "runtime/data/base/error_state.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/text/string_ops.h"
#include "runtime/data/types/std_date.h"
#include "runtime/window/file_dialog.h"
#include "runtime/window/icons.h"
#include "runtime/window/message_box.h"

namespace vantrel {
namespace {

// The file dialogs write into a variable this long; a choice that does not
// fit the current-file-name variable is refused rather than cut.
constexpr std::size_t kDialogPathLength = 1024;

}  // namespace

std::optional<std::string> CardWindow::AskForFile(std::string_view title,
                                                  std::span<const char> initial,
                                                  int flags, std::size_t limit) {
  char path[kDialogPathLength];
  StoreText(path, ClipText(std::string_view(initial.data(), initial.size())));
  if (!FileDialog(title, Variable::Of(path), kCardFileFilter, flags))
    return std::nullopt;
  std::string chosen(ClipText(std::string_view(path, sizeof path)));
  if (chosen.size() > limit) {
    ShowMessage(std::string(10, ' ') + "The file name is longer than " +
                    std::to_string(limit) + " characters.",
                title, StandardIconString(kIconAsterisk), kButtonOk);
    return std::nullopt;
  }
  return chosen;
}

void CardWindow::NewCardFile() {
  std::optional<std::string> chosen = AskForFile(
      "Create a New Vantrel File", state_.current_file_name, kFileSave);
  if (!chosen) return;
  FileDeclaration& file = data_.card_file;
  CloseCardFile();
  Assign(state_.current_file_name, *chosen);
  SetFileName(file, state_.current_file_name);
  // The first failing step ends the command; opening the file then offers
  // the Open dialog.
  [&] {
    Create(file);
    if (ErrorCheck("Can't Create File")) return;
    Open(file, kDefaultOpenMode);
    if (ErrorCheck("Can't Open New File")) return;
    CardRecord& header = data_.vtl;
    ClearCard(header);
    header.CREATEDDATE = Today();
    header.CREATEDTIME = Clock();
    header.CHANGEDDATE = header.CREATEDDATE;
    header.CHANGEDTIME = header.CREATEDTIME;
    Add(file);
    ErrorCheck("Can't Add First Record");
    Close(file);
  }();
  OpenCardFile();
}

void CardWindow::OpenAnotherCardFile() {
  std::optional<std::string> chosen = AskForFile(
      "Open a Different Vantrel File", state_.current_file_name, 0);
  if (!chosen) return;
  CloseCardFile();
  Assign(state_.current_file_name, *chosen);
  OpenCardFile();
}

void CardWindow::SaveCardFileAs() {
  std::optional<std::string> chosen = AskForFile(
      "Save Vantrel File As ...", state_.change_file_name, kFileSave);
  if (!chosen) return;
  Assign(state_.change_file_name, *chosen);
  FileDeclaration& file = data_.card_file;
  const std::string current(Clipped(state_.current_file_name));
  Close(file);
  if (ErrorCode() != kErrFileNotOpen) ErrorCheck("Can't Close Vantrel");
  // A copy onto the file itself would destroy it; a failed copy keeps the
  // file in use.
  if (*chosen != current) {
    SetFileName(file, state_.current_file_name);
    Copy(file, *chosen);
    if (!ErrorCheck("Can't Copy Vantrel"))
      Assign(state_.current_file_name, *chosen);
  }
  OpenCardFile();
}

}  // namespace vantrel
