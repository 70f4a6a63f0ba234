// Text at the terminal is UTF-8; the runtime's strings are Windows-1252.
#ifndef VANTREL_RUNTIME_DATA_TEXT_TEXT_CODEC_H_
#define VANTREL_RUNTIME_DATA_TEXT_TEXT_CODEC_H_

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The text in Windows-1252, or nothing with `problem` saying why: a byte
// sequence that is not UTF-8, or a character the set cannot hold.
std::optional<std::string> Utf8ToWindows1252(std::string_view utf8,
                                             std::string* problem);

// The text in UTF-8; the five codes Windows-1252 leaves undefined become
// U+FFFD.
std::string Windows1252ToUtf8(std::string_view text);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TEXT_TEXT_CODEC_H_
