// Renders an expression tree as SQL-like text, for drivers that take a
// filter or an order as text.
#ifndef VANTREL_RUNTIME_DATA_EXPR_EXPR_SQL_H_
#define VANTREL_RUNTIME_DATA_EXPR_EXPR_SQL_H_

#include <optional>
#include <string>
#include <string_view>

#include "runtime/data/expr/expr_parser.h"

namespace vantrel {

// Operators with a blank on each side, operands that are themselves
// operations in parentheses, NOT as "NOT ", strings in single quotes with
// embedded quotes doubled. NULL(x) renders as "x IS NULL";
// INSTRING('text', x) as "x LIKE '%text%'"; x[1 : n] = 'text' and
// SUB(x, 1, n) = 'text', with n the length of the text, as "x LIKE 'text%'".
std::string RenderSql(const ExprNode& node);

// An order: components separated by commas, each an expression with an
// optional leading '+' (ascending) or '-' (descending). Rendered as the
// components separated by ", ", descending ones followed by " DESC".
// Nothing when a component does not parse.
std::optional<std::string> RenderSqlOrder(std::string_view order);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_EXPR_EXPR_SQL_H_
