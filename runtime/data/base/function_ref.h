// A reference to a callable for the length of a call: what a function that
// only calls its argument takes instead of std::function, which may
// allocate a copy of a lambda with more than a couple of captures.
#ifndef VANTREL_RUNTIME_DATA_BASE_FUNCTION_REF_H_
#define VANTREL_RUNTIME_DATA_BASE_FUNCTION_REF_H_

#include <memory>
#include <type_traits>
#include <utility>

namespace vantrel {

template <typename Signature>
class FunctionRef;

template <typename Result, typename... Args>
class FunctionRef<Result(Args...)> {
 public:
  // The callable must outlive every call made through the reference.
  template <typename Callable,
            typename = std::enable_if_t<
                !std::is_same_v<std::decay_t<Callable>, FunctionRef> &&
                std::is_invocable_r_v<Result, Callable&, Args...>>>
  FunctionRef(Callable&& callable)  // NOLINT: converts like std::function
      : object_(const_cast<void*>(
            static_cast<const void*>(std::addressof(callable)))),
        call_([](void* object, Args... args) -> Result {
          return (*static_cast<std::remove_reference_t<Callable>*>(object))(
              std::forward<Args>(args)...);
        }) {}

  Result operator()(Args... args) const {
    return call_(object_, std::forward<Args>(args)...);
  }

 private:
  void* object_;
  Result (*call_)(void*, Args...);
};

}  // namespace vantrel

#endif  // VANTREL_RUNTIME_DATA_BASE_FUNCTION_REF_H_
