// The values the sequence drivers write, by value number, and how a
// comparison prints them: the same numbers give the same values in every
// layer, so a shrunk sequence reads alike wherever it was found.
#pragma once

#include <string>

#include "classlib/datetime.h"

namespace sequences {

// Bytes as upper-case hexadecimal digits.
std::string Hex(const std::string& bytes);
// A short text ("s<v>") or a memo ("memo <v>"); even numbers are longer
// than a store keeps inline (60 and 700 characters).
std::string TextValue(bool short_text, int v);
double FloatValue(int v);
classlib::TDateTime DateValue(int v);
// A float as its shortest exact-enough text; a date to the whole second.
std::string FloatText(double value);
std::string DateText(classlib::TDateTime value);

}  // namespace sequences
