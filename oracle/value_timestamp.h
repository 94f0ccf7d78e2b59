// TOraTimeStamp: the value of a TIMESTAMP column or parameter (plain, with
// time zone, with local time zone). It holds one date-time descriptor and a
// null indicator in cells of their own, whose addresses defines and binds
// hand to the client library; conversions to and from text and the
// platform's date-time are the client library's.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/datetime.h"
#include "oracle/value_descriptor.h"

namespace oracle {

class TOraTimeStamp : public TOraDescriptorValue {
  CLASSLIB_CLASS(TOraTimeStamp, TOraDescriptorValue)
 public:
  // data_type: dtTimeStamp, dtTimeStampTZ or dtTimeStampLTZ.
  explicit TOraTimeStamp(int data_type);

  void AllocDateTime() { AllocDescriptor(); }
  void FreeDateTime() { FreeDescriptor(); }
  OCIDateTime* GetOCIDateTime();
  OCIDateTime** GetOCIDateTimeCell();
  // Adopts a descriptor the value does not own; a non-nil one is not null.
  void SetOCIDateTime(OCIDateTime* value) { AdoptDescriptor(value); }

  void AssignTo(TOraTimeStamp& dest);
  int Compare(TOraTimeStamp& other);
  void Construct(int year, int month, int day, int hour, int min, int sec, uint32_t fsec,
                 const std::string& time_zone);
  void GetDate(int& year, int& month, int& day);
  void GetTime(int& hour, int& min, int& sec, uint32_t& fsec);

  std::string AsString();
  // Empty text makes the value null; text that does not parse leaves the value as it was.
  void SetAsString(const std::string& value);
  classlib::TDateTime AsDateTime();
  // The milliseconds of the value are not carried.
  void SetAsDateTime(classlib::TDateTime value);

  const std::string& Format() const { return format_; }
  // Empty builds the model from the locale.
  void SetFormat(const std::string& value);
  uint8_t Precision() const { return precision_; }
  void SetPrecision(uint8_t value) { precision_ = value; }

 protected:
  ~TOraTimeStamp() override = default;

 private:
  uint8_t precision_ = 6;
  std::string format_;
};

}  // namespace oracle
