// Case folding of ASCII letters only, for names and keywords (driver names,
// options, bound variables, environment keys): they compare the same under
// every character table, unlike user text, which folds through the tables in
// force (char_tables.h).
#ifndef VANTREL_RUNTIME_DATA_TEXT_ASCII_CASE_H_
#define VANTREL_RUNTIME_DATA_TEXT_ASCII_CASE_H_

#include <algorithm>
#include <string_view>

namespace vantrel {

// 'a'-'z' become 'A'-'Z'; every other byte stays as it is.
constexpr char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Equal lengths and equal bytes after AsciiUpper.
constexpr bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiUpper(x) == AsciiUpper(y);
         });
}

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TEXT_ASCII_CASE_H_
