// TOraInterval: the value of an INTERVAL YEAR TO MONTH or DAY TO SECOND
// column or parameter: one interval descriptor and a null indicator in
// cells of their own, converted to and from text by the client library.
#pragma once

#include <cstdint>
#include <string>

#include "dacore/object_shared.h"
#include "oracle/oci_defs.h"

namespace oracle {

class TOraInterval : public dacore::TSharedObject {
  CLASSLIB_CLASS(TOraInterval, dacore::TSharedObject)
 public:
  // data_type: dtIntervalYM or dtIntervalDS.
  explicit TOraInterval(int data_type);

  void AllocInterval();
  void FreeInterval();
  OCIInterval* GetOCIInterval();
  OCIInterval** GetOCIIntervalCell();
  void SetOCIInterval(OCIInterval* value);
  ub4 DescriptorType() const { return descriptor_type_; }
  void SetDescriptorType(ub4 value);
  sb2* IndicatorCell() { return indicator_; }

  bool IsNull() const { return *indicator_ == -1; }
  void SetIsNull(bool value) { *indicator_ = value ? -1 : 0; }

  void AssignTo(TOraInterval& dest);
  int Compare(TOraInterval& other);
  // "Invalid interval." when the client library finds a field out of range.
  void Check();

  std::string AsString();
  // Empty text makes the value null; a failure leaves the null state as it was.
  void SetAsString(const std::string& value);

  uint8_t LeadPrecision() const { return lead_precision_; }
  void SetLeadPrecision(uint8_t value) { lead_precision_ = value; }
  uint8_t FracPrecision() const { return frac_precision_; }
  void SetFracPrecision(uint8_t value) { frac_precision_ = value; }

 protected:
  ~TOraInterval() override;

 private:
  OCIInterval** cell_;
  ub4 descriptor_type_;
  bool owns_ = false;
  uint8_t frac_precision_ = 6;
  uint8_t lead_precision_ = 2;
  sb2* indicator_;
};

}  // namespace oracle
