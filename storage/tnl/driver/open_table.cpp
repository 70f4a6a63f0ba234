#include "storage/tnl/driver/open_table.h"

#include <filesystem>
#include <map>
#include <mutex>

#include "runtime/data/base/error_state.h"
#include "storage/tnl/pager/file_locks.h"

namespace vantrel {
namespace {

struct FileRegistry {
  std::mutex mutex;
  std::map<std::string, std::weak_ptr<SharedFile>> files;
};

FileRegistry& Registry() {
  static FileRegistry registry;
  return registry;
}

}  // namespace

std::string FileIdentity(const std::string& path) {
  std::error_code error;
  const auto canonical = std::filesystem::weakly_canonical(path, error);
  return error ? path : canonical.string();
}

bool TakeNumberLock(SharedFile& shared, std::uint32_t n) {
  File* file = shared.file.channel().file();
  if (file == nullptr || shared.locked_numbers.count(n) != 0 ||
      !file->LockByte(HoldPosition(n), LockWait::kNoWait)) {
    return false;
  }
  shared.locked_numbers.insert(n);
  return true;
}

void ReleaseNumberLock(SharedFile& shared, std::uint32_t n) {
  if (shared.locked_numbers.erase(n) == 0) return;
  if (File* file = shared.file.channel().file()) {
    file->UnlockByte(HoldPosition(n));
  }
}

ValueOrCode<std::shared_ptr<SharedFile>> AcquireFile(
    const std::string& path, unsigned mode, std::string_view password) {
  FileRegistry& registry = Registry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  std::weak_ptr<SharedFile>& slot = registry.files[FileIdentity(path)];
  if (auto open = slot.lock()) {
    if ((mode & kOpenAccessMask) != 0 && !open->writable()) {
      return FailureCode{kErrAccessDenied};
    }
    return open;
  }
  auto shared = std::make_shared<SharedFile>();
  if (!shared->file.Open(path, mode)) {
    registry.files.erase(FileIdentity(path));
    return FailureCode{SystemFailureCode(path)};
  }
  if (!password.empty()) shared->file.channel().SetPassword(password);
  shared->path = path;
  shared->mode = mode;
  // Created files are found under their canonical name from now on.
  registry.files.erase(FileIdentity(path));
  registry.files[FileIdentity(path)] = shared;
  return shared;
}

}  // namespace vantrel
