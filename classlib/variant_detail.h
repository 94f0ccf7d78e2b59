// Helpers the Variant sources share: error raising and the numeric views
// that conversion, comparison and arithmetic all need.
#pragma once

#include "classlib/variant.h"

namespace classlib::variant_detail {

[[noreturn]] void RaiseCastError(TVarType from, TVarType to);
[[noreturn]] void RaiseOverflow(TVarType from, TVarType to);
[[noreturn]] void RaiseInvalidOp();

// Smallint, Integer, ShortInt, Byte, Word, LongWord, Int64.
bool IsIntegerType(TVarType t);
// Numbers kept as floating values: Single, Double, Date.
bool IsFloatType(TVarType t);
// varString or varOleStr.
bool IsTextType(TVarType t);

// The value of v (already dereferenced) converted for a target type named
// `to` in error messages.
int64_t ToInt64(const Variant& v, TVarType to);
double ToDouble(const Variant& v, TVarType to);
Currency ToCurrency(const Variant& v, TVarType to);
// A Currency's scaled integer, or an integer (Boolean included) times the
// scale; 128 bits hold any Int64 times 10 000 exactly.
__int128 ScaledValue(const Variant& v);

}  // namespace classlib::variant_detail
