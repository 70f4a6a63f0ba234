// Decimal numbers as digit texts: exact for any number of digits, so that
// DECIMAL values of 31 digits format and read back without loss.
#include <algorithm>
#include <cctype>

#include "runtime/data/picture/picture_internal.h"

namespace vantrel {
namespace {

// Larger exponents are refused: beyond any double or DECIMAL value.
constexpr int kMaxExponent = 400;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void StripLeadingZeros(std::string* digits) {
  digits->erase(0, std::min(digits->find_first_not_of('0'), digits->size()));
}

// Moves the decimal point `shift` places to the right (left when negative).
void ShiftPoint(DecimalText* n, int shift) {
  std::string all = n->integer + n->fraction;
  int point = static_cast<int>(n->integer.size()) + shift;
  if (point < 0) {
    all.insert(0, static_cast<std::size_t>(-point), '0');
    point = 0;
  }
  if (point > static_cast<int>(all.size())) all.resize(point, '0');
  n->integer = all.substr(0, point);
  n->fraction = all.substr(point);
  StripLeadingZeros(&n->integer);
}

}  // namespace

bool DecimalText::IsZero() const {
  return integer.find_first_not_of('0') == std::string::npos &&
         fraction.find_first_not_of('0') == std::string::npos;
}

bool ParseDecimalText(std::string_view text, DecimalText* n) {
  *n = DecimalText();
  std::size_t i = 0;
  auto skip_blanks = [&] {
    while (i < text.size() && text[i] == ' ') ++i;
  };
  skip_blanks();
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
    n->negative = text[i++] == '-';
  }
  bool digits = false;
  while (i < text.size() && IsDigit(text[i])) {
    n->integer += text[i++];
    digits = true;
  }
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) {
      n->fraction += text[i];
      digits = true;
    }
  }
  if (!digits) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    int exponent = 0;
    if (i >= text.size() || !IsDigit(text[i])) return false;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      exponent = exponent * 10 + (text[i] - '0');
      if (exponent > kMaxExponent) return false;
    }
    ShiftPoint(n, negative ? -exponent : exponent);
  }
  StripLeadingZeros(&n->integer);
  if (static_cast<int>(n->integer.size()) > kMaxExponent) return false;
  skip_blanks();
  StripLeadingZeros(&n->integer);
  return i == text.size();
}

std::string ToText(const DecimalText& n) {
  std::string fraction = n.fraction;
  fraction.erase(std::min(fraction.find_last_not_of('0') + 1, fraction.size()));
  if (n.IsZero()) return "0";
  std::string text = n.negative ? "-" : "";
  text += n.integer.empty() ? "0" : n.integer;
  if (!fraction.empty()) text += "." + fraction;
  return text;
}

DecimalText RoundTo(const DecimalText& n, int places) {
  DecimalText r = n;
  if (static_cast<int>(r.fraction.size()) <= places) {
    r.fraction.resize(places, '0');
    return r;
  }
  bool round_up = r.fraction[places] >= '5';
  r.fraction.resize(places);
  if (!round_up) return r;
  std::string all = "0" + r.integer + r.fraction;
  for (std::size_t i = all.size(); i-- > 0;) {
    if (all[i] != '9') {
      ++all[i];
      break;
    }
    all[i] = '0';
  }
  r.integer = all.substr(0, all.size() - places);
  r.fraction = all.substr(all.size() - places);
  StripLeadingZeros(&r.integer);
  return r;
}

std::string Overflow(int width) { return std::string(width, '#'); }

Deformatted ReadAs(std::string value) {
  Deformatted d;
  d.ok = true;
  d.value = std::move(value);
  return d;
}

Deformatted CannotRead(std::string_view text, std::string_view why) {
  Deformatted d;
  d.error = "\"" + std::string(text) + "\" cannot be read: " + std::string(why);
  return d;
}

}  // namespace vantrel
