// Call-interface statuses turned into exceptions. EOraError carries the
// Oracle error number (never negative) and the server's text; nearly every
// call site checks its status with CheckOciStatus.
#pragma once

#include <cstdint>
#include <string>

#include "dacore/comp_da_error.h"
#include "oracle/oci_defs.h"

namespace oracle {

class EOraError : public dacore::EDAError {
  CLASSLIB_CLASS(EOraError, dacore::EDAError)
 public:
  EOraError(int32_t error_code, std::string message, classlib::TComponent* component = nullptr);
};

// The code of a status and its text (the server's, through OCIErrorGet, for
// statuses 1, -1 and 100). A null handle means hOCIError. Raises "Need
// Oracle 8 Call Interface" unless the default call style is the newer one.
int32_t GetOciErrorText(sword status, std::string& text, OCIError* error = nullptr);
int32_t GetOciErrorCode(sword status, OCIError* error = nullptr);
// The same for status -1.
int32_t GetOraErrorText(std::string& text, OCIError* error = nullptr);

// Returns for 0; warnings (1) pass; every other status raises EOraError.
void CheckOciStatus(sword status, OCIError* error = nullptr);
void RaiseOciStatusError(sword status, OCIError* error = nullptr);
// A fetched value's indicator telling that the value was cut to its buffer:
// its original length, or -2 when that exceeds 16 bits. Whatever answered
// the fetch (the client library or the network client), such a value is
// never kept.
inline bool IsTruncatedIndicator(int16_t indicator) { return indicator > 0 || indicator == -2; }
// Raises ORA-01406 (EOraError 1406) for a value of that column.
[[noreturn]] void RaiseTruncatedValue(const std::string& column);

// Returns for 0; every other status raises with the handle's error.
void CheckOraError(sword status, OCIError* error = nullptr);
[[noreturn]] void RaiseOraError(sword status, OCIError* error = nullptr);

}  // namespace oracle
