// Reference-counted values that record buffers only point to (blobs, Variant
// holders, object values) and object-type descriptions, so that copying a
// record shares them. Counts change on several threads (background fetch),
// so they are atomic. A shared object is created with new, starts with one
// reference, and is destroyed by the release of its last one.
#pragma once

#include <atomic>

#include "classlib/object.h"
#include "classlib/variant.h"

namespace dacore {

class TSharedObject : public classlib::TObject {
  CLASSLIB_CLASS(TSharedObject, classlib::TObject)
 public:
  TSharedObject() = default;
  TSharedObject(const TSharedObject&) = delete;
  TSharedObject& operator=(const TSharedObject&) = delete;

  void AddRef() { ref_count_.fetch_add(1); }
  // Drops one reference and destroys the object with the last one. A count
  // below 1 is an assertion failure "<class>.Free RefCount = <count>".
  void Release();
  void Free() { Release(); }
  int RefCount() const { return ref_count_.load(); }
  // The handle by which client libraries call back about this object.
  void* GetObjectHandle() const;

 protected:
  ~TSharedObject() override;
  // Only for checks of the count's own consistency.
  void SetRefCount(int count) { ref_count_.store(count); }

 private:
  std::atomic<int> ref_count_{1};
};

// Releasing nil does nothing.
inline void ReleaseShared(TSharedObject* obj) {
  if (obj) obj->Release();
}

// Holds the Variant value of a dtVariant field.
class TVariantObject : public TSharedObject {
  CLASSLIB_CLASS(TVariantObject, TSharedObject)
 public:
  TVariantObject() = default;
  const classlib::Variant& Value() const { return value_; }
  void SetValue(const classlib::Variant& value) { value_ = value; }

 protected:
  ~TVariantObject() override = default;

 private:
  classlib::Variant value_;
};

}  // namespace dacore
