// TPropFunction: the callable that the property tables hold (getters,
// setters, factories). Every streamed class publishes dozens of them, each
// a lambda type of its own; std::function would give each its own manager
// function and, for its type query, its type information and mangled name
// (some 200 bytes), a third of the setup program. This holds what the
// lambda captured (member pointers, as a rule) in place and calls it
// through one plain function pointer; a capture too large or not trivially
// copyable is kept on the heap and shared by the copies.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace brim {

template <class Sig>
class TPropFunction;

template <class R, class... A>
class TPropFunction<R(A...)> {
 public:
  TPropFunction() = default;
  TPropFunction(std::nullptr_t) {}

  template <class F>
  requires(!std::is_same_v<std::decay_t<F>, TPropFunction> &&
           std::is_invocable_r_v<R, const std::decay_t<F>&, A...>) TPropFunction(F&& f) {
    using Fn = std::decay_t<F>;
    if constexpr (sizeof(Fn) <= sizeof(inline_) && alignof(Fn) <= alignof(void*) &&
                  std::is_trivially_copyable_v<Fn>) {
      ::new (static_cast<void*>(inline_)) Fn(std::forward<F>(f));
      call_ = [](const TPropFunction& self, A... args) -> R {
        return Call(*std::launder(reinterpret_cast<const Fn*>(self.inline_)),
                    std::forward<A>(args)...);
      };
    } else {
      heap_ = std::make_shared<const Fn>(std::forward<F>(f));
      call_ = [](const TPropFunction& self, A... args) -> R {
        return Call(*static_cast<const Fn*>(self.heap_.get()), std::forward<A>(args)...);
      };
    }
  }

  explicit operator bool() const { return call_ != nullptr; }
  R operator()(A... args) const { return call_(*this, std::forward<A>(args)...); }

 private:
  // A result the signature has no room for is dropped, as std::function does.
  template <class Fn>
  static R Call(const Fn& f, A... args) {
    if constexpr (std::is_void_v<R>)
      f(std::forward<A>(args)...);
    else
      return f(std::forward<A>(args)...);
  }

  // Room for two pointers to member functions: a getter and a setter.
  alignas(void*) unsigned char inline_[4 * sizeof(void*)] = {};
  std::shared_ptr<const void> heap_;
  R (*call_)(const TPropFunction&, A...) = nullptr;
};

}  // namespace brim
