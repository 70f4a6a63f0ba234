#include "runtime/data/expr/expr_bind.h"

#include <map>
#include <utility>
#include <vector>

#include "runtime/data/base/error_state.h"
#include "runtime/data/base/fatal_report.h"
#include "runtime/data/expr/expr_lexer.h"
#include "runtime/data/text/ascii_case.h"

namespace vantrel {
namespace {

struct Scope {
  std::map<std::string, ExprBinding, std::less<>> names;
  bool hides_outer = false;  // saved by PUSHSCOPE(false)
};

struct ScopeState {
  Scope current;
  std::vector<Scope> saved;
};

ScopeState& State() {
  thread_local ScopeState state;
  return state;
}

void Add(std::string_view name, ExprBinding binding) {
  std::string key = CutBindName(name);
  if (key.empty()) return;
  State().current.names[key] = std::move(binding);
}

template <typename T>
ExprReader NumberReader(const T* variable) {
  return [variable] {
    if constexpr (std::is_same_v<T, double>) {
      return ExprValue::Real(*variable);
    } else {
      return ExprValue::Integer(*variable);
    }
  };
}

}  // namespace

std::string CutBindName(std::string_view name) {
  std::string out;
  if (name.empty()) return out;
  char first = name[0];
  bool starts = (first >= 'A' && first <= 'Z') ||
                (first >= 'a' && first <= 'z') || first == '_' || first == '?';
  if (!starts) return out;
  std::size_t i = 1;
  while (i < name.size() && IsNameChar(name[i])) ++i;
  if (i < name.size() && IsNameSuffix(name[i])) ++i;
  out.reserve(i);
  for (std::size_t k = 0; k < i; ++k) out.push_back(AsciiUpper(name[k]));
  return out;
}

void Bind(std::string_view name, const std::string* variable) {
  Add(name, {[variable] { return ExprValue::String(*variable); }, {}});
}
void Bind(std::string_view name, const std::int64_t* variable) {
  Add(name, {NumberReader(variable), {}});
}
void Bind(std::string_view name, const double* variable) {
  Add(name, {NumberReader(variable), {}});
}
void BindReader(std::string_view name, ExprReader reader) {
  Add(name, {std::move(reader), {}});
}
void BindProcedure(std::string_view name, ExprProcedure procedure) {
  Add(name, {{}, std::move(procedure)});
}

void PushScope(bool visible) {
  ScopeState& state = State();
  state.current.hides_outer = !visible;
  state.saved.push_back(std::move(state.current));
  state.current = Scope{};
}

void PopScope() {
  ScopeState& state = State();
  if (state.saved.empty()) {
    ReportFatalError(kErrMismatchedScope, "Mismatched POPSCOPE");
  }
  state.current = std::move(state.saved.back());
  state.current.hides_outer = false;
  state.saved.pop_back();
}

std::size_t ScopeDepth() { return State().saved.size(); }

const ExprBinding* LookUpBinding(std::string_view name) {
  std::string key = CutBindName(name);
  ScopeState& state = State();
  auto found = state.current.names.find(key);
  if (found != state.current.names.end()) return &found->second;
  for (auto it = state.saved.rbegin(); it != state.saved.rend(); ++it) {
    if (it->hides_outer) break;
    found = it->names.find(key);
    if (found != it->names.end()) return &found->second;
  }
  return nullptr;
}

}  // namespace vantrel
