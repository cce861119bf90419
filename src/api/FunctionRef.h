// A non-owning reference to a callable: lets a frame hand a plugin call to
// non-template code without allocating.
#pragma once

#include <type_traits>
#include <utility>

namespace api {

template <typename Signature>
class FunctionRef;

template <typename Result, typename... Args>
class FunctionRef<Result(Args...)> {
 public:
  template <typename Callable,
            typename = std::enable_if_t<!std::is_same_v<std::decay_t<Callable>, FunctionRef>>>
  FunctionRef(Callable&& callable)  // NOLINT: implicit by design
      : object_(const_cast<void*>(static_cast<const void*>(&callable))),
        call_([](void* object, Args... args) -> Result {
          return (*static_cast<std::remove_reference_t<Callable>*>(object))(
              std::forward<Args>(args)...);
        }) {}

  Result operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

 private:
  void* object_;
  Result (*call_)(void*, Args...);
};

}  // namespace api
