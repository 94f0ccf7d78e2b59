#include "oracle/notify_ora_change_notification.h"

#include <algorithm>

#include "classlib/dataset.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/error_messages.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"

namespace oracle {

bool& TOraChangeNotification::UseDefaultSession = oracle::UseDefaultSession;

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
  // Each data set leaves the list as its link is cleared.
  while (!data_sets_.empty()) data_sets_.back()->SetChangeNotification(nullptr);
}

void TOraChangeNotification::AddDataSet(TOraDataSet* data_set) {
  if (std::find(data_sets_.begin(), data_sets_.end(), data_set) == data_sets_.end()) data_sets_.push_back(data_set);
}

void TOraChangeNotification::RemoveDataSet(TOraDataSet* data_set) { std::erase(data_sets_, data_set); }

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
  if (type != cneObjChange || !changes) return;
  // A handler may close or detach data sets: walk a copy.
  for (TOraDataSet* data_set : std::vector(data_sets_))
    if (data_set->Active() && data_set->Options().ReflectChangeNotify()) data_set->ReflectChangeNotify(*changes);
}

}  // namespace oracle
