// FORMAT and DEFORMAT of string (@S), pattern (@P) and key-in (@K)
// pictures, and the dispatch by kind.
//
// A pattern's value is a whole number whose digits fill the digit positions
// from the right ('#' shows leading zeros, '<' blanks). A key-in value is the
// text of its value positions, without the template's literals.
#include "runtime/data/picture/picture_internal.h"
#include "runtime/data/text/char_tables.h"

namespace vantrel {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsLetter(char c) {
  return GetCharTables().case_map[static_cast<std::uint8_t>(c)] != 0;
}

}  // namespace

bool IsKeyInClass(char c) {
  return c == '#' || c == '<' || c == '@' || c == '^' || c == '_' || c == '?' ||
         c == '|';
}

int DisplayWidth(const Picture& p) {
  int width = 0;
  for (const PicturePosition& pos : p.positions) {
    width += !(pos.kind == PositionKind::kKeyIn && pos.ch == '|');
  }
  return width;
}

bool KeyInAccepts(char cls, char c, char* stored) {
  const CharTables& t = GetCharTables();
  auto u = static_cast<std::uint8_t>(c);
  *stored = c;
  switch (cls) {
    case '#':
      if (c == ' ') *stored = '0';
      return IsDigit(c) || c == ' ';
    case '<':
      return IsDigit(c) || c == ' ';
    case '@':
      return IsLetter(c) || c == ' ';
    case '^':
      if (t.IsLower(u)) *stored = static_cast<char>(t.case_map[u]);
      return IsLetter(c) || c == ' ';
    case '_':
      if (t.IsUpper(u)) *stored = static_cast<char>(t.case_map[u]);
      return IsLetter(c) || c == ' ';
    case '?':
      return true;
    default:
      return false;
  }
}

std::string FormatPattern(std::string_view value, const Picture& p) {
  DecimalText n;
  if (!ParseDecimalText(value, &n)) n = DecimalText();
  std::string digits = RoundTo(n, 0).integer;
  if (static_cast<int>(digits.size()) > p.digit_positions) {
    return Overflow(p.width);
  }
  digits.insert(0, p.digit_positions - digits.size(), '0');
  std::string text;
  std::size_t next = 0;
  bool leading = true;
  for (const PicturePosition& pos : p.positions) {
    if (pos.kind != PositionKind::kDigit) {
      text += pos.ch;
      continue;
    }
    char d = digits[next++];
    leading = leading && d == '0' && next < digits.size();
    text += leading && pos.ch == '<' ? ' ' : d;
  }
  return text;
}

Deformatted DeformatPattern(std::string_view text, const Picture& p) {
  std::string literals;
  for (const PicturePosition& pos : p.positions) {
    if (pos.kind == PositionKind::kLiteral) literals += pos.ch;
  }
  std::string source(text);
  if (static_cast<int>(text.size()) == p.width) {
    // The text as shown: digits are read only at digit positions, so that
    // digits among the literals are not taken for part of the value.
    source.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (p.positions[i].kind == PositionKind::kDigit) source += text[i];
    }
  }
  std::string digits;
  for (char c : source) {
    if (IsDigit(c)) {
      digits += c;
    } else if (IsLetter(c) && literals.find(c) == std::string::npos) {
      return CannotRead(text, "letters where digits are expected");
    }
  }
  if (static_cast<int>(digits.size()) > p.digit_positions) {
    return CannotRead(text, "too many digits");
  }
  DecimalText n{false, digits, ""};
  n.integer.erase(0,
                  std::min(n.integer.find_first_not_of('0'), n.integer.size()));
  return ReadAs(ToText(n));
}

std::string FormatKeyIn(std::string_view value, const Picture& p) {
  std::string text;
  std::size_t next = 0;
  for (const PicturePosition& pos : p.positions) {
    if (pos.kind == PositionKind::kLiteral) {
      text += pos.ch;
    } else if (pos.ch != '|') {
      char c = next < value.size() ? value[next++] : ' ';
      char stored = ' ';
      if (!KeyInAccepts(pos.ch, c, &stored)) stored = ' ';
      text += stored;
    }
  }
  return text;
}

// Reads the value positions in order. Literals may be typed or left out; a
// character that is neither the next literal nor accepted by the next value
// position cannot be read.
Deformatted DeformatKeyIn(std::string_view text, const Picture& p) {
  std::string value;
  std::size_t i = 0;
  for (const PicturePosition& pos : p.positions) {
    if (pos.kind == PositionKind::kKeyIn && pos.ch == '|') continue;
    if (pos.kind == PositionKind::kLiteral) {
      if (i < text.size() && text[i] == pos.ch) ++i;
      continue;
    }
    char c = i < text.size() ? text[i++] : ' ';
    char stored = ' ';
    if (!KeyInAccepts(pos.ch, c, &stored)) {
      return CannotRead(text, std::string("'") + c +
                                  "' is not accepted at position " +
                                  std::to_string(i));
    }
    value += stored;
  }
  if (text.substr(std::min(i, text.size())).find_first_not_of(' ') !=
      std::string_view::npos) {
    return CannotRead(text, "longer than the template");
  }
  std::size_t end = value.find_last_not_of(' ');
  value.erase(end == std::string::npos ? 0 : end + 1);
  return ReadAs(value);
}

std::string FormatPicture(std::string_view value, const Picture& p) {
  switch (p.kind) {
    case PictureKind::kNumeric:
      return FormatNumeric(value, p);
    case PictureKind::kScientific:
      return FormatScientific(value, p);
    case PictureKind::kDate:
      return FormatDate(value, p);
    case PictureKind::kTime:
      return FormatTime(value, p);
    case PictureKind::kString: {
      std::string text(value.substr(0, p.width));
      text.resize(p.width, ' ');
      return text;
    }
    case PictureKind::kPattern:
      return FormatPattern(value, p);
    case PictureKind::kKeyIn:
      return FormatKeyIn(value, p);
    case PictureKind::kInvalid:
      break;
  }
  return {};
}

Deformatted DeformatPicture(std::string_view text, const Picture& p,
                            int current_year) {
  switch (p.kind) {
    case PictureKind::kNumeric:
      return DeformatNumeric(text, p);
    case PictureKind::kScientific:
      return DeformatScientific(text, p);
    case PictureKind::kDate:
      return DeformatDate(text, p, current_year);
    case PictureKind::kTime:
      return DeformatTime(text, p);
    case PictureKind::kString:
      return ReadAs(std::string(text));
    case PictureKind::kPattern:
      return DeformatPattern(text, p);
    case PictureKind::kKeyIn:
      return DeformatKeyIn(text, p);
    case PictureKind::kInvalid:
      break;
  }
  return CannotRead(text, "the picture is invalid");
}

}  // namespace vantrel
