#include "oracle/value_number.h"

#include <cstring>

#include "classlib/numconv.h"
#include "dacore/util_marshal.h"
#include "oracle/call_binding.h"
#include "oracle/call_entries_values.h"
#include "oracle/call_state.h"
#include "oracle/error_ora.h"
#include "oracle/value_formats.h"

namespace oracle {

namespace {

const OraText* Bytes(const std::string& text) { return reinterpret_cast<const OraText*>(text.data()); }

}  // namespace

TOraNumber::TOraNumber()
    : number_(static_cast<OCINumber*>(dacore::Marshal::AllocMem(sizeof(OCINumber)))),
      indicator_(static_cast<sb2*>(dacore::Marshal::AllocMem(sizeof(sb2)))) {
  std::memset(number_, 0, sizeof(OCINumber));
  *indicator_ = -1;
}

TOraNumber::~TOraNumber() {
  if (owns_) dacore::Marshal::FreeMem(number_);
  dacore::Marshal::FreeMem(indicator_);
}

void TOraNumber::AssignTo(TOraNumber& dest) {
  *dest.indicator_ = *indicator_;
  OCIError* const error = ErrorHandle();
  if (!IsNull()) CheckOciStatus(OCINumberAssign(error, number_, dest.number_), error);
}

int TOraNumber::Compare(TOraNumber& other) {
  sword result = 0;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCINumberCmp(error, number_, other.number_, &result), error);
  return result;
}

int32_t TOraNumber::AsInteger() { return static_cast<int32_t>(AsLargeInt()); }

void TOraNumber::SetAsInteger(int32_t value) { SetAsLargeInt(value); }

int64_t TOraNumber::AsLargeInt() {
  if (IsNull()) return 0;
  int64_t value = 0;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCINumberToInt(error, number_, sizeof value, OCI_NUMBER_SIGNED, &value), error);
  return value;
}

void TOraNumber::SetAsLargeInt(int64_t value) {
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCINumberFromInt(error, &value, sizeof value, OCI_NUMBER_SIGNED, number_), error);
  *indicator_ = 0;
}

double TOraNumber::AsFloat() {
  if (IsNull()) return 0;
  double value = 0;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCINumberToReal(error, number_, sizeof value, &value), error);
  return value;
}

void TOraNumber::SetAsFloat(double value) {
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCINumberFromReal(error, &value, sizeof value, number_), error);
  *indicator_ = 0;
}

std::string TOraNumber::AsString() {
  if (IsNull()) return "";
  if (OCIVersion < 8100) return classlib::FormatFloat("0.#", AsFloat());
  const std::string nls = OraNumericCharacters();
  static const std::string kModel = "TM9";
  OraText buffer[64];
  ub4 size = sizeof buffer;
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCINumberToText(error, number_, Bytes(kModel), static_cast<ub4>(kModel.size()), Bytes(nls),
                                 static_cast<ub4>(nls.size()), &size, buffer), error);
  return FixOraNumberText(std::string(reinterpret_cast<const char*>(buffer), size));
}

void TOraNumber::SetAsString(const std::string& value) {
  if (value.empty()) {
    *indicator_ = -1;
    return;
  }
  // Parsed aside, so a text the server refuses leaves the value as it was.
  OCINumber parsed;
  std::memset(&parsed, 0, sizeof parsed);
  const std::string model = MakeOraNumberFormat(value);
  const std::string nls = OraNumericCharacters();
  OCIError* const error = ErrorHandle();
  CheckOciStatus(OCINumberFromText(error, Bytes(value), static_cast<ub4>(value.size()), Bytes(model),
                                   static_cast<ub4>(model.size()), Bytes(nls), static_cast<ub4>(nls.size()),
                                   &parsed), error);
  std::memcpy(number_, &parsed, sizeof parsed);
  *indicator_ = 0;
}

}  // namespace oracle
