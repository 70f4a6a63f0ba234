#include "runtime/data/driver/driver_registry.h"

#include <mutex>
#include <vector>

#include "runtime/data/text/ascii_case.h"

namespace vantrel {
namespace {

struct Registry {
  std::mutex mutex;
  std::vector<const DriverEntry*> entries;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterDriver(const DriverEntry& entry) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  for (const DriverEntry*& known : registry.entries) {
    if (EqualIgnoringAsciiCase(known->name.view(), entry.name.view())) {
      known = &entry;
      return;
    }
  }
  registry.entries.push_back(&entry);
}

const DriverEntry* FindDriver(std::string_view name) {
  Registry& registry = TheRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  for (const DriverEntry* entry : registry.entries) {
    if (EqualIgnoringAsciiCase(entry->name.view(), name)) return entry;
  }
  return nullptr;
}

}  // namespace vantrel
