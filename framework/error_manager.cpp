#include "framework/error_manager.h"

#include <optional>
#include <string>

#include "framework/error_manager_format.h"
#include "framework/error_manager_halt.h"
#include "runtime/data/base/error_state.h"
#include "runtime/window/events.h"
#include "runtime/window/message_box.h"

namespace vantrel {
namespace {

// The runtime's code for an error a driver reports in its own words.
constexpr std::int32_t kDriverOwnError = kErrFileSystem;

constexpr char kMissingTitle[] = "Internal Error";

std::string Cut(std::string_view text) {
  return std::string(text.substr(0, kErrorFieldSize));
}

// Reads a packed message block; every read fails once past its end.
class BlockReader {
 public:
  explicit BlockReader(std::span<const std::uint8_t> block) : block_(block) {}

  bool U8(std::uint8_t& out) {
    if (at_ >= block_.size()) return false;
    out = block_[at_++];
    return true;
  }
  bool U16(std::uint16_t& out) {
    std::uint8_t low = 0;
    std::uint8_t high = 0;
    if (!U8(low) || !U8(high)) return false;
    out = static_cast<std::uint16_t>(low | (high << 8));
    return true;
  }
  bool Text(std::string_view& out) {
    std::uint8_t length = 0;
    if (!U8(length) || block_.size() - at_ < length) return false;
    out = std::string_view(reinterpret_cast<const char*>(block_.data() + at_),
                           length);
    at_ += length;
    return true;
  }

 private:
  std::span<const std::uint8_t> block_;
  std::size_t at_ = 0;
};

}  // namespace

ErrorManager::ErrorManager() {
  missing_.TITLE = kMissingTitle;
  missing_.FATALITY = static_cast<std::uint8_t>(Level::Internal);
}

ErrorManager::~ErrorManager() = default;

bool ErrorManager::AddErrors(std::span<const std::uint8_t> block) {
  if (!ERRORS) ERRORS = std::make_unique<std::vector<ErrorEntry>>();
  BlockReader reader(block);
  std::uint16_t count = 0;
  if (!reader.U16(count)) return false;
  for (std::uint16_t i = 0; i < count; ++i) {
    ErrorEntry entry;
    if (!reader.U16(entry.ID) || !reader.U8(entry.FATALITY) ||
        !reader.Text(entry.TITLE) || !reader.Text(entry.MESSAGE)) {
      return false;
    }
    ERRORS->push_back(entry);
  }
  return true;
}

Level ErrorManager::OnProceed() { return Level::Proceed; }

Level ErrorManager::OnFatal() {
  const std::string text = FormatText();
  ShowMessage(text + kEndApplicationText, Current().TITLE, kNoticeIcon,
              kButtonOk, kButtonOk);
  HaltProgram(Current().TITLE, text);
}

Level ErrorManager::OnNotice() {
  ShowMessage(FormatText(), Current().TITLE, kNoticeIcon, kButtonOk, kButtonOk);
  return Level::Notified;
}

Level ErrorManager::OnOther() { return OnInternal(); }

Level ErrorManager::OnInternal() { return OnFatal(); }

Level ErrorManager::OnQuestion() {
  const int pressed = ShowMessage(FormatText(), Current().TITLE, kQuestionIcon,
                                  kButtonYes | kButtonNo, kButtonYes);
  return pressed == kButtonYes ? Level::Proceed : Level::Cancelled;
}

void ErrorManager::Init() {
  ERRORS = std::make_unique<std::vector<ErrorEntry>>();
  AddErrors(BuiltInMessages());
  PROCNAMES = std::make_unique<std::vector<ProcedureName>>();
}

void ErrorManager::Kill() {
  ERRORS.reset();
  PROCNAMES.reset();
  current_.reset();
}

const ErrorEntry& ErrorManager::Current() const {
  return current_ && ERRORS && *current_ < ERRORS->size() ? (*ERRORS)[*current_]
                                                          : missing_;
}

Level ErrorManager::Raise(std::uint16_t id) {
  SaveErrorState();
  return Dispatch(id);
}

Level ErrorManager::RaiseWithText(std::uint16_t id, std::string_view text) {
  MESSAGETEXT = Cut(text);
  return Raise(id);
}

Level ErrorManager::Dispatch(std::uint16_t id) {
  Locate(id);
  switch (Current().FATALITY) {
    case static_cast<std::uint8_t>(Level::Proceed):
      return OnProceed();
    case static_cast<std::uint8_t>(Level::Question):
    case static_cast<std::uint8_t>(Level::Cancelled):
      return OnQuestion();
    case static_cast<std::uint8_t>(Level::Internal):
      return OnInternal();
    case static_cast<std::uint8_t>(Level::Fatal):
      return OnFatal();
    case static_cast<std::uint8_t>(Level::Notified):
      OnNotice();
      return Level::Notified;
    default:
      return OnOther();
  }
}

int ErrorManager::Ask(std::uint16_t id, int buttons, int default_button) {
  Locate(id);
  return ShowMessage(FormatText(), Current().TITLE, kQuestionIcon, buttons,
                     default_button);
}

void ErrorManager::SetFileName(std::string_view name) { FILENAME = Cut(name); }

void ErrorManager::SetProcedureName(std::string_view name) {
  if (!PROCNAMES) PROCNAMES = std::make_unique<std::vector<ProcedureName>>();
  PROCNAMES->push_back({ThreadNumber(), std::make_unique<std::string>(name)});
}

void ErrorManager::SetProcedureName() {
  if (!PROCNAMES) return;
  const std::int32_t thread = ThreadNumber();
  for (auto entry = PROCNAMES->rbegin(); entry != PROCNAMES->rend(); ++entry) {
    if (entry->THREAD == thread) {
      PROCNAMES->erase(std::next(entry).base());
      return;
    }
  }
}

std::string ErrorManager::CurrentProcedure() const {
  if (!PROCNAMES) return {};
  const std::int32_t thread = ThreadNumber();
  for (auto entry = PROCNAMES->rbegin(); entry != PROCNAMES->rend(); ++entry) {
    if (entry->THREAD == thread) return *entry->NAME;
  }
  return {};
}

void ErrorManager::SaveErrorState() {
  SAVEERRORCODE = ErrorCode();
  SAVEERROR = Cut(Error());
  SAVEFILEERRORCODE = Cut(FileErrorCode());
  SAVEFILEERROR = Cut(FileError());
}

bool ErrorManager::Locate(std::uint16_t id) {
  if (ERRORS) {
    for (std::size_t i = ERRORS->size(); i-- > 0;) {
      if ((*ERRORS)[i].ID == id) {
        current_ = i;
        return true;
      }
    }
  }
  missing_text_ =
      "Message " + std::to_string(id) + " is not in the message table.";
  missing_.ID = id;
  missing_.MESSAGE = missing_text_;
  current_.reset();
  return false;
}

std::string ErrorManager::FormatText() {
  const std::string code = std::to_string(SAVEERRORCODE);
  PlaceholderValues values;
  values.error_code = code;
  values.error_text =
      SAVEERRORCODE == kDriverOwnError
          ? Cut(SAVEFILEERROR) + " (" + Cut(SAVEFILEERRORCODE) + ")"
          : Cut(SAVEERROR) + " (" + code + ")";
  values.error = Cut(SAVEERROR);
  values.file_error_code = Cut(SAVEFILEERRORCODE);
  values.file_error = Cut(SAVEFILEERROR);
  values.file = Cut(FILENAME);
  values.message = Cut(MESSAGETEXT);
  values.field = Cut(FIELDNAME);
  values.procedure = CurrentProcedure();

  // An entry that replaced an earlier one of its id can embed its text.
  std::optional<std::string_view> previous;
  const ErrorEntry& entry = Current();
  if (&entry != &missing_) {
    for (std::size_t i = *current_; i-- > 0;) {
      if ((*ERRORS)[i].ID == entry.ID) {
        previous = (*ERRORS)[i].MESSAGE;
        break;
      }
    }
  }
  return FormatMessageText(entry.MESSAGE, values, previous);
}

}  // namespace vantrel
