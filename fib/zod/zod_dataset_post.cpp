// Posting and deleting one record: the update objects before, the data
// set's own statement, the update objects after; cached updates applied
// record by record.
#include <cstring>
#include <exception>
#include <vector>

#include "classlib/ansistr.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "fib/records/records_cache.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/fib_blob_stream.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_dataset.h"

namespace fib {

namespace {

// A statement whose text says there is nothing to do is never sent.
bool Runnable(TFIBQuery& statement) {
  std::string text = statement.SQL().Text();
  return !classlib::Trim(text).empty() && !fib::IsNoAction(text);
}

}  // namespace

void TpZODDataSet::RunStatement(TFIBQuery& statement, classlib::TRecordBuffer buffer) {
  TFIBTransaction* transaction = statement.Transaction();
  if (transaction && !transaction->Active() && Options().Contains(poStartTransaction))
    transaction->StartTransaction();
  SetModifyParams(statement, buffer);
  statement.ExecQuery();
  modify_ran_ = true;
}

void TpZODDataSet::RunUpdateObjects(classlib::TUpdateKind kind, TFIBOrderExecUO order,
                                    classlib::TRecordBuffer buffer) {
  for (TpZODUpdateObject* object : update_objects_.ToRun(kind, order))
    if (Runnable(*object)) RunStatement(*object, buffer);
}

// The base runs the statement and then commits (AutoCommit) and refreshes
// (poRefreshAfterPost); both must wait until the update objects that run
// after the statement have run, or their work would fall outside the
// commit and the refresh would drop a blob they are still to write.
template <class Work>
void TpZODDataSet::WithCommitHeldBack(Work work) {
  bool auto_commit = AutoCommit();
  TpZODDsOptions options = Options();
  SetAutoCommit(false);
  SetOptions(TpZODDsOptions(options).Exclude(poRefreshAfterPost));
  try {
    work();
  } catch (...) {
    SetAutoCommit(auto_commit);
    SetOptions(options);
    throw;
  }
  SetAutoCommit(auto_commit);
  SetOptions(options);
}

void TpZODDataSet::InternalPostRecord(TFIBQuery* statement, classlib::TRecordBuffer buffer) {
  classlib::TUpdateKind kind = statement == QInsert() ? classlib::ukInsert : classlib::ukModify;
  RunUpdateObjects(kind, oeBeforeDefault, buffer);
  if (Runnable(*statement)) modify_ran_ = true;
  WithCommitHeldBack([&] {
    TFIBDataSet::InternalPostRecord(statement, buffer);
    RunUpdateObjects(kind, oeAfterDefault, buffer);
  });
  if (!CachedUpdates()) AutoCommitUpdateTransaction();
  if (Options().Contains(poRefreshAfterPost) && !classlib::Trim(RefreshSQL().Text()).empty() &&
      !LimitedCacheModel()) {
    int index = current_index_;
    RefreshRecordThrough(QRefresh(), buffer);
    current_index_ = index;
  }
}

void TpZODDataSet::InternalDeleteRecord(TFIBQuery* statement, classlib::TRecordBuffer buffer) {
  RunUpdateObjects(classlib::ukDelete, oeBeforeDefault, buffer);
  if (Runnable(*statement)) modify_ran_ = true;
  WithCommitHeldBack([&] {
    TFIBDataSet::InternalDeleteRecord(statement, buffer);
    RunUpdateObjects(classlib::ukDelete, oeAfterDefault, buffer);
  });
  if (!CachedUpdates()) AutoCommitUpdateTransaction();
}

classlib::TUpdateAction TpZODDataSet::ApplyRecord(classlib::TUpdateKind kind,
                                                  classlib::TRecordBuffer buffer) {
  try {
    WriteAttempt attempt(*this, buffer);
    if (kind == classlib::ukModify && CanEdit()) {
      GeneratePerRecord(false);
      InternalPostRecord(QUpdate(), buffer);
    } else if (kind == classlib::ukInsert && CanInsert()) {
      // Only the record knows which of its fields it fills; without its
      // own text a new record would count as applied and never arrive.
      GeneratePerRecord(true);
      InternalPostRecord(QInsert(), buffer);
    } else if (kind == classlib::ukDelete && CanDelete()) {
      InternalDeleteRecord(QDelete(), buffer);
    }
    attempt.Succeeded(buffer);
    return classlib::uaApplied;
  } catch (classlib::EDatabaseError& error) {
    if (!OnUpdateError) throw;
    classlib::TUpdateAction action = classlib::uaFail;
    OnUpdateError(this, error, kind, action);
    if (action == classlib::uaFail) throw;
    return action;
  }
}

void TpZODDataSet::ApplyUpdates() {
  if (State() == classlib::dsEdit || State() == classlib::dsInsert) Post();
  if (!CachedUpdates() || !RecordsCache()) return;
  classlib::TBookmark position = GetBookmark();
  DisableControls();
  int saved_index = current_index_;
  // Whatever happens, the data set shows its records as before.
  // The controls' handlers may raise: their exception leaves only when no
  // other one is leaving already.
  struct Restore {
    TpZODDataSet& data_set;
    int index;
    int exceptions = std::uncaught_exceptions();
    ~Restore() noexcept(false) {
      data_set.current_index_ = index;
      try {
        data_set.Resync({});
      } catch (...) {
        data_set.EnableControls();
        if (std::uncaught_exceptions() == exceptions) throw;
        return;
      }
      if (std::uncaught_exceptions() == exceptions) {
        data_set.EnableControls();
        return;
      }
      try {
        data_set.EnableControls();
      } catch (...) {
      }
    }
  } restore{*this, saved_index};
  // The records are read into a buffer of the apply's own: a filter may
  // hide every record, and then no record buffer is on show.
  std::vector<uint8_t> record(static_cast<size_t>(GetRecordSize()), 0);
  classlib::TRecordBuffer buffer = record.data();
  struct Applying {
    TpZODDataSet& data_set;
    ~Applying() {
      data_set.applying_record_ = nullptr;
      data_set.applying_old_.clear();
    }
  } applying{*this};
  int still_pending = 0;
  for (int index = 0; index < CacheRecordCount(); ++index) {
    ReadRecordFromCache(index, buffer, false);
    uint8_t status = StatusOf(buffer) & kStatusMask;
    classlib::TUpdateKind kind;
    if (status == cusModified) kind = classlib::ukModify;
    else if (status == cusInserted) kind = classlib::ukInsert;
    else if (status == cusDeleted) kind = classlib::ukDelete;
    else continue;
    current_index_ = index;
    applying_record_ = buffer;
    ReadOldVersion(index, applying_old_);
    // Handlers read the record being applied through the fields, as far
    // as a record is on show.
    if (classlib::TRecordBuffer shown = GetActiveRecBuf())
      std::memcpy(shown, buffer, record.size());
    // The platform's actions have no "apply": uaRetry asks for the record's
    // statement to run, whether first or again.
    classlib::TUpdateAction action = classlib::uaRetry;
    if (OnUpdateRecord) OnUpdateRecord(this, kind, action);
    while (action == classlib::uaRetry) action = ApplyRecord(kind, buffer);
    if (action == classlib::uaAbort) classlib::Abort();
    if (action != classlib::uaApplied) {
      ++still_pending;
      continue;
    }
    // Applied: nothing of this record is pending any more.
    SetStatusOf(buffer, status == cusDeleted ? cusDeletedApplied : cusUnmodified);
    WriteRecordToCache(index, buffer);
  }
  updates_pending_ = still_pending;
  if (still_pending == 0) RecordsCache()->ClearLog();
  if (BookmarkValid(position)) GotoBookmark(position);
}

}  // namespace fib
