// EVALUATE on arbitrary text, with two names bound: it must return for any
// input, leave ERRORCODE at 0, 800 or 801, and give no text on an error.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "runtime/data/base/error_state.h"
#include "runtime/data/expr/expr_bind.h"
#include "runtime/data/expr/expr_evaluate.h"

namespace {
constexpr std::size_t kMaxInput = 4096;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  static std::string name = "Smith";
  static std::int64_t count = 3;
  static bool bound = [] {
    vantrel::Bind("NAME", &name);
    vantrel::Bind("COUNT", &count);
    return true;
  }();
  (void)bound;
  if (size > kMaxInput) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);
  // GETINI with a file name would touch the disk; MEMORY varies.
  if (text.find("GETINI") != std::string::npos ||
      text.find("getini") != std::string::npos) {
    return 0;
  }
  std::string value = vantrel::Evaluate(text);
  int code = vantrel::ErrorCode();
  if (code != 0 && code != vantrel::kErrInvalidExpression &&
      code != vantrel::kErrNoBind) {
    std::abort();
  }
  if (code != 0 && !value.empty()) std::abort();
  return 0;
}
