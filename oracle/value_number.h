// TOraNumber: the value of a NUMBER kept exactly: the 22-byte number the
// client library reads and writes, and a null indicator, in cells of their
// own. Conversions to integers, floats and text are the client library's.
#pragma once

#include <cstdint>
#include <string>

#include "dacore/object_shared.h"
#include "oracle/conn_svc_ctx_liveness.h"
#include "oracle/oci_defs.h"

namespace oracle {

class TOraNumber : public dacore::TSharedObject, public TValueSession {
  CLASSLIB_CLASS(TOraNumber, dacore::TSharedObject)
 public:
  TOraNumber();

  // The 22 bytes defines and binds write into.
  OCINumber* GetOCINumberPtr() { return number_; }
  sb2* IndicatorCell() { return indicator_; }

  bool IsNull() const { return *indicator_ == -1; }
  void SetIsNull(bool value) { *indicator_ = value ? -1 : 0; }

  void AssignTo(TOraNumber& dest);
  int Compare(TOraNumber& other);

  int32_t AsInteger();
  void SetAsInteger(int32_t value);
  int64_t AsLargeInt();
  void SetAsLargeInt(int64_t value);
  double AsFloat();
  void SetAsFloat(double value);
  // Texts use the locale's decimal and group separators.
  std::string AsString();
  void SetAsString(const std::string& value);

 protected:
  ~TOraNumber() override;

 private:
  OCINumber* number_;
  sb2* indicator_;
  bool owns_ = true;
};

}  // namespace oracle
