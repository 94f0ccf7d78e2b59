// How a statement's conditions are kept in a stored form: the property
// "Data" as a list of values, written against the inherited form's
// conditions so that only what differs is kept, and the two properties of
// older forms that are still read.
#pragma once

#include <string>
#include <variant>
#include <vector>

#include "classlib/strings.h"
#include "fib/statements/conditions.h"

namespace fib {

// One value of a stored property list: a text or a Boolean.
using StoredValue = std::variant<std::string, bool>;

// Marks the end of the conditions and the start of the names of inherited
// conditions this list has deleted.
inline constexpr const char* kDeletedConditionsMarker = "#@DELETED";

// For each condition that differs from the ancestor's of that name: its name,
// its text ("'" for an empty text, "0" for the ancestor's text) and Enabled;
// then the marker and the inherited names this list lacks. Empty when there
// is nothing to store.
std::vector<StoredValue> WriteConditionsData(const TConditions& conditions, const TConditions* ancestor);
// Applies a stored "Data" list to conditions holding the inherited ones.
// Raises EReadError on a list that does not have that shape.
void ReadConditionsData(TConditions& conditions, const std::vector<StoredValue>& values);

// Older forms: "Strings" held the lines, "Enabled" a text whose characters
// at positions 2, 4, 6, ... (counted from 1) flag conditions 0, 1, 2, ...
void ReadOldConditionsStrings(TConditions& conditions, const classlib::TStrings& lines);
void ReadOldConditionsEnabled(TConditions& conditions, const std::string& flags);

}  // namespace fib
