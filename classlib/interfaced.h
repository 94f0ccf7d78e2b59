// Reference counting for interface-like objects. An interface is an abstract
// class deriving `public virtual IInterface`; an implementation derives
// TInterfacedObject and the interfaces it offers. Intf<T> holds one counted
// reference; the object deletes itself when the last reference goes.
//
// A new object starts with no references: hand it to an Intf at once. An
// object that is never handed to an Intf is deleted by its creator.
#pragma once

#include <atomic>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "classlib/object.h"

namespace classlib {

class IInterface {
 public:
  virtual int AddRef() = 0;
  // Drops one reference; the object may be gone when this returns.
  virtual int Release() = 0;

 protected:
  virtual ~IInterface() = default;
};

class TInterfacedObject : public TObject, public virtual IInterface {
  CLASSLIB_CLASS(TInterfacedObject, TObject)
 public:
  int AddRef() override { return ++ref_count_; }
  int Release() override {
    int left = --ref_count_;
    if (left == 0) delete this;
    return left;
  }
  int RefCount() const { return ref_count_; }

 private:
  std::atomic<int> ref_count_{0};
};

// A counted reference to an object of class or interface T.
template <class T>
class Intf {
 public:
  Intf() = default;
  Intf(std::nullptr_t) {}
  // Takes a new reference to p (p may be nullptr).
  explicit Intf(T* p) : p_(p) { Acquire(); }
  Intf(const Intf& other) : p_(other.p_) { Acquire(); }
  Intf(Intf&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class U>
    requires std::is_convertible_v<U*, T*>
  Intf(const Intf<U>& other) : p_(other.Get()) {
    Acquire();
  }
  ~Intf() { Drop(); }

  Intf& operator=(Intf other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  T* Get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void Reset() { Intf().Swap(*this); }
  void Swap(Intf& other) noexcept { std::swap(p_, other.p_); }

  // Identity is the object's IInterface part, so two references through
  // different interfaces of one object compare equal.
  template <class U>
  friend bool operator==(const Intf& a, const Intf<U>& b) {
    return a.Identity() == b.Identity();
  }
  friend bool operator==(const Intf& a, std::nullptr_t) { return a.p_ == nullptr; }

  const IInterface* Identity() const { return p_; }

 private:
  void Acquire() {
    if (p_) p_->AddRef();
  }
  void Drop() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }

  T* p_ = nullptr;
};

// Makes a new T and takes the first reference to it.
template <class T, class... Args>
Intf<T> MakeIntf(Args&&... args) {
  return Intf<T>(new T(std::forward<Args>(args)...));
}

// Asks whether the object behind ref offers interface T (nullptr if not),
// the way the platform's interface query does.
template <class T, class U>
Intf<T> Supports(const Intf<U>& ref) {
  return Intf<T>(dynamic_cast<T*>(ref.Get()));
}

}  // namespace classlib
