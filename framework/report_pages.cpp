#include "framework/report_pages.h"

#include <stdlib.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vantrel {
namespace {

constexpr std::string_view kMagic = "VANTREL-PAGE 1";
// A page file larger than this is refused rather than read.
constexpr std::uintmax_t kMaxPageFileSize = 16 * 1024 * 1024;
// Positions and sizes beyond this (about 8 metres) are refused.
constexpr int kMaxMeasure = 320000;

PageOutput*& Installed() {
  static PageOutput* output = nullptr;
  return output;
}

std::string Escape(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

bool Unescape(std::string_view text, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\': out += '\\'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      default: return false;
    }
  }
  return true;
}

// Splits off the next blank-separated word of `rest`.
std::string_view Word(std::string_view& rest) {
  std::size_t start = rest.find_first_not_of(' ');
  if (start == std::string_view::npos) {
    rest = {};
    return {};
  }
  std::size_t end = rest.find(' ', start);
  std::string_view word = rest.substr(start, end - start);
  rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
  return word;
}

bool Number(std::string_view& rest, int& value, int low, int high) {
  std::string_view word = Word(rest);
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  return ec == std::errc() && end == word.data() + word.size() && !word.empty() &&
         value >= low && value <= high;
}

}  // namespace

std::string PageFileText(const Page& page) {
  std::ostringstream out;
  out << kMagic << "\nsize " << page.width << ' ' << page.height << '\n';
  for (const PageItem& item : page.items) {
    if (item.kind == PageItem::Kind::kLine) {
      out << "line " << item.x << ' ' << item.y << ' ' << item.x + item.width
          << ' ' << item.y + item.height << '\n';
    } else {
      out << "text " << item.x << ' ' << item.y << ' ' << item.width << ' '
          << item.points << ' ' << (item.bold ? 1 : 0) << ' '
          << static_cast<char>(item.align) << ' ' << Escape(item.text) << '\n';
    }
  }
  return out.str();
}

std::optional<Page> ParsePageFile(std::string_view text, std::string& error) {
  Page page;
  std::size_t line_number = 0;
  bool sized = false;
  auto fail = [&](const std::string& why) -> std::optional<Page> {
    error = "line " + std::to_string(line_number) + ": " + why;
    return std::nullopt;
  };
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++line_number;
    if (line_number == 1) {
      if (line != kMagic) {
        error = "not a page file";
        return std::nullopt;
      }
      continue;
    }
    if (line.empty()) continue;
    std::string_view rest = line;
    std::string_view kind = Word(rest);
    if (kind == "size") {
      if (!Number(rest, page.width, 100, kMaxMeasure) ||
          !Number(rest, page.height, 100, kMaxMeasure) || !rest.empty()) {
        return fail("bad page size");
      }
      sized = true;
    } else if (kind == "line") {
      PageItem item;
      item.kind = PageItem::Kind::kLine;
      int x2 = 0, y2 = 0;
      if (!Number(rest, item.x, 0, kMaxMeasure) ||
          !Number(rest, item.y, 0, kMaxMeasure) ||
          !Number(rest, x2, 0, kMaxMeasure) ||
          !Number(rest, y2, 0, kMaxMeasure) || !rest.empty()) {
        return fail("bad line");
      }
      item.width = x2 - item.x;
      item.height = y2 - item.y;
      page.items.push_back(std::move(item));
    } else if (kind == "text") {
      PageItem item;
      int bold = 0;
      if (!Number(rest, item.x, 0, kMaxMeasure) ||
          !Number(rest, item.y, 0, kMaxMeasure) ||
          !Number(rest, item.width, 0, kMaxMeasure) ||
          !Number(rest, item.points, 1, 200) || !Number(rest, bold, 0, 1)) {
        return fail("bad text item");
      }
      item.bold = bold == 1;
      std::string_view align = Word(rest);
      if (align == "L") {
        item.align = TextAlign::kLeft;
      } else if (align == "R") {
        item.align = TextAlign::kRight;
      } else if (align == "C") {
        item.align = TextAlign::kCenter;
      } else {
        return fail("bad text alignment");
      }
      if (!Unescape(rest, item.text)) return fail("bad escape in text");
      page.items.push_back(std::move(item));
    } else {
      return fail("unknown item '" + std::string(kind.substr(0, 20)) + "'");
    }
  }
  if (line_number == 0) {
    error = "not a page file";
    return std::nullopt;
  }
  if (!sized) {
    error = "the page has no size";
    return std::nullopt;
  }
  return page;
}

bool WritePageFile(const Page& page, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << PageFileText(page);
  out.flush();
  return static_cast<bool>(out);
}

std::optional<Page> ReadPageFile(const std::string& path, std::string& error) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) {
    error = path + ": " + ec.message();
    return std::nullopt;
  }
  if (size > kMaxPageFileSize) {
    error = path + ": too large for a page file";
    return std::nullopt;
  }
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)),
                   std::istreambuf_iterator<char>());
  if (!in && !in.eof()) {
    error = path + ": cannot be read";
    return std::nullopt;
  }
  std::optional<Page> page = ParsePageFile(text, error);
  if (!page) error = path + ": " + error;
  return page;
}

PageOutput* SetPageOutput(PageOutput* output) {
  PageOutput* previous = Installed();
  Installed() = output;
  return previous;
}

PageOutput* CurrentPageOutput() { return Installed(); }

PageDirectory::PageDirectory() {
  std::error_code ec;
  std::string base = std::filesystem::temp_directory_path(ec).string();
  if (ec) base = "/tmp";
  std::string pattern = base + "/vantrel_pages_XXXXXX";
  if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
}

PageDirectory::~PageDirectory() {
  if (path_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string PageDirectory::PagePath(int n) const {
  char name[32];
  std::snprintf(name, sizeof name, "/page%05d.vpg", n);
  return path_ + name;
}

}  // namespace vantrel
