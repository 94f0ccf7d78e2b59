// The texts of the extended data set's own errors, by message number.
#pragma once

namespace fib {

// 65072: data set, statement name ("UpdateSQL"...), table.
inline constexpr const char* kMsgUnableToGenerate =
    "%s: unable to generate %s because fields for \"%s\" do not exist in dataset.";
// 65102: data set.
inline constexpr const char* kMsgUnableToCount = "%s unable to get number of records";
// 65103
inline constexpr const char* kMsgLockUpdateEmpty = "Unable to lock record. Update query is empty";
// 65133, followed directly by one of the three below or the error's text.
inline constexpr const char* kMsgRecordUpdating = "Error of record updating:";
inline constexpr const char* kMsgDeadlock = "Deadlock detected";           // 65134
inline constexpr const char* kMsgRecordMissing = "Record does not exist";   // 65135
inline constexpr const char* kMsgMultipleRecords = "Attempt to edit multiple records";  // 65104

}  // namespace fib
