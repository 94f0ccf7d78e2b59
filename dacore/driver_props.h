// Numbered driver properties and the fail-over vocabulary. Components pass
// every setting to their driver objects as (number, Variant) through
// SetProp/GetProp; each driver class answers its own numbers and hands the
// others to its parent.
#pragma once

#include "classlib/exceptions.h"

namespace dacore {

// Generic property numbers.
inline constexpr int prUsername = 1;        // connection, read only
inline constexpr int prAutoCommit = 5;      // connection and command
inline constexpr int prCommandProp11 = 11;  // command: whether it scans parameters itself; accepted, reads False
inline constexpr int prRowsProcessed = 13;  // command: rows the last execution touched
inline constexpr int prUniDirectional = 20;
inline constexpr int prFetchRows = 21;
inline constexpr int prFetchAll = 22;
inline constexpr int prCommandProp24 = 24;  // command, a stored Boolean
inline constexpr int prLongStrings = 25;
inline constexpr int prRecordSetProp26 = 26;  // record set, a stored Boolean
inline constexpr int prFlatBuffers = 27;
inline constexpr int prConvertEOL = 28;
inline constexpr int prSortFields = 29;       // record set: the sort-field text
inline constexpr int prRecordSetProp30 = 30;  // record set: a byte handed to the command
inline constexpr int prDisconnectedMode = 31;
inline constexpr int prCommandProp32 = 32;    // command, accepted and ignored

// Why a connection was found lost: the operation that was running.
enum TConnLostCause {
  clUnknown,
  clExecute,
  clOpen,
  clRefresh,
  clApply,
  clServiceQuery,
  clTransStart,
  clConnectionApply,
  clConnect
};

// What the application wants after a lost connection.
enum TRetryMode { rmRaise, rmReconnect, rmReconnectExecute };

// Raised by the error loop after a successful reconnect when the operation
// is to run again; the component that started it catches it and repeats it.
class EFailOver : public classlib::Exception {
  CLASSLIB_CLASS(EFailOver, classlib::Exception)
 public:
  explicit EFailOver(TConnLostCause cause) : classlib::Exception(""), ConnLostCause(cause) {}
  TConnLostCause ConnLostCause;
};

// The assertion failure of a property number that no class of a hierarchy knows.
[[noreturn]] void UnknownProperty(const char* unit, int line, int prop);

}  // namespace dacore
