// How a view reads its primary file: in the order of one of its keys when
// that key already sorts the records as the view's order asks, and between
// the bounds a filter sets on a key's leading component, so that a narrow
// filter reads only the records it can match.
#ifndef VANTREL_RUNTIME_DATA_VIEW_VIEW_KEY_PLAN_H_
#define VANTREL_RUNTIME_DATA_VIEW_VIEW_KEY_PLAN_H_

#include <optional>
#include <vector>

#include "runtime/data/driver/file_declaration.h"
#include "runtime/data/expr/expr_parser.h"
#include "runtime/data/view/view_fields.h"
#include "runtime/data/view/view_order.h"

namespace vantrel {

// The range of the leading key component that the filter allows.
struct KeyRange {
  std::optional<ExprValue> low;   // start: the first value that can match
  std::optional<ExprValue> high;  // stop past the records above this
};

struct ViewKeyPlan {
  // The key to read the primary file by; nullptr: record order.
  KeyDeclaration* key = nullptr;
  // True when the key's order is the view's order, so no sort is needed.
  bool key_gives_order = false;
  KeyRange range;  // bounds on the key's first component
};

// A key can serve when it holds every record (not OPT, built when built at
// run time) and sorts as values compare (not NOCASE).
bool KeyServesViews(const KeyDeclaration& key);

// Chooses how to read the primary file (slot 0) for an order whose
// components have been parsed into `order_trees` and an optional filter.
ViewKeyPlan PlanPrimaryScan(FileDeclaration& primary, const ViewFields& fields,
                            const std::vector<OrderComponent>& order,
                            const std::vector<const ExprNode*>& order_trees,
                            const ExprNode* filter);

// Writes the start of the range into the key's fields in the record buffer:
// the low bound into the first component, the lowest values into the
// others. False when that cannot be done soundly; read from the key's start.
bool WriteRangeStart(FileDeclaration& primary, const KeyDeclaration& key,
                     const ExprValue& low);

// Writes the value of a key component that sorts before every other: the
// lowest value ascending, the highest descending. False for a type without
// one the view knows (decimals, descending text).
bool StoreKeyFloor(const FieldInfo& field, bool descending, std::uint8_t* out);

// True when the record in the buffer lies beyond the range in the reading
// direction: above the high bound going forward, below the low one back.
bool PastRange(const FileDeclaration& primary, const KeyDeclaration& key,
               const KeyRange& range, bool forward);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_VIEW_VIEW_KEY_PLAN_H_
