#include "storage/tnl/format/internal_check.h"

#include <mutex>

#include "runtime/data/base/error_state.h"
#include "runtime/data/base/fatal_report.h"

namespace vantrel {
namespace {

constexpr std::string_view kCorruptionText = "Possible data corruption in file";
// Driver message when the operation has no file name to report.
constexpr std::string_view kNoFileText = "Tarnel File Driver Error";

thread_local int operation_depth = 0;

std::mutex& TranslationMutex() {
  static std::mutex mutex;
  return mutex;
}

std::string& Translation() {
  static std::string text;
  return text;
}

}  // namespace

OperationScope::OperationScope() { ++operation_depth; }
OperationScope::~OperationScope() { --operation_depth; }
bool OperationScope::Active() { return operation_depth > 0; }

std::string CorruptionText() {
  std::lock_guard<std::mutex> lock(TranslationMutex());
  return Translation().empty() ? std::string(kCorruptionText) : Translation();
}

void SetCorruptionTranslation(std::string_view text) {
  std::lock_guard<std::mutex> lock(TranslationMutex());
  Translation() = text;
}

void PostCheckFailure(int check, std::string_view file_name) {
  const std::string text =
      file_name.empty() ? std::string(kNoFileText) : CorruptionText();
  PostFileError(std::to_string(check), text, file_name);
}

void FailCheck(int number) {
  if (OperationScope::Active()) throw InternalCheckFailure{number};
  ReportFatalError(number,
                   CorruptionText() + " (" + std::to_string(number) + ")");
}

}  // namespace vantrel
