#include "runtime/data/expr/expr_evaluate.h"

#include <cmath>
#include <limits>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/expr/expr_functions.h"
#include "runtime/data/text/string_compare.h"
#include "runtime/data/text/string_ops.h"

namespace vantrel {
namespace {

using Value = std::optional<ExprValue>;

Value RealResult(double v) {
  if (!std::isfinite(v)) return std::nullopt;
  return ExprValue::Real(v);
}

Value Arithmetic(ExprOp op, const ExprValue& x, const ExprValue& y) {
  ExprValue a = AsNumber(x), b = AsNumber(y);
  bool integers = a.kind == ExprKind::kInteger && b.kind == ExprKind::kInteger;
  double ra = AsReal(a), rb = AsReal(b);
  std::int64_t out = 0;
  switch (op) {
    case kOpAdd:
      if (integers && !__builtin_add_overflow(a.integer, b.integer, &out)) {
        return ExprValue::Integer(out);
      }
      return RealResult(ra + rb);
    case kOpSubtract:
      if (integers && !__builtin_sub_overflow(a.integer, b.integer, &out)) {
        return ExprValue::Integer(out);
      }
      return RealResult(ra - rb);
    case kOpMultiply:
      if (integers && !__builtin_mul_overflow(a.integer, b.integer, &out)) {
        return ExprValue::Integer(out);
      }
      return RealResult(ra * rb);
    case kOpDivide:
      if (rb == 0) return std::nullopt;
      if (integers && b.integer != -1 && a.integer % b.integer == 0) {
        return ExprValue::Integer(a.integer / b.integer);
      }
      return RealResult(ra / rb);
    case kOpRemainder:
      if (rb == 0) return std::nullopt;
      if (integers) {
        return ExprValue::Integer(b.integer == -1 ? 0 : a.integer % b.integer);
      }
      return RealResult(std::fmod(ra, rb));
    case kOpPower:
      if (integers && b.integer >= 0) {
        // Exact while it fits; a real beyond that.
        std::int64_t result = 1, base = a.integer, e = b.integer;
        bool overflow = false;
        while (e > 0 && !overflow) {
          if (e & 1) overflow = __builtin_mul_overflow(result, base, &result);
          e >>= 1;
          if (e > 0 && !overflow) {
            overflow = __builtin_mul_overflow(base, base, &base);
          }
        }
        if (!overflow) return ExprValue::Integer(result);
      }
      return RealResult(std::pow(ra, rb));
    default:
      return std::nullopt;
  }
}

}  // namespace

int CompareExprValues(const ExprValue& x, const ExprValue& y) {
  bool numeric = (x.IsNumber() || IsNumericText(x.text)) &&
                 (y.IsNumber() || IsNumericText(y.text)) &&
                 (x.IsNumber() || y.IsNumber());
  if (numeric) {
    ExprValue a = AsNumber(x), b = AsNumber(y);
    if (a.kind == ExprKind::kInteger && b.kind == ExprKind::kInteger) {
      return (a.integer > b.integer) - (a.integer < b.integer);
    }
    double ra = AsReal(a), rb = AsReal(b);
    return (ra > rb) - (ra < rb);
  }
  std::string a = AsText(x), b = AsText(y);
  return CompareStrings(ClipText(a), ClipText(b));
}

namespace {

bool ComparisonHolds(ExprOp op, int c) {
  switch (op) {
    case kOpEqual:
      return c == 0;
    case kOpNotEqual:
      return c != 0;
    case kOpLess:
      return c < 0;
    case kOpGreater:
      return c > 0;
    case kOpLessEqual:
      return c <= 0;
    default:
      return c >= 0;
  }
}

Value Binary(ExprOp op, const ExprValue& x, const ExprValue& y) {
  switch (op) {
    case kOpConcat: {
      std::string a = AsText(x), b = AsText(y);
      if (a.size() + b.size() > kMaxExprStringLength) {
        SetExprProblem("string longer than 16 MiB");
        return std::nullopt;
      }
      return ExprValue::String(std::move(a) + b);
    }
    case kOpAnd:
      return ExprValue::Bool(AsBool(x) && AsBool(y));
    case kOpOr:
      return ExprValue::Bool(AsBool(x) || AsBool(y));
    case kOpXor:
      return ExprValue::Bool(AsBool(x) != AsBool(y));
    case kOpEqual:
    case kOpNotEqual:
    case kOpLess:
    case kOpGreater:
    case kOpLessEqual:
    case kOpGreaterEqual:
      return ExprValue::Bool(ComparisonHolds(op, CompareExprValues(x, y)));
    default:
      return Arithmetic(op, x, y);
  }
}

Value Negate(const ExprValue& v) {
  ExprValue n = AsNumber(v);
  if (n.kind == ExprKind::kInteger &&
      n.integer != std::numeric_limits<std::int64_t>::min()) {
    return ExprValue::Integer(-n.integer);
  }
  return RealResult(-AsReal(n));
}

// text[start : end] with 1-based, inclusive positions; text[n] is one
// character.
Value Slice(const ExprValue& text, const ExprValue& start,
            const ExprValue* end) {
  std::string s = AsText(text);
  std::int64_t from = AsInteger(start);
  std::int64_t to = end ? AsInteger(*end) : from;
  if (from < 1 || to < from) return ExprValue::String("");
  return ExprValue::String(std::string(PieceOf(s, from, to - from + 1)));
}

Value Evaluated(const ExprNode& node);

bool EvaluateArgs(const ExprNode& node, std::vector<ExprValue>& args) {
  args.reserve(node.children.size());
  for (const auto& child : node.children) {
    Value v = Evaluated(*child);
    if (!v) return false;
    args.push_back(std::move(*v));
  }
  return true;
}

Value Evaluated(const ExprNode& node) {
  switch (node.kind) {
    case ExprNodeKind::kConstant:
      return node.value;
    case ExprNodeKind::kReference:
      return node.binding.read();
    case ExprNodeKind::kUnary: {
      Value v = Evaluated(*node.children[0]);
      if (!v) return v;
      if (node.op == kOpNot) return ExprValue::Bool(!AsBool(*v));
      return Negate(*v);
    }
    case ExprNodeKind::kBinary: {
      Value x = Evaluated(*node.children[0]);
      if (!x) return x;
      Value y = Evaluated(*node.children[1]);
      if (!y) return y;
      return Binary(node.op, *x, *y);
    }
    case ExprNodeKind::kSlice: {
      std::vector<ExprValue> args;
      if (!EvaluateArgs(node, args)) return std::nullopt;
      return Slice(args[0], args[1], args.size() > 2 ? &args[2] : nullptr);
    }
    case ExprNodeKind::kBuiltin: {
      std::vector<ExprValue> args;
      if (!EvaluateArgs(node, args)) return std::nullopt;
      return node.function->impl(args);
    }
    case ExprNodeKind::kProcedure: {
      std::vector<ExprValue> args;
      if (!EvaluateArgs(node, args)) return std::nullopt;
      return node.binding.call(args);
    }
  }
  return std::nullopt;
}

}  // namespace

namespace {

// Posts 800 with the reason an operation gave, if it gave one.
void PostInvalid() {
  std::string problem = TakeExprProblem();
  PostErrorWithDetail(kErrInvalidExpression,
                      problem.empty() ? problem : " (" + problem + ")");
}

}  // namespace

std::optional<ExprValue> EvaluateTree(const ExprNode& node) {
  TakeExprProblem();
  Value v = Evaluated(node);
  if (!v) PostInvalid();
  return v;
}

std::string Evaluate(std::string_view text) {
  TakeExprProblem();
  ExprParse parse = ParseExpression(text);
  if (!parse.root) {
    if (parse.error == kErrNoBind) {
      PostErrorWithDetail(kErrNoBind, " (" + parse.unbound_name + ")");
    } else {
      PostInvalid();
    }
    return {};
  }
  ClearError();
  Value v = Evaluated(*parse.root);
  if (!v) {
    PostInvalid();
    return {};
  }
  return AsText(*v);
}

}  // namespace vantrel
