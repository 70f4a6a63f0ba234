#include "gui/qt/list_format.h"

namespace vantrel::qt {
namespace {

// Widths and indents beyond this are not dialog units a screen can show.
constexpr int kMaxUnits = 100000;

class FormatReader {
 public:
  explicit FormatReader(std::string_view text) : text_(text) {}

  ListFormat Read() {
    ListFormat format;
    int depth = 0;
    while (SkipBlanks(), pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '[') {
        ++pos_;
        ++depth;
      } else if (c == ']') {
        if (depth == 0) return Fail("a ']' without its '['");
        ++pos_;
        --depth;
        ListColumn group;  // a group's modifiers apply to no column here
        if (!ReadModifiers(group)) return Failed();
      } else if (IsDigit(c)) {
        ListColumn column;
        if (!ReadColumn(column)) return Failed();
        format.columns.push_back(std::move(column));
      } else {
        return Fail(std::string("'") + c + "' where a column width belongs");
      }
    }
    if (depth != 0) return Fail("a '[' without its ']'");
    if (format.columns.empty()) format.columns.emplace_back();
    return format;
  }

 private:
  static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

  void SkipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }

  bool ReadNumber(int& value) {
    if (pos_ >= text_.size() || !IsDigit(text_[pos_])) {
      Fail("a number expected");
      return false;
    }
    value = 0;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) {
      value = value * 10 + (text_[pos_++] - '0');
      if (value > kMaxUnits) {
        Fail("a number too large");
        return false;
      }
    }
    return true;
  }

  bool ReadColumn(ListColumn& column) {
    if (!ReadNumber(column.width)) return false;
    if (pos_ < text_.size()) {
      switch (text_[pos_]) {
        case 'L':
          column.justify = Justify::kLeft;
          ++pos_;
          break;
        case 'R':
          column.justify = Justify::kRight;
          ++pos_;
          break;
        case 'C':
          column.justify = Justify::kCenter;
          ++pos_;
          break;
        case 'D':
          column.justify = Justify::kDecimal;
          ++pos_;
          break;
        default:
          break;
      }
    }
    if (pos_ < text_.size() && text_[pos_] == '(') {
      ++pos_;
      if (!ReadNumber(column.indent)) return false;
      if (pos_ >= text_.size() || text_[pos_] != ')') {
        Fail("a ')' expected after the indent");
        return false;
      }
      ++pos_;
    }
    return ReadModifiers(column);
  }

  // Reads text up to the closing `quote`.
  bool ReadQuoted(char quote, std::string& out) {
    std::size_t end = text_.find(quote, pos_ + 1);
    if (end == std::string_view::npos) {
      Fail(std::string("a '") + quote + "' without its closing '" + quote +
           "'");
      return false;
    }
    out = std::string(text_.substr(pos_ + 1, end - pos_ - 1));
    pos_ = end + 1;
    return true;
  }

  bool ReadModifiers(ListColumn& column) {
    while (pos_ < text_.size()) {
      switch (text_[pos_]) {
        case '|':
          column.right_border = true;
          ++pos_;
          break;
        case 'M':
          column.resizable = true;
          ++pos_;
          break;
        case '~':
          if (!ReadQuoted('~', column.header)) return false;
          break;
        case '@':
          if (!ReadQuoted('@', column.picture)) return false;
          column.picture = "@" + column.picture;
          break;
        default:
          return true;
      }
    }
    return true;
  }

  ListFormat Fail(std::string why) {
    if (error_.empty())
      error_ = why + " at position " + std::to_string(pos_ + 1);
    return Failed();
  }
  ListFormat Failed() const {
    ListFormat failed;
    failed.error = error_;
    return failed;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  std::string error_;
};

}  // namespace

bool ListFormat::headers() const {
  for (const ListColumn& column : columns) {
    if (!column.header.empty()) return true;
  }
  return false;
}

ListFormat ParseListFormat(std::string_view text) {
  return FormatReader(text).Read();
}

}  // namespace vantrel::qt
