// What the date-time and interval values share: one call-interface
// descriptor in a cell of fixed address (defines and binds hand that address
// to the client library, which writes the descriptor in place), whether the
// value owns it, and the 16-bit null indicator in a cell of its own.
#pragma once

#include "dacore/object_shared.h"
#include "oracle/conn_svc_ctx_liveness.h"
#include "oracle/oci_defs.h"

namespace oracle {

class TOraDescriptorValue : public dacore::TSharedObject, public TValueSession {
  CLASSLIB_CLASS(TOraDescriptorValue, dacore::TSharedObject)
 public:
  ub4 DescriptorType() const { return descriptor_type_; }
  // A different type frees the current descriptor first.
  void SetDescriptorType(ub4 value);
  sb2* IndicatorCell() { return indicator_; }
  bool IsNull() const { return *indicator_ == -1; }
  void SetIsNull(bool value) { *indicator_ = value ? -1 : 0; }

 protected:
  // data_type: one of the date-time or interval codes; an assertion failure
  // for any other.
  explicit TOraDescriptorValue(int data_type);
  ~TOraDescriptorValue() override;

  // Allocates an owned descriptor when there is none.
  void AllocDescriptor();
  // Frees an owned descriptor, forgets a borrowed one; the value is null then.
  void FreeDescriptor();
  void* Descriptor() const { return *cell_; }
  void** DescriptorCell() { return cell_; }
  // Takes a descriptor the value does not own; a non-nil one is not null.
  void AdoptDescriptor(void* descriptor);
  // A new owned descriptor of this type, not yet the value's.
  void* NewDescriptor();
  // Makes a fresh owned descriptor the value's, releasing the one it had.
  void ReplaceDescriptor(void* fresh);

 private:
  void** cell_;
  ub4 descriptor_type_ = 0;
  bool owns_ = false;
  sb2* indicator_;
};

// The descriptor type of a date-time or interval data type; an assertion
// failure for any other.
ub4 OraDescriptorType(int data_type);

}  // namespace oracle
