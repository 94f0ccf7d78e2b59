// Method events: a handler is an (object, method) pair, as in the component
// model. Two events compare equal when both the object and the method are the
// same, so handler lists can find and drop a handler that was added earlier.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <utility>

namespace classlib {

class TObject;

template <typename Signature>
class Event;

template <typename R, typename... A>
class Event<R(A...)> {
 public:
  Event() = default;
  Event(std::nullptr_t) {}

  template <class C>
  Event(C* object, R (C::*method)(A...)) : object_(object) {
    SetCode(method);
    call_ = [object, method](A... args) -> R { return (object->*method)(std::forward<A>(args)...); };
  }

  template <class C>
  Event(const C* object, R (C::*method)(A...) const) : object_(object) {
    SetCode(method);
    call_ = [object, method](A... args) -> R { return (object->*method)(std::forward<A>(args)...); };
  }

  // A handler that is not a method (a free function or a lambda). Its identity
  // is the handler created here: copies compare equal, another call to
  // Function with the same callable does not.
  template <class F>
  static Event Function(F f) {
    Event e;
    auto token = std::make_shared<char>(0);
    e.object_ = token.get();
    e.call_ = [token, f = std::move(f)](A... args) -> R { return f(std::forward<A>(args)...); };
    return e;
  }

  explicit operator bool() const { return static_cast<bool>(call_); }
  bool Assigned() const { return static_cast<bool>(call_); }

  R operator()(A... args) const { return call_(std::forward<A>(args)...); }

  // The object the handler belongs to (nullptr for an empty event).
  const void* Object() const { return object_; }
  void Clear() { *this = Event(); }

  friend bool operator==(const Event& a, const Event& b) {
    return a.object_ == b.object_ && a.code_ == b.code_;
  }

 private:
  template <class M>
  void SetCode(M method) {
    static_assert(sizeof(M) <= sizeof(Code), "method pointer too large");
    std::memcpy(code_.data(), &method, sizeof(M));
  }

  using Code = std::array<unsigned char, 2 * sizeof(void*)>;
  const void* object_ = nullptr;
  Code code_{};
  std::function<R(A...)> call_;
};

using TNotifyEvent = Event<void(TObject* Sender)>;

}  // namespace classlib
