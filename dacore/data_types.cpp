#include "dacore/data_types.h"

#include <array>

#include "classlib/exceptions.h"
#include "dacore/messages.h"

namespace dacore {

using namespace classlib;

namespace {

constexpr std::array<TFieldType, 31> kFieldTypes = {
    ftUnknown,  ftString,  ftSmallint,  ftSmallint,   ftInteger, ftFloat,   ftDate,
    ftTime,     ftDateTime, ftWord,     ftBoolean,    ftLargeint, ftCurrency, ftBlob,
    ftMemo,     ftADT,     ftReference, ftArray,      ftDataSet, ftVariant, ftString,
    ftBytes,    ftVarBytes, ftVarBytes, ftLargeint,   ftWideString, ftWideString, ftBCD,
    ftFMTBcd,   ftGuid,    ftWideMemo};

}  // namespace

bool IsBlobDataType(TDataType t) { return t == dtBlob || t == dtMemo || t == dtWideMemo; }

bool IsComplexDataType(TDataType t) {
  return IsBlobDataType(t) || t == dtVariant || t == dtHeapString || t == dtHeapVarBytes ||
         t == dtHeapWideString;
}

bool IsObjectValueType(TDataType t) {
  return t == dtObject || t == dtReference || t == dtArray || t == dtTable;
}

TFieldType DataTypeToFieldType(TDataType t) {
  if (t >= kFieldTypes.size()) throw EDatabaseError(SUnknownDataType);
  return kFieldTypes[t];
}

}  // namespace dacore
