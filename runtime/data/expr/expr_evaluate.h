// EVALUATE: parses and evaluates expression text against the bound names.
#ifndef VANTREL_RUNTIME_DATA_EXPR_EXPR_EVALUATE_H_
#define VANTREL_RUNTIME_DATA_EXPR_EXPR_EVALUATE_H_

#include <optional>
#include <string>
#include <string_view>

#include "runtime/data/expr/expr_parser.h"
#include "runtime/data/expr/expr_value.h"

namespace vantrel {

// The value of a parsed expression, reading bound variables now. Nothing,
// with 800 posted, when an operation has no result (division by zero, a
// function refusing its arguments).
std::optional<ExprValue> EvaluateTree(const ExprNode& node);

// Compares two values as the comparison operators do: numbers as numbers,
// and so a number with a string that reads as one; anything else as text
// without trailing blanks, by the character tables. Negative, 0, positive.
int CompareExprValues(const ExprValue& x, const ExprValue& y);

// EVALUATE(text): the value as text, with ERRORCODE cleared. On an error the
// result is empty and ERRORCODE is 800, or 801 with the text
// "No BIND on variable (NAME)" for a name bound nowhere.
std::string Evaluate(std::string_view text);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_EXPR_EXPR_EVALUATE_H_
