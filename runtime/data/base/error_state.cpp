#include "runtime/data/base/error_state.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>

#include "os/posix/os_error.h"

namespace vantrel {
namespace {

struct MessageEntry {
  int code;
  const char* text;
};

// The program's string table of error texts, by code.
constexpr MessageEntry kMessages[] = {
    {2, "File Not Found"},
    {3, "Path Not Found"},
    {4, "Too Many Open Files"},
    {5, "Access Denied"},
    {7, "Memory Corrupted"},
    {8, "Insufficient Memory"},
    {30, "Entry Not Found"},
    {32, "File Is Already Locked"},
    {33, "Record Not Available"},
    {35, "Record Not Found"},
    {36, "Invalid Data File"},
    {37, "File Not Open"},
    {38, "Invalid Key File"},
    {40, "Creates Duplicate Key"},
    {43, "Record Is Already Held"},
    {45, "Invalid Filename"},
    {46, "Key File Must Be Rebuilt"},
    {47, "Invalid Record Declaration"},
    {48, "Unable To Log Transaction"},
    {52, "File Already Open"},
    {53, "Invalid Hestra File"},
    {54, "No Create Attribute"},
    {55, "File Must Be Shared"},
    {56, "LOGOUT Already Active"},
    {57, "Invalid Memo File"},
    {63, "Exclusive Access Required"},
    {64, "Sharing Violation"},
    {65, "Unable To ROLLBACK Transaction"},
    {73, "Memo File Missing"},
    {75, "Invalid Field Type Descriptor"},
    {76, "Invalid Index String"},
    {77, "Unable To Access Index"},
    {78, "Invalid Number Of Parameters "},
    {79, "Unsupported Data Type In File"},
    {80, "Unsupported File Driver Function"},
    {81, "Unknown Error Posted"},
    {88, "Invalid Key Length"},
    {89, "Record Changed By Another Station"},
    {90, "File System Error"},
    {91, "LOGOUT Not Active"},
    {92, "BUILD In Progress"},
    {93, "BUILD Cancelled"},
    {94, "Record Limit Exceeded"},
    {95, "Server Not Found"},
    {96, "Remote Object Not Found"},
    // Operating-system errors: 300 + the system error number.
    {301, "Invalid Function"},
    {302, "File Not Found"},
    {303, "Path Not Found"},
    {304, "Too Many Open Files"},
    {305, "Access Denied"},
    {306, "Invalid Handle"},
    {308, "Insufficient Memory"},
    {312, "Invalid Access"},
    {319, "Disk Write Protected"},
    {329, "Write Fault"},
    {330, "Read Fault"},
    {332, "Sharing Violation"},
    {333, "Lock Violation"},
    {339, "Handle Disk Full"},
    {380, "File Already Exists"},
    {386, "Invalid Password"},
    {387, "Invalid Parameter"},
    {391, "Unknown Error"},
    // Run-time expressions.
    {800, "Invalid expression for EVALUATE"},
    {801, "No BIND on variable"},
    {802, "Mismatched PUSHSCOPE/POPSCOPE"},
};

const char* LookUpMessage(int code) {
  for (const MessageEntry& entry : kMessages) {
    if (entry.code == code) return entry.text;
  }
  return nullptr;
}

// Copies text into a blank-padded buffer, dropping leading blanks and
// truncating to `limit` characters.
template <std::size_t N>
void FillPadded(std::array<char, N>& buffer, std::string_view text,
                std::size_t limit) {
  std::size_t first = text.find_first_not_of(' ');
  text =
      first == std::string_view::npos ? std::string_view{} : text.substr(first);
  text = text.substr(0, std::min(limit, N));
  buffer.fill(' ');
  std::copy(text.begin(), text.end(), buffer.begin());
}

std::string_view Clipped(std::string_view text) {
  std::size_t last = text.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view{}
                                        : text.substr(0, last + 1);
}

// The state itself. One per process; the lock keeps posts from several
// threads whole.
struct ErrorState {
  std::mutex mutex;
  int code = 0;
  std::array<char, kErrorTextSize> text{};
  std::array<char, kFileErrorCodeSize> file_code{};
  std::array<char, kFileErrorSize> file_text{};
  std::string file_name;
  // True while the state is as ClearError leaves it, so that clearing a
  // clear state (after every successful file statement) costs nothing.
  std::atomic<bool> clear{false};

  ErrorState() { ClearLocked(); }

  void ClearLocked() {
    code = 0;
    text.fill(' ');
    file_code.fill(' ');
    file_text.fill(' ');
    file_name.clear();
    clear.store(true, std::memory_order_release);
  }
};

ErrorState& State() {
  static ErrorState state;
  return state;
}

}  // namespace

std::string ErrorMessageFor(int code) {
  if (const char* text = LookUpMessage(code)) return text;
  return std::string(LookUpMessage(kErrUnknownPosted)) + " : " +
         std::to_string(code);
}

void PostError(int code, std::string_view file_name) {
  PostErrorWithDetail(code, {}, file_name);
}

void PostErrorWithDetail(int code, std::string_view detail,
                         std::string_view file_name) {
  if (code == 0) code = kErrOsBase + LastSystemError();
  std::string message = ErrorMessageFor(code);
  if (!detail.empty()) message.insert(message.size(), detail);
  ErrorState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.clear.store(false, std::memory_order_relaxed);
  state.code = code;
  FillPadded(state.text, message, kErrorTextSize - 1);
  state.file_name.assign(file_name);
}

void PostFileError(std::string_view file_error_code,
                   std::string_view file_error, std::string_view file_name) {
  PostError(kErrFileSystem, file_name);
  ErrorState& state = State();
  std::lock_guard<std::mutex> lock(state.mutex);
  FillPadded(state.file_code, file_error_code, kFileErrorCodeSize);
  FillPadded(state.file_text, file_error, kFileErrorSize);
}

int SystemFailureCode(std::string_view file_name) {
  const int system = LastSystemError();
  switch (system) {
    case kSysFileNotFound:
      return kErrFileNotFound;
    case kSysPathNotFound:
      return kErrPathNotFound;
    case kSysTooManyOpenFiles:
      return kErrTooManyOpenFiles;
    case kSysAccessDenied:
    case kSysSharingViolation:
    case kSysWriteProtect:
      return kErrAccessDenied;
    case kSysLockViolation:
      return kErrFileLocked;
    default:
      PostFileError(std::to_string(system),
                    ErrorMessageFor(kErrOsBase + system), file_name);
      return kErrFileSystem;
  }
}

void ClearError() {
  ErrorState& state = State();
  if (state.clear.load(std::memory_order_acquire)) return;
  std::lock_guard<std::mutex> lock(state.mutex);
  state.ClearLocked();
}

int ErrorCode() { return State().code; }

std::string_view ErrorBuffer() {
  const auto& text = State().text;
  return std::string_view(text.data(), text.size());
}

std::string_view Error() { return Clipped(ErrorBuffer()); }

std::string_view FileErrorCode() {
  const auto& code = State().file_code;
  return Clipped(std::string_view(code.data(), code.size()));
}

std::string_view FileError() {
  const auto& text = State().file_text;
  return Clipped(std::string_view(text.data(), text.size()));
}

std::string_view ErrorFile() { return State().file_name; }

}  // namespace vantrel
