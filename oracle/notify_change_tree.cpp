#include "oracle/notify_change_tree.h"

#include "oracle/call_entries.h"
#include "oracle/call_entries_objects.h"
#include "oracle/error_ora.h"

namespace oracle {

namespace {

ub4 ScalarOf(void* descriptor, ub4 type, ub4 attribute, OCIError* error) {
  ub4 value = 0;
  CheckOciStatus(OCIAttrGet(descriptor, type, &value, nullptr, attribute, error), error);
  return value;
}

std::string TextOf(void* descriptor, ub4 type, ub4 attribute, OCIError* error) {
  const char* text = nullptr;
  ub4 size = 0;
  CheckOciStatus(OCIAttrGet(descriptor, type, &text, &size, attribute, error), error);
  return text ? std::string(text, size) : std::string();
}

OCIColl* CollectionOf(void* descriptor, ub4 type, ub4 attribute, OCIError* error) {
  OCIColl* collection = nullptr;
  CheckOciStatus(OCIAttrGet(descriptor, type, &collection, nullptr, attribute, error), error);
  return collection;
}

// Calls make with the descriptor each element of the collection points to.
template <typename Make>
void ForEachDescriptor(OCIEnv* env, OCIError* error, OCIColl* collection, Make make) {
  if (!collection) return;
  sb4 size = 0;
  CheckOciStatus(OCICollSize(env, error, collection, &size), error);
  for (sb4 index = 0; index < size; ++index) {
    boolean exists = 0;
    void* element = nullptr;
    void* indicator = nullptr;
    CheckOciStatus(OCICollGetElem(env, error, collection, index, &exists, &element, &indicator), error);
    if (exists && element) make(*static_cast<void**>(element));
  }
}

// The operation flags of a change descriptor as a set.
TChangeNotifyOperations OperationsOf(ub4 flags) {
  struct Flag {
    ub4 bit;
    TChangeNotifyOperation op;
  };
  static constexpr Flag kFlags[] = {{0x02, cnoInsert}, {0x04, cnoUpdate}, {0x08, cnoDelete},
                                    {0x01, cnoAllRows}, {0x10, cnoAlter},  {0x20, cnoDrop}};
  TChangeNotifyOperations operations = 0;
  for (const Flag& flag : kFlags)
    if (flags & flag.bit) operations |= Ops(flag.op);
  return operations;
}

}  // namespace

TNotifyRowChanges::TNotifyRowChanges(OCIEnv* env, OCIError* error, OCIColl* collection) {
  ForEachDescriptor(env, error, collection, [&](void* descriptor) {
    auto item = std::make_unique<TNotifyRowChange>();
    item->RowId = TextOf(descriptor, OCI_DTYPE_ROW_CHDES, OCI_ATTR_CHDES_ROW_ROWID, error);
    item->Operations = OperationsOf(ScalarOf(descriptor, OCI_DTYPE_ROW_CHDES, OCI_ATTR_CHDES_ROW_OPFLAGS, error)) &
                       kAllDMLOperations;
    items_.push_back(std::move(item));
  });
}

TNotifyTableChanges::TNotifyTableChanges(OCIEnv* env, OCIError* error, OCIColl* collection) {
  ForEachDescriptor(env, error, collection, [&](void* descriptor) {
    auto item = std::make_unique<TNotifyTableChange>();
    item->TableName = TextOf(descriptor, OCI_DTYPE_TABLE_CHDES, OCI_ATTR_CHDES_TABLE_NAME, error);
    item->Operations = OperationsOf(ScalarOf(descriptor, OCI_DTYPE_TABLE_CHDES, OCI_ATTR_CHDES_TABLE_OPFLAGS, error));
    if (!(item->Operations & Ops(cnoAllRows)))
      item->RowChanges = std::make_unique<TNotifyRowChanges>(
          env, error, CollectionOf(descriptor, OCI_DTYPE_TABLE_CHDES, OCI_ATTR_CHDES_TABLE_ROW_CHANGES, error));
    items_.push_back(std::move(item));
  });
}

std::unique_ptr<TNotifyChange> BuildNotifyChange(OCIEnv* env, OCIError* error, void* descriptor) {
  auto change = std::make_unique<TNotifyChange>();
  ub4 type = ScalarOf(descriptor, OCI_DTYPE_CHDES, OCI_ATTR_CHDES_NFYTYPE, error);
  // An event this layer does not know counts as none: the callback's thread
  // has nobody to report it to.
  change->NotifyType = type <= cneObjChange ? static_cast<TChangeNotifyEventType>(type) : cneNone;
  if (change->NotifyType == cneObjChange)
    change->TableChanges = std::make_unique<TNotifyTableChanges>(
        env, error, CollectionOf(descriptor, OCI_DTYPE_CHDES, OCI_ATTR_CHDES_TABLE_CHANGES, error));
  return change;
}

}  // namespace oracle
