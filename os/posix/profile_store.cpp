#include "os/posix/profile_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "os/posix/os_error.h"
#include "os/posix/profile_text.h"
#include "os/posix/regular_file.h"

namespace vantrel {
namespace {

constexpr mode_t kConfigDirMode = 0700;

std::string_view EnvOrEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string Trimmed(std::string_view s) {
  std::size_t begin = s.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  std::size_t end = s.find_last_not_of(" \t");
  return std::string(s.substr(begin, end - begin + 1));
}

bool HasAny(std::string_view s, std::string_view chars) {
  return s.find_first_of(chars) != std::string_view::npos;
}

// A section or entry name the file format can hold and read back.
bool ValidSection(std::string_view section) {
  return section.size() <= kMaxIniSectionLength && !Trimmed(section).empty() &&
         !HasAny(section, "\r\n]");
}

bool ValidEntry(std::string_view entry) {
  std::string name = Trimmed(entry);
  return entry.size() <= kMaxIniEntryLength && !name.empty() &&
         name.front() != '[' && name.front() != ';' && !HasAny(entry, "\r\n=");
}

bool ValidValue(std::string_view value) {
  return value.size() <= kMaxIniValueLength && !HasAny(value, "\r\n");
}

bool Fail(int system_error) {
  SetLastSystemError(system_error);
  return false;
}

bool FailWithErrno() {
  RecordErrno();
  return false;
}

// Creates the directory and its parents as needed.
bool MakeDirectories(const std::string& path) {
  for (std::size_t slash = path.find('/', 1);;
       slash = path.find('/', slash + 1)) {
    std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), kConfigDirMode) != 0 && errno != EEXIST) {
      return false;
    }
    if (slash == std::string::npos) return true;
  }
}

// Reads the whole file; a missing file reads as empty text.
bool ReadWholeFile(const std::string& path, std::string* text) {
  ReadFileResult file = ReadRegularFile(path, kMaxProfileFileSize);
  *text = std::move(file.text);
  return file.error == ReadFileError::kNone ||
         file.error == ReadFileError::kMissing;
}

// The parsed files last read, by path, each with the stamp it was read at.
struct ProfileCache {
  static constexpr std::size_t kMaxFiles = 16;
  struct Entry {
    FileStamp stamp;
    std::shared_ptr<const ProfileIndex> index;
  };
  std::mutex mutex;
  std::unordered_map<std::string, Entry> files;
};

ProfileCache& Cache() {
  static ProfileCache cache;
  return cache;
}

// The parsed file, reread only when it changed; nothing when it is missing
// or cannot be read.
std::shared_ptr<const ProfileIndex> ParsedProfile(const std::string& path) {
  ProfileCache& cache = Cache();
  struct stat st;
  if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
    std::lock_guard<std::mutex> lock(cache.mutex);
    auto it = cache.files.find(path);
    if (it != cache.files.end() && it->second.stamp == FileStamp::Of(st)) {
      return it->second.index;
    }
  }
  ReadFileResult file = ReadRegularFile(path, kMaxProfileFileSize);
  std::lock_guard<std::mutex> lock(cache.mutex);
  if (file.error != ReadFileError::kNone) {
    cache.files.erase(path);
    return nullptr;
  }
  auto index = std::make_shared<const ProfileIndex>(std::move(file.text));
  if (cache.files.size() >= ProfileCache::kMaxFiles) cache.files.clear();
  cache.files[path] = {file.stamp, index};
  return index;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string DirectoryOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Replaces the file by a temporary file in the same directory, written and
// flushed before the rename, then flushes the directory entry as well.
bool ReplaceFile(const std::string& path, int dir_fd, std::string_view bytes) {
  std::string temp = path + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return FailWithErrno();
  struct stat old_stat;
  bool ok = (stat(path.c_str(), &old_stat) != 0 ||
             fchmod(fd, old_stat.st_mode & 07777) == 0) &&
            WriteAll(fd, bytes) && fsync(fd) == 0;
  if (ok)
    ok = close(fd) == 0;
  else
    close(fd);
  if (ok) ok = rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    RecordErrno();
    unlink(temp.c_str());
    return false;
  }
  fsync(dir_fd);
  return true;
}

// The file behind a symbolic link, so that a write replaces the file itself.
std::string FollowLink(const std::string& path) {
  struct stat st;
  char resolved[PATH_MAX];
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
      realpath(path.c_str(), resolved) != nullptr) {
    return resolved;
  }
  return path;
}

// A change to one profile file: a value to set, an entry or a section to
// delete.
struct Change {
  std::string_view section;
  std::optional<std::string_view> entry;  // none: delete the section
  std::optional<std::string_view> value;  // none: delete the entry
};

std::string ApplyChange(std::string_view text, const Change& change) {
  if (!change.entry) return DeleteProfileSection(text, change.section);
  if (!change.value) {
    return DeleteProfileEntry(text, change.section, *change.entry);
  }
  return SetProfileValue(text, change.section, *change.entry, *change.value);
}

// Applies the change to the file while holding an exclusive lock on its
// directory, so two writers in this or another process do not lose updates.
bool EditProfileFile(const std::string& resolved, const Change& change) {
  std::string path = FollowLink(resolved);
  int dir_fd =
      open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir_fd < 0) return FailWithErrno();
  while (flock(dir_fd, LOCK_EX) != 0 && errno == EINTR) {
  }
  std::string text;
  bool ok = ReadWholeFile(path, &text);
  if (ok) {
    std::string edited = ApplyChange(text, change);
    ok = edited == text || ReplaceFile(path, dir_fd, edited);
  }
  // A replaced file's inode number may come back with the same size and
  // times; this process at least never trusts its old parse.
  {
    std::lock_guard<std::mutex> lock(Cache().mutex);
    Cache().files.erase(path);
    Cache().files.erase(resolved);
  }
  close(dir_fd);  // also releases the lock
  return ok;
}

}  // namespace

std::string ConfigDirectory() {
  std::string_view own = EnvOrEmpty("VANTREL_CONFIG_DIR");
  if (!own.empty()) return std::string(own);
  std::string_view xdg = EnvOrEmpty("XDG_CONFIG_HOME");
  if (!xdg.empty() && xdg.front() == '/') return std::string(xdg) + "/vantrel";
  std::string home(EnvOrEmpty("HOME"));
  if (home.empty()) {
    const passwd* pw = getpwuid(getuid());
    if (pw != nullptr && pw->pw_dir != nullptr) home = pw->pw_dir;
  }
  return home + "/.config/vantrel";
}

static std::string& SystemProfileOverride() {
  static std::string path;
  return path;
}

void SetSystemProfilePath(std::string path) {
  SystemProfileOverride() = std::move(path);
}

std::string ResolveProfilePath(std::string_view file) {
  if (file.size() > kMaxIniFileNameLength) return {};
  if (file.empty() && !SystemProfileOverride().empty()) {
    return SystemProfileOverride();
  }
  if (file.empty()) file = kSystemProfileName;
  if (file.find('/') != std::string_view::npos) return std::string(file);
  std::string dir = ConfigDirectory();
  std::string name(file);
  struct stat st;
  if (stat((dir + "/" + name).c_str(), &st) != 0) {
    if (DIR* d = opendir(dir.c_str())) {
      while (const dirent* e = readdir(d)) {
        if (SameProfileName(e->d_name, file)) {
          name = e->d_name;
          break;
        }
      }
      closedir(d);
    }
  }
  return dir + "/" + name;
}

std::string GetIni(std::string_view section, std::string_view entry,
                   std::string_view default_value, std::string_view file) {
  std::string path = ResolveProfilePath(file);
  if (path.empty() || section.size() > kMaxIniSectionLength ||
      entry.size() > kMaxIniEntryLength) {
    return std::string(default_value);
  }
  std::shared_ptr<const ProfileIndex> profile = ParsedProfile(path);
  if (!profile) return std::string(default_value);
  std::optional<std::string_view> value =
      profile->Find(Trimmed(section), Trimmed(entry));
  if (!value) return std::string(default_value);
  return std::string(value->substr(0, kMaxIniValueLength));
}

bool PutIni(std::string_view section, std::optional<std::string_view> entry,
            std::optional<std::string_view> value, std::string_view file) {
  std::string path = ResolveProfilePath(file);
  if (path.empty()) return Fail(kSysPathNotFound);
  if (!ValidSection(section) || (entry && !ValidEntry(*entry)) ||
      (entry && value && !ValidValue(*value))) {
    return Fail(kSysInvalidParameter);
  }
  std::string section_name = Trimmed(section);
  std::string entry_name = entry ? Trimmed(*entry) : std::string();
  Change change{section_name, std::nullopt, value};
  if (entry) change.entry = entry_name;
  if (file.find('/') == std::string_view::npos &&
      !MakeDirectories(ConfigDirectory())) {
    return FailWithErrno();
  }
  return EditProfileFile(path, change);
}

}  // namespace vantrel
