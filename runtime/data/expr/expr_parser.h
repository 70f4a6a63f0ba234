// Parses expression text into a tree. Names are resolved while parsing:
// keywords give operators, built-in names calls, bound names references or
// procedure calls.
#ifndef VANTREL_RUNTIME_DATA_EXPR_EXPR_PARSER_H_
#define VANTREL_RUNTIME_DATA_EXPR_EXPR_PARSER_H_

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/expr/expr_bind.h"
#include "runtime/data/expr/expr_lexer.h"
#include "runtime/data/expr/expr_value.h"

namespace vantrel {

struct BuiltinFunction;

enum class ExprNodeKind : unsigned char {
  kConstant,   // value
  kReference,  // binding.read, name
  kUnary,      // op (kOpSubtract, kOpNot) on children[0]
  kBinary,     // op on children[0], children[1]
  kBuiltin,    // function with children as arguments
  kProcedure,  // binding.call with children as arguments
  kSlice,      // children[0][children[1] : children[2]]
};

struct ExprNode {
  ExprNodeKind kind = ExprNodeKind::kConstant;
  ExprOp op = kOpNone;
  ExprValue value;
  std::string name;
  ExprBinding binding;
  const BuiltinFunction* function = nullptr;
  std::vector<std::unique_ptr<ExprNode>> children;
  int depth = 1;  // levels of the tree under and including this node
};

// Trees deeper than this are refused, so that evaluating, rendering and
// freeing one never exhausts the stack.
inline constexpr int kMaxExprDepth = 200;

struct ExprParse {
  std::unique_ptr<ExprNode> root;  // null on error
  int error = 0;                   // 800 or 801
  std::string unbound_name;        // for 801
};

ExprParse ParseExpression(std::string_view text);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_EXPR_EXPR_PARSER_H_
