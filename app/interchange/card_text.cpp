#include "app/interchange/card_text.h"

#include <cstdio>

#include "runtime/data/text/text_codec.h"
#include "runtime/data/types/std_date.h"

namespace vantrel {
namespace {

// The length of the UTF-8 sequence that starts with `lead`, 0 if none does.
int SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// The code point of the sequence at `text[i]`, or -1 when it is malformed;
// `length` is set to the bytes it takes (1 for a malformed byte).
long DecodeAt(std::string_view text, std::size_t i, int* length) {
  const auto lead = static_cast<unsigned char>(text[i]);
  const int n = SequenceLength(lead);
  *length = 1;
  if (n == 0 || i + n > text.size()) return -1;
  if (n == 1) return lead;
  long code = lead & (0x7F >> n);
  for (int k = 1; k < n; ++k) {
    const auto c = static_cast<unsigned char>(text[i + k]);
    if ((c & 0xC0) != 0x80) return -1;
    code = (code << 6) | (c & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF.
  static constexpr long kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kLeast[n] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
    return -1;
  *length = n;
  return code;
}

}  // namespace

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    int length = 0;
    if (DecodeAt(text, i, &length) < 0) return false;
    i += length;
  }
  return true;
}

std::string ToWindows1252(std::string_view utf8, std::string_view field,
                          std::vector<std::string>* notes) {
  std::string out;
  out.reserve(utf8.size());
  std::string unmapped;
  for (std::size_t i = 0; i < utf8.size();) {
    if (static_cast<unsigned char>(utf8[i]) < 0x80) {  // the same in both
      out += utf8[i++];
      continue;
    }
    int length = 0;
    const long code = DecodeAt(utf8, i, &length);
    std::optional<std::string> one;
    std::string problem;
    if (code >= 0) one = Utf8ToWindows1252(utf8.substr(i, length), &problem);
    if (one && one->size() == 1) {
      out += *one;
    } else {
      out += '?';
      char name[24];
      if (code >= 0)
        std::snprintf(name, sizeof name, "U+%04lX", code);
      else
        std::snprintf(name, sizeof name, "byte %02X",
                      static_cast<unsigned char>(utf8[i]));
      if (unmapped.size() < 200)
        unmapped += (unmapped.empty() ? "" : ", ") + std::string(name);
    }
    i += length;
  }
  if (!unmapped.empty()) {
    notes->push_back(
        std::string(field) +
        ": characters without a Windows-1252 code written as ?: " + unmapped);
  }
  return out;
}

void FitField(std::span<char> field, std::string_view utf8,
              std::string_view name, std::vector<std::string>* notes) {
  const std::string text = ToWindows1252(utf8, name, notes);
  std::size_t end = text.find_last_not_of(' ');
  const std::size_t length = end == std::string::npos ? 0 : end + 1;
  if (length > field.size()) {
    notes->push_back(std::string(name) + " cut to " +
                     std::to_string(field.size()) +
                     " characters; it was: " + std::string(utf8));
  }
  const std::size_t n = std::min(length, field.size());
  for (std::size_t i = 0; i < field.size(); ++i)
    field[i] = i < n ? text[i] : ' ';
}

std::string FieldText(std::string_view windows1252) {
  return Windows1252ToUtf8(windows1252);
}

std::string ToRecordLines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
    } else if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string FromRecordLines(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i] == '\r' ? '\n' : text[i];
  }
  return out;
}

std::string StampText(CardStamp stamp) {
  const std::optional<DateParts> date = DateFromStandard(stamp.date);
  const std::optional<TimeParts> time = TimeFromStandard(stamp.time);
  if (!date || !time) return {};
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%02d",
                date->year, date->month, date->day, time->hours, time->minutes,
                time->seconds, time->hundredths);
  return text;
}

std::optional<CardStamp> ParseStampText(std::string_view text) {
  int year, month, day, hours, minutes, seconds, hundredths;
  char tail;
  const std::string copy(text.substr(0, 64));
  if (std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d:%2d:%2d.%2d%c", &year, &month,
                  &day, &hours, &minutes, &seconds, &hundredths, &tail) != 7 ||
      text.size() != 22)
    return std::nullopt;
  // Midnight exactly is time 1: 0 means "no time".
  const bool midnight =
      hours == 0 && minutes == 0 && seconds == 0 && hundredths == 0;
  CardStamp stamp{
      StandardDateFrom(day, month, year),
      midnight ? 1 : StandardTimeFrom(hours, minutes, seconds, hundredths)};
  if (!DateFromStandard(stamp.date) || !TimeFromStandard(stamp.time))
    return std::nullopt;
  return stamp;
}

CardStamp TakeFreeStamp(std::set<CardStamp>& taken, CardStamp start) {
  constexpr std::int32_t kLastTime = 24 * 60 * 60 * 100;  // 23:59:59.99 + 1
  CardStamp stamp = start;
  while (taken.count(stamp) != 0) {
    if (++stamp.time > kLastTime) {
      stamp.time = 1;
      ++stamp.date;
    }
  }
  taken.insert(stamp);
  return stamp;
}

}  // namespace vantrel
