// The change-notification component: a subscription to the database's
// change notification on a session, whose OnChange event the application
// hears on the main thread.
#pragma once

#include <memory>
#include <vector>

#include "classlib/component.h"
#include "oracle/notify_oci_change_notification.h"

namespace oracle {

class TOraSession;
class TOraDataSet;

using TOraChangeNotificationEvent = TChangeNotifyEvent;

class TOraChangeNotification : public classlib::TComponent {
  CLASSLIB_CLASS(TOraChangeNotification, classlib::TComponent)
 public:
  explicit TOraChangeNotification(classlib::TComponent* owner = nullptr);
  // Unregisters an active subscription first and leaves every attached
  // data set without a change notification.
  ~TOraChangeNotification() override;

  bool Enabled() const { return notification_->Enabled(); }
  void SetEnabled(bool value) { notification_->SetProp(prNotifyEnabled, value); }
  bool Persistent() const { return notification_->Persistent(); }
  void SetPersistent(bool value) { notification_->SetProp(prNotifyPersistent, value); }
  int32_t TimeOut() const { return static_cast<int32_t>(notification_->TimeOut()); }
  void SetTimeOut(int32_t value) { notification_->SetProp(prNotifyTimeOut, value); }
  TChangeNotifyDMLOperations Operations() const { return notification_->Operations(); }
  void SetOperations(TChangeNotifyDMLOperations value) {
    notification_->SetProp(prNotifyOperations, static_cast<int32_t>(value));
  }
  TOraChangeNotificationEvent OnChange;

  TOraSession* Session() const { return session_; }
  void SetSession(TOraSession* session);
  // Without a session of its own, the process's default session is used
  // while this is set (the default): the flag every Oracle component reads.
  static bool& UseDefaultSession;

  // Subscribes on the session's connection (connected), unless already
  // subscribed.
  void Register();
  // "Session is not defined" without a session to use.
  void Unregister();
  bool IsActive() const { return notification_->IsActive(); }

  TOCIChangeNotification& GetNotification() { return *notification_; }

  // The data sets whose ChangeNotification is this component; kept by
  // TOraDataSet::SetChangeNotification.
  const std::vector<TOraDataSet*>& DataSets() const { return data_sets_; }
  void AddDataSet(TOraDataSet* data_set);
  void RemoveDataSet(TOraDataSet* data_set);

 protected:
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;

 private:
  TOraSession& UsedSession() const;
  void HandleChange(classlib::TObject* sender, TChangeNotifyEventType type, const TNotifyTableChanges* changes);

  TOraSession* session_ = nullptr;
  std::vector<TOraDataSet*> data_sets_;
  std::unique_ptr<TOCIChangeNotification> notification_;
};

}  // namespace oracle
