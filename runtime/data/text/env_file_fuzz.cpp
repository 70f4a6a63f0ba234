// Parses arbitrary environment files and applies them to a locale.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "runtime/data/text/env_file.h"
#include "runtime/data/text/locale.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace vantrel;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<EnvEntry> entries = ParseEnvFile(text);
  for (const EnvEntry& e : entries) {
    if (e.key.empty() || e.key.size() > kMaxEnvKeyLength ||
        e.value.size() > kMaxEnvValueLength ||
        e.key.find_first_of(" =\r\n") != std::string::npos) {
      std::abort();
    }
  }
  Locale locale;
  ApplyEnvironment(entries, &locale);
  if (locale.tables.digraphs.size() > kMaxDigraphs ||
      locale.regional.am.size() > kMaxAmPmLength) {
    std::abort();
  }
  return 0;
}
