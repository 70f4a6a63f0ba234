#include "runtime/data/expr/expr_sql.h"

#include "runtime/data/expr/expr_functions.h"

namespace vantrel {
namespace {

const char* OperatorText(ExprOp op) {
  switch (op) {
    case kOpPower:
      return " ^ ";
    case kOpMultiply:
      return " * ";
    case kOpDivide:
      return " / ";
    case kOpRemainder:
      return " % ";
    case kOpAdd:
      return " + ";
    case kOpSubtract:
      return " - ";
    case kOpConcat:
      return " & ";
    case kOpEqual:
      return " = ";
    case kOpNotEqual:
      return " <> ";
    case kOpLess:
      return " < ";
    case kOpGreater:
      return " > ";
    case kOpLessEqual:
      return " <= ";
    case kOpGreaterEqual:
      return " >= ";
    case kOpAnd:
      return " AND ";
    case kOpOr:
      return " OR ";
    case kOpXor:
      return " XOR ";
    default:
      return " ";
  }
}

std::string Quoted(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    out.push_back(c);
    if (c == '\'') out.push_back('\'');
  }
  out.push_back('\'');
  return out;
}

// LIKE patterns keep the text as it is; only quotes are doubled.
std::string LikeBody(std::string_view text) {
  std::string quoted = Quoted(text);
  return quoted.substr(1, quoted.size() - 2);
}

bool IsStringConstant(const ExprNode& n) {
  return n.kind == ExprNodeKind::kConstant && n.value.kind == ExprKind::kString;
}

bool IsIntegerConstant(const ExprNode& n, std::int64_t value) {
  return n.kind == ExprNodeKind::kConstant &&
         n.value.kind == ExprKind::kInteger && n.value.integer == value;
}

bool IsBuiltin(const ExprNode& n, std::string_view name) {
  return n.kind == ExprNodeKind::kBuiltin && n.name == name;
}

// The operand of a begins-with test "x[1 : n] = 'text'" or
// "SUB(x, 1, n) = 'text'", or nullptr.
const ExprNode* BeginsWithOperand(const ExprNode& left, const ExprNode& right) {
  if (!IsStringConstant(right)) return nullptr;
  auto n = static_cast<std::int64_t>(right.value.text.size());
  bool slice = left.kind == ExprNodeKind::kSlice && left.children.size() == 3 &&
               IsIntegerConstant(*left.children[1], 1) &&
               IsIntegerConstant(*left.children[2], n);
  bool sub = IsBuiltin(left, "SUB") &&
             IsIntegerConstant(*left.children[1], 1) &&
             IsIntegerConstant(*left.children[2], n);
  return slice || sub ? left.children[0].get() : nullptr;
}

std::string Operand(const ExprNode& node) {
  std::string text = RenderSql(node);
  bool compound = node.kind == ExprNodeKind::kBinary ||
                  (node.kind == ExprNodeKind::kUnary && node.op == kOpNot);
  return compound ? "(" + text + ")" : text;
}

std::string Call(const ExprNode& node) {
  std::string out = node.name + "(";
  for (std::size_t i = 0; i < node.children.size(); ++i) {
    if (i > 0) out += ", ";
    out += RenderSql(*node.children[i]);
  }
  return out + ")";
}

}  // namespace

std::string RenderSql(const ExprNode& node) {
  switch (node.kind) {
    case ExprNodeKind::kConstant:
      if (node.value.kind == ExprKind::kString) return Quoted(node.value.text);
      return AsText(node.value);
    case ExprNodeKind::kReference:
      return node.name;
    case ExprNodeKind::kUnary:
      if (node.op == kOpNot) return "NOT " + Operand(*node.children[0]);
      return "-" + Operand(*node.children[0]);
    case ExprNodeKind::kBinary: {
      const ExprNode& left = *node.children[0];
      const ExprNode& right = *node.children[1];
      if (node.op == kOpEqual) {
        if (const ExprNode* x = BeginsWithOperand(left, right)) {
          return Operand(*x) + " LIKE '" + LikeBody(right.value.text) + "%'";
        }
      }
      return Operand(left) + OperatorText(node.op) + Operand(right);
    }
    case ExprNodeKind::kSlice: {
      std::string out =
          Operand(*node.children[0]) + "[" + RenderSql(*node.children[1]);
      if (node.children.size() > 2) {
        out += " : " + RenderSql(*node.children[2]);
      }
      return out + "]";
    }
    case ExprNodeKind::kBuiltin:
      if (node.name == "NULL") {
        return Operand(*node.children[0]) + " IS " + "NULL";
      }
      if (node.name == "INSTRING" && node.children.size() == 2 &&
          IsStringConstant(*node.children[0])) {
        return Operand(*node.children[1]) + " LIKE '%" +
               LikeBody(node.children[0]->value.text) + "%'";
      }
      return Call(node);
    case ExprNodeKind::kProcedure:
      return Call(node);
  }
  return {};
}

std::optional<std::string> RenderSqlOrder(std::string_view order) {
  std::string out;
  std::size_t start = 0;
  while (start <= order.size()) {
    // Commas inside parentheses or quotes belong to the component.
    std::size_t end = start;
    int depth = 0;
    bool quoted = false;
    for (; end < order.size(); ++end) {
      char c = order[end];
      if (c == '\'') quoted = !quoted;
      if (quoted) continue;
      if (c == '(') ++depth;
      if (c == ')') --depth;
      if (c == ',' && depth == 0) break;
    }
    std::string_view part = order.substr(start, end - start);
    std::size_t first = part.find_first_not_of(" \t");
    bool descending = false;
    if (first != std::string_view::npos &&
        (part[first] == '+' || part[first] == '-')) {
      descending = part[first] == '-';
      part.remove_prefix(first + 1);
    }
    ExprParse parse = ParseExpression(part);
    if (!parse.root) return std::nullopt;
    if (!out.empty()) out += ", ";
    out += RenderSql(*parse.root);
    if (descending) out += " DESC";
    start = end + 1;
  }
  return out;
}

}  // namespace vantrel
