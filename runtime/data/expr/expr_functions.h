// The built-in functions of run-time expressions.
#ifndef VANTREL_RUNTIME_DATA_EXPR_EXPR_FUNCTIONS_H_
#define VANTREL_RUNTIME_DATA_EXPR_EXPR_FUNCTIONS_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "runtime/data/expr/expr_value.h"

namespace vantrel {

// Functions taking a list of values accept up to this many arguments.
inline constexpr int kExprListArgs = 25;

// A built-in's result, or nothing when its arguments cannot be used (a bad
// picture, a result that is not a finite number); EVALUATE then posts 800.
using BuiltinImpl = std::optional<ExprValue> (*)(std::span<const ExprValue>);

struct BuiltinFunction {
  const char* name;
  int min_args;
  int max_args;
  ExprKind result;
  BuiltinImpl impl;
};

// The built-in of an upper-case name, or nullptr.
const BuiltinFunction* FindBuiltin(std::string_view name);

// Seeds this thread's RANDOM source; until seeded it starts from a seed
// drawn from the system.
void SeedExprRandom(std::uint64_t seed);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_EXPR_EXPR_FUNCTIONS_H_
