#include "runtime/data/ascii/ascii_options.h"

#include <charconv>

#include "runtime/data/text/ascii_case.h"

namespace vantrel {
namespace {

constexpr char kOptionIntroducer = '/';

std::string_view Trimmed(std::string_view text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool ParseInt(std::string_view text, int& out) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size() &&
         !text.empty();
}

void SetSwitch(bool& option, std::string_view value) {
  if (EqualIgnoringAsciiCase(value, "ON")) option = true;
  if (EqualIgnoringAsciiCase(value, "OFF")) option = false;
}

std::string SwitchText(bool option) { return option ? "ON" : "OFF"; }

void SetTab(int& tab, std::string_view value) {
  int parsed = 0;
  if (ParseInt(value, parsed) &&
      (parsed == kTabKeep || (parsed >= -kMaxTab && parsed <= kMaxTab))) {
    tab = parsed;
  }
}

// "count,code,code..." with 1..kMaxEndOfRecord codes of 0..255.
void SetEndOfRecord(std::string& sequence, std::string_view value) {
  std::vector<int> numbers;
  while (true) {
    std::size_t comma = value.find(',');
    int number = 0;
    if (!ParseInt(value.substr(0, comma), number)) return;
    numbers.push_back(number);
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  std::size_t count = static_cast<std::size_t>(numbers[0]);
  if (numbers[0] < 1 || count > kMaxEndOfRecord ||
      numbers.size() != count + 1) {
    return;
  }
  std::string parsed;
  for (std::size_t i = 1; i < numbers.size(); ++i) {
    if (numbers[i] < 0 || numbers[i] > 255) return;
    parsed.push_back(static_cast<char>(numbers[i]));
  }
  sequence = parsed;
}

std::string EndOfRecordText(const std::string& sequence) {
  std::string text = std::to_string(sequence.size());
  for (char c : sequence) {
    text += ',' + std::to_string(static_cast<unsigned char>(c));
  }
  return text;
}

void SetFileBuffers(std::uint32_t& buffers, std::string_view value) {
  int parsed = 0;
  if (ParseInt(value, parsed) && parsed >= 1 &&
      static_cast<std::uint32_t>(parsed) <= kMaxFileBuffers) {
    buffers = static_cast<std::uint32_t>(parsed);
  }
}

}  // namespace

std::string AsciiOptions::Apply(std::string_view command) {
  std::size_t equals = command.find('=');
  std::string_view name = Trimmed(command.substr(0, equals));
  bool set = equals != std::string_view::npos;
  std::string_view value =
      set ? Trimmed(command.substr(equals + 1)) : std::string_view{};
  if (EqualIgnoringAsciiCase(name, "CLIP")) {
    if (set) SetSwitch(clip, value);
    return SwitchText(clip);
  }
  if (EqualIgnoringAsciiCase(name, "TAB")) {
    if (set) SetTab(tab, value);
    return std::to_string(tab);
  }
  if (EqualIgnoringAsciiCase(name, "ENDOFRECORD")) {
    if (set) SetEndOfRecord(end_of_record, value);
    return EndOfRecordText(end_of_record);
  }
  if (EqualIgnoringAsciiCase(name, "CTRLZISEOF")) {
    if (set) SetSwitch(ctrl_z_is_eof, value);
    return SwitchText(ctrl_z_is_eof);
  }
  if (EqualIgnoringAsciiCase(name, "QUICKSCAN")) {
    if (set) SetSwitch(quick_scan, value);
    return SwitchText(quick_scan);
  }
  if (EqualIgnoringAsciiCase(name, "FILEBUFFERS")) {
    if (set) SetFileBuffers(file_buffers, value);
    return std::to_string(file_buffers);
  }
  return {};
}

void ApplyDriverString(AsciiOptions& options, std::string_view driver_string) {
  std::size_t start = driver_string.find(kOptionIntroducer);
  while (start != std::string_view::npos) {
    std::size_t end = driver_string.find(kOptionIntroducer, start + 1);
    std::string_view option = driver_string.substr(
        start + 1, end == std::string_view::npos ? end : end - start - 1);
    if (!Trimmed(option).empty()) options.Apply(option);
    start = end;
  }
}

}  // namespace vantrel
