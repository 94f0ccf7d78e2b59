// The link between a TOraDataSet and its change-notification component,
// kept here because the component is the upper of the two: the link both
// ways, the subscription attached to the statement when it is prepared,
// and the notified row changes applied to the records held.
#include <exception>

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

// The rows of the data set's tables that the notification names are kept
// with the store's refresh stamp: a store read anew since holds the
// server's rows already. In browse state they are applied at once;
// otherwise the post or the cancel that ends the edit applies them.
void TOraDataSet::ReflectChangeNotify(const TNotifyTableChanges& changes) {
  if (!FindField("ROWID") || !IRecordSet()) return;
  const int32_t stamp = IRecordSet()->RefreshStamp();
  if (notified_stamp_ != stamp) notified_rows_.clear();
  notified_stamp_ = stamp;
  for (const std::string& table : QualifiedTableNames()) {
    for (int t = 0; t < changes.Count(); ++t) {
      const TNotifyTableChange& change = changes.Items(t);
      if (classlib::AnsiUpperCase(change.TableName) != table || !change.RowChanges) continue;
      for (int r = 0; r < change.RowChanges->Count(); ++r) {
        const TNotifyRowChange& row = change.RowChanges->Items(r);
        notified_rows_.push_back({row.RowId, row.Operations});
      }
    }
  }
  if (State() == classlib::dsBrowse) ReflectNotifiedRows();
}

void TOraDataSet::Post() {
  TCustomDADataSet::Post();
  if (!notified_rows_.empty() && State() == classlib::dsBrowse) ReflectNotifiedRows();
}

void TOraDataSet::DoAfterCancel() {
  TCustomDADataSet::DoAfterCancel();
  if (!notified_rows_.empty() && State() == classlib::dsBrowse) ReflectNotifiedRows();
}

// Every row is applied even when one fails (its refresh finds it gone); the
// first failure is raised afterwards. The record that was current stays
// current unless the change hid or removed it; then the cursor goes on to
// the next record, as after the user's own change.
void TOraDataSet::ReflectNotifiedRows() {
  std::vector<TNotifiedRow> rows;
  rows.swap(notified_rows_);
  classlib::TField* row_id = FindField("ROWID");
  if (!Active() || !row_id || !IRecordSet() || notified_stamp_ != IRecordSet()->RefreshStamp()) return;
  TCRRecordSet& store = *IRecordSet();
  const int row_id_no = GetFieldDesc(row_id)->FieldNo();
  dacore::ItemHeader* current = nullptr;
  if (!IsEmpty()) {
    UpdateCursorPos();
    current = store.CurrentItem();
  }
  std::exception_ptr failure;
  DisableControls();
  for (const TNotifiedRow& row : rows) {
    try {
      ReflectNotifiedRow(row, row_id_no, current);
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (current) store.GoToRow(current);
  else store.SetToBegin();
  try {
    Resync({});
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  EnableControls();
  if (failure) std::rethrow_exception(failure);
}

// A deleted row leaves the store; an updated one is read again; an inserted
// one joins the store with its ROWID and is read from the server. Only then
// do the filter and the local order see the row's values. A row the query
// would not select (its WHERE clause, its parameters, a detail's master)
// leaves the store, as the server's deletion of it would. With cached
// updates only rows without a change of the user's are read again: a
// notified insert or delete would pass for the user's own and be sent to
// the server later, and a refresh would overwrite a change not yet applied.
void TOraDataSet::ReflectNotifiedRow(const TNotifiedRow& row, int row_id_no, dacore::ItemHeader*& current) {
  TCRRecordSet& store = *IRecordSet();
  dacore::ItemHeader* item = store.FindRowByText(row_id_no, row.row_id);
  const bool deleted = (row.operations & Ops(cnoDelete)) != 0;
  if (CachedUpdates() && (!item || item->status != dacore::isUnmodified || deleted)) return;
  auto take_out = [&] {
    // The current record gives way to the one after it (or before it).
    if (item == current) current = item->next ? item->next : item->prev;
    store.RemoveRow(item);
  };
  if (deleted) {
    if (item) take_out();
    return;
  }
  if (!item && !(row.operations & Ops(cnoInsert))) return;
  if (!item) {
    dacore::TRecBuf rec = store.AllocRecBuf();
    store.InitRecord(rec);
    try {
      if (store.HasComplexFields()) store.CreateComplexFields(rec, true);
      store.PutFieldAsVariant(row_id_no, rec, classlib::Variant(row.row_id));
      store.SetNull(row_id_no, rec, false);
    } catch (...) {
      store.FreeComplexFields(rec, true);
      dacore::TData::FreeRecBuf(rec);
      throw;
    }
    item = store.AppendRow(rec);
    dacore::TData::FreeRecBuf(rec);
  } else {
    store.ShowRow(item);
  }
  Resync({});
  bool selected = false;
  try {
    selected = ReadNotifiedRow();
  } catch (...) {
    // A row that could not be read does not stay behind empty, nor shown
    // against the filter.
    if (row.operations & Ops(cnoInsert)) store.RemoveRow(item);
    else store.TestRowAgain(item);
    throw;
  }
  if (!selected) {
    take_out();
    Resync({});
  }
}

// The current record's row read with the query's own text and the row's
// ROWID: no answer when the query would not select it. The query's own
// parameters (a detail's link to its master among them) keep their values
// for it (AssignUpdateParams); the record's values are replaced by the
// answer's. Answers whether the row came.
bool TOraDataSet::ReadNotifiedRow() {
  TCRFieldDesc* row_id = RowIdentityField();
  std::string column = "ROWID";
  if (TCRTableInfo* table = row_id ? row_id->TableInfo() : nullptr)
    column = (table->TableAlias().empty() ? table->TableName() : table->TableAlias()) + ".ROWID";
  const std::string text = AddWhere(FinalSQL(), column + " = :Old_ROWID");
  // The row may be gone or outside the query: no answer is no error here.
  const bool strict = Options().StrictUpdate();
  Options().SetStrictUpdate(false);
  reading_notified_row_ = true;
  auto restore = [&] {
    reading_notified_row_ = false;
    Options().SetStrictUpdate(strict);
  };
  try {
    PerformSQL(text, {stRefresh});
  } catch (...) {
    restore();
    throw;
  }
  restore();
  return RowsAffected() > 0;
}

}  // namespace oracle
