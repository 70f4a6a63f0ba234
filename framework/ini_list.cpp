#include "framework/ini_list.h"

#include <algorithm>
#include <limits>

namespace vantrel {

std::string ListEntryName(std::string_view key, std::uint32_t n) {
  std::string name(key);
  name += '_';
  name += std::to_string(n);
  return name;
}

std::uint32_t ParseListCount(std::string_view text) {
  std::size_t i = text.find_first_not_of(" \t");
  if (i == std::string_view::npos) return 0;
  std::uint64_t count = 0;
  constexpr std::uint64_t kLimit = std::numeric_limits<std::uint32_t>::max();
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    count = count * 10 + static_cast<std::uint64_t>(text[i] - '0');
    if (count > kLimit) return static_cast<std::uint32_t>(kLimit);
  }
  return static_cast<std::uint32_t>(count);
}

std::string_view ListPart(std::string_view value, int n) {
  if (n < 1) return {};
  std::size_t begin = 0;
  for (int part = 1; part < n; ++part) {
    std::size_t comma = value.find(',', begin);
    if (comma == std::string_view::npos) return {};
    begin = comma + 1;
  }
  std::size_t end = value.find(',', begin);
  return value.substr(begin, end == std::string_view::npos ? end : end - begin);
}

std::string JoinListFields(std::span<const std::string> fields,
                           std::size_t limit) {
  std::string joined;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) joined += ',';
    joined += fields[i];
  }
  for (char& c : joined) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  joined.resize(std::min({joined.size(), limit, kMaxListRecordLength}));
  return joined;
}

std::uint32_t ReadList(const ListEntryReader& read, std::string_view key,
                       const std::function<void(std::string_view)>& record) {
  std::optional<std::string> count_text = read(key);
  std::uint32_t count = count_text ? ParseListCount(*count_text) : 0;
  std::uint32_t n = 1;
  for (; n <= count; ++n) {
    std::optional<std::string> value = read(ListEntryName(key, n));
    if (!value) break;
    record(*value);
  }
  return n - 1;
}

}  // namespace vantrel
