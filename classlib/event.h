// Method events: a handler is an (object, method) pair, as in the component
// model. Two events compare equal when both the object and the method are the
// same, so handler lists can find and drop a handler that was added earlier.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "classlib/object.h"

namespace classlib {

template <typename Signature>
class Event;

template <typename R, typename... A>
class Event<R(A...)> {
 public:
  Event() = default;
  Event(std::nullptr_t) {}

  template <class C>
  Event(C* object, R (C::*method)(A...)) : object_(object) {
    SetInstance(object);
    SetCode(method);
    call_ = [object, method](A... args) -> R { return (object->*method)(std::forward<A>(args)...); };
  }

  template <class C>
  Event(const C* object, R (C::*method)(A...) const) : object_(object) {
    SetInstance(const_cast<C*>(object));
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
  // The same object seen as a TObject when its class derives from TObject
  // (nullptr otherwise), so a handler list can ask a component owning a
  // handler to tell it when the component goes away.
  TObject* Instance() const { return instance_; }
  void Clear() { *this = Event(); }

  friend bool operator==(const Event& a, const Event& b) {
    return a.object_ == b.object_ && a.code_ == b.code_;
  }

 private:
  template <class C>
  void SetInstance(C* object) {
    if constexpr (std::is_base_of_v<TObject, C>) instance_ = object;
  }

  template <class M>
  void SetCode(M method) {
    static_assert(sizeof(M) <= sizeof(Code), "method pointer too large");
    std::memcpy(code_.data(), &method, sizeof(M));
  }

  using Code = std::array<unsigned char, 2 * sizeof(void*)>;
  const void* object_ = nullptr;
  TObject* instance_ = nullptr;
  Code code_{};
  std::function<R(A...)> call_;
};

using TNotifyEvent = Event<void(TObject* Sender)>;

// An ordered list of handlers of one event type, each held at most once.
// It does no locking: a list shared between threads is guarded by its owner.
template <typename Signature>
class EventList {
 public:
  using Handler = Event<Signature>;

  // Appends the handler unless an equal one is already there; answers
  // whether it was added. Empty handlers are not added.
  bool Add(const Handler& handler) {
    if (!handler || IndexOf(handler) >= 0) return false;
    handlers_.push_back(handler);
    return true;
  }

  // Drops every entry equal to handler; answers how many were dropped.
  int Remove(const Handler& handler) {
    return EraseIf([&](const Handler& h) { return h == handler; });
  }

  // Drops every handler that belongs to object (one that is going away).
  int RemoveObject(const void* object) {
    return EraseIf([&](const Handler& h) { return h.Object() == object; });
  }

  int IndexOf(const Handler& handler) const {
    for (std::size_t i = 0; i < handlers_.size(); ++i)
      if (handlers_[i] == handler) return static_cast<int>(i);
    return -1;
  }

  int Count() const { return static_cast<int>(handlers_.size()); }

  // The handler at index, or an empty handler when index is out of range.
  Handler Items(int index) const {
    if (index < 0 || index >= Count()) return Handler();
    return handlers_[static_cast<std::size_t>(index)];
  }

  void Clear() { handlers_.clear(); }

  // Calls every handler in order. It walks a copy, so a handler may add or
  // remove handlers (itself included) while the list is being called.
  template <typename... Args>
  void Call(Args&&... args) const {
    std::vector<Handler> snapshot = handlers_;
    for (const Handler& h : snapshot) h(args...);
  }

 private:
  template <class Pred>
  int EraseIf(Pred pred) {
    auto before = handlers_.size();
    std::erase_if(handlers_, pred);
    return static_cast<int>(before - handlers_.size());
  }

  std::vector<Handler> handlers_;
};

}  // namespace classlib
