// Variant: the class library's tagged value. A type code (VarType) says what
// the value holds; conversions between the kinds follow the platform's rules
// and raise EVariantError where a value cannot be converted. Variant arrays
// have any number of dimensions with their own bounds and are copied by value.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "classlib/bcd.h"
#include "classlib/codepage.h"
#include "classlib/currency.h"
#include "classlib/datetime.h"
#include "classlib/object.h"

namespace classlib {

// ---- Type codes -----------------------------------------------------------

using TVarType = uint16_t;

constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varOleStr = 0x0008;
constexpr TVarType varDispatch = 0x0009;
constexpr TVarType varError = 0x000A;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varUnknown = 0x000D;
constexpr TVarType varDecimal = 0x000E;
constexpr TVarType varShortInt = 0x0010;
constexpr TVarType varByte = 0x0011;
constexpr TVarType varWord = 0x0012;
constexpr TVarType varLongWord = 0x0013;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varString = 0x0100;
// Custom types of the class library, registered above varString.
constexpr TVarType varSQLTimeStamp = 0x010F;
constexpr TVarType varFMTBcd = 0x0110;
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;
// A by-reference variant that points to another Variant.
constexpr TVarType varVariantByRef = varVariant | varByRef;
// varByRef alone: the value is a pointer to a TObject (data-access layers
// keep their value objects in variants this way).
constexpr TVarType varObjectRef = varByRef;

// A date and time as the SQL layers exchange it; Fractions are milliseconds.
struct TSQLTimeStamp {
  int16_t Year = 0;
  uint16_t Month = 0;
  uint16_t Day = 0;
  uint16_t Hour = 0;
  uint16_t Minute = 0;
  uint16_t Second = 0;
  uint32_t Fractions = 0;

  friend bool operator==(const TSQLTimeStamp&, const TSQLTimeStamp&) = default;
};

TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& ts);  // EConvertError when invalid
TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime dt);

// ---- The value ------------------------------------------------------------

class VarArrayData;  // the storage of a variant array (variant_array.cpp)

class Variant {
 public:
  Variant() noexcept;
  Variant(const Variant& other);
  Variant(Variant&& other) noexcept;
  Variant& operator=(const Variant& other);
  Variant& operator=(Variant&& other) noexcept;
  ~Variant();

  Variant(bool b);
  Variant(char c);  // a one-character text, as the platform's Char gives
  Variant(int8_t i);
  Variant(uint8_t i);
  Variant(int16_t i);
  Variant(uint16_t i);
  Variant(int32_t i);
  Variant(uint32_t i);
  Variant(long i);
  Variant(long long i);
  Variant(float f);
  Variant(double d);
  Variant(Currency c);
  Variant(const char* s);
  Variant(std::string s);
  Variant(const char16_t* s);
  Variant(WideString s);
  Variant(const TSQLTimeStamp& ts);
  Variant(const TBcd& bcd);
  // Without this a pointer would quietly become a Boolean; objects go in
  // through FromObject.
  Variant(const void*) = delete;

  static Variant Null();
  static Variant FromDate(TDateTime dt);
  static Variant FromError(int32_t code);
  // A varObjectRef holding obj; the variant does not own it.
  static Variant FromObject(TObject* obj);
  // A varVariantByRef pointing to target, which must outlive every copy.
  static Variant Reference(Variant* target);

  TVarType VType() const { return vtype_; }
  // The variant a reference points to (itself when it is no reference).
  const Variant& Deref() const;
  Variant& Deref();

  // Conversions. Empty gives 0, "" or False; Null and arrays raise
  // EVariantError. Texts are read with the format settings (numbers, dates,
  // "True"/"False" in any case); floats round half to even into integers;
  // True is -1 as a number; a value that does not fit raises the overflow
  // error. References are followed.
  bool AsBoolean() const;
  int16_t AsSmallint() const;
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  double AsDouble() const;
  Currency AsCurrency() const;
  TDateTime AsDate() const;
  std::string AsString() const;
  WideString AsOleStr() const;
  TSQLTimeStamp AsSQLTimeStamp() const;
  TBcd AsFMTBcd() const;
  TObject* AsObject() const;  // EVariantError unless a varObjectRef
  int32_t AsError() const;

  // The address of the value for the fixed-size kinds (numbers, date,
  // Boolean, currency, error, timestamp, decimal) and the strings' own
  // objects (std::string for varString, WideString for varOleStr); nullptr
  // for the others. References are followed.
  const void* DataPtr() const;

  VarArrayData* ArrayData() { return array_.get(); }
  const VarArrayData* ArrayData() const { return array_.get(); }

 private:
  friend Variant MakeArrayVariant(std::unique_ptr<VarArrayData> data);

  void Clear() noexcept;
  void CopyFrom(const Variant& other);

  TVarType vtype_ = varEmpty;
  union Data {
    Data() : i64(0) {}
    bool b;
    int8_t i8;
    uint8_t u8;
    int16_t i16;
    uint16_t u16;
    int32_t i32;
    uint32_t u32;
    int64_t i64;
    float f;
    double d;  // also varDate
    Currency cy;
    TSQLTimeStamp ts;
    TBcd bcd;
    TObject* obj;
    Variant* ref;
  } data_;
  std::string str_;
  WideString wstr_;
  std::unique_ptr<VarArrayData> array_;
};

Variant Null();
Variant Unassigned();

// ---- Type tests -----------------------------------------------------------

TVarType VarType(const Variant& v);
bool VarIsEmpty(const Variant& v);
bool VarIsNull(const Variant& v);
bool VarIsClear(const Variant& v);  // Empty, or an object reference to nothing
bool VarIsArray(const Variant& v);
bool VarIsByRef(const Variant& v);
bool VarIsStr(const Variant& v);      // varString or varOleStr
bool VarIsOrdinal(const Variant& v);  // integers and Boolean
bool VarIsFloat(const Variant& v);    // single, double, currency, decimal
bool VarIsNumeric(const Variant& v);  // ordinal or float
bool VarIsSQLTimeStamp(const Variant& v);
bool VarIsFMTBcd(const Variant& v);
// "Integer", "String", "Array Variant", ... as conversion messages print them.
std::string VarTypeAsText(TVarType t);

// ---- Conversions ----------------------------------------------------------

// The value converted to the kind `t` (a scalar type code); EVariantError
// "Could not convert variant of type (%s) into type (%s)" when it cannot be,
// "Overflow while converting variant of type (%s) into type (%s)" when the
// value does not fit.
Variant VarAsType(const Variant& v, TVarType t);
// Like AsString, but Null gives the empty text.
std::string VarToStr(const Variant& v);
std::string VarToStrDef(const Variant& v, const std::string& def);
WideString VarToWideStr(const Variant& v);
Variant VarSQLTimeStampCreate(const TSQLTimeStamp& ts);
TSQLTimeStamp VarToSQLTimeStamp(const Variant& v);
Variant VarFMTBcdCreate(const TBcd& bcd);
TBcd VarToBcd(const Variant& v);

// ---- Equality and ordering ------------------------------------------------

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

// Null equals Null and sorts before every other value. Empty counts as 0,
// the empty text or False against those kinds. Numbers compare by value;
// a number against a text converts the text to a number (EVariantError when
// it is none). Texts compare ordinally by code, an ANSI text against a wide
// one as wide text. vrNotEqual: the two have no order (arrays, object
// references, error codes, or kinds that do not meet).
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
bool VarSameValue(const Variant& a, const Variant& b);

bool operator==(const Variant& a, const Variant& b);
bool operator!=(const Variant& a, const Variant& b);
// Raise EVariantError "Invalid variant operation" for pairs without order.
bool operator<(const Variant& a, const Variant& b);
bool operator<=(const Variant& a, const Variant& b);
bool operator>(const Variant& a, const Variant& b);
bool operator>=(const Variant& a, const Variant& b);

// ---- Arithmetic (filter expressions) -------------------------------------

// Null in, Null out. Integers stay integers while they fit 32 bits, then
// become Int64; a float makes a Double; Currency stays exact with integers;
// Date plus or minus a number is a Date; "/" always gives a Double; "+" of
// two texts concatenates, a text with a number is converted to a number.
Variant operator+(const Variant& a, const Variant& b);
Variant operator-(const Variant& a, const Variant& b);
Variant operator*(const Variant& a, const Variant& b);
Variant operator/(const Variant& a, const Variant& b);
Variant operator-(const Variant& a);
// Logical not of a Boolean (or a text that converts to one), bitwise not of
// an integer.
Variant VarNot(const Variant& a);

// ---- Variant arrays -------------------------------------------------------

// bounds holds pairs (low, high) per dimension; high may be low - 1 for an
// empty dimension. Element types: the number kinds, Date, OleStr, Error,
// Boolean and Variant. EVariantError "Error creating variant or safe array"
// on bad bounds or more than 64 dimensions.
Variant VarArrayCreate(std::span<const int> bounds, TVarType element_type);
Variant VarArrayCreate(std::initializer_list<int> bounds, TVarType element_type);
// A one-dimensional array [0..n-1] of varVariant elements.
Variant VarArrayOf(std::span<const Variant> values);
Variant VarArrayOf(std::initializer_list<Variant> values);

// 0 for a variant that is no array.
int VarArrayDimCount(const Variant& a);
// Dimensions count from 1. EVariantError "Variant is not an array" for
// scalars, "Variant or safe array index out of bounds" for a bad dimension.
int VarArrayLowBound(const Variant& a, int dim);
int VarArrayHighBound(const Variant& a, int dim);
TVarType VarArrayElementType(const Variant& a);
int VarArrayElementSize(const Variant& a);  // bytes of one stored element

// One element by an index per dimension; "Variant or safe array index out
// of bounds" when the count or a value is wrong. Put converts the value to
// the element type first.
Variant VarArrayGet(const Variant& a, std::span<const int> indices);
Variant VarArrayGet(const Variant& a, std::initializer_list<int> indices);
void VarArrayPut(Variant& a, const Variant& value, std::span<const int> indices);
void VarArrayPut(Variant& a, const Variant& value, std::initializer_list<int> indices);

// Raw element storage in row order, last dimension fastest: the elements
// themselves for fixed-size types, Variant objects for varVariant and
// WideString objects for varOleStr. While locked the array cannot be resized.
void* VarArrayLock(Variant& a);
void VarArrayUnlock(Variant& a);
// New high bound of the last dimension; elements past the old end are zero.
void VarArrayRedim(Variant& a, int high_bound);

}  // namespace classlib
