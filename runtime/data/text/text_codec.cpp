#include "runtime/data/text/text_codec.h"

#include <cstdint>
#include <cstdio>

#include "runtime/data/text/charset.h"

namespace vantrel {
namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;
constexpr int kByteCount = 256;
constexpr std::uint8_t kFirstHighByte = 0x80;

void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// One code point from the front of `s`; nothing for bytes that are not
// well-formed UTF-8 (overlong forms and surrogates included).
std::optional<char32_t> DecodeOne(std::string_view s, std::size_t* length) {
  auto b0 = static_cast<std::uint8_t>(s[0]);
  int extra = b0 < 0x80    ? 0
              : b0 >= 0xF0 ? 3
              : b0 >= 0xE0 ? 2
              : b0 >= 0xC2 ? 1
                           : -1;
  if (extra < 0 || b0 > 0xF4 || s.size() <= static_cast<std::size_t>(extra)) {
    return std::nullopt;
  }
  char32_t c = extra == 0 ? b0 : b0 & (0x3F >> extra);
  for (int i = 1; i <= extra; ++i) {
    auto b = static_cast<std::uint8_t>(s[i]);
    if ((b & 0xC0) != 0x80) return std::nullopt;
    c = (c << 6) | (b & 0x3F);
  }
  static constexpr char32_t kMinOf[] = {0, 0x80, 0x800, 0x10000};
  if (c < kMinOf[extra] || c > kMaxCodePoint || (c >= 0xD800 && c <= 0xDFFF)) {
    return std::nullopt;
  }
  *length = static_cast<std::size_t>(extra) + 1;
  return c;
}

std::optional<char> ToWindows(char32_t c) {
  if (c < kFirstHighByte) return static_cast<char>(c);
  for (int b = kFirstHighByte; b < kByteCount; ++b) {
    if (WindowsToUnicode(static_cast<std::uint8_t>(b)) == c && c != 0xFFFD) {
      return static_cast<char>(b);
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> Utf8ToWindows1252(std::string_view utf8,
                                             std::string* problem) {
  std::string out;
  std::size_t pos = 0;
  std::size_t column = 1;
  while (pos < utf8.size()) {
    std::size_t length = 0;
    std::optional<char32_t> c = DecodeOne(utf8.substr(pos), &length);
    if (!c) {
      *problem = "not UTF-8 text at column " + std::to_string(column);
      return std::nullopt;
    }
    std::optional<char> b = ToWindows(*c);
    if (!b) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(*c));
      *problem = "character " + std::string(code) + " at column " +
                 std::to_string(column) + " has no Windows-1252 code";
      return std::nullopt;
    }
    out.push_back(*b);
    pos += length;
    ++column;
  }
  return out;
}

std::string Windows1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text)
    AppendUtf8(WindowsToUnicode(static_cast<std::uint8_t>(c)), out);
  return out;
}

}  // namespace vantrel
