// The error manager: turns a numbered condition into a message box, a
// question to the user or the end of the program, and answers with a
// severity level that the caller acts on. It owns the message table (a
// built-in block of messages, open to additions by the application) and the
// per-thread stack of procedure names that messages can show.
//
//   ErrorManager errors;
//   errors.Init();
//   errors.SetFileName("CARDS");
//   if (errors.Raise(kMsgConfirmCancel) == Level::Proceed) ...  // Yes
//
// One instance serves the whole program; every framework class holds a
// reference to it and raises conditions by id.
#ifndef VANTREL_FRAMEWORK_ERROR_MANAGER_H_
#define VANTREL_FRAMEWORK_ERROR_MANAGER_H_

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// Severity levels: an entry's FATALITY, and the result of every raising
// operation and of the managers' operations. Values 6 to 255 are handled as
// Internal.
enum class Level : std::uint8_t {
  Proceed = 0,
  Question = 1,
  Internal = 2,
  Fatal = 3,
  Cancelled = 4,
  Notified = 5,
};

// The ids of the built-in messages.
enum MessageId : std::uint16_t {
  kMsgRetrievalError = 1,
  kMsgAccessDenied = 2,
  kMsgRecordAdded = 3,
  kMsgInsertError = 4,
  kMsgAddNewRecord = 5,
  kMsgRecordChanged = 6,
  kMsgRecordChangedShown = 7,
  kMsgConfirmCancel = 8,
  kMsgConfirmDelete = 9,
  kMsgCreateError = 10,
  kMsgDeleteError = 11,
  kMsgDeleteRefused = 12,
  kMsgDuplicateKey = 13,
  kMsgNotInFile = 14,
  kMsgNotInList = 15,
  kMsgNotInRange = 16,
  kMsgNotBelow = 17,
  kMsgNotAbove = 18,
  kMsgLoadError = 19,
  kMsgInsertRefused = 20,
  kMsgTransactionCancelled = 21,
  kMsgNoRecords = 22,
  kMsgOpenError = 23,
  kMsgProcedureUndefined = 24,
  kMsgUpdateError = 25,
  kMsgKeyNotBuilt = 26,
  kMsgInvalidKey = 27,
  kMsgRecordHeld = 28,
  kMsgRestrictDelete = 30,
  kMsgRestrictUpdate = 31,
  kMsgAutoIncError = 32,
  kMsgRetryDelete = 33,
  kMsgRetryUpdate = 34,
  kMsgSaveRecord = 35,
  kMsgBeginningOfFile = 36,
  kMsgEndOfFile = 37,
  kMsgUpdateRefused = 38,
  kMsgFileNotOpened = 39,
  kMsgViewOpenError = 40,
  kMsgQbeColumnDropped = 41,
};

// Message-box icons: the runtime's standard-icon strings.
inline constexpr char kQuestionIcon[] = "\xFF\x01\x03\x7F";
inline constexpr char kNoticeIcon[] = "\xFF\x01\x04\x7F";
// Appended to the text of a message that ends the program.
inline constexpr char kEndApplicationText[] =
    "  Press OK to end this application";
// The texts of the manager's fields hold at most this many bytes.
inline constexpr std::size_t kErrorFieldSize = 255;

// The built-in message table as a packed block (format in
// error_manager_table.cpp). Static data: entries may point into it.
std::span<const std::uint8_t> BuiltInMessages();

// One message of the table. MESSAGE and TITLE point into the block the
// entry was added from, which must outlive the manager.
struct ErrorEntry {
  std::uint16_t ID = 0;
  std::string_view MESSAGE;
  std::string_view TITLE;
  std::uint8_t FATALITY = 0;
};

// One pushed procedure name.
struct ProcedureName {
  std::int32_t THREAD = 0;
  std::unique_ptr<std::string> NAME;  // the manager's own copy
};

class ErrorManager {
 public:
  ErrorManager();
  virtual ~ErrorManager();
  ErrorManager(const ErrorManager&) = delete;
  ErrorManager& operator=(const ErrorManager&) = delete;

  // Appends every entry of a packed block, in block order; an id already
  // present stays, the new entry stands after it and wins lookups. The
  // block must outlive the manager. False when the block is malformed: the
  // entries complete before the fault are added, nothing after it.
  virtual bool AddErrors(std::span<const std::uint8_t> block);
  // The handlers of the levels; they work on the current entry.
  virtual Level OnProceed();
  virtual Level OnFatal();
  virtual Level OnNotice();
  virtual Level OnOther();
  virtual Level OnInternal();
  virtual Level OnQuestion();

  // Creates the table with the built-in messages and the name stack.
  void Init();
  // Disposes of the table and the name stack.
  void Kill();

  // Captures the error state, then shows the message of `id`.
  Level Raise(std::uint16_t id);
  // The same with %Message set to `text`.
  Level RaiseWithText(std::uint16_t id, std::string_view text);
  // Shows the message of `id` with the error state captured earlier. An id
  // that no entry has is reported as an internal error naming it.
  Level Dispatch(std::uint16_t id);
  // Asks the message of `id` with the given buttons; returns the button.
  int Ask(std::uint16_t id, int buttons, int default_button);

  void SetFileName(std::string_view name);
  // Pushes `name` for the current thread.
  void SetProcedureName(std::string_view name);
  // Pops the current thread's latest name, if it has one.
  void SetProcedureName();
  // The current thread's latest name; empty when it pushed none.
  std::string CurrentProcedure() const;

  // Copies the runtime's error code and texts into the SAVE fields.
  void SaveErrorState();
  // Makes the latest entry with `id` current; false when there is none,
  // and the current entry then reports the missing id.
  bool Locate(std::uint16_t id);
  // The current entry's text with its placeholders replaced.
  std::string FormatText();
  // The entry the handlers work on.
  const ErrorEntry& Current() const;

  // The message table; null outside Init..Kill.
  std::unique_ptr<std::vector<ErrorEntry>> ERRORS;
  std::string FIELDNAME;    // %Field, set by whoever raises a field condition
  std::string FILENAME;     // %File
  std::string MESSAGETEXT;  // %Message
  // The procedure names, each tagged with its thread.
  std::unique_ptr<std::vector<ProcedureName>> PROCNAMES;
  std::string SAVEERROR;           // the runtime's error text
  std::int32_t SAVEERRORCODE = 0;  // the runtime's error code
  std::string SAVEFILEERROR;       // the driver's own error text
  std::string SAVEFILEERRORCODE;   // the driver's own error code

 private:
  // The current entry's position in ERRORS; none: missing_ is current.
  std::optional<std::size_t> current_;
  // Stands for a raised id that no entry has.
  ErrorEntry missing_;
  std::string missing_text_;
};

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_ERROR_MANAGER_H_
