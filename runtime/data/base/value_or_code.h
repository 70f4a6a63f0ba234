// The result of an operation that makes a value or fails with an error code:
// the runtime's error codes (error_state.h), or a numbered check.
//
//   ValueOrCode<std::unique_ptr<OpenTable>> StartTable(...) {
//     if (bad) return FailureCode{kErrInvalidFilename};
//     return std::make_unique<OpenTable>();
//   }
#ifndef VANTREL_RUNTIME_DATA_BASE_VALUE_OR_CODE_H_
#define VANTREL_RUNTIME_DATA_BASE_VALUE_OR_CODE_H_

#include <cassert>
#include <concepts>
#include <optional>
#include <type_traits>
#include <utility>

namespace vantrel {

// The code a failing operation returns (never 0).
struct FailureCode {
  int code;
};

template <typename T>
class [[nodiscard]] ValueOrCode {
 public:
  // Implicit both ways, so that a function returns its value or its failure
  // as it stands.
  template <typename U>
    requires(!std::same_as<std::remove_cvref_t<U>, ValueOrCode> &&
             !std::same_as<std::remove_cvref_t<U>, FailureCode> &&
             std::constructible_from<T, U &&>)
  ValueOrCode(U&& value)  // NOLINT(runtime/explicit)
      : value_(std::in_place, std::forward<U>(value)) {}
  ValueOrCode(FailureCode failure)  // NOLINT(runtime/explicit)
      : code_(failure.code) {
    assert(code_ != 0);
  }

  bool ok() const { return value_.has_value(); }
  // 0 when ok.
  int code() const { return code_; }

  T& value() {
    assert(ok());
    return *value_;
  }
  const T& value() const {
    assert(ok());
    return *value_;
  }

 private:
  std::optional<T> value_;
  int code_ = 0;
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_BASE_VALUE_OR_CODE_H_
