#include "os/posix/profile_text.h"

#include <cstddef>
#include <utility>
#include <vector>

namespace vantrel {
namespace {

enum class LineKind { kOther, kSection, kEntry };

// One line of the text, with its terminator, and what it holds.
struct Line {
  std::string_view raw;  // the bytes of the line including LF / CR LF
  LineKind kind = LineKind::kOther;
  std::string_view name;   // section or entry name, trimmed
  std::string_view value;  // entry value, trimmed
};

std::string_view Trim(std::string_view s) {
  const std::string_view blanks = " \t\r";
  std::size_t begin = s.find_first_not_of(blanks);
  if (begin == std::string_view::npos) return {};
  std::size_t end = s.find_last_not_of(blanks);
  return s.substr(begin, end - begin + 1);
}

Line Classify(std::string_view raw) {
  Line line;
  line.raw = raw;
  std::string_view content = raw;
  if (!content.empty() && content.back() == '\n') content.remove_suffix(1);
  content = Trim(content);
  if (content.empty() || content.front() == ';') return line;
  if (content.front() == '[') {
    std::size_t close = content.find(']');
    if (close != std::string_view::npos) {
      line.kind = LineKind::kSection;
      line.name = Trim(content.substr(1, close - 1));
    }
    return line;
  }
  std::size_t equals = content.find('=');
  if (equals != std::string_view::npos) {
    line.kind = LineKind::kEntry;
    line.name = Trim(content.substr(0, equals));
    line.value = Trim(content.substr(equals + 1));
  }
  return line;
}

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
    lines.push_back(Classify(text.substr(0, length)));
    text.remove_prefix(length);
  }
  return lines;
}

// The line ending new lines get: the text's first one, else LF.
std::string_view NewlineOf(std::string_view text) {
  std::size_t end = text.find('\n');
  if (end != std::string_view::npos && end > 0 && text[end - 1] == '\r') {
    return "\r\n";
  }
  return "\n";
}

bool EndsWithNewline(std::string_view s) {
  return !s.empty() && s.back() == '\n';
}

// Index of the first header of the section, or lines.size().
std::size_t FindSection(const std::vector<Line>& lines,
                        std::string_view section) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind == LineKind::kSection &&
        SameProfileName(lines[i].name, section)) {
      return i;
    }
  }
  return lines.size();
}

// One past the last line belonging to the section whose header is at `start`.
std::size_t SectionEnd(const std::vector<Line>& lines, std::size_t start) {
  std::size_t i = start + 1;
  while (i < lines.size() && lines[i].kind != LineKind::kSection) ++i;
  return i;
}

bool IsEntry(const Line& line, std::string_view entry) {
  return line.kind == LineKind::kEntry && SameProfileName(line.name, entry);
}

// Joins the lines, leaving out those marked in `drop`.
std::string Join(const std::vector<Line>& lines,
                 const std::vector<bool>& drop) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (!drop[i]) out += lines[i].raw;
  }
  return out;
}

// The bytes of the line that states the entry, with the given line ending.
std::string EntryLine(std::string_view entry, std::string_view value,
                      std::string_view newline) {
  std::string line(entry);
  line += '=';
  line += value;
  line += newline;
  return line;
}

std::string IndexKey(std::string_view section, std::string_view entry) {
  std::string key;
  key.reserve(section.size() + 1 + entry.size());
  auto add = [&key](std::string_view name) {
    for (char c : name) key += c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
  };
  add(section);
  key += '\n';
  add(entry);
  return key;
}

}  // namespace

ProfileIndex::ProfileIndex(std::string text) : text_(std::move(text)) {
  std::unordered_map<std::string, bool> sections_seen;
  std::string section;
  bool counts = false;  // only the first section of a name counts
  std::string_view rest = text_;
  while (!rest.empty()) {
    std::size_t end = rest.find('\n');
    std::size_t length = end == std::string_view::npos ? rest.size() : end + 1;
    Line line = Classify(rest.substr(0, length));
    rest.remove_prefix(length);
    if (line.kind == LineKind::kSection) {
      section = IndexKey(line.name, {});
      counts = sections_seen.emplace(section, true).second;
    } else if (line.kind == LineKind::kEntry && counts) {
      values_.emplace(section + IndexKey({}, line.name).substr(1), line.value);
    }
  }
}

std::optional<std::string_view> ProfileIndex::Find(
    std::string_view section, std::string_view entry) const {
  auto it = values_.find(IndexKey(section, entry));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

bool SameProfileName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](unsigned char c) {
      return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::optional<std::string_view> FindProfileValue(std::string_view text,
                                                 std::string_view section,
                                                 std::string_view entry) {
  std::vector<Line> lines = SplitLines(text);
  std::size_t start = FindSection(lines, section);
  if (start == lines.size()) return std::nullopt;
  std::size_t end = SectionEnd(lines, start);
  for (std::size_t i = start + 1; i < end; ++i) {
    if (IsEntry(lines[i], entry)) return lines[i].value;
  }
  return std::nullopt;
}

std::string SetProfileValue(std::string_view text, std::string_view section,
                            std::string_view entry, std::string_view value) {
  const std::string_view newline = NewlineOf(text);
  std::vector<Line> lines = SplitLines(text);
  std::size_t start = FindSection(lines, section);
  std::string out;
  if (start == lines.size()) {
    out = text;
    if (!out.empty() && !EndsWithNewline(out)) out += newline;
    out += '[';
    out += section;
    out += ']';
    out += newline;
    return out + EntryLine(entry, value, newline);
  }
  std::size_t end = SectionEnd(lines, start);
  std::size_t insert_after = start;
  for (std::size_t i = start + 1; i < end; ++i) {
    if (!IsEntry(lines[i], entry)) {
      if (lines[i].kind == LineKind::kEntry) insert_after = i;
      continue;
    }
    // Rewrite the entry's line, keeping its own spelling and line ending.
    std::string_view ending = lines[i].raw.ends_with("\r\n")  ? "\r\n"
                              : EndsWithNewline(lines[i].raw) ? "\n"
                                                              : "";
    for (std::size_t j = 0; j < lines.size(); ++j) {
      out += j == i ? EntryLine(lines[i].name, value, ending)
                    : std::string(lines[j].raw);
    }
    return out;
  }
  for (std::size_t j = 0; j < lines.size(); ++j) {
    out += lines[j].raw;
    if (j == insert_after) {
      if (!EndsWithNewline(lines[j].raw)) out += newline;
      out += EntryLine(entry, value, newline);
    }
  }
  return out;
}

std::string DeleteProfileEntry(std::string_view text, std::string_view section,
                               std::string_view entry) {
  std::vector<Line> lines = SplitLines(text);
  std::vector<bool> drop(lines.size(), false);
  std::size_t start = FindSection(lines, section);
  if (start < lines.size()) {
    std::size_t end = SectionEnd(lines, start);
    for (std::size_t i = start + 1; i < end; ++i) {
      drop[i] = IsEntry(lines[i], entry);
    }
  }
  return Join(lines, drop);
}

std::string DeleteProfileSection(std::string_view text,
                                 std::string_view section) {
  std::vector<Line> lines = SplitLines(text);
  std::vector<bool> drop(lines.size(), false);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].kind != LineKind::kSection ||
        !SameProfileName(lines[i].name, section)) {
      continue;
    }
    std::size_t end = SectionEnd(lines, i);
    for (std::size_t j = i; j < end; ++j) drop[j] = true;
    i = end - 1;
  }
  return Join(lines, drop);
}

}  // namespace vantrel
