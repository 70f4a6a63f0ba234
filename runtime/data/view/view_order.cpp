#include "runtime/data/view/view_order.h"

#include "runtime/data/expr/expr_evaluate.h"

namespace vantrel {
namespace {

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

void AddComponent(std::string_view text, std::vector<OrderComponent>& out) {
  text = Trimmed(text);
  OrderComponent component;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    component.descending = text.front() == '-';
    text = Trimmed(text.substr(1));
  }
  if (text.empty()) return;
  component.text = std::string(text);
  out.push_back(std::move(component));
}

}  // namespace

std::vector<OrderComponent> SplitOrder(std::string_view order) {
  std::vector<OrderComponent> components;
  int depth = 0;
  bool quoted = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < order.size(); ++i) {
    const char c = order[i];
    if (c == '\'') {
      quoted = !quoted;  // a doubled quote toggles twice
    } else if (quoted) {
      continue;
    } else if (c == '(' || c == '[') {
      ++depth;
    } else if ((c == ')' || c == ']') && depth > 0) {
      --depth;
    } else if (c == ',' && depth == 0) {
      AddComponent(order.substr(start, i - start), components);
      start = i + 1;
    }
  }
  AddComponent(order.substr(start), components);
  return components;
}

std::string OrderComponentText(const OrderComponent& component) {
  return component.descending ? "-" + component.text : component.text;
}

int CompareOrderValues(const std::vector<OrderComponent>& order,
                       const std::vector<ExprValue>& a,
                       const std::vector<ExprValue>& b) {
  const std::size_t count = std::min({order.size(), a.size(), b.size()});
  for (std::size_t i = 0; i < count; ++i) {
    int c = CompareExprValues(a[i], b[i]);
    if (c != 0) return order[i].descending ? -c : c;
  }
  return 0;
}

}  // namespace vantrel
