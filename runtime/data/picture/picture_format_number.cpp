// FORMAT and DEFORMAT of numeric (@N) and scientific (@E) pictures.
//
// A number is laid out right-aligned in its picture's width:
//   [currency] [sign] integer area (digit positions) [point decimals]
//   [trailing sign] [currency suffix]
// The integer area holds the grouped integer digits, padded on the left with
// the fill: blanks (default and '_'), '*', or zeros that keep the grouping.
// Without a sign in the picture a minus floats just before the digits (or
// takes the sign place, before zero and '*' fill). Decimals are rounded half
// away from zero. A value that does not fit shows as '#' over the width.
#include <string>

#include "runtime/data/picture/picture_internal.h"

namespace vantrel {
namespace {

constexpr int kGroupSize = 3;
constexpr int kMinExponentDigits = 2;

std::string Grouped(const std::string& digits, char grouping) {
  std::string out;
  int count = 0;
  for (std::size_t i = digits.size(); i-- > 0;) {
    if (grouping && count == kGroupSize) {
      out.insert(out.begin(), grouping);
      count = 0;
    }
    out.insert(out.begin(), digits[i]);
    ++count;
  }
  return out;
}

// Pads the grouped digits to the area's width with zeros, continuing the
// grouping but never starting with a grouping character.
std::string PadWithZeros(std::string grouped, int width, char grouping) {
  std::size_t first_group =
      grouping ? grouped.find(grouping) : std::string::npos;
  int count = static_cast<int>(first_group == std::string::npos ? grouped.size()
                                                                : first_group);
  while (static_cast<int>(grouped.size()) < width) {
    if (grouping && count == kGroupSize &&
        static_cast<int>(grouped.size()) + 1 < width) {
      grouped.insert(grouped.begin(), grouping);
      count = 0;
    } else {
      grouped.insert(grouped.begin(), '0');
      ++count;
    }
  }
  return grouped;
}

bool ZeroFill(const Picture& p) {
  return !(p.flags & kPictureNoFill) && p.fill == '0';
}

// The sign place and the integer area.
std::string SignAndInteger(const Picture& p, const std::string& grouped,
                           bool negative) {
  int area = p.digit_positions;
  bool floating = !(p.flags & kPictureExplicitSign);
  bool blank_fill = (p.flags & kPictureNoFill) || p.fill == ' ';
  if (floating && blank_fill) {
    std::string text = (negative ? "-" : "") + grouped;
    return std::string(area + 1 - text.size(), ' ') + text;
  }
  std::string integer =
      ZeroFill(p) ? PadWithZeros(grouped, area, p.grouping)
                  : std::string(area - grouped.size(), p.fill) + grouped;
  if (p.trailing_sign == '-') return integer;
  char sign = negative   ? p.leading_sign ? p.leading_sign : '-'
              : floating ? p.fill
                         : ' ';
  return sign + integer;
}

}  // namespace

std::string FormatNumeric(std::string_view value, const Picture& p) {
  DecimalText n;
  if (!ParseDecimalText(value, &n)) n = DecimalText();
  n = RoundTo(n, p.decimals);
  bool negative = n.negative && !n.IsZero();
  if (n.IsZero() && p.blank_when_zero()) return std::string(p.width, ' ');
  std::string grouped =
      Grouped(n.integer.empty() ? "0" : n.integer, p.grouping);
  // The area may hold more digits than full grouping allows ("9999,999"):
  // leading grouping characters give way to digits.
  while (static_cast<int>(grouped.size()) > p.digit_positions && p.grouping &&
         grouped.find(p.grouping) != std::string::npos) {
    grouped.erase(grouped.find(p.grouping), 1);
  }
  if (static_cast<int>(grouped.size()) > p.digit_positions ||
      static_cast<int>(n.integer.size()) > p.integer_digits) {
    return Overflow(p.width);
  }
  std::string text = p.currency_suffix ? "" : p.currency;
  text += SignAndInteger(p, grouped, negative);
  if (p.decimals > 0) {
    if (p.decimal) text += p.decimal;
    text += n.fraction;
  }
  if (p.trailing_sign) text += negative ? p.trailing_sign : ' ';
  if (p.currency_suffix) text += p.currency;
  return text;
}

Deformatted DeformatNumeric(std::string_view text, const Picture& p) {
  std::string rest(text);
  // The currency text counts only where the picture puts it.
  auto trim = [](std::string& s) {
    std::size_t begin = s.find_first_not_of(' ');
    std::size_t end = s.find_last_not_of(' ');
    s = begin == std::string::npos ? "" : s.substr(begin, end - begin + 1);
  };
  trim(rest);
  std::string currency = p.currency;  // blanks around it are trimmed too
  trim(currency);
  if (!currency.empty()) {
    if (!p.currency_suffix && rest.starts_with(currency)) {
      rest.erase(0, currency.size());
    } else if (p.currency_suffix && rest.ends_with(currency)) {
      rest.erase(rest.size() - currency.size());
    }
    trim(rest);
  }
  DecimalText n;
  bool in_fraction = false;
  for (char c : rest) {
    if (c >= '0' && c <= '9') {
      (in_fraction ? n.fraction : n.integer) += c;
    } else if (c == p.grouping && (c != p.decimal || p.decimals == 0)) {
      continue;
    } else if (c == p.decimal || (!p.decimal && c == '.')) {
      if (in_fraction) return CannotRead(text, "more than one decimal point");
      in_fraction = true;
    } else if (c == '-' || c == '(') {
      n.negative = true;
    } else if (c != ' ' && c != '+' && c != ')' && c != p.fill) {
      return CannotRead(text, std::string("unexpected '") + c + "'");
    }
  }
  if (!p.decimal && !in_fraction && p.decimals > 0) {
    // An implied point: the last digits typed are the decimals.
    std::string all = std::string(p.decimals, '0') + n.integer;
    n.integer = all.substr(0, all.size() - p.decimals);
    n.fraction = all.substr(all.size() - p.decimals);
  }
  n.integer.erase(0,
                  std::min(n.integer.find_first_not_of('0'), n.integer.size()));
  return ReadAs(ToText(n));
}

std::string FormatScientific(std::string_view value, const Picture& p) {
  DecimalText n;
  if (!ParseDecimalText(value, &n)) n = DecimalText();
  std::string digits = n.integer + n.fraction;
  std::size_t first = digits.find_first_not_of('0');
  int exponent = 0;
  std::string mantissa(1 + p.decimals, '0');
  if (first != std::string::npos) {
    exponent = static_cast<int>(n.integer.size()) - static_cast<int>(first) - 1;
    DecimalText m{false, digits.substr(first, 1), digits.substr(first + 1)};
    m = RoundTo(m, p.decimals);
    if (m.integer.size() > 1) {  // 9.99 rounded up to 10.0
      ++exponent;
      m = RoundTo(DecimalText{false, "1", ""}, p.decimals);
    }
    mantissa = m.integer + m.fraction;
  }
  std::string text = n.negative && first != std::string::npos ? "-" : " ";
  text += mantissa[0];
  if (p.decimals > 0) text += p.decimal + mantissa.substr(1);
  std::string exp_digits = std::to_string(exponent < 0 ? -exponent : exponent);
  if (static_cast<int>(exp_digits.size()) < kMinExponentDigits) {
    exp_digits.insert(0, kMinExponentDigits - exp_digits.size(), '0');
  }
  text += std::string("E") + (exponent < 0 ? '-' : '+') + exp_digits;
  if (static_cast<int>(text.size()) > p.width) return Overflow(p.width);
  return std::string(p.width - text.size(), ' ') + text;
}

Deformatted DeformatScientific(std::string_view text, const Picture& p) {
  std::string plain;
  for (char c : text) {
    if (c == p.decimal) {
      plain += '.';
    } else if (c != p.grouping && c != ' ') {
      plain += c;
    }
  }
  DecimalText n;
  if (plain.empty()) return ReadAs("0");
  if (!ParseDecimalText(plain, &n)) return CannotRead(text, "not a number");
  return ReadAs(ToText(n));
}

}  // namespace vantrel
