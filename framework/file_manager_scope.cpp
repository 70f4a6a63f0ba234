#include "framework/file_manager_scope.h"

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/window/events.h"

namespace vantrel {
namespace {

struct ScopeEntry {
  std::int32_t THREAD = 0;
  std::string PROCEDURE;
  FileManager* FILE = nullptr;
  std::uint8_t USTAT = 0;  // the highest use level seen
  std::uint16_t HOLD = 0;  // saved file state; 0: none
  std::uint16_t NESTEDOPEN = 0;
};

std::vector<ScopeEntry>& Scopes() {
  static std::vector<ScopeEntry> scopes;
  return scopes;
}

std::vector<ScopeEntry>::iterator Find(const FileManager& manager) {
  const std::int32_t thread = ThreadNumber();
  const std::string procedure = manager.ERRORS->CurrentProcedure();
  std::vector<ScopeEntry>& scopes = Scopes();
  return std::find_if(scopes.begin(), scopes.end(), [&](const ScopeEntry& e) {
    return e.THREAD == thread && e.FILE == &manager && e.PROCEDURE == procedure;
  });
}

}  // namespace

void NoteUse(FileManager& manager, UseLevel level) {
  const auto entry = Find(manager);
  if (entry != Scopes().end()) {
    entry->USTAT = std::max<std::uint8_t>(entry->USTAT, level);
    return;
  }
  ScopeEntry added;
  added.THREAD = ThreadNumber();
  added.PROCEDURE = manager.ERRORS->CurrentProcedure();
  added.FILE = &manager;
  added.USTAT = level;
  // A form that prepares the record for change keeps what it leaves.
  if (level < kUseChange) added.HOLD = manager.SaveFile();
  Scopes().push_back(std::move(added));
}

void NoteOpen(FileManager& manager) {
  const auto entry = Find(manager);
  if (entry != Scopes().end()) ++entry->NESTEDOPEN;
}

void NoteClose(FileManager& manager) {
  const auto entry = Find(manager);
  if (entry == Scopes().end()) return;
  if (entry->NESTEDOPEN > 0) {
    --entry->NESTEDOPEN;
    return;
  }
  const std::uint16_t hold = entry->HOLD;
  const bool full = entry->USTAT < kUseChange;
  Scopes().erase(entry);
  if (hold != 0) manager.RestoreFile(hold, full);
}

void ForgetScopes(const FileManager& manager) {
  std::erase_if(Scopes(),
                [&](const ScopeEntry& e) { return e.FILE == &manager; });
}

}  // namespace vantrel
