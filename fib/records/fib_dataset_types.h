// The vocabulary of the buffered data sets: record statuses, option sets,
// the record buffer's header, the event types and the small records the data
// set keeps for sorting and for the limited cache.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/db_types.h"
#include "classlib/enum_set.h"
#include "classlib/event.h"
#include "classlib/exceptions.h"
#include "classlib/variant.h"
#include "fib/statements/fib_base.h"

namespace classlib {
class TDataSet;
class TField;
}  // namespace classlib

namespace fib {

class TFIBBlobField;
class TFIBBlobStream;
class TFIBQuery;
class TFIBTransaction;

// The cached-update status of a record (bits 0-2 of its status byte).
enum TCachedUpdateStatus : uint8_t {
  cusUnmodified,
  cusModified,
  cusInserted,
  cusDeleted,
  cusUninserted,
  cusDeletedApplied,
};
using TFIBUpdateRecordTypes = classlib::EnumSet<TCachedUpdateStatus>;
using TUpdateKinds = classlib::EnumSet<classlib::TUpdateKind>;

// Which transaction the refresh statement runs in.
enum TTransactionKind { tkReadTransaction, tkUpdateTransaction };

// The search options of the extended locate, in bit order.
enum TLocateKeyOption {
  lkoCaseInsensitive,
  lkoPartialKey,
  lkoWildcards,
  lkoSortedData,
  lkoNearest,
  lkoFetchedOnly,
};
using TLocateKeyOptions = classlib::EnumSet<TLocateKeyOption>;
enum TLocateDirection { ldFirst, ldNext, ldPrior };

// ---- record buffer header ----
// Record index (Int32), bookmark flag, status byte, then one null flag per
// column; the column values follow at the offsets of the record layout.
inline constexpr int kRecIndexOffset = 0;
inline constexpr int kBookmarkFlagOffset = 4;
inline constexpr int kStatusOffset = 5;
inline constexpr int kNullFlagsOffset = 6;
inline constexpr uint8_t kStatusMask = 0x07;
// Set in the status byte once the record's calculated fields are cached.
inline constexpr uint8_t kCalcCachedBit = 0x80;
// A blob slot holds a 32-bit handle into the data set's stream table (0:
// none), so the record layout stays the same on every platform. Only blob
// fields have a slot: other fields never hold a stream.
inline constexpr int kBlobSlotSize = 4;
// Bookmarks of the standard model: record identity, active record, and the
// opening of the data set they were taken in (a record of an earlier
// opening is gone, whatever record now has its number).
inline constexpr int kStandardBookmarkSize = 12;
inline constexpr int kBookmarkOpeningOffset = 8;
inline constexpr int kDefaultBufferChunks = 32;
inline constexpr int kMinLimitedBufferChunks = 100;
// The delay before a detail follows a scrolling master.
inline constexpr uint32_t kWaitEndMasterScrollMs = 300;

// ---- events ----
using TCompareFieldValuesEvent = classlib::Event<int(classlib::TField* field,
                                                    const classlib::Variant& s1,
                                                    const classlib::Variant& s2)>;
// Fired for every row the select statement fetches into the cache; setting
// stop ends the fetch quietly.
using TFetchRecordEvent =
    classlib::Event<void(TFIBQuery* query, int record_index, bool& stop)>;
using TGetRecordErrorEvent = classlib::Event<void(
    classlib::TDataSet* data_set, classlib::Exception& error, classlib::TDataAction& action)>;
using TFIBUpdateRecordEvent = classlib::Event<void(
    classlib::TDataSet* data_set, classlib::TUpdateKind kind, classlib::TUpdateAction& action)>;
using TFIBUpdateErrorEvent =
    classlib::Event<void(classlib::TDataSet* data_set, classlib::EDatabaseError& error,
                         classlib::TUpdateKind kind, classlib::TUpdateAction& action)>;
using TOnFillClientBlob = classlib::Event<void(classlib::TDataSet* data_set, TFIBBlobField* field,
                                               TFIBBlobStream* stream)>;
using TFieldChangeEvent = classlib::Event<void(classlib::TField* field)>;
// Start and end of the read or update transaction, relayed to the data set.
using TTransactionNotifyEvent = classlib::Event<void(classlib::TObject* sender)>;
using TTransactionEndEvent = classlib::Event<void(TFIBTransaction* transaction,
                                                  TTransactionAction action, bool force)>;

// One field of the select statement's ORDER BY.
struct TSortFieldInfo {
  std::string FieldName = "Unknown";
  int FieldIndex = -1;  // in Fields, -1 when the field is absent
  int Position = -1;    // 1-based in the ORDER BY
  bool Ascending = true;
  bool NullsFirst = false;
};

// The window of rows the limited cache model holds.
struct TLimitedCacheWindow {
  int32_t FirstIndex = -1;
  int32_t LastIndex = -1;
  bool AtStart = true;
  bool AtEnd = false;
  // The statement feeding the window now.
  TFIBQuery* Statement = nullptr;
};

}  // namespace fib
