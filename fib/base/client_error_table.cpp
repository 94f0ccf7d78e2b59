// The numbered texts of the errors the layer detects itself. Other code
// raises them by number, so the order is fixed.
#include "fib/base/errors.h"

namespace fib {

namespace {

constexpr std::string_view kClientErrors[kClientErrorCount] = {
    /* 0 */ "Unknown error.",
    /* 1 */ "Unsupported feature.",
    /* 2 */ "Not permitted.",
    /* 3 */ "Temporary file access error.",
    /* 4 */ "Database connection timed out.",
    /* 5 */ "Cannot set database.",
    /* 6 */ "Cannot set transaction.",
    /* 7 */ "Operation cancelled at user's request.",
    /* 8 */ "DPB Constant (isc_dpb_%s) is unsupported.",
    /* 9 */ "DPB Constant (%s) is unknown.",
    /* 10 */ "TPB Constant (isc_tpb_%s) is unsupported.",
    /* 11 */ "TPB Constant (%s) is unknown.",
    /* 12 */ "%s: Cannot perform operation -- DB is not open.",
    /* 13 */ "Cannot perform operation -- DB is currently open.",
    /* 14 */ "Database name is missing.",
    /* 15 */ "%s :Transaction is not active.",
    /* 16 */ "%s :Transaction is active.",
    /* 17 */ "Timeout values cannot be negative.",
    /* 18 */ "%s :No databases are listed in transaction component.",
    /* 19 */ "%s :Updating wrong database.",
    /* 20 */ "%s :Updating wrong transaction.",
    /* 21 */ "Database not assigned for %s.",
    /* 22 */ "Transaction not assigned for %s.",
    /* 23 */ "XSQLDA index out of range.",
    /* 24 */ "XSQLDA name does not exist (%s).",
    /* 25 */ "End of file.",
    /* 26 */ "Beginning of file.",
    /* 27 */ "%s:Invalid statement handle.",
    /* 28 */ "Can't %s because %s dataset open.",
    /* 29 */ "Can't %s because %s dataset closed.",
    /* 30 */ "Unknown SQL Data type (%d).",
    /* 31 */ "Invalid column index (index exceeds permitted range).",
    /* 32 */ "Invalid parameter index (index exceeds permitted range).",
    /* 33 */ "Invalid data conversion.",
    /* 34 */ "Column cannot be set to null (%s)",
    /* 35 */ "Blob stream cannot be read.",
    /* 36 */ "Blob stream cannot be written.",
    /* 37 */ "Can't %s , because  query is empty",
    /* 38 */ "Can't \"open\" a non-select statement. Use ExecQuery.",
    /* 39 */ "No access to field \"%s\".",
    /* 40 */ "Field \"%s\" is read-only.",
    /* 41 */ "Field \"%s\" not found.",
    /* 42 */ "DataSet not in Edit or Insert mode.(%s)",
    /* 43 */ "Not editing.",
    /* 44 */ "Can't insert into dataset. (%s)",
    /* 45 */ "Can't post. (%s) ",
    /* 46 */ "Can't update. (%s)",
    /* 47 */ "Can't delete from dataset. (%s)",
    /* 48 */ "Can't refresh row. (%s)",
    /* 49 */ "Buffer not set.",
    /* 50 */ "Circular references not permitted.(%s)",
    /* 51 */ "SQL Parse Error in :%s \r\n\r\n%s",
    /* 52 */ "User abort.",
    /* 53 */ "Data set is uni-directional.",
    /* 54 */ "Cannot create shared resource. (Windows error %d)",
    /* 55 */ "Windows API error. (Windows error %d [$%.8x])",
    /* 56 */ "Column lists do not match.",
    /* 57 */ "Column types don't match. (From index: %d, To index: %d)",
    /* 58 */ "Can't end a shared transaction unless it is forced and equal to the "
             "transaction's TimeoutAction.",
    /* 59 */ "Column types \"%s\" is not array field",
    /* 60 */ "Dimension %d don't exist in \"%s\" ",
    /* 61 */ "SQL Dialect invalid",
    /* 62 */ "InterBase library gds32.dll not found in the path. Please install InterBase to "
             "use this functionality",
    /* 63 */ "%s is an InterBase6 function. Please upgrade to InterBase6 to use this "
             "functonality",
    /* 64 */ "InterBase Install DLL ibinstall.dll not found in the path. Please install "
             "InterBase 6 to use this functionality",
    /* 65 */ "Cannot perform operation -- service is not attached",
    /* 66 */ "Cannot perform operation -- service is attached",
    /* 67 */ "Server Name Missing",
    /* 68 */ "Query Parameters missing or incorrect",
    /* 69 */ "Start Parameters missing or incorrect",
    /* 70 */ "Unexpected Output buffer value",
    /* 71 */ "Generic ServiceStart not applicable: Use Specific Procedures to set "
             "configuration params",
    /* 72 */ "SPB Constant Not supported",
    /* 73 */ "SPB Constant Unknown",
    /* 74 */ "Field Size too small. Field %s.%s",
    /* 75 */ "%s. Can't use limited cache. \r\nCachedUpdates must be False,\r\nSelect must "
             "have \"Order by\" clause ,\r\nAll order fields must exist in fields "
             "section\r\nSelect can't use params with prefix \"NEW_\"\r\nUpdateTransaction "
             "must be equel Transaction or AutoCommit=True ",
    /* 76 */ "Error in %s. FieldList is empty.",
    /* 77 */ "%s can't use field \"%s\"",
    /* 78 */ "%s is an Firebird 2 function. Please upgrade to Firebird 2 to use this "
             "functonality",
};

}  // namespace

std::string_view ClientErrorText(int code) {
  if (code < 0 || code >= kClientErrorCount) return kClientErrors[0];
  return kClientErrors[code];
}

}  // namespace fib
