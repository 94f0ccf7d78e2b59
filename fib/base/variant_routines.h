// Comparison of variant values of different kinds, as data sets need it for
// sorting, locating and change detection, and the multi-dimensional variant
// arrays behind array columns. Comparisons are ordinal (by code), never by
// locale; numbers meet texts by converting the text to a number (a text that
// is none raises EConvertError); pairs of kinds that do not meet compare as
// equal.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "classlib/variant.h"

namespace fib {

using classlib::Variant;

// ---- Typed comparisons: -1, 0 or 1 as the left value is smaller, equal or larger.
// Every integer kind widens to 64 bits, so one routine serves them all.
int CompareInteger(int64_t left, const Variant& right);
// Single, double and date-time left values.
int CompareFloat(double left, const Variant& right);
int CompareCurrency(classlib::Currency left, const Variant& right);
int CompareWideString(const classlib::WideString& left, const Variant& right);
int CompareAnsiString(const std::string& left, const Variant& right);
bool EqualWideString(const classlib::WideString& left, const Variant& right);
bool EqualAnsiString(const std::string& left, const Variant& right);

// ---- Dispatch on the left value's kind (references are followed).
int CompareVariants(const Variant& v1, const Variant& v2);
bool EqualVariants(const Variant& v1, const Variant& v2);
// Whether a locate key v1 cannot sensibly meet a field value v2.
bool VarTypesIncompatible(const Variant& v1, const Variant& v2);
// True at the first element from high_index down to 0 where the two
// one-dimensional arrays differ (one null and the other not, or unequal values).
bool VarArraysDiffer(const Variant& a, const Variant& b, int high_index);
// The address of the value for the number, date and Boolean kinds, the
// string object for the text kinds; nullptr for any other kind.
const void* ValuePtr(const Variant& v);

// ---- Variant arrays. Errors raise classlib::Exception with the messages
// "Variant is not an array.", "Variant array index out of bounds." and
// "Unable to create variant array.".
struct TVarArrayBound {
  int Low;
  int High;
};

Variant CreateVarArray(std::span<const TVarArrayBound> bounds, classlib::TVarType element_type,
                       int dim_count);
// indices must hold one entry per dimension. Call these as fib::VarArrayGet
// and fib::VarArrayPut: argument lookup finds the class library's own too.
Variant VarArrayGet(const Variant& a, std::span<const int> indices);
void VarArrayPut(Variant& a, const Variant& value, std::span<const int> indices);

// ---- Walking every element. The per-thread index vector holds the current
// position of a walk over an array of up to 16 dimensions; one thread must
// not interleave two walks over it.
constexpr int kIndexVectorSize = 17;
using TIndexVector = std::array<int32_t, kIndexVectorSize>;

const TIndexVector& IndexVector();
// The lower bound of every dimension of a; the rest 0.
void InitIndexVector(const Variant& a);
// Advances like an odometer, last dimension fastest; false after the last element.
bool NextIndex(const Variant& a);

// Every element in row order (last dimension fastest). These walks keep
// their own position, so a visitor may itself walk another array.
void ForEachArrayElement(const Variant& a,
                         const std::function<void(const Variant& element)>& visit);
void FillArrayElements(Variant& a, const std::function<Variant()>& next_value);

}  // namespace fib
