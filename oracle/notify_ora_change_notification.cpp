#include "oracle/notify_ora_change_notification.h"

#include "classlib/dataset.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/error_messages.h"
#include "oracle/session_ora_session.h"

namespace oracle {

bool TOraChangeNotification::UseDefaultSession = true;

TOraChangeNotification::TOraChangeNotification(classlib::TComponent* owner)
    : TComponent(owner), notification_(std::make_unique<TOCIChangeNotification>()) {
  notification_->OnChange = TChangeNotifyEvent(this, &TOraChangeNotification::HandleChange);
}

TOraChangeNotification::~TOraChangeNotification() {
  if (notification_->IsActive()) {
    try {
      Unregister();
    } catch (...) {
      // The driver object unregisters itself through its connection.
    }
  }
  SetSession(nullptr);
}

void TOraChangeNotification::SetSession(TOraSession* session) {
  if (session == session_) return;
  if (session_) {
    session_->RemoveFreeNotification(this);
    std::erase(session_->ChangeNotifications(), this);
  }
  session_ = session;
  if (session_) {
    session_->FreeNotification(this);
    session_->ChangeNotifications().push_back(this);
  }
}

void TOraChangeNotification::Notification(classlib::TComponent* component, classlib::TOperation operation) {
  TComponent::Notification(component, operation);
  // The session unregistered the subscription when it disconnected.
  if (operation == classlib::opRemove && component == session_) session_ = nullptr;
}

TOraSession& TOraChangeNotification::UsedSession() const {
  TOraSession* session = session_;
  if (!session && UseDefaultSession) session = TOraSession::DefaultSession();
  if (!session) classlib::DatabaseError(messages::kSessionNotDefined, this);
  return *session;
}

void TOraChangeNotification::Register() {
  TOraSession& session = UsedSession();
  if (!session.Connected()) classlib::DatabaseError(messages::kSessionNotConnected, this);
  notification_->GetSubscriptionHandle(*session.OCIConnection());
}

void TOraChangeNotification::Unregister() {
  TOraSession& session = UsedSession();
  if (TOCIConnection* connection = session.OCIConnection(); connection && notification_->IsActive())
    notification_->Unregister(*connection);
}

void TOraChangeNotification::HandleChange(classlib::TObject*, TChangeNotifyEventType type,
                                          const TNotifyTableChanges* changes) {
  if (OnChange) OnChange(this, type, changes);
}

}  // namespace oracle
