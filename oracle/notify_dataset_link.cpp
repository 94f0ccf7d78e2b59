// The link between a TOraDataSet and its change-notification component,
// kept here because the component is the upper of the two: the link both
// ways, the subscription attached to the statement when it is prepared,
// and the notified row changes applied to the records held.
#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "oracle/cmd_oci_command.h"
#include "oracle/notify_ora_change_notification.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"

namespace oracle {

using namespace dacore;

// A thread still fetching stops before any part of the data set goes.
TOraDataSet::~TOraDataSet() {
  if (IRecordSet()) IRecordSet()->StopBackground();
  SetChangeNotification(nullptr);
}

void TOraDataSet::SetChangeNotification(TOraChangeNotification* value) {
  if (value == change_notification_) return;
  if (change_notification_) {
    change_notification_->RemoveDataSet(this);
    change_notification_->RemoveFreeNotification(this);
  }
  change_notification_ = value;
  if (value) {
    value->AddDataSet(this);
    value->FreeNotification(this);
    if (Session()) value->SetSession(Session());
  }
  // The handle reaches the statement at its next prepare.
  if (auto* command = dynamic_cast<TOCICommand*>(ICommand()); command && !value) command->ChangeNotification = nullptr;
}

void TOraDataSet::Notification(classlib::TComponent* component, classlib::TOperation operation) {
  TCustomDADataSet::Notification(component, operation);
  if (operation == classlib::opRemove && component == change_notification_) change_notification_ = nullptr;
}

void TOraDataSet::AttachChangeNotification() {
  auto* command = dynamic_cast<TOCICommand*>(ICommand());
  if (!command) return;
  command->ChangeNotification = nullptr;
  if (!change_notification_ || !change_notification_->Enabled()) return;
  TOraSession* session = Session();
  if (!session || !session->Connected()) return;
  if (!change_notification_->Session()) change_notification_->SetSession(session);
  command->ChangeNotification = change_notification_->GetNotification().GetSubscriptionHandle(*session->OCIConnection());
}

void TOraDataSet::BeforeOpenCursor(bool info_query) {
  TCustomDADataSet::BeforeOpenCursor(info_query);
  if (!Prepared()) AttachChangeNotification();
}

void TOraDataSet::Prepare() {
  if (!Prepared() && !Active()) {
    BeginConnection(true);
    try {
      AttachChangeNotification();
    } catch (...) {
      EndConnection();
      throw;
    }
    EndConnection();
  }
  TCustomDADataSet::Prepare();
}

std::vector<std::string> TOraDataSet::QualifiedTableNames() {
  std::vector<std::string> names;
  if (!IRecordSet()) return names;
  TCRTablesInfo& tables = IRecordSet()->TablesInfo();
  std::string schema;
  for (int i = 0; i < tables.Count(); ++i) {
    std::string name = tables.Items(i)->TableName();
    if (name.find('.') == std::string::npos) {
      if (schema.empty() && Session()) schema = classlib::AnsiUpperCase(Session()->Schema());
      name = schema + "." + name;
    }
    names.push_back(name);
  }
  return names;
}

// Rows are found by their ROWID. A deleted row leaves the records without a
// statement; an updated one is read again; an inserted one joins the
// records with its ROWID and is read from the server. With cached updates
// only rows without a change of the user's are read again.
void TOraDataSet::ReflectChangeNotify(const TNotifyTableChanges& changes) {
  classlib::TField* row_id = FindField("ROWID");
  if (!row_id || State() != classlib::dsBrowse) return;
  const classlib::TBookmark position = GetBookmark();
  const bool cached = CachedUpdates();
  const bool local = LocalUpdate();
  SetLocalUpdate(true);
  auto restore = [&] {
    SetLocalUpdate(local);
    if (!position.empty() && BookmarkValid(position)) GotoBookmark(position);
  };
  DisableControls();
  try {
    for (const std::string& table : QualifiedTableNames()) {
      for (int t = 0; t < changes.Count(); ++t) {
        const TNotifyTableChange& change = changes.Items(t);
        if (classlib::AnsiUpperCase(change.TableName) != table || !change.RowChanges) continue;
        for (int r = 0; r < change.RowChanges->Count(); ++r) {
          const TNotifyRowChange& row = change.RowChanges->Items(r);
          const bool found = Locate("ROWID", classlib::Variant(row.RowId), {});
          // Cached changes would take a notified insert or delete for the
          // user's own and send it to the server later, and a refresh
          // would overwrite a change not yet applied.
          if (cached && (!found || UpdateStatus() != classlib::usUnmodified || (row.Operations & Ops(cnoDelete))))
            continue;
          if (row.Operations & Ops(cnoDelete)) {
            if (found) Delete();
          } else if (row.Operations & Ops(cnoInsert)) {
            if (found) continue;
            Append();
            const bool read_only = row_id->ReadOnly();
            row_id->SetReadOnly(false);
            row_id->SetAsString(row.RowId);
            row_id->SetReadOnly(read_only);
            Post();
            RefreshRecord();
          } else if (found) {
            RefreshRecord();
          }
        }
      }
    }
  } catch (...) {
    if (State() != classlib::dsBrowse) Cancel();
    restore();
    EnableControls();
    throw;
  }
  restore();
  EnableControls();
  Resync({});
}

}  // namespace oracle
