#include "runtime/data/driver/driver_registry.h"

#include <mutex>
#include <vector>

namespace vantrel {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto upper = [](char c) {
      return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    };
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

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
    if (SameName(known->name.view(), entry.name.view())) {
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
    if (SameName(entry->name.view(), name)) return entry;
  }
  return nullptr;
}

}  // namespace vantrel
