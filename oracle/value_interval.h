// TOraInterval: the value of an INTERVAL YEAR TO MONTH or DAY TO SECOND
// column or parameter: one interval descriptor and a null indicator in
// cells of their own, converted to and from text by the client library.
#pragma once

#include <cstdint>
#include <string>

#include "oracle/value_descriptor.h"

namespace oracle {

class TOraInterval : public TOraDescriptorValue {
  CLASSLIB_CLASS(TOraInterval, TOraDescriptorValue)
 public:
  // data_type: dtIntervalYM or dtIntervalDS.
  explicit TOraInterval(int data_type);

  void AllocInterval() { AllocDescriptor(); }
  void FreeInterval() { FreeDescriptor(); }
  OCIInterval* GetOCIInterval();
  OCIInterval** GetOCIIntervalCell();
  // Adopts a descriptor the value does not own; a non-nil one is not null.
  void SetOCIInterval(OCIInterval* value) { AdoptDescriptor(value); }

  void AssignTo(TOraInterval& dest);
  int Compare(TOraInterval& other);
  // "Invalid interval." when the client library finds a field out of range.
  void Check();

  std::string AsString();
  // Empty text makes the value null; a refused text leaves the value as it was.
  void SetAsString(const std::string& value);

  uint8_t LeadPrecision() const { return lead_precision_; }
  void SetLeadPrecision(uint8_t value) { lead_precision_ = value; }
  uint8_t FracPrecision() const { return frac_precision_; }
  void SetFracPrecision(uint8_t value) { frac_precision_ = value; }

 protected:
  ~TOraInterval() override = default;

 private:
  void CheckInterval(OCIInterval* interval) const;

  uint8_t frac_precision_ = 6;
  uint8_t lead_precision_ = 2;
};

}  // namespace oracle
