#include "runtime/data/driver/file_declaration.h"

#include "runtime/data/driver/driver_entry.h"
#include "runtime/data/driver/driver_trace.h"

namespace vantrel {

FileDeclaration::FileDeclaration() = default;
FileDeclaration::~FileDeclaration() = default;

KeyDeclaration& FileDeclaration::AddKey(KeyDeclaration key) {
  key.file = this;
  return keys.emplace_back(std::move(key));
}

int FileDeclaration::KeyNumber(const KeyDeclaration& key) const {
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (&keys[i] == &key) return static_cast<int>(i) + 1;
  }
  return 0;
}

const std::string& FileDeclaration::DisplayName() const {
  return name.empty() ? label : name;
}

}  // namespace vantrel
