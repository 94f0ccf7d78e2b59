#include "oracle/notify_oci_change_notification.h"

#include <mutex>
#include <string>

#include "classlib/exceptions.h"
#include "oracle/call_entries.h"
#include "oracle/call_state.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/conn_util_window.h"
#include "oracle/error_messages.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"

namespace oracle {

// What the client library's thread may reach: the window to post to and
// the owner named in the message, both cleared under the lock when the
// owner goes, and an error handle of its own.
struct TOCIChangeNotification::Link {
  std::mutex lock;
  TOCIChangeNotification* owner = nullptr;
  TUtilWindow* window = nullptr;
  OCIEnv* env = nullptr;
  OCIError* error = nullptr;
};

namespace {

constexpr ub4 kOpcodeAllOperations = 0;
constexpr ub4 kOpcodeInsert = 2, kOpcodeUpdate = 4, kOpcodeDelete = 8;

ub4 OperationCodes(TChangeNotifyDMLOperations operations) {
  if ((operations & kAllDMLOperations) == kAllDMLOperations) return kOpcodeAllOperations;
  ub4 codes = 0;
  if (operations & Ops(cnoInsert)) codes += kOpcodeInsert;
  if (operations & Ops(cnoUpdate)) codes += kOpcodeUpdate;
  if (operations & Ops(cnoDelete)) codes += kOpcodeDelete;
  return codes;
}

void SetScalar(OCISubscription* subscription, ub4 value, ub4 attribute) {
  CheckOciStatus(OCIAttrSet(subscription, OCI_HTYPE_SUBSCRIPTION, &value, sizeof value, attribute, hOCIError));
}

}  // namespace

TOCIChangeNotification::TOCIChangeNotification() : link_(std::make_unique<Link>()) {
  link_->owner = this;
}

TOCIChangeNotification::~TOCIChangeNotification() {
  if (subscription_ && connection_) {
    try {
      Unregister(*connection_);
    } catch (...) {
      // Reported nowhere: a destructor cannot raise.
    }
  }
  {
    std::lock_guard<std::mutex> guard(link_->lock);
    link_->owner = nullptr;
  }
  DropPending();
  if (link_->error) OCIHandleFree(link_->error, OCI_HTYPE_ERROR);
  // A subscription the server would not let go may still call back: its
  // context must stay valid.
  if (subscription_) (void)link_.release();
}

void TOCIChangeNotification::SetProp(int prop, const classlib::Variant& value) {
  switch (prop) {
    case prNotifyEnabled: SetEnabled(value.AsBoolean()); return;
    case prNotifyTimeOut: timeout_ = static_cast<uint32_t>(value.AsInteger()); return;
    case prNotifyPersistent: persistent_ = value.AsBoolean(); return;
    case prNotifyOperations:
      operations_ = static_cast<TChangeNotifyDMLOperations>(value.AsInteger()) & kAllDMLOperations;
      return;
    default: classlib::Assert(false, "OraClasses", __LINE__, std::to_string(prop));
  }
}

void TOCIChangeNotification::SetEnabled(bool value) {
  if (subscription_ && enabled_ != value) {
    OCIError* error = hOCIError;
    CheckOciStatus(value ? OCISubscriptionEnable(subscription_, error, OCI_DEFAULT)
                         : OCISubscriptionDisable(subscription_, error, OCI_DEFAULT));
  }
  enabled_ = value;
}

void TOCIChangeNotification::Register(TOCIConnection& connection) {
  if (IsDirectMode()) RaiseOraException(messages::kChangeNotifyDirect);
  if (OCIVersion < 10200) RaiseOraException(messages::kChangeNotifyClient);
  if (connection.GetOracleVersion() < 10200) RaiseOraException(messages::kChangeNotifyServer);
  if (subscription_) return;
  if ((operations_ & kAllDMLOperations) == 0) RaiseOraException(messages::kChangeNotifyNoOperations);

  // Persistent or not, the changes need a queue on this thread: one posted
  // where nothing receives it would never be freed.
  if (!window_) window_ = std::make_unique<TUtilWindow>();
  SetUtilMessageHandler(kWmChangeNotify, &TOCIChangeNotification::HandleMessage);
  if (!link_->error) {
    void* error = nullptr;
    CheckOciStatus(OCIHandleAlloc(hOCIEnv, &error, OCI_HTYPE_ERROR, 0, nullptr));
    link_->error = static_cast<OCIError*>(error);
  }
  link_->env = hOCIEnv;
  link_->window = window_.get();

  void* handle = nullptr;
  CheckOciStatus(OCIHandleAlloc(hOCIEnv, &handle, OCI_HTYPE_SUBSCRIPTION, 0, nullptr));
  auto* subscription = static_cast<OCISubscription*>(handle);
  try {
    SetScalar(subscription, OCI_SUBSCR_NAMESPACE_DBCHANGE, OCI_ATTR_SUBSCR_NAMESPACE);
    OCISubscriptionNotify callback = &TOCIChangeNotification::Callback;
    CheckOciStatus(OCIAttrSet(subscription, OCI_HTYPE_SUBSCRIPTION, reinterpret_cast<void*>(callback), 0,
                              OCI_ATTR_SUBSCR_CALLBACK, hOCIError));
    SetScalar(subscription, 1, OCI_ATTR_CHNF_ROWIDS);
    SetScalar(subscription, OperationCodes(operations_), OCI_ATTR_CHNF_OPERATIONS);
    CheckOciStatus(OCIAttrSet(subscription, OCI_HTYPE_SUBSCRIPTION, link_.get(), 0, OCI_ATTR_SUBSCR_CTX,
                              hOCIError));
    SetScalar(subscription, timeout_, OCI_ATTR_SUBSCR_TIMEOUT);
    SetScalar(subscription, persistent_ ? OCI_SUBSCR_QOS_RELIABLE : 0, OCI_ATTR_SUBSCR_QOSFLAGS);
    CheckOciStatus(OCISubscriptionRegister(connection.GetSvcCtx(), &subscription, 1, hOCIError, OCI_DEFAULT));
  } catch (...) {
    OCIHandleFree(subscription, OCI_HTYPE_SUBSCRIPTION);
    throw;
  }
  subscription_ = subscription;
  connection_ = &connection;
}

OCISubscription* TOCIChangeNotification::GetSubscriptionHandle(TOCIConnection& connection) {
  if (!subscription_) Register(connection);
  return subscription_;
}

void TOCIChangeNotification::Unregister(TOCIConnection& connection) {
  if (!subscription_) return;
  CheckOciStatus(OCISubscriptionUnRegister(connection.GetSvcCtx(), subscription_, hOCIError, OCI_DEFAULT));
  OCIHandleFree(subscription_, OCI_HTYPE_SUBSCRIPTION);
  subscription_ = nullptr;
  connection_ = nullptr;
}

// On the client library's thread: nothing here may raise, and nothing but
// the link is shared with the owner.
ub4 TOCIChangeNotification::Callback(void* context, OCISubscription* subscription, void*, ub4*,
                                     void* descriptor, ub4) {
  auto* link = static_cast<Link*>(context);
  if (!link || !descriptor) return 0;
  std::unique_ptr<TNotifyChange> change;
  try {
    change = BuildNotifyChange(link->env, link->error, descriptor);
  } catch (...) {
    return 0;  // a descriptor that cannot be read is dropped
  }
  change->Subscription = subscription;
  std::lock_guard<std::mutex> guard(link->lock);
  if (!link->owner) return 0;  // the owner is gone: the change is freed here
  link->window->Post(kWmChangeNotify, reinterpret_cast<uintptr_t>(link->owner),
                     reinterpret_cast<uintptr_t>(change.release()));
  return 0;
}

void TOCIChangeNotification::HandleMessage(uintptr_t wparam, uintptr_t lparam) {
  std::unique_ptr<TNotifyChange> change(reinterpret_cast<TNotifyChange*>(lparam));
  auto* owner = reinterpret_cast<TOCIChangeNotification*>(wparam);
  if (owner && change) owner->Deliver(*change);
}

void TOCIChangeNotification::Deliver(const TNotifyChange& change) {
  // The server ended the subscription: the handle is let go here, on the
  // thread that also unregisters, so it is freed once.
  if (change.NotifyType == cneDereg && subscription_ && change.Subscription == subscription_) {
    OCIHandleFree(subscription_, OCI_HTYPE_SUBSCRIPTION);
    subscription_ = nullptr;
    connection_ = nullptr;
  }
  if (OnChange) OnChange(this, change.NotifyType, change.TableChanges.get());
}

void TOCIChangeNotification::DropPending() {
  if (!window_) return;
  TUtilMessage message{};
  while (window_->TakeMessage(kWmChangeNotify, reinterpret_cast<uintptr_t>(this), message))
    delete reinterpret_cast<TNotifyChange*>(message.LParam);
}

}  // namespace oracle
