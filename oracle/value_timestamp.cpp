#include "oracle/value_timestamp.h"

#include <vector>

#include "classlib/exceptions.h"
#include "dacore/util_marshal.h"
#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_values.h"
#include "oracle/call_state.h"
#include "oracle/error_ora.h"
#include "oracle/value_data_types.h"
#include "oracle/value_formats.h"

namespace oracle {

namespace {

const OraText* Bytes(const std::string& text) { return reinterpret_cast<const OraText*>(text.data()); }

void EnsureOciInit() {
  if (!OCIInited) InitOciEnvironment();
}

}  // namespace

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

TOraTimeStamp::TOraTimeStamp(int data_type)
    : cell_(static_cast<OCIDateTime**>(dacore::Marshal::AllocMem(sizeof(OCIDateTime*)))),
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

TOraTimeStamp::~TOraTimeStamp() {
  if (*cell_ && owns_) OCIDescriptorFree(*cell_, descriptor_type_);
  dacore::Marshal::FreeMem(cell_);
  dacore::Marshal::FreeMem(indicator_);
}

void TOraTimeStamp::AllocDateTime() {
  if (*cell_) return;
  EnsureOciInit();
  void* descriptor = nullptr;
  CheckOciStatus(OCIDescriptorAlloc(hOCIEnv, &descriptor, descriptor_type_, 0, nullptr));
  *cell_ = static_cast<OCIDateTime*>(descriptor);
  owns_ = true;
}

void TOraTimeStamp::FreeDateTime() {
  if (!*cell_) return;
  OCIDateTime* descriptor = *cell_;
  const bool owned = owns_;
  *cell_ = nullptr;
  *indicator_ = -1;
  owns_ = false;
  if (owned) CheckOciStatus(OCIDescriptorFree(descriptor, descriptor_type_));
}

OCIDateTime* TOraTimeStamp::GetOCIDateTime() {
  AllocDateTime();
  return *cell_;
}

OCIDateTime** TOraTimeStamp::GetOCIDateTimeCell() {
  AllocDateTime();
  return cell_;
}

void TOraTimeStamp::SetOCIDateTime(OCIDateTime* value) {
  FreeDateTime();
  *cell_ = value;
  if (value) *indicator_ = 0;
}

void TOraTimeStamp::SetDescriptorType(ub4 value) {
  if (value == descriptor_type_) return;
  FreeDateTime();
  descriptor_type_ = value;
}

void TOraTimeStamp::AssignTo(TOraTimeStamp& dest) {
  dest.SetDescriptorType(descriptor_type_);
  dest.AllocDateTime();
  dest.SetFormat(format_);
  dest.precision_ = precision_;
  *dest.indicator_ = *indicator_;
  if (!IsNull())
    CheckOciStatus(OCIDateTimeAssign(hOCIEnv, hOCIError, GetOCIDateTime(), dest.GetOCIDateTime()));
}

int TOraTimeStamp::Compare(TOraTimeStamp& other) {
  sword result = 0;
  CheckOciStatus(OCIDateTimeCompare(hOCIEnv, hOCIError, GetOCIDateTime(), other.GetOCIDateTime(), &result));
  return result;
}

void TOraTimeStamp::Construct(int year, int month, int day, int hour, int min, int sec, uint32_t fsec,
                              const std::string& time_zone) {
  AllocDateTime();
  CheckOciStatus(OCIDateTimeConstruct(hOCIEnv, hOCIError, *cell_, static_cast<sb2>(year),
                                      static_cast<ub1>(month), static_cast<ub1>(day), static_cast<ub1>(hour),
                                      static_cast<ub1>(min), static_cast<ub1>(sec), fsec,
                                      time_zone.empty() ? nullptr : Bytes(time_zone), time_zone.size()));
  *indicator_ = 0;
}

void TOraTimeStamp::GetDate(int& year, int& month, int& day) {
  sb2 y = 0;
  ub1 m = 0, d = 0;
  CheckOciStatus(OCIDateTimeGetDate(hOCIEnv, hOCIError, GetOCIDateTime(), &y, &m, &d));
  year = y;
  month = m;
  day = d;
}

void TOraTimeStamp::GetTime(int& hour, int& min, int& sec, uint32_t& fsec) {
  ub1 h = 0, m = 0, s = 0;
  ub4 f = 0;
  CheckOciStatus(OCIDateTimeGetTime(hOCIEnv, hOCIError, GetOCIDateTime(), &h, &m, &s, &f));
  hour = h;
  min = m;
  sec = s;
  fsec = f;
}

std::string TOraTimeStamp::AsString() {
  if (IsNull()) return "";
  if (format_.empty()) SetFormat("");
  std::vector<OraText> buffer(255);
  ub4 size = static_cast<ub4>(buffer.size());
  CheckOciStatus(OCIDateTimeToText(hOCIEnv, hOCIError, GetOCIDateTime(), Bytes(format_),
                                   static_cast<ub1>(format_.size()), precision_, nullptr, 0, &size,
                                   buffer.data()));
  return std::string(reinterpret_cast<const char*>(buffer.data()), size);
}

void TOraTimeStamp::SetAsString(const std::string& value) {
  if (value.empty()) {
    *indicator_ = -1;
    return;
  }
  if (format_.empty()) SetFormat("");
  EnsureOciInit();
  void* fresh = nullptr;
  CheckOciStatus(OCIDescriptorAlloc(hOCIEnv, &fresh, descriptor_type_, 0, nullptr));
  auto* descriptor = static_cast<OCIDateTime*>(fresh);
  sword status = OCIDateTimeFromText(hOCIEnv, hOCIError, Bytes(value), value.size(), Bytes(format_),
                                     static_cast<ub1>(format_.size()), nullptr, 0, descriptor);
  if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) {
    // The value stays as it was: the fresh descriptor goes, the old one stays.
    OCIDescriptorFree(descriptor, descriptor_type_);
    CheckOciStatus(status);
  }
  OCIDateTime* previous = *cell_;
  const bool owned = owns_;
  *cell_ = descriptor;
  owns_ = true;
  *indicator_ = 0;
  if (previous && owned) OCIDescriptorFree(previous, descriptor_type_);
}

classlib::TDateTime TOraTimeStamp::AsDateTime() {
  if (IsNull()) return 0;
  int year, month, day, hour, min, sec;
  uint32_t fsec;
  GetDate(year, month, day);
  GetTime(hour, min, sec, fsec);
  const classlib::TDateTime date = classlib::EncodeDate(year, month, day);
  const classlib::TDateTime time = classlib::EncodeTime(hour, min, sec, static_cast<int>(fsec / 1000000));
  return date < 0 ? date - time : date + time;
}

void TOraTimeStamp::SetAsDateTime(classlib::TDateTime value) {
  int year, month, day, hour, min, sec, msec;
  classlib::DecodeDate(value, year, month, day);
  classlib::DecodeTime(value, hour, min, sec, msec);
  Construct(year, month, day, hour, min, sec, 0, "");
}

void TOraTimeStamp::SetFormat(const std::string& value) {
  format_ = value.empty() ? MakeOraDateTimeFormat(descriptor_type_) : value;
}

}  // namespace oracle
