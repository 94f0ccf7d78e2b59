// Unique names for the top-level fields of a store, so that every column
// gets a field of its own in the data set.
#pragma once

#include "dacore/field_descs.h"

namespace dacore {

// Names that occur more than once (ignoring case) are flagged; the first
// field of such a run, in field-number order, keeps its name and the others
// get "_1", "_2", ... appended; fields without a name become "_0", "_1", ...
// A new name that meets an existing one moves that one aside with "_" and
// a number of its own.
void MakeUniqueFieldNames(TFieldDescs& fields);

}  // namespace dacore
