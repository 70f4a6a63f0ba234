#include "runtime/data/view/view_statements.h"

#include <string>

#include "runtime/data/driver/driver_call.h"
#include "runtime/data/driver/file_statements.h"
#include "runtime/data/view/view_engine.h"

namespace vantrel {

void SetView(ViewDeclaration& view) {
  DriverArgs args;
  CallDriver(view, DriverOp::kSETview, args);
}

void ResetView(ViewDeclaration& view) {
  DriverArgs args;
  CallDriver(view, DriverOp::kRESETviewfile, args);
}

void SetViewFilter(ViewDeclaration& view, std::string_view filter) {
  SetProperty(view, std::to_string(kViewPropFilter), filter);
}

void SetViewOrder(ViewDeclaration& view, std::string_view order) {
  SetProperty(view, std::to_string(kViewPropOrder), order);
}

}  // namespace vantrel
