// The order of a view: components separated by commas, each an expression
// optionally preceded by '+' (ascending, the default) or '-' (descending).
#ifndef VANTREL_RUNTIME_DATA_VIEW_VIEW_ORDER_H_
#define VANTREL_RUNTIME_DATA_VIEW_VIEW_ORDER_H_

#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/expr/expr_value.h"

namespace vantrel {

struct OrderComponent {
  std::string text;  // the expression, without its sign, blanks trimmed
  bool descending = false;
};

// Splits an order at the commas outside brackets and quotes. Empty
// components (",," or a trailing comma) are dropped.
std::vector<OrderComponent> SplitOrder(std::string_view order);

// The component as written back: "-" before a descending one, else the text.
std::string OrderComponentText(const OrderComponent& component);

// Compares two rows' order values component by component, each by the
// expression comparison, descending ones reversed.
int CompareOrderValues(const std::vector<OrderComponent>& order,
                       const std::vector<ExprValue>& a,
                       const std::vector<ExprValue>& b);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_VIEW_VIEW_ORDER_H_
