#include "framework/error_manager_format.h"

#include <algorithm>
#include <array>
#include <vector>

#include "runtime/data/text/ascii_case.h"

namespace vantrel {
namespace {

// The message being built, with a mark per byte telling whether a
// replacement inserted it. Matches are only made of unmarked bytes.
class MessageBuffer {
 public:
  explicit MessageBuffer(std::string_view text)
      : text_(text.substr(0, kMessageBufferSize)),
        inserted_(text_.size(), false) {}

  // Replaces every occurrence of `placeholder` in the original text by
  // `value`, scanning from the start and going on after each inserted value.
  void Replace(std::string_view placeholder, std::string_view value,
               bool ignore_case) {
    std::size_t at = 0;
    while ((at = Find(placeholder, at, ignore_case)) != std::string::npos) {
      Splice(at, placeholder.size(), value);
      at += value.size();
    }
  }

  std::string Take() { return std::move(text_); }

 private:
  bool MatchesAt(std::string_view placeholder, std::size_t at,
                 bool ignore_case) const {
    for (std::size_t i = 0; i < placeholder.size(); ++i) {
      if (inserted_[at + i]) return false;
      const char c = text_[at + i];
      const char p = placeholder[i];
      if (ignore_case ? AsciiUpper(c) != AsciiUpper(p) : c != p) return false;
    }
    return true;
  }

  std::size_t Find(std::string_view placeholder, std::size_t from,
                   bool ignore_case) const {
    if (placeholder.size() > text_.size()) return std::string::npos;
    for (std::size_t at = from; at + placeholder.size() <= text_.size(); ++at) {
      if (text_[at] == '%' && MatchesAt(placeholder, at, ignore_case)) {
        return at;
      }
    }
    return std::string::npos;
  }

  // Puts `value` in place of `length` bytes at `at`; the buffer is cut back
  // to its size.
  void Splice(std::size_t at, std::size_t length, std::string_view value) {
    text_.replace(at, length, value);
    inserted_.erase(
        inserted_.begin() + static_cast<std::ptrdiff_t>(at),
        inserted_.begin() + static_cast<std::ptrdiff_t>(at + length));
    inserted_.insert(inserted_.begin() + static_cast<std::ptrdiff_t>(at),
                     value.size(), true);
    if (text_.size() > kMessageBufferSize) {
      text_.resize(kMessageBufferSize);
      inserted_.resize(kMessageBufferSize);
    }
  }

  std::string text_;
  std::vector<bool> inserted_;
};

constexpr std::string_view kPrevious = "%Previous";

}  // namespace

std::string FormatMessageText(std::string_view text,
                              const PlaceholderValues& values,
                              std::optional<std::string_view> previous) {
  MessageBuffer buffer(text);
  // A placeholder that begins a longer one comes after it.
  const std::array<std::pair<std::string_view, const std::string*>, 9>
      placeholders = {{
          {"%ErrorCode", &values.error_code},
          {"%ErrorText", &values.error_text},
          {"%Error", &values.error},
          {"%FileErrorCode", &values.file_error_code},
          {"%FileError", &values.file_error},
          {"%File", &values.file},
          {"%Message", &values.message},
          {"%Field", &values.field},
          {"%Procedure", &values.procedure},
      }};
  for (const auto& [placeholder, value] : placeholders) {
    buffer.Replace(placeholder, *value, /*ignore_case=*/true);
  }
  buffer.Replace(kPrevious, previous.value_or(std::string_view{}),
                 /*ignore_case=*/false);
  return buffer.Take();
}

}  // namespace vantrel
