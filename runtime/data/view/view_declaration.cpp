#include "runtime/data/view/view_declaration.h"

#include <atomic>

#include "runtime/data/view/view_driver.h"

namespace vantrel {
namespace {

std::atomic<std::uint32_t> next_handle{1};

void AddJoins(const std::vector<ViewJoin>& joins, int parent,
              std::vector<ViewSlot>& slots) {
  for (const ViewJoin& join : joins) {
    slots.push_back(ViewSlot{join.file, &join, parent});
    AddJoins(join.joins, static_cast<int>(slots.size()) - 1, slots);
  }
}

}  // namespace

ViewDeclaration::ViewDeclaration(FileDeclaration& primary_file)
    : primary(&primary_file), handle_(next_handle.fetch_add(1)) {
  label = primary_file.label;
  driver = &ViewDriverEntry();
  driver_name = std::string(driver->name.view());
}

std::vector<ViewSlot> FlattenView(const ViewDeclaration& view) {
  std::vector<ViewSlot> slots{ViewSlot{view.primary, nullptr, -1}};
  AddJoins(view.joins, 0, slots);
  return slots;
}

}  // namespace vantrel
