#include "runtime/data/text/locale.h"

#include <mutex>

#include "runtime/data/base/error_state.h"

namespace vantrel {
namespace {

struct LocaleState {
  RegionalSettings regional;
  EnvironmentOptions options;
};

LocaleState& State() {
  static LocaleState state;
  return state;
}

std::once_flag& LoadOnce() {
  static std::once_flag once;
  return once;
}

}  // namespace

std::vector<std::string> LoadLocale() {
  Locale locale;
  locale.regional = ReadIntlSettings();
  std::string file_problem;
  std::vector<EnvEntry> entries = ReadEnvFile(EnvFilePath(), &file_problem);
  std::vector<std::string> problems = ApplyEnvironment(entries, &locale);
  if (!file_problem.empty()) problems.insert(problems.begin(), file_problem);
  SetCharTables(locale.tables);
  State().regional = std::move(locale.regional);
  State().options = std::move(locale.options);
  ClearError();
  return problems;
}

void EnsureLocaleLoaded() {
  std::call_once(LoadOnce(), [] { LoadLocale(); });
}

const RegionalSettings& GetRegionalSettings() {
  EnsureLocaleLoaded();
  return State().regional;
}

const EnvironmentOptions& GetEnvironmentOptions() {
  EnsureLocaleLoaded();
  return State().options;
}

bool DataIsOem() {
  return GetEnvironmentOptions().charset == DataCharset::kOem;
}

void SetRegionalSettings(const RegionalSettings& settings) {
  std::call_once(LoadOnce(), [] {});
  State().regional = settings;
}

void SetEnvironmentOptions(const EnvironmentOptions& options) {
  std::call_once(LoadOnce(), [] {});
  State().options = options;
}

}  // namespace vantrel
