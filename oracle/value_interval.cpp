#include "oracle/value_interval.h"

#include <vector>

#include "classlib/exceptions.h"
#include "dacore/util_marshal.h"
#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_values.h"
#include "oracle/call_state.h"
#include "oracle/error_messages.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"
#include "oracle/value_timestamp.h"

namespace oracle {

TOraInterval::TOraInterval(int data_type)
    : cell_(static_cast<OCIInterval**>(dacore::Marshal::AllocMem(sizeof(OCIInterval*)))),
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

TOraInterval::~TOraInterval() {
  if (*cell_ && owns_) OCIDescriptorFree(*cell_, descriptor_type_);
  dacore::Marshal::FreeMem(cell_);
  dacore::Marshal::FreeMem(indicator_);
}

void TOraInterval::AllocInterval() {
  if (*cell_) return;
  if (!OCIInited) InitOciEnvironment();
  void* descriptor = nullptr;
  CheckOciStatus(OCIDescriptorAlloc(hOCIEnv, &descriptor, descriptor_type_, 0, nullptr));
  *cell_ = static_cast<OCIInterval*>(descriptor);
  owns_ = true;
}

void TOraInterval::FreeInterval() {
  if (!*cell_) return;
  OCIInterval* descriptor = *cell_;
  const bool owned = owns_;
  *cell_ = nullptr;
  *indicator_ = -1;
  owns_ = false;
  if (owned) CheckOciStatus(OCIDescriptorFree(descriptor, descriptor_type_));
}

OCIInterval* TOraInterval::GetOCIInterval() {
  AllocInterval();
  return *cell_;
}

OCIInterval** TOraInterval::GetOCIIntervalCell() {
  AllocInterval();
  return cell_;
}

void TOraInterval::SetOCIInterval(OCIInterval* value) {
  FreeInterval();
  *cell_ = value;
  if (value) *indicator_ = 0;
}

void TOraInterval::SetDescriptorType(ub4 value) {
  if (value == descriptor_type_) return;
  FreeInterval();
  descriptor_type_ = value;
}

void TOraInterval::AssignTo(TOraInterval& dest) {
  dest.SetDescriptorType(descriptor_type_);
  dest.lead_precision_ = lead_precision_;
  dest.frac_precision_ = frac_precision_;
  dest.AllocInterval();
  *dest.indicator_ = *indicator_;
  if (!IsNull())
    CheckOciStatus(OCIIntervalAssign(hOCIEnv, hOCIError, GetOCIInterval(), dest.GetOCIInterval()));
}

int TOraInterval::Compare(TOraInterval& other) {
  sword result = 0;
  CheckOciStatus(OCIIntervalCompare(hOCIEnv, hOCIError, GetOCIInterval(), other.GetOCIInterval(), &result));
  return result;
}

void TOraInterval::Check() {
  CLASSLIB_ASSERT(*cell_ != nullptr);
  ub4 valid = 0;
  CheckOciStatus(OCIIntervalCheck(hOCIEnv, hOCIError, *cell_, &valid));
  if (valid != 0) RaiseOraException(messages::kInvalidInterval);
}

std::string TOraInterval::AsString() {
  if (IsNull()) return "";
  std::vector<OraText> buffer(255);
  size_t length = 0;
  CheckOciStatus(OCIIntervalToText(hOCIEnv, hOCIError, GetOCIInterval(), lead_precision_, frac_precision_,
                                   buffer.data(), buffer.size(), &length));
  return std::string(reinterpret_cast<const char*>(buffer.data()), length);
}

void TOraInterval::SetAsString(const std::string& value) {
  if (value.empty()) {
    *indicator_ = -1;
    return;
  }
  AllocInterval();
  CheckOciStatus(OCIIntervalFromText(hOCIEnv, hOCIError, reinterpret_cast<const OraText*>(value.data()),
                                     value.size(), *cell_));
  Check();
  *indicator_ = 0;
}

}  // namespace oracle
