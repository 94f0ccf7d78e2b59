// The objects behind the call-interface handles in direct mode. A handle
// is the address of a TNetHandle; its attributes are read and written
// through the caller's buffer with each attribute's own width (a null flag
// is one byte, a data size two), as the shared call-interface header gives
// them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "oracle/oci_defs.h"

namespace oranet {

using oracle::sword;
using oracle::ub1;
using oracle::ub2;
using oracle::ub4;

class TNetError;

class TNetHandle {
 public:
  explicit TNetHandle(const void* owner) : owner_(owner) {}
  virtual ~TNetHandle() = default;
  TNetHandle(const TNetHandle&) = delete;
  TNetHandle& operator=(const TNetHandle&) = delete;

  // The handle or descriptor type the object stands for.
  virtual ub4 HandleType() const = 0;
  const void* Owner() const { return owner_; }

  // Each answers OCI_INVALID_HANDLE for an attribute the class does not
  // know. Scalars are read and written at the attribute's width; a text is
  // got as a pointer with its length in *size and set as value + size; a
  // handle is got into a pointer and set as the value itself.
  virtual sword GetAttr(ub4 attr, void* value, ub4* size);
  virtual sword SetAttr(ub4 attr, void* value, ub4 size);
  // The n-th parameter (column) of the handle.
  virtual sword GetParam(ub4 position, void** param);
  // Readies what GetParam and the column count answer; a failure goes to
  // `error`. A cursor the server handed out describes itself here.
  virtual sword DescribeOnDemand(TNetError* /*error*/) { return oracle::OCI_SUCCESS; }

 protected:
  // The width of a scalar attribute on this handle; 0 when it is none.
  int ScalarWidth(ub4 attr) const;
  // The type whose attribute shapes this handle's attributes follow.
  virtual ub4 ShapeType() const { return HandleType(); }

 private:
  const void* owner_;
};

// The objects behind descriptors (values the caller allocates with
// OCIDescriptorAlloc rather than handles).
class TNetDescriptor : public TNetHandle {
 public:
  using TNetHandle::TNetHandle;
};

// The object behind a handle as the caller holds it (the address of its
// TNetHandle), when it is a T; null otherwise.
template <class T>
T* NetHandleAs(const void* handle) {
  return handle ? dynamic_cast<T*>(static_cast<TNetHandle*>(const_cast<void*>(handle))) : nullptr;
}
// The handle the caller gets for an object.
inline void* HandleOf(TNetHandle* object) { return static_cast<void*>(object); }

// A scalar at `width` bytes (1, 2 or 4), in the machine's byte order; any
// other width moves nothing.
void PutScalar(void* to, int width, int64_t value);
int64_t GetScalar(const void* from, int width);
// A text into a caller's buffer of `size` bytes, cut to leave room for its
// terminating 0; a buffer of size 0 gets nothing.
void PutBoundedText(const std::string& text, oracle::OraText* buffer, ub4 size);
// Answers a text attribute: the pointer into *value, its length into *size.
void PutText(void* value, ub4* size, const char* text, size_t length);

}  // namespace oranet
