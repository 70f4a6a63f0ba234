// Splits expression text into tokens: names, numbers, quoted strings,
// picture literals, operators and brackets.
#ifndef VANTREL_RUNTIME_DATA_EXPR_EXPR_LEXER_H_
#define VANTREL_RUNTIME_DATA_EXPR_EXPR_LEXER_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

// Operator codes; the two-character comparisons are recognised in this
// order.
enum ExprOp : int {
  kOpNone = 0,
  kOpPower = 2,
  kOpMultiply = 3,
  kOpDivide = 4,
  kOpRemainder = 5,
  kOpAdd = 7,
  kOpSubtract = 8,
  kOpConcat = 9,
  kOpEqual = 10,
  kOpNotEqual = 11,
  kOpLess = 12,
  kOpGreater = 13,
  kOpLessEqual = 14,
  kOpGreaterEqual = 15,
  kOpNot = 16,
  kOpAnd = 17,
  kOpOr = 18,
  kOpXor = 19,
  kOpComma = 20,
  kOpColon = 21,
};

enum class TokenKind : unsigned char {
  kEnd,
  kName,
  kInteger,
  kReal,
  kString,
  kPicture,
  kOperator,
  kOpenParen,
  kCloseParen,
  kOpenBracket,
  kCloseBracket,
  kError,
};

struct ExprToken {
  TokenKind kind = TokenKind::kEnd;
  ExprOp op = kOpNone;
  std::string text;  // names (as written), numbers, string values, pictures
  std::size_t position = 0;
};

class ExprLexer {
 public:
  explicit ExprLexer(std::string_view text) : text_(text) {}
  // The next token; kError for an unterminated string or picture or a
  // character that starts no token, kEnd at the end of the text.
  ExprToken Next();

 private:
  ExprToken Name();
  ExprToken Number();
  ExprToken QuotedString();
  ExprToken PictureLiteral();
  ExprToken Operator();

  std::string_view text_;
  std::size_t pos_ = 0;
};

// Whether `c` may continue a name (letters, digits, '_' and ':').
bool IsNameChar(char c);
// Whether `c` may end a name after its other characters.
bool IsNameSuffix(char c);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_EXPR_EXPR_LEXER_H_
