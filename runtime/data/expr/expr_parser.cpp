#include "runtime/data/expr/expr_parser.h"

#include <algorithm>
#include <utility>

#include "runtime/data/base/error_state.h"
#include "runtime/data/expr/expr_functions.h"

namespace vantrel {
namespace {

using NodePtr = std::unique_ptr<ExprNode>;

ExprOp KeywordOp(const std::string& upper) {
  if (upper == "AND") return kOpAnd;
  if (upper == "OR") return kOpOr;
  if (upper == "XOR") return kOpXor;
  if (upper == "NOT") return kOpNot;
  return kOpNone;
}

bool IsComparison(ExprOp op) { return op >= kOpEqual && op <= kOpGreaterEqual; }

// Recursive descent, one function per precedence level, loosest first.
class Parser {
 public:
  explicit Parser(std::string_view text) : lexer_(text) { Advance(); }

  ExprParse Run() {
    ExprParse result;
    NodePtr root = Or();
    if (root && token_.kind != TokenKind::kEnd) Fail();
    if (error_ != 0) {
      result.error = error_;
      result.unbound_name = unbound_name_;
      return result;
    }
    result.root = std::move(root);
    return result;
  }

 private:
  void Advance() {
    token_ = lexer_.Next();
    op_ = token_.kind == TokenKind::kOperator ? token_.op : kOpNone;
    upper_.clear();
    if (token_.kind == TokenKind::kName) {
      upper_ = CutBindName(token_.text);
      op_ = KeywordOp(upper_);
    }
  }

  NodePtr Fail(int code = kErrInvalidExpression) {
    if (error_ == 0) error_ = code;
    return nullptr;
  }

  NodePtr Make(ExprNodeKind kind, ExprOp op, std::vector<NodePtr> children) {
    auto node = std::make_unique<ExprNode>();
    node->kind = kind;
    node->op = op;
    int depth = 0;
    for (const NodePtr& child : children) depth = std::max(depth, child->depth);
    node->depth = depth + 1;
    node->children = std::move(children);
    if (node->depth > kMaxExprDepth) return Fail();
    return node;
  }

  NodePtr Binary(ExprOp op, NodePtr left, NodePtr right) {
    if (!left || !right) return nullptr;
    std::vector<NodePtr> children;
    children.push_back(std::move(left));
    children.push_back(std::move(right));
    return Make(ExprNodeKind::kBinary, op, std::move(children));
  }

  NodePtr Unary(ExprOp op, NodePtr operand) {
    if (!operand) return nullptr;
    std::vector<NodePtr> children;
    children.push_back(std::move(operand));
    return Make(ExprNodeKind::kUnary, op, std::move(children));
  }

  template <typename Next, typename Accept>
  NodePtr LeftAssociative(Next next, Accept accept) {
    NodePtr left = (this->*next)();
    while (left && accept(op_)) {
      ExprOp op = op_;
      Advance();
      left = Binary(op, std::move(left), (this->*next)());
    }
    return left;
  }

  NodePtr Or() {
    return LeftAssociative(
        &Parser::And, [](ExprOp op) { return op == kOpOr || op == kOpXor; });
  }
  NodePtr And() {
    return LeftAssociative(&Parser::Not,
                           [](ExprOp op) { return op == kOpAnd; });
  }
  NodePtr Not() {
    bool negate = false;
    while (op_ == kOpNot) {
      negate = !negate;
      Advance();
    }
    NodePtr operand = Comparison();
    return negate ? Unary(kOpNot, std::move(operand)) : std::move(operand);
  }
  NodePtr Comparison() {
    return LeftAssociative(&Parser::Concat, IsComparison);
  }
  NodePtr Concat() {
    return LeftAssociative(&Parser::Sum,
                           [](ExprOp op) { return op == kOpConcat; });
  }
  NodePtr Sum() {
    return LeftAssociative(&Parser::Product, [](ExprOp op) {
      return op == kOpAdd || op == kOpSubtract;
    });
  }
  NodePtr Product() {
    return LeftAssociative(&Parser::Power, [](ExprOp op) {
      return op == kOpMultiply || op == kOpDivide || op == kOpRemainder;
    });
  }
  NodePtr Power() {
    return LeftAssociative(&Parser::Sign,
                           [](ExprOp op) { return op == kOpPower; });
  }
  NodePtr Sign() {
    bool negate = false;
    while (op_ == kOpAdd || op_ == kOpSubtract) {
      if (op_ == kOpSubtract) negate = !negate;
      Advance();
    }
    NodePtr operand = Slices();
    return negate ? Unary(kOpSubtract, std::move(operand)) : std::move(operand);
  }

  // A primary followed by any number of "[start : end]" or "[position]".
  NodePtr Slices() {
    NodePtr node = Primary();
    while (node && token_.kind == TokenKind::kOpenBracket) {
      Advance();
      std::vector<NodePtr> children;
      children.push_back(std::move(node));
      children.push_back(Nested());
      if (!children.back()) return nullptr;
      if (op_ == kOpColon) {
        Advance();
        children.push_back(Nested());
        if (!children.back()) return nullptr;
      }
      if (token_.kind != TokenKind::kCloseBracket) return Fail();
      Advance();
      node = Make(ExprNodeKind::kSlice, kOpNone, std::move(children));
    }
    return node;
  }

  // A whole expression inside brackets, counted against the depth limit
  // while it is parsed.
  NodePtr Nested() {
    if (++nesting_ > kMaxExprDepth) return Fail();
    NodePtr node = Or();
    --nesting_;
    return node;
  }

  NodePtr Constant(ExprValue value) {
    Advance();
    auto node = std::make_unique<ExprNode>();
    node->value = std::move(value);
    return node;
  }

  NodePtr Primary() {
    switch (token_.kind) {
      case TokenKind::kInteger:
      case TokenKind::kReal: {
        std::optional<ExprValue> v = NumberLiteral(token_.text);
        if (!v) {
          SetExprProblem("number too large");
          return Fail();
        }
        if (token_.kind == TokenKind::kReal) v = ExprValue::Real(AsReal(*v));
        return Constant(std::move(*v));
      }
      case TokenKind::kString:
        return Constant(ExprValue::String(token_.text));
      case TokenKind::kPicture:
        return Constant(ExprValue::PictureText(token_.text));
      case TokenKind::kOpenParen: {
        Advance();
        NodePtr inner = Nested();
        if (!inner) return nullptr;
        if (token_.kind != TokenKind::kCloseParen) return Fail();
        Advance();
        return inner;
      }
      case TokenKind::kName:
        if (op_ == kOpNone) return Name();
        return Fail();
      default:
        return Fail();
    }
  }

  NodePtr Name() {
    std::string name = upper_;
    std::string written = token_.text;
    Advance();
    if (const BuiltinFunction* fn = FindBuiltin(name)) {
      auto node = Call(ExprNodeKind::kBuiltin);
      if (!node) return nullptr;
      int count = static_cast<int>(node->children.size());
      if (count < fn->min_args || count > fn->max_args) return Fail();
      node->function = fn;
      node->name = name;
      return node;
    }
    const ExprBinding* binding = LookUpBinding(name);
    if (!binding) {
      unbound_name_ = written;
      return Fail(kErrNoBind);
    }
    if (binding->call) {
      auto node = Call(ExprNodeKind::kProcedure);
      if (!node) return nullptr;
      node->binding = *binding;
      node->name = name;
      return node;
    }
    auto node = std::make_unique<ExprNode>();
    node->kind = ExprNodeKind::kReference;
    node->binding = *binding;
    node->name = name;
    return node;
  }

  // "(" arguments separated by commas ")".
  NodePtr Call(ExprNodeKind kind) {
    if (token_.kind != TokenKind::kOpenParen) return Fail();
    Advance();
    std::vector<NodePtr> args;
    if (token_.kind != TokenKind::kCloseParen) {
      while (true) {
        args.push_back(Nested());
        if (!args.back()) return nullptr;
        if (op_ != kOpComma) break;
        Advance();
      }
    }
    if (token_.kind != TokenKind::kCloseParen) return Fail();
    Advance();
    return Make(kind, kOpNone, std::move(args));
  }

  ExprLexer lexer_;
  ExprToken token_;
  ExprOp op_ = kOpNone;
  std::string upper_;
  int error_ = 0;
  int nesting_ = 0;
  std::string unbound_name_;
};

}  // namespace

ExprParse ParseExpression(std::string_view text) { return Parser(text).Run(); }

}  // namespace vantrel
