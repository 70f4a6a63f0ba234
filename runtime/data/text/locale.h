// The process's locale: the regional settings, the character tables, the
// character set of data and the message-box button texts. Loaded once, at the
// first use of a picture or at start-up: [intl] of the system profile first,
// then the environment file on top. The value formats of the environment
// keys are described in runtime/data/README.md.
#ifndef VANTREL_RUNTIME_DATA_TEXT_LOCALE_H_
#define VANTREL_RUNTIME_DATA_TEXT_LOCALE_H_

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/data/text/char_tables.h"
#include "runtime/data/text/env_file.h"
#include "runtime/data/text/regional_settings.h"

namespace vantrel {

inline constexpr std::size_t kMessageButtonCount = 8;

enum class DataCharset { kWindows, kOem };

// Settings of the environment file that belong to no other table.
struct EnvironmentOptions {
  // HESCHARSET: the character set text data is kept in.
  DataCharset charset = DataCharset::kWindows;
  // HESLFN: whether long file names are used.
  bool long_file_names = false;
  // HESBUTTON: the texts of the standard message-box buttons, in the order
  // of their masks 1, 2, 4 ... 128.
  std::array<std::string, kMessageButtonCount> button_texts = {
      "OK", "&Yes", "&No", "&Abort", "&Retry", "&Ignore", "Cancel", "&Help"};
};

// Everything the environment file can change.
struct Locale {
  RegionalSettings regional;
  CharTables tables = CharTables::Defaults();
  EnvironmentOptions options;
};

// The items of a comma-separated environment value. An item written in
// double quotes is taken as written (commas and blanks included, "" for a
// quote); other items are trimmed of blanks and tabs. Nothing when a quote
// is not closed or text follows a closing quote.
std::optional<std::vector<std::string>> SplitEnvList(std::string_view value);

// Applies the entries, in order, to the locale. Returns one line for each
// value that could not be used; its setting keeps the value it had.
std::vector<std::string> ApplyEnvironment(const std::vector<EnvEntry>& entries,
                                          Locale* locale);

// Reads [intl] and then the environment file (EnvFilePath()) and puts the
// result in force, character tables included. A missing file changes
// nothing. The error state is cleared afterwards. Returns the problems found
// in the file, as ApplyEnvironment does, after the reason a file that exists
// could not be read at all.
std::vector<std::string> LoadLocale();

// LoadLocale() at the first call, nothing afterwards.
void EnsureLocaleLoaded();

// The settings in force (loaded at the first call).
const RegionalSettings& GetRegionalSettings();
const EnvironmentOptions& GetEnvironmentOptions();
bool DataIsOem();

// Replace the settings in force; the first load is then skipped.
void SetRegionalSettings(const RegionalSettings& settings);
void SetEnvironmentOptions(const EnvironmentOptions& options);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_TEXT_LOCALE_H_
