// A subscription to the database's change notification. The client library
// calls back on a thread of its own; the callback only builds the change
// and posts it (message 1029) to this object's utility window, and
// everything else, the handler and the subscription handle among it, lives
// on the thread that owns the object (the main thread).
#pragma once

#include <cstdint>
#include <memory>

#include "classlib/event.h"
#include "classlib/object.h"
#include "classlib/variant.h"
#include "oracle/notify_change_tree.h"
#include "oracle/oci_defs.h"

namespace oracle {

class TOCIConnection;
class TUtilWindow;

// Driver properties of a change notification.
inline constexpr int prNotifyEnabled = 95;
inline constexpr int prNotifyTimeOut = 96;
inline constexpr int prNotifyPersistent = 97;
inline constexpr int prNotifyOperations = 98;

using TChangeNotifyEvent = classlib::Event<void(classlib::TObject* sender, TChangeNotifyEventType type,
                                                const TNotifyTableChanges* changes)>;

class TOCIChangeNotification : public classlib::TObject {
  CLASSLIB_CLASS(TOCIChangeNotification, classlib::TObject)
 public:
  TOCIChangeNotification();
  // Unregisters through the connection it registered on (which must still
  // exist) and frees the changes still waiting for the handler.
  ~TOCIChangeNotification() override;
  TOCIChangeNotification(const TOCIChangeNotification&) = delete;
  TOCIChangeNotification& operator=(const TOCIChangeNotification&) = delete;

  // 95 Enabled, 96 TimeOut, 97 Persistent, 98 Operations; any other id is
  // an assertion failure.
  void SetProp(int prop, const classlib::Variant& value);

  bool Enabled() const { return enabled_; }
  // Registered: disables or enables the subscription on the server.
  void SetEnabled(bool value);
  bool Persistent() const { return persistent_; }
  uint32_t TimeOut() const { return timeout_; }
  TChangeNotifyDMLOperations Operations() const { return operations_; }

  void Register(TOCIConnection& connection);
  // Registers first when not registered.
  OCISubscription* GetSubscriptionHandle(TOCIConnection& connection);
  void Unregister(TOCIConnection& connection);
  bool IsActive() const { return subscription_ != nullptr; }

  // Called on the owning thread with each change; a deregistration has
  // already let the subscription go.
  TChangeNotifyEvent OnChange;

  // The window the callback posts to (nullptr before the first register).
  TUtilWindow* NotifyWindow() const { return window_.get(); }

 private:
  struct Link;

  static ub4 Callback(void* context, OCISubscription* subscription, void* payload, ub4* payload_length,
                      void* descriptor, ub4 mode);
  static void HandleMessage(uintptr_t wparam, uintptr_t lparam);
  void Deliver(const TNotifyChange& change);
  void DropPending();

  bool enabled_ = true;
  bool persistent_ = false;
  uint32_t timeout_ = 0;
  TChangeNotifyDMLOperations operations_ = kAllDMLOperations;
  // Touched only on the owning thread.
  OCISubscription* subscription_ = nullptr;
  TOCIConnection* connection_ = nullptr;
  std::unique_ptr<TUtilWindow> window_;
  // The callback's context: outlives every callback of the subscription.
  std::unique_ptr<Link> link_;
};

}  // namespace oracle
