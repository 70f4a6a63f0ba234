#include "runtime/data/expr/expr_lexer.h"

#include "runtime/data/text/ascii_case.h"

namespace vantrel {
namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

struct TwoCharOp {
  char first;
  char second;
  ExprOp op;
};
// Two-character operators in the order of their codes.
constexpr TwoCharOp kTwoCharOps[] = {
    {'<', '>', kOpNotEqual},     {'~', '=', kOpNotEqual},
    {'<', '=', kOpLessEqual},    {'=', '<', kOpLessEqual},
    {'~', '>', kOpLessEqual},    {'>', '=', kOpGreaterEqual},
    {'=', '>', kOpGreaterEqual}, {'~', '<', kOpGreaterEqual},
};

struct OneCharOp {
  char c;
  ExprOp op;
};
constexpr OneCharOp kOneCharOps[] = {
    {'^', kOpPower}, {'*', kOpMultiply}, {'/', kOpDivide}, {'%', kOpRemainder},
    {'+', kOpAdd},   {'-', kOpSubtract}, {'&', kOpConcat}, {'=', kOpEqual},
    {'<', kOpLess},  {'>', kOpGreater},  {'~', kOpNot},    {',', kOpComma},
    {':', kOpColon},
};

}  // namespace

bool IsNameChar(char c) {
  return IsAsciiLetter(c) || IsDigit(c) || c == '_' || c == ':';
}
bool IsNameSuffix(char c) { return c == '#' || c == '$' || c == '"'; }

ExprToken ExprLexer::Next() {
  while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) {
    ++pos_;
  }
  ExprToken t;
  t.position = pos_;
  if (pos_ >= text_.size()) return t;
  char c = text_[pos_];
  if (IsAsciiLetter(c) || c == '_' || c == '?') return Name();
  if (IsDigit(c) ||
      (c == '.' && pos_ + 1 < text_.size() && IsDigit(text_[pos_ + 1]))) {
    return Number();
  }
  if (c == '\'') return QuotedString();
  if (c == '@') return PictureLiteral();
  ++pos_;
  switch (c) {
    case '(':
      t.kind = TokenKind::kOpenParen;
      return t;
    case ')':
      t.kind = TokenKind::kCloseParen;
      return t;
    case '[':
      t.kind = TokenKind::kOpenBracket;
      return t;
    case ']':
      t.kind = TokenKind::kCloseBracket;
      return t;
    default:
      --pos_;
      return Operator();
  }
}

ExprToken ExprLexer::Name() {
  ExprToken t;
  t.kind = TokenKind::kName;
  t.position = pos_;
  std::size_t start = pos_++;
  while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
  if (pos_ < text_.size() && IsNameSuffix(text_[pos_])) ++pos_;
  t.text.assign(text_.substr(start, pos_ - start));
  return t;
}

ExprToken ExprLexer::Number() {
  ExprToken t;
  t.kind = TokenKind::kInteger;
  t.position = pos_;
  std::size_t start = pos_;
  while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
  if (pos_ < text_.size() && text_[pos_] == '.') {
    t.kind = TokenKind::kReal;
    ++pos_;
    while (pos_ < text_.size() && IsDigit(text_[pos_])) ++pos_;
  }
  if (pos_ < text_.size() && (text_[pos_] == 'E' || text_[pos_] == 'e')) {
    std::size_t p = pos_ + 1;
    if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) ++p;
    if (p < text_.size() && IsDigit(text_[p])) {
      while (p < text_.size() && IsDigit(text_[p])) ++p;
      pos_ = p;
      t.kind = TokenKind::kReal;
    }
  }
  t.text.assign(text_.substr(start, pos_ - start));
  return t;
}

ExprToken ExprLexer::QuotedString() {
  ExprToken t;
  t.kind = TokenKind::kString;
  t.position = pos_;
  ++pos_;
  while (pos_ < text_.size()) {
    char c = text_[pos_++];
    if (c != '\'') {
      t.text.push_back(c);
      continue;
    }
    if (pos_ < text_.size() && text_[pos_] == '\'') {
      t.text.push_back('\'');
      ++pos_;
      continue;
    }
    return t;
  }
  t.kind = TokenKind::kError;
  return t;
}

// "@P...P" and "@K...K" run to the same letter, written the same way; other
// pictures run to a blank, a comma or a ')' outside their own parentheses.
// Inside "@N" a text between tildes may hold any of those. A 'B' right after
// the end belongs to the picture.
ExprToken ExprLexer::PictureLiteral() {
  ExprToken t;
  t.kind = TokenKind::kPicture;
  t.position = pos_;
  std::size_t start = pos_;
  ++pos_;
  char kind = pos_ < text_.size() ? AsciiUpper(text_[pos_]) : '\0';
  if (kind == 'P' || kind == 'K') {
    const char closing = text_[pos_++];  // the letter as written
    while (pos_ < text_.size() && text_[pos_] != closing) ++pos_;
    if (pos_ >= text_.size()) {
      t.kind = TokenKind::kError;
      return t;
    }
    ++pos_;
    if (pos_ < text_.size() && AsciiUpper(text_[pos_]) == 'B') ++pos_;
  } else {
    int depth = 0;
    bool in_tilde = false;
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (kind == 'N' && c == '~') {
        in_tilde = !in_tilde;
      } else if (!in_tilde) {
        if (c == '(') {
          ++depth;
        } else if (c == ')') {
          if (depth == 0) break;
          --depth;
        } else if (depth == 0 && (c == ' ' || c == '\t' || c == ',')) {
          break;
        }
      }
      ++pos_;
    }
    if (in_tilde) {
      t.kind = TokenKind::kError;
      return t;
    }
  }
  t.text.assign(text_.substr(start, pos_ - start));
  return t;
}

ExprToken ExprLexer::Operator() {
  ExprToken t;
  t.kind = TokenKind::kOperator;
  t.position = pos_;
  if (pos_ + 1 < text_.size()) {
    for (const TwoCharOp& two : kTwoCharOps) {
      if (text_[pos_] == two.first && text_[pos_ + 1] == two.second) {
        pos_ += 2;
        t.op = two.op;
        return t;
      }
    }
  }
  for (const OneCharOp& one : kOneCharOps) {
    if (text_[pos_] == one.c) {
      ++pos_;
      t.op = one.op;
      return t;
    }
  }
  t.kind = TokenKind::kError;
  return t;
}

}  // namespace vantrel
