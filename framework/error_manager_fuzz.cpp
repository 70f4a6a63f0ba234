// Fuzzes the message formatter: the input is split at zero bytes into the
// message text, the nine placeholder values and the previous entry's text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "framework/error_manager_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  std::vector<std::string> parts(11);
  std::size_t part = 0;
  for (std::size_t i = 0; i < size && part < parts.size(); ++i) {
    if (data[i] == 0) {
      ++part;
    } else {
      parts[part] += static_cast<char>(data[i]);
    }
  }
  vantrel::PlaceholderValues values;
  std::string* fields[] = {
      &values.error_code,      &values.error_text, &values.error,
      &values.file_error_code, &values.file_error, &values.file,
      &values.message,         &values.field,      &values.procedure};
  for (std::size_t i = 0; i < 9; ++i) *fields[i] = parts[i + 1].substr(0, 255);
  const std::string& text = parts[0];
  const std::string formatted = vantrel::FormatMessageText(
      text, values,
      parts[10].empty() ? std::nullopt
                        : std::optional<std::string_view>(parts[10]));
  if (formatted.size() > vantrel::kMessageBufferSize) std::abort();
  // A text without a placeholder sign comes back as it was, cut.
  if (text.find('%') == std::string::npos &&
      formatted != text.substr(0, vantrel::kMessageBufferSize)) {
    std::abort();
  }
  return 0;
}
