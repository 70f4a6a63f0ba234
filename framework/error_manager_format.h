// Filling a message's placeholders. Kept apart from the manager so that the
// formatter can be driven directly (tests, the fuzz target).
#ifndef VANTREL_FRAMEWORK_ERROR_MANAGER_FORMAT_H_
#define VANTREL_FRAMEWORK_ERROR_MANAGER_FORMAT_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// A formatted message never grows past this many bytes; what would pass it
// is cut.
inline constexpr std::size_t kMessageBufferSize = 2000;

// The values the placeholders stand for.
struct PlaceholderValues {
  std::string error_code;       // %ErrorCode
  std::string error_text;       // %ErrorText
  std::string error;            // %Error
  std::string file_error_code;  // %FileErrorCode
  std::string file_error;       // %FileError
  std::string file;             // %File
  std::string message;          // %Message
  std::string field;            // %Field
  std::string procedure;        // %Procedure
};

// `text` (cut to the buffer size) with every placeholder replaced, matched
// without regard to case: %ErrorCode, %ErrorText, %Error, %FileErrorCode,
// %FileError, %File, %Message, %Field and %Procedure, in that order, so a
// placeholder that begins a longer one comes after it. Then, when the
// original text still holds %Previous (exact case), it is replaced by
// `previous`, or by nothing when there is none. Text that a replacement
// inserted is never scanned for a placeholder, so a file name or message
// holding "%Message" is shown as it is.
std::string FormatMessageText(std::string_view text,
                              const PlaceholderValues& values,
                              std::optional<std::string_view> previous);

}  // namespace vantrel

#endif  // VANTREL_FRAMEWORK_ERROR_MANAGER_FORMAT_H_
