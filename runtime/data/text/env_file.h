// The program's environment file: lines of KEY=value.
//
//   key     the text before the first '=', blanks and control characters
//           skipped, upper-cased, at most kMaxEnvKeyLength characters kept
//   value   the rest of the line, at most kMaxEnvValueLength characters,
//           trailing blanks and tabs removed; then <n> (n decimal, 0-255)
//           stands for the character with code n, and a '<' that does not
//           start such an escape stands for itself
//   lines   end at CR or LF; a line without '=' or with an empty key is
//           skipped; Ctrl-Z (26) ends the file
#ifndef VANTREL_RUNTIME_DATA_TEXT_ENV_FILE_H_
#define VANTREL_RUNTIME_DATA_TEXT_ENV_FILE_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

inline constexpr std::size_t kMaxEnvKeyLength = 31;
inline constexpr std::size_t kMaxEnvValueLength = 1024;
inline constexpr char kEnvEndOfFile = 26;

struct EnvEntry {
  std::string key;
  std::string value;

  bool operator==(const EnvEntry&) const = default;
};

// The entries of the text, in file order.
std::vector<EnvEntry> ParseEnvFile(std::string_view text);

// Where the environment file is: $VANTREL_ENV when set, else the program's
// own path with its extension replaced by ".env".
std::string EnvFilePath();

// The path with its extension (if any) replaced by ".env".
std::string EnvPathFor(std::string_view program_path);

// The largest environment file read; far more than its keys can use.
inline constexpr std::size_t kMaxEnvFileSize = 1u << 20;

// Reads and parses the file. A missing file gives no entries; so does one
// that cannot be used (not a regular file, over kMaxEnvFileSize, unreadable),
// and then `problem`, when given, says why.
std::vector<EnvEntry> ReadEnvFile(const std::string& path,
                                  std::string* problem = nullptr);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TEXT_ENV_FILE_H_
