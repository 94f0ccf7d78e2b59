// What a change notification says, as plain objects built from the client
// library's descriptors: the event, the tables changed and, per table, the
// rows changed with their ROWIDs. Each object owns what it references.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "oracle/oci_defs.h"

namespace oracle {

// Equal to the call interface's event codes.
enum TChangeNotifyEventType : uint8_t {
  cneNone = 0, cneStartup, cneShutdown, cneShutdownAny, cneDropDB, cneDereg, cneObjChange
};
enum TChangeNotifyOperation : uint8_t { cnoInsert, cnoUpdate, cnoDelete, cnoAllRows, cnoAlter, cnoDrop };

// A set of operations, one bit per TChangeNotifyOperation.
using TChangeNotifyOperations = uint8_t;
// The set of the three row operations (insert, update, delete).
using TChangeNotifyDMLOperations = uint8_t;

constexpr TChangeNotifyOperations Ops(TChangeNotifyOperation op) { return static_cast<uint8_t>(1u << op); }
inline constexpr TChangeNotifyDMLOperations kAllDMLOperations =
    Ops(cnoInsert) | Ops(cnoUpdate) | Ops(cnoDelete);

struct TNotifyRowChange {
  std::string RowId;
  TChangeNotifyDMLOperations Operations = 0;
};

// The items of one collection of change descriptors.
template <typename Item>
class TCustomNotifyChanges {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  const Item& Items(int index) const { return *items_.at(static_cast<size_t>(index)); }

 protected:
  std::vector<std::unique_ptr<Item>> items_;
};

class TNotifyRowChanges : public TCustomNotifyChanges<TNotifyRowChange> {
 public:
  // From a collection of row change descriptors (called on the client
  // library's thread).
  TNotifyRowChanges(OCIEnv* env, OCIError* error, OCIColl* collection);
};

struct TNotifyTableChange {
  std::string TableName;
  TChangeNotifyOperations Operations = 0;
  std::unique_ptr<TNotifyRowChanges> RowChanges;  // none with cnoAllRows
};

class TNotifyTableChanges : public TCustomNotifyChanges<TNotifyTableChange> {
 public:
  TNotifyTableChanges(OCIEnv* env, OCIError* error, OCIColl* collection);
};

struct TNotifyChange {
  TChangeNotifyEventType NotifyType = cneNone;
  std::unique_ptr<TNotifyTableChanges> TableChanges;  // only for cneObjChange
  // The subscription that was called back, so a deregistration that
  // arrives late cannot let a newer subscription go.
  OCISubscription* Subscription = nullptr;
};

// Builds the change a notification descriptor (OCI_DTYPE_CHDES) holds.
std::unique_ptr<TNotifyChange> BuildNotifyChange(OCIEnv* env, OCIError* error, void* descriptor);

}  // namespace oracle
