// TOraDataSet: the generic SQL data set on a TOraSession. Its rows come from
// a TOCIRecordSet, its text and parameters live in a TOraSQL, its WHERE and
// ORDER BY changes follow the Oracle lexer, and it counts rows on the server.
// TCustomOraQuery and TOraQuery are the components applications use.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "dacore/dataset_component.h"
#include "oracle/query_ora_options.h"
#include "oracle/query_ora_sql.h"

namespace oracle {

class TOraSession;
class TOraChangeNotification;
class TNotifyTableChanges;

enum TLockMode : uint8_t { lmNone, lmLockImmediate, lmLockDelayed };
enum TSequenceMode : uint8_t { smInsert, smPost };
enum TRefreshMode : uint8_t { rmNone, rmAfterInsert, rmAfterUpdate, rmAlways };

class TOraDataSet : public dacore::TCustomDADataSet {
  CLASSLIB_CLASS(TOraDataSet, dacore::TCustomDADataSet)
 public:
  explicit TOraDataSet(classlib::TComponent* owner = nullptr);
  // Leaves its change-notification component's list.
  ~TOraDataSet() override;

  TOraSession* Session() const;
  void SetSession(TOraSession* session);
  TOraParams& Params() { return static_cast<TOraParams&>(TCustomDADataSet::Params()); }
  TOraDataSetOptions& Options() { return static_cast<TOraDataSetOptions&>(TCustomDADataSet::Options()); }

  TLockMode LockMode() const { return lock_mode_; }
  void SetLockMode(TLockMode mode) { lock_mode_ = mode; }
  TSequenceMode SequenceMode() const { return sequence_mode_; }
  void SetSequenceMode(TSequenceMode mode) { sequence_mode_ = mode; }
  const std::string& KeySequence() const { return key_sequence_; }
  // Stored upper-cased.
  void SetKeySequence(const std::string& name);

  // Stored upper-cased; a changed list is checked against the fields of an
  // open data set.
  void SetKeyFields(const std::string& value);
  // From another Oracle data set also NonBlocking, LockMode and KeyFields.
  void Assign(const classlib::TPersistent* source) override;
  // Reaches the driver command at once; a statement running or fetching in
  // the background is awaited first, because its thread reads the setting.
  void SetNonBlocking(bool value) override;

  // The ROWID is a key, never a column the statements write or read back.
  void GetKeyFieldDescs(std::vector<dacore::TCRFieldDesc*>& key_fields, std::vector<dacore::TCRFieldDesc*>& data_fields,
                        bool all_fields) override;

  // The component whose subscription the data set's statements register
  // with; the component takes the data set's session.
  TOraChangeNotification* ChangeNotification() const { return change_notification_; }
  void SetChangeNotification(TOraChangeNotification* value);
  // Prepared while its change notification is enabled, the statement
  // carries the subscription.
  void Prepare() override;
  // Applies a change the server notified: rows inserted, updated or
  // deleted in the data set's tables, found by their ROWID. While a record
  // is edited or inserted the rows wait, and are applied when the data set
  // is back in browse state (after the post or the cancel).
  void ReflectChangeNotify(const TNotifyTableChanges& changes);

  // The value object (object, REF, VARRAY or nested table) a field holds in
  // the active record; nullptr without one. "Field type should be Object"
  // for another kind of field.
  classlib::TObject* GetObjectValue(const std::string& field_name);
  // What the SQL generator reads of the record being stored: whether a
  // nested-table or REF column was changed through its nested data set (its
  // field's flag), and an XML column's text in the new or old record
  // (nullopt for a null).
  bool ObjectColumnModified(const dacore::TFieldDesc& desc);
  std::optional<std::string> XmlColumnText(const dacore::TFieldDesc& desc, bool old_value);

  // XML export: the Oracle value types' attributes and value texts.
  void WriteFieldXMLDataType(classlib::TField* field, const dacore::TFieldDesc& desc, const std::string& field_alias,
                             dacore::XmlTextWriter& writer) override;
  std::string WriteFieldXMLValue(classlib::TField* field, const dacore::TFieldDesc& desc) override;

  // The savepoint a record lock is taken under: "LOCK_" and the component
  // name, only its last 25 characters when it is longer.
  std::string LockSavepointName() const;
  // The field KeySequence feeds: the first key field when it is a column of
  // the updating table (never the ROWID); nullptr without a sequence.
  dacore::TCRFieldDesc* SequenceKeyField();

  // Provider support (query_dataset_provider.cpp): the inherited keys, else
  // KeyFields; with KeyFields, the default order of the local sort columns.
  std::string PSGetKeyFields() override;
  std::unique_ptr<classlib::TIndexDef> PSGetDefaultOrder() override;

  // The statement runs: in the background until its end is handled, or its
  // command's execute call has not returned.
  bool Executing() const override;
  // Not while the data set is executing; else the record set's command
  // state decides.
  bool CommandFinished() const override;
  // The use of the connection a new record with object values took is given
  // back by its cancel (HoldsConnection) or at the end of its post.
  void Cancel() override;
  // Row changes the server notified during the edit are applied after it.
  void Post() override;

  // Insert, update, delete, lock and refresh.
  dacore::TStatementTypes GetSupportedStatementTypes() const override;
  classlib::TStringList& SQLLock() { return SQLStatement(dacore::stLock); }
  std::string AddWhere(const std::string& sql, const std::string& condition) override;
  std::string DeleteWhere(const std::string& sql) override;
  std::string SetOrderBy(const std::string& sql, const std::string& fields) override;
  std::string DeleteOrderBy(const std::string& sql) override;
  // With lmLockImmediate a lock the edit took and no update used is given
  // back (rolled back to its savepoint) when the edit ends.
  void StopEditing() override;
  // Insert and refresh go as they are asked. A lock asked together with a
  // refresh runs its SELECT ... FOR UPDATE as the record's refresh, so the
  // row it locks is read into the record; without a text it only locks.
  // After an insert on an 8.1 client against an 8.0 server the ROWID is
  // woken with one more statement.
  bool PerformSQL(const std::string& sql, dacore::TStatementTypes types) override;

 protected:
  // A value object written on its own leaves the record's null flag as it
  // was: the flag takes the value's state before anything checks or stores it.
  void InternalPost() override;
  // A refreshed date-time, interval, NUMBER, object, collection, REF or XML
  // value is copied into the record's value object.
  bool PutRecordObject(const dacore::TFieldDesc& desc, const classlib::TField& source, dacore::TRecBuf rec) override;
  std::unique_ptr<dacore::TCustomDASQL> CreateCommand() override;
  std::unique_ptr<dacore::TDADataSetOptions> CreateOptions() override;
  std::unique_ptr<dacore::TDASQLGenerator> CreateSQLGenerator() override;
  // The session's record set, else a TOCIRecordSet of its own.
  std::unique_ptr<dacore::TData> CreateIRecordSet() override;
  // The options and NonBlocking reach the new record set and its command.
  void SetIRecordSet(std::unique_ptr<dacore::TData> record_set) override;
 public:
  // The Session, else the default session when one exists.
  dacore::TCustomDAConnection* GetUsedConnection() const override;
 protected:
  // The parameters' value objects let go of the session first.
  void Disconnect() override;
  // Also in disconnected mode, where the rows stay: the session the values
  // were bound on goes all the same.
  void AssignConnection(classlib::TObject* sender, bool connecting) override;
  // Active nested data sets follow the reopened data set's current record
  // (data event deParentScroll).
  void DoAfterOpen() override;
  // A fetch cancelled on the way resyncs the records at the next scroll,
  // unless AutoClose let the cursor go with the cancel.
  void DoAfterScroll() override;
  // Row changes the server notified during the edit are applied now.
  void DoAfterCancel() override;
  // In disconnected mode a new record's object values need the session:
  // the record holds a use of the connection until its insert ends.
  void InitRecord(classlib::TRecordBuffer buffer) override;
  // Places the fields in the tables of the statement.
  void AfterOpenCursor(bool info_query) override;
  // The row identity is the field named ROWID of the updating table.
  void InitUpdatingTable() override;
  // Without KeyFields: the ROWID field, else the updating table's primary
  // or unique key when every one of its columns is among the fields.
  void DetectKeyFields(std::vector<dacore::TCRFieldDesc*>& key_fields) override;
  // The provider's key fields are KeyFields, not the detected key columns.
  bool ProviderKeyFieldsOwn() const override { return true; }
  // Oracle's own data types become the field types of their values.
  classlib::TFieldType GetFieldType(dacore::TDataType data_type) override;
  // A nested-table column is a data-set field, an XMLTYPE column an XML field.
  classlib::TFieldType GetFieldTypeOfDesc(const dacore::TFieldDesc& desc) override;
  // The Oracle field classes for the types they hold.
  classlib::TField* CreateFieldOfType(classlib::TFieldType type, classlib::TComponent* owner) override;
 public:
  // A BFILE is read through a stream that opens the file on the server.
  std::unique_ptr<classlib::TStream> CreateBlobStream(classlib::TField* field,
                                                      classlib::TBlobStreamMode mode) override;
 protected:
  // Executing prepares first, so that a SELECT opens with one execute and
  // any other statement runs as a plain command. The prepare is the
  // execute's: it holds no use of the session of its own (an open cursor
  // holds one until Close), unlike a Prepare the application asks for.
  void BeforeExecute() override;
  // The rows the statement gives, counted on the server by an internal
  // data set, traced as "Get RecCount".
  int GetRecCount() override;
  std::string WrapSQLInBlock(const std::string& sql) override { return "BEGIN\r\n" + sql + "\r\nEND;"; }

  // Opening: the ROWID of default fields hidden and read-only, the fields'
  // origins and server defaults, the sequence key not required, KeyFields
  // checked.
  void AfterFieldsPlaced();
  // The field's default expression, evaluated by the server when it is no
  // literal of the field's type.
  void ApplyDefaultExpression(classlib::TField* field) override;
  // A new record takes its fields' defaults and, with smInsert, the next
  // value of KeySequence in its first key field.
  void DoOnNewRecord() override;
  // The sequence block returns its value through its parameter.
  void PrepareUpdateStatement(const std::string& sql, dacore::TStatementTypes types) override;
  bool KeepParamTypes() const override { return fetching_sequence_; }
  // Search values of date-times, intervals and NUMBERs.
  dacore::TConvertedValue ConvertFieldData(const classlib::Variant& value, const dacore::TFieldDesc& desc) override;
  // The statement attaches the change-notification subscription when it is prepared.
  void BeforeOpenCursor(bool info_query) override;
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;
  // ---- Storing edits (query_dataset_update.cpp)
  // The record is locked at Edit with lmLockImmediate, before its update
  // with lmLockDelayed, and before its delete with either; a failure rolls
  // back to the lock savepoint.
  void LockRecord() override;
  bool PerformUpdate() override;
  bool PerformDelete() override;
  // Runs the lock statement of the current record.
  void PerformLock();
  // The lock an edit under lmLockImmediate takes, inside its savepoint.
  virtual void LockEditedRecord() { PerformLock(); }
  // The next value of KeySequence into the sequence key field, through a
  // block whose parameter returns it.
  void FetchSequenceValue();
  bool HoldsConnectionInEdit() const override;
  bool HoldsConnection() const override;
  // The after-post hook: a new row's ROWID into the record's ROWID field.
  void AfterInsertHook() override;
  void CheckUpdateResult(dacore::TStatementType type, dacore::TStatementTypes types) override;
  // An insert's or update's command keeps the ROWID of the row it wrote; an
  // update data set takes this one's LOB and text options.
  classlib::TComponent& CheckUpdateQuery(dacore::TStatementType type) override;
  // LOB fields hand their content to the parameter's own LOB; text kept as
  // a memo goes back as text; CLOBs of national columns (NCLOB) and texts of
  // NCHAR and NVARCHAR2 columns bind in the national character set.
  void AssignFieldValue(dacore::TDAParam& param, const dacore::TFieldDesc& field, bool old) override;
  // With returned values or a refresh every non-LOB parameter is in/out;
  // a refresh gets the record's ROWID as OLD_ROWID.
  void AssignUpdateParams(dacore::TStatementType type, bool generated) override;

 private:
  void SetLockSavepoint();
  void RollbackToLockSavepoint();
  // The edit's own lock with for_edit, else the lock statement.
  void LockUnderSavepoint(bool for_edit = false);
  bool HoldsObjectFields() const;
  // The ROWID text of the last statement of that kind, empty when none.
  std::string UpdateRowId(dacore::TStatementType type) const;
  void CopyRowIdAfterPost(dacore::TStatementType type);
  void WakeOlderServerRowId();

  TLockMode lock_mode_ = lmNone;
  // The edit's immediate lock is held and no update has taken it over.
  bool edit_lock_held_ = false;
  // The edit took a use of the connection that only the end of the edit
  // gives back (a cancel gives back only what HoldsConnection answers).
  bool edit_holds_connection_ = false;
  // The edit or insert took the use HoldsConnection answers for: a cancel
  // gives it back, else the end of a successful post.
  bool record_holds_connection_ = false;
  TSequenceMode sequence_mode_ = smPost;
  std::string key_sequence_;
  TOraChangeNotification* change_notification_ = nullptr;
  bool fetching_sequence_ = false;

  void ApplyFieldOrigins();
  void CheckKeyFieldNames();
  void AttachChangeNotification();
  // The data set's tables, each qualified with its owner.
  std::vector<std::string> QualifiedTableNames();
  // Notified row changes of the data set's tables not yet applied, kept
  // for the rows the store held when they came (its refresh stamp).
  struct TNotifiedRow {
    std::string row_id;
    uint8_t operations = 0;  // the notification's row operations (TChangeNotifyDMLOperations)
  };
  std::vector<TNotifiedRow> notified_rows_;
  int32_t notified_stamp_ = 0;
  void ReflectNotifiedRows();
  // One row: appended, read again or taken out, without a statement;
  // current is the user's row, moved on when it is taken out.
  void ReflectNotifiedRow(const TNotifiedRow& row, int row_id_no, dacore::ItemHeader*& current);
  // Reads the current record's notified row with the query's conditions.
  bool ReadNotifiedRow();
  bool reading_notified_row_ = false;
};

class TCustomOraQuery : public TOraDataSet {
  CLASSLIB_CLASS(TCustomOraQuery, TOraDataSet)
 public:
  using TOraDataSet::TOraDataSet;

 protected:
  // Besides what the base allows: editable through generated statements
  // when a field belongs to the updating table; never over a scrollable
  // cursor, whose rows the server cannot lock or re-read by key.
  bool GetCanModify() const override;
  // Whether some field belongs to the updating table.
  bool HasUpdatableFields() const;
  // With a sequence key: a hand-written insert under smPost gets the next
  // value in its key field first; otherwise the insert runs with returned
  // values, so the key the server chose comes back into the field.
  bool PerformInsert() override;
  // A lock text beginning with FOR completes the record's refresh SELECT.
  std::string GetUpdateStatementText(dacore::TStatementType type) override;
  // The user's own lock statement; else with roBeforeEdit the record is
  // read again by the statement that locks it; else the lock statement.
  void LockEditedRecord() override;

 private:
  // The user's refresh statement, else the generated one when `generated`.
  std::string RefreshStatementText(bool generated);
};

class TOraQuery : public TCustomOraQuery {
  CLASSLIB_CLASS(TOraQuery, TCustomOraQuery)
 public:
  using TCustomOraQuery::TCustomOraQuery;

  // Another view of the refresh options after insert and update; refreshing
  // before an edit is left as it is.
  TRefreshMode RefreshMode() const;
  void SetRefreshMode(TRefreshMode mode);
  bool ReturnParams() { return Options().ReturnParams(); }
  void SetReturnParams(bool value) { Options().SetReturnParams(value); }

  // While set, a query without any of SQLInsert, SQLUpdate and SQLDelete
  // cannot be modified and gets no generated statements (off at start).
  static bool UpdateStatementsRequired;
};

}  // namespace oracle
