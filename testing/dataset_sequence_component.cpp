#include "testing/dataset_sequence_component.h"

#include "classlib/fields.h"
#include "classlib/variant.h"

namespace sequences {

void GoTo(dacore::TCustomDADataSet& d, int pos) {
  d.First();
  const int count = d.RecordCount();
  if (count > 0) d.MoveBy(pos % count);
}

void PostOrCancel(dacore::TCustomDADataSet& d) {
  try {
    d.Post();
  } catch (...) {
    d.Cancel();
    throw;
  }
}

void LinkDetail(dacore::TCustomDADataSet& d, classlib::TDataSource& source, int mode) {
  d.Close();
  d.SetMasterSource(nullptr);
  d.SetMasterFields("");
  d.SetDetailFields("");
  d.Options().SetLocalMasterDetail(mode == 3);
  if (mode == 0) return;
  d.SetSQL(mode == 2 ? "SELECT ID, PID, V FROM DT WHERE PID = :ID ORDER BY ID" : "SELECT ID, PID, V FROM DT ORDER BY ID");
  d.SetMasterSource(&source);
  if (mode != 2) {
    d.SetMasterFields("ID");
    d.SetDetailFields("PID");
  }
  d.Open();
}

namespace {

// Edit, Append or Insert with one column written, then Post (or Cancel).
void EditOrAdd(dacore::TCustomDADataSet& d, const DataSetModel& model, WriteCellFunction write_cell,
               const Operation& op) {
  const std::string& k = op.kind;
  const auto& a = op.args;
  if (k == "edit_post" || k == "edit_cancel") {
    GoTo(d, a[0]);
    d.Edit();
    write_cell(*d.FieldByName(model.ColumnName(a[1])), a[1], a[2]);
    if (k == "edit_post") PostOrCancel(d);
    else d.Cancel();
    return;
  }
  if (k == "append_post") {
    d.Append();
  } else {
    GoTo(d, a[0]);
    d.Insert();
  }
  const int column = k == "append_post" ? a[0] : a[1];
  // The model has counted the new record already.
  d.FieldByName("ID")->SetAsInteger(model.NextId() - 1);
  write_cell(*d.FieldByName(model.ColumnName(column)), column, k == "append_post" ? a[1] : a[2]);
  PostOrCancel(d);
}

// Locate and Lookup, by ID or by a value of I (value number times ten).
std::string Find(dacore::TCustomDADataSet& d, const Operation& op) {
  const std::string& k = op.kind;
  const int wanted = op.args[0];
  if (k == "locate_key") return d.Locate("ID", classlib::Variant(wanted), {}) ? "found" : "not found";
  if (k == "lookup") {
    const classlib::Variant v = d.Lookup("ID", classlib::Variant(wanted), "I");
    return classlib::VarIsNull(v) ? "NULL" : std::to_string(v.AsInteger());
  }
  if (k == "lookup_value") {
    if (wanted == 0) return "NULL";
    const classlib::Variant v = d.Lookup("I", classlib::Variant(wanted * 10), "ID");
    return classlib::VarIsNull(v) ? "NULL" : std::to_string(v.AsInteger());
  }
  if (wanted == 0) return "not found";
  const bool found = d.Locate("I", classlib::Variant(wanted * 10), {});
  return found ? "found " + std::to_string(d.FieldByName("ID")->AsInteger()) : "not found";
}

// The filter of a mode: none, the expression "I > 40", or a handler that
// takes the odd IDs.
void SetFilterMode(dacore::TCustomDADataSet& d, int mode) {
  d.SetFiltered(false);
  d.SetFilter(mode == 1 ? "I > 40" : "");
  if (mode == 2) {
    d.SetOnFilterRecord(classlib::TFilterRecordEvent::Function([](classlib::TDataSet* ds, bool& accept) {
      accept = ds->FieldByName("ID")->AsInteger() % 2 == 1;
    }));
  } else {
    d.SetOnFilterRecord(nullptr);
  }
  d.SetFiltered(mode != 0);
}

}  // namespace

bool ApplyCommonStep(dacore::TCustomDADataSet& d, const DataSetModel& model, WriteCellFunction write_cell,
                     const Operation& op, std::string& answer) {
  const std::string& k = op.kind;
  const auto& a = op.args;
  if (k == "edit_post" || k == "edit_cancel" || k == "append_post" || k == "insert_post") {
    EditOrAdd(d, model, write_cell, op);
  } else if (k == "delete") {
    GoTo(d, a[0]);
    d.Delete();
  } else if (k == "refresh") {
    d.Refresh();
  } else if (k == "refresh_record") {
    GoTo(d, a[0]);
    d.RefreshRecord();
  } else if (k == "reopen" || k == "cached") {
    d.Close();
    if (k == "cached") d.SetCachedUpdates(a[0] == 1);
    d.Open();
  } else if (k == "locate_key" || k == "lookup" || k == "lookup_value" || k == "locate_value") {
    answer = Find(d, op);
  } else if (k == "filter") {
    SetFilterMode(d, a[0]);
  } else if (k == "index") {
    d.SetIndexFieldNames(a[0] == 0 ? "" : (a[0] == 1 ? "I;ID" : "S DESC;ID"));
  } else if (k == "apply") {
    d.ApplyUpdates();
  } else if (k == "commit") {
    d.CommitUpdates();
  } else if (k == "cancel_updates") {
    d.CancelUpdates();
  } else if (k == "revert") {
    GoTo(d, a[0]);
    d.RevertRecord();
  } else if (k == "refresh_options") {
    d.SetRefreshOptions(a[0] == 1 ? dacore::TRefreshOptions{dacore::roAfterInsert, dacore::roAfterUpdate}
                                  : dacore::TRefreshOptions{});
  } else {
    return false;
  }
  return true;
}

namespace {

std::vector<ModelRow> ReadShown(dacore::TCustomDADataSet& d, ReadRowFunction read_row) {
  std::vector<ModelRow> rows;
  if (d.IsEmpty()) return rows;
  const classlib::TBookmark mark = d.GetBookmark();
  d.DisableControls();
  d.First();
  while (!d.Eof()) {
    rows.push_back(read_row(d));
    d.Next();
  }
  d.GotoBookmark(mark);
  d.EnableControls();
  return rows;
}

std::vector<int> ReadDetailIds(dacore::TCustomDADataSet& detail) {
  std::vector<int> ids;
  if (detail.IsEmpty()) return ids;
  const classlib::TBookmark mark = detail.GetBookmark();
  for (detail.First(); !detail.Eof(); detail.Next()) ids.push_back(detail.FieldByName("ID")->AsInteger());
  detail.GotoBookmark(mark);
  return ids;
}

}  // namespace

Observed Observe(dacore::TCustomDADataSet& d, dacore::TCustomDADataSet& detail, const DataSetModel& model,
                 ReadRowFunction read_row, const std::string& answer) {
  Observed seen;
  seen.browsing = d.State() == classlib::dsBrowse;
  seen.state = static_cast<int>(d.State());
  seen.answer = answer;
  seen.shown = ReadShown(d, read_row);
  seen.current = d.IsEmpty() ? -1 : d.FieldByName("ID")->AsInteger();
  seen.record_count = d.RecordCount();
  if (model.Cached()) seen.updates_pending = d.UpdatesPending();
  if (model.DetailMode() != 0) seen.detail_ids = ReadDetailIds(detail);
  return seen;
}

}  // namespace sequences
