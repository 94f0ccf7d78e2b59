#include "oracle/value_interval.h"

#include <vector>

#include "classlib/exceptions.h"
#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_values.h"
#include "oracle/call_state.h"
#include "oracle/error_messages.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"

namespace oracle {

TOraInterval::TOraInterval(int data_type) : TOraDescriptorValue(data_type) {}

OCIInterval* TOraInterval::GetOCIInterval() {
  AllocDescriptor();
  return static_cast<OCIInterval*>(Descriptor());
}

OCIInterval** TOraInterval::GetOCIIntervalCell() {
  AllocDescriptor();
  return reinterpret_cast<OCIInterval**>(DescriptorCell());
}

void TOraInterval::AssignTo(TOraInterval& dest) {
  dest.SetDescriptorType(DescriptorType());
  dest.lead_precision_ = lead_precision_;
  dest.frac_precision_ = frac_precision_;
  dest.AllocInterval();
  dest.SetIsNull(IsNull());
  OCIError* const error = ErrorHandle();
  if (!IsNull())
    CheckOciStatus(OCIIntervalAssign(hOCIEnv, error, GetOCIInterval(), dest.GetOCIInterval()), error);
}

int TOraInterval::Compare(TOraInterval& other) {
  sword result = 0;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCIIntervalCompare(hOCIEnv, error, GetOCIInterval(), other.GetOCIInterval(), &result), error);
  return result;
}

void TOraInterval::Check() {
  CLASSLIB_ASSERT(Descriptor() != nullptr);
  CheckInterval(GetOCIInterval());
}

void TOraInterval::CheckInterval(OCIInterval* interval) const {
  ub4 valid = 0;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCIIntervalCheck(hOCIEnv, error, interval, &valid), error);
  if (valid != 0) RaiseOraException(messages::kInvalidInterval);
}

std::string TOraInterval::AsString() {
  if (IsNull()) return "";
  std::vector<OraText> buffer(255);
  size_t length = 0;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCIIntervalToText(hOCIEnv, error, GetOCIInterval(), lead_precision_, frac_precision_,
                                   buffer.data(), buffer.size(), &length), error);
  return std::string(reinterpret_cast<const char*>(buffer.data()), length);
}

void TOraInterval::SetAsString(const std::string& value) {
  if (value.empty()) {
    SetIsNull(true);
    return;
  }
  // Parsed and checked aside, so a refused text leaves the value as it was.
  auto* fresh = static_cast<OCIInterval*>(NewDescriptor());
  try {
    OCIError* const error = ErrorHandle();
    CheckOciStatus(OCIIntervalFromText(hOCIEnv, error, reinterpret_cast<const OraText*>(value.data()),
                                       value.size(), fresh), error);
    CheckInterval(fresh);
  } catch (...) {
    OCIDescriptorFree(fresh, DescriptorType());
    throw;
  }
  ReplaceDescriptor(fresh);
  SetIsNull(false);
}

}  // namespace oracle
