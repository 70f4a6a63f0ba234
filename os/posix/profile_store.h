// The profile store: profile strings kept in INI files.
//
// A file named without a directory lives in the configuration directory
// ($VANTREL_CONFIG_DIR, else $XDG_CONFIG_HOME/vantrel, else ~/.config/vantrel)
// and is found there without regard to case, so "VANTREL.INI" and
// "vantrel.INI" name one file. An empty file name means the system profile,
// "win.ini" in that directory. A name with a directory is used as given.
//
// Every write replaces the file atomically (a temporary file in the same
// directory, flushed, then renamed over it), so a crash leaves either the old
// or the new file, never a mix. Failures are reported through the calling
// thread's last system error (os/posix/os_error.h).
#ifndef VANTREL_OS_POSIX_PROFILE_STORE_H_
#define VANTREL_OS_POSIX_PROFILE_STORE_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

inline constexpr std::size_t kMaxIniSectionLength = 64;
inline constexpr std::size_t kMaxIniEntryLength = 64;
inline constexpr std::size_t kMaxIniValueLength = 1024;
inline constexpr std::size_t kMaxIniFileNameLength = 260;
inline constexpr char kSystemProfileName[] = "win.ini";
// The largest profile file read or edited; a larger one, or anything but a
// regular file, reads as missing and refuses edits.
inline constexpr std::size_t kMaxProfileFileSize = 16u << 20;

// Makes `path` the system profile in place of "win.ini" in the configuration
// directory; an empty path restores that. For programs that are given a
// profile on their command line; set it before any profile is read.
void SetSystemProfilePath(std::string path);

// The configuration directory, from the environment at the time of the call.
std::string ConfigDirectory();

// The path a profile file name stands for (see above). Empty when the name is
// longer than kMaxIniFileNameLength.
std::string ResolveProfilePath(std::string_view file);

// The value of the entry, cut to kMaxIniValueLength characters, or the
// default when the file, section or entry is missing or a name is too long.
// A file is parsed once and kept while it stays the same file with the same
// size and times, so a look-up in a large file is a table look-up.
std::string GetIni(std::string_view section, std::string_view entry,
                   std::string_view default_value, std::string_view file = {});

// Stores the value under the entry of the section. Without a value the entry
// is deleted; without an entry the whole section is deleted. Returns false,
// with the last system error set and the file unchanged, when a name or the
// value is too long or malformed (a line break, '=' or ']' where it cannot
// be stored) or the file cannot be written.
bool PutIni(std::string_view section, std::optional<std::string_view> entry,
            std::optional<std::string_view> value, std::string_view file = {});

}  // namespace vantrel

#endif  // VANTREL_OS_POSIX_PROFILE_STORE_H_
