// The statements that only views have. Everything else a view answers
// (OPEN, CLOSE, NEXT, PREVIOUS, SKIP, GET by pointer, RECORDS, POSITION,
// REGET, RESET, PUT, DELETE, HOLD, RELEASE, WATCH, FLUSH, properties) goes
// through the file statements of file_statements.h.
#ifndef VANTREL_RUNTIME_DATA_VIEW_VIEW_STATEMENTS_H_
#define VANTREL_RUNTIME_DATA_VIEW_VIEW_STATEMENTS_H_

#include <string_view>

#include "runtime/data/view/view_declaration.h"

namespace vantrel {

// SET(view): a new sequence over the view by its filter and order.
void SetView(ViewDeclaration& view);
// RESET(view, file): a new sequence that starts at the row of the records
// now in the buffers (by the order's values, or without an order at the
// primary's current record).
void ResetView(ViewDeclaration& view);

// The filter and the order, as properties of the view.
void SetViewFilter(ViewDeclaration& view, std::string_view filter);
void SetViewOrder(ViewDeclaration& view, std::string_view order);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_VIEW_VIEW_STATEMENTS_H_
