#include "oracle/value_timestamp.h"

#include <vector>

#include "oracle/call_binding.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_values.h"
#include "oracle/call_state.h"
#include "oracle/error_ora.h"
#include "oracle/value_formats.h"

namespace oracle {

namespace {

const OraText* Bytes(const std::string& text) { return reinterpret_cast<const OraText*>(text.data()); }

}  // namespace

TOraTimeStamp::TOraTimeStamp(int data_type) : TOraDescriptorValue(data_type) {}

OCIDateTime* TOraTimeStamp::GetOCIDateTime() {
  AllocDescriptor();
  return static_cast<OCIDateTime*>(Descriptor());
}

OCIDateTime** TOraTimeStamp::GetOCIDateTimeCell() {
  AllocDescriptor();
  return reinterpret_cast<OCIDateTime**>(DescriptorCell());
}

void TOraTimeStamp::AssignTo(TOraTimeStamp& dest) {
  dest.SetDescriptorType(DescriptorType());
  dest.AllocDateTime();
  dest.SetFormat(format_);
  dest.precision_ = precision_;
  dest.SetIsNull(IsNull());
  OCIError* const error = ErrorHandle();
  if (!IsNull())
    CheckOciStatus(OCIDateTimeAssign(hOCIEnv, error, GetOCIDateTime(), dest.GetOCIDateTime()), error);
}

int TOraTimeStamp::Compare(TOraTimeStamp& other) {
  sword result = 0;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCIDateTimeCompare(hOCIEnv, error, GetOCIDateTime(), other.GetOCIDateTime(), &result), error);
  return result;
}

void TOraTimeStamp::Construct(int year, int month, int day, int hour, int min, int sec, uint32_t fsec,
                              const std::string& time_zone) {
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCIDateTimeConstruct(hOCIEnv, error, GetOCIDateTime(), static_cast<sb2>(year),
                                      static_cast<ub1>(month), static_cast<ub1>(day), static_cast<ub1>(hour),
                                      static_cast<ub1>(min), static_cast<ub1>(sec), fsec,
                                      time_zone.empty() ? nullptr : Bytes(time_zone), time_zone.size()), error);
  SetIsNull(false);
}

void TOraTimeStamp::GetDate(int& year, int& month, int& day) {
  sb2 y = 0;
  ub1 m = 0, d = 0;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCIDateTimeGetDate(hOCIEnv, error, GetOCIDateTime(), &y, &m, &d), error);
  year = y;
  month = m;
  day = d;
}

void TOraTimeStamp::GetTime(int& hour, int& min, int& sec, uint32_t& fsec) {
  ub1 h = 0, m = 0, s = 0;
  ub4 f = 0;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCIDateTimeGetTime(hOCIEnv, error, GetOCIDateTime(), &h, &m, &s, &f), error);
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
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCIDateTimeToText(hOCIEnv, error, GetOCIDateTime(), Bytes(format_),
                                   static_cast<ub1>(format_.size()), precision_, nullptr, 0, &size,
                                   buffer.data()), error);
  return std::string(reinterpret_cast<const char*>(buffer.data()), size);
}

void TOraTimeStamp::SetAsString(const std::string& value) {
  if (value.empty()) {
    SetIsNull(true);
    return;
  }
  if (format_.empty()) SetFormat("");
  auto* fresh = static_cast<OCIDateTime*>(NewDescriptor());
  OCIError* const error = ErrorHandle();
  const sword status = OCIDateTimeFromText(hOCIEnv, error, Bytes(value), value.size(), Bytes(format_),
                                           static_cast<ub1>(format_.size()), nullptr, 0, fresh);
  if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) {
    // The value stays as it was: the fresh descriptor goes, the old one stays.
    OCIDescriptorFree(fresh, DescriptorType());
    CheckOciStatus(status, error);
  }
  ReplaceDescriptor(fresh);
  SetIsNull(false);
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
  format_ = value.empty() ? MakeOraDateTimeFormat(DescriptorType()) : value;
}

}  // namespace oracle
