// Numbered internal checks of the native format.
//
// A check guards a condition that only a damaged file (or another process
// writing nonsense) can break. Inside a driver operation (an OperationScope
// is active on this thread) a failed check abandons the operation: it unwinds
// to RunOperation, which posts error 90 with the check number as the driver's
// error code and the text "Possible data corruption in file". Outside any
// operation the program ends through the fatal-error report with the text
// "Possible data corruption in file (N)" (runtime/data/base/fatal_report.h).
//
// The unwinding uses an exception that never leaves this module:
// RunOperation is the only place that catches it.
#ifndef VANTREL_STORAGE_TNL_FORMAT_INTERNAL_CHECK_H_
#define VANTREL_STORAGE_TNL_FORMAT_INTERNAL_CHECK_H_

#include <string>
#include <string_view>

namespace vantrel {

// Thrown by FailCheck inside an operation; caught only by RunOperation.
struct InternalCheckFailure {
  int check;
};

// Marks the lifetime of one driver operation on this thread (may nest).
class OperationScope {
 public:
  OperationScope();
  ~OperationScope();
  OperationScope(const OperationScope&) = delete;
  OperationScope& operator=(const OperationScope&) = delete;
  static bool Active();
};

// Fails check `number` (see above). Does not return.
[[noreturn]] void FailCheck(int number);

inline void Check(bool condition, int number) {
  if (!condition) FailCheck(number);
}

// The text of a corruption report: the program's translation of message 4101
// when one is installed, else "Possible data corruption in file".
std::string CorruptionText();
// Installs (non-empty) or removes (empty) the translation of message 4101.
void SetCorruptionTranslation(std::string_view text);

// Posts error 90 for a failed check of an operation on `file_name`.
void PostCheckFailure(int check, std::string_view file_name);

// Runs `body` as one operation on `file_name`. Returns 0, or the number of
// the failed check after posting it.
template <typename Body>
int RunOperation(std::string_view file_name, Body&& body) {
  OperationScope scope;
  try {
    body();
    return 0;
  } catch (const InternalCheckFailure& failure) {
    PostCheckFailure(failure.check, file_name);
    return failure.check;
  }
}

}  // namespace vantrel

#endif  // VANTREL_STORAGE_TNL_FORMAT_INTERNAL_CHECK_H_
