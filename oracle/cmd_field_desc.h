// TOCIFieldDesc: the field description of one select-list column, with
// what the Oracle layer needs beyond the core's: the subtype that tells
// national, fixed, LONG-as-text and NUMBER-as-text columns apart, the
// server's type code and the precisions of date-times and intervals.
#pragma once

#include <string>

#include <cstdint>

#include "dacore/driver_field_desc.h"

namespace oracle {

// Subtypes of a field description.
inline constexpr uint16_t stString = 1;         // a text column described as a memo
inline constexpr uint16_t stWideString = 25;
inline constexpr uint16_t stRowId = 100;
inline constexpr uint16_t stIntervalYM = 112;
inline constexpr uint16_t stIntervalDS = 113;
inline constexpr uint16_t stURowId = 114;
inline constexpr uint16_t stNumberText = 115;
inline constexpr uint16_t stBinaryFloat = 118;
inline constexpr uint16_t stBinaryDouble = 119;
inline constexpr uint16_t stNationalString = 120;
inline constexpr uint16_t stNationalWideString = 121;
inline constexpr uint16_t stNationalClob = 122;

class TOCIFieldDesc : public dacore::TCRFieldDesc {
  CLASSLIB_CLASS(TOCIFieldDesc, dacore::TCRFieldDesc)
 public:
  uint16_t SubDataType = 0;
  // The server's type code (1 VARCHAR2, 2 NUMBER, 12 DATE ...).
  uint16_t OraType = 0;
  uint8_t FsPrecision = 0;
  uint8_t LfPrecision = 0;
  // The quoted "SCHEMA"."NAME" of an object or REF column's type.
  std::string TypeName;
};

// Whether a subtype marks a text column kept as a memo (the fetch reads
// it as one zero-terminated string instead of in pieces).
inline bool IsStringSubType(uint16_t sub_type) {
  return sub_type == stString || sub_type == stWideString || sub_type == stNationalString ||
         sub_type == stNationalWideString;
}

}  // namespace oracle
