// Names that run-time expressions may use: variables, fields and procedures
// bound into the current scope, and the scope stack of PUSHSCOPE/POPSCOPE.
//
// Each thread has its own current scope and stack of saved scopes; a
// thread's scopes are released when it ends. Names compare without regard
// to case.
#ifndef VANTREL_RUNTIME_DATA_EXPR_EXPR_BIND_H_
#define VANTREL_RUNTIME_DATA_EXPR_EXPR_BIND_H_

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "runtime/data/expr/expr_value.h"

namespace vantrel {

// Reads a bound variable or field when an expression is evaluated.
using ExprReader = std::function<ExprValue()>;
// A bound procedure, called with its evaluated arguments.
using ExprProcedure = std::function<ExprValue(std::span<const ExprValue>)>;

struct ExprBinding {
  ExprReader read;     // set for variables and fields
  ExprProcedure call;  // set for procedures
};

// The name as it is bound: cut after its letters, digits, '_' and ':' and
// one optional trailing '#', '$' or '"', in upper case. Empty when the text
// does not start with a letter, '_' or '?'.
std::string CutBindName(std::string_view name);

// BIND: adds (or replaces) a name in the current scope. The variable must
// outlive the binding. A name that cuts to nothing is ignored.
void Bind(std::string_view name, const std::string* variable);
void Bind(std::string_view name, const std::int64_t* variable);
void Bind(std::string_view name, const double* variable);
void BindReader(std::string_view name, ExprReader reader);
void BindProcedure(std::string_view name, ExprProcedure procedure);

// PUSHSCOPE: saves the current scope and starts an empty one. When
// `visible` is false, lookups stop before the scope just saved.
void PushScope(bool visible);
// POPSCOPE: discards the current scope and makes the last saved one current.
// Without a saved scope the program ends with run-time error 802.
void PopScope();
// How many scopes are saved on this thread's stack.
std::size_t ScopeDepth();

// The binding of a name (any case, cut as for BIND) through the visible
// scopes, or nullptr.
const ExprBinding* LookUpBinding(std::string_view name);

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_EXPR_EXPR_BIND_H_
