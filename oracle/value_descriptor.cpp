#include "oracle/value_descriptor.h"

#include "classlib/exceptions.h"
#include "dacore/util_marshal.h"
#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_state.h"
#include "oracle/error_ora.h"
#include "oracle/value_data_types.h"

namespace oracle {

ub4 OraDescriptorType(int data_type) {
  switch (data_type) {
    case dtTimeStamp: return OCI_DTYPE_TIMESTAMP;
    case dtTimeStampTZ: return OCI_DTYPE_TIMESTAMP_TZ;
    case dtTimeStampLTZ: return OCI_DTYPE_TIMESTAMP_LTZ;
    case dtIntervalYM: return OCI_DTYPE_INTERVAL_YM;
    case dtIntervalDS: return OCI_DTYPE_INTERVAL_DS;
    default:
      classlib::Assert(false, __FILE__, __LINE__);
      return 0;
  }
}

TOraDescriptorValue::TOraDescriptorValue(int data_type)
    : cell_(static_cast<void**>(dacore::Marshal::AllocMem(sizeof(void*)))),
      indicator_(static_cast<sb2*>(dacore::Marshal::AllocMem(sizeof(sb2)))) {
  *cell_ = nullptr;
  *indicator_ = -1;
  try {
    descriptor_type_ = OraDescriptorType(data_type);
  } catch (...) {
    dacore::Marshal::FreeMem(cell_);
    dacore::Marshal::FreeMem(indicator_);
    throw;
  }
}

TOraDescriptorValue::~TOraDescriptorValue() {
  if (*cell_ && owns_) OCIDescriptorFree(*cell_, descriptor_type_);
  dacore::Marshal::FreeMem(cell_);
  dacore::Marshal::FreeMem(indicator_);
}

void TOraDescriptorValue::SetDescriptorType(ub4 value) {
  if (value == descriptor_type_) return;
  FreeDescriptor();
  descriptor_type_ = value;
}

void* TOraDescriptorValue::NewDescriptor() {
  if (!OCIInited) InitOciEnvironment();
  void* descriptor = nullptr;
  CheckOciStatus(OCIDescriptorAlloc(hOCIEnv, &descriptor, descriptor_type_, 0, nullptr));
  return descriptor;
}

void TOraDescriptorValue::AllocDescriptor() {
  if (*cell_) return;
  *cell_ = NewDescriptor();
  owns_ = true;
}

void TOraDescriptorValue::FreeDescriptor() {
  if (!*cell_) return;
  void* descriptor = *cell_;
  const bool owned = owns_;
  *cell_ = nullptr;
  *indicator_ = -1;
  owns_ = false;
  if (owned) CheckOciStatus(OCIDescriptorFree(descriptor, descriptor_type_));
}

void TOraDescriptorValue::AdoptDescriptor(void* descriptor) {
  FreeDescriptor();
  *cell_ = descriptor;
  if (descriptor) *indicator_ = 0;
}

void TOraDescriptorValue::ReplaceDescriptor(void* fresh) {
  void* previous = *cell_;
  const bool owned = owns_;
  *cell_ = fresh;
  owns_ = true;
  if (previous && owned) OCIDescriptorFree(previous, descriptor_type_);
}

}  // namespace oracle
