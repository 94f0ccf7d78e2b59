// TCustomDADataSet: the SQL data set. Its rows come from a driver record set
// made for its connection; its text, parameters and macros live in an
// internal statement component; it stores its edits through statements that
// the user writes (SQLInsert ..., an update object) or the SQL generator
// writes for the updating table.
//
// Connection use is counted: opening, preparing and executing take a use of
// the connection and give it back when they are done (an open cursor keeps
// its use until it is closed), so a connection in disconnected mode closes
// whenever no data set needs it.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "classlib/data_link.h"
#include "classlib/strings.h"
#include "dacore/comp_client.h"
#include "dacore/dataset_options.h"
#include "dacore/driver_record_set.h"
#include "dacore/gen_sql_generator.h"
#include "dacore/memds_dataset.h"
#include "dacore/sql_component.h"
#include "dacore/sql_update.h"
#include "dacore/support_timer.h"

namespace dacore {

class TCustomDAConnection;
class TDADetailDataLink;

class TCustomDADataSet : public TMemDataSet,
                         public IDAConnectionClient,
                         public IDAGeneratorDataSet,
                         public IDAUpdateDataSet,
                         public TDASQLOwner,
                         public TMacrosOwner {
  CLASSLIB_CLASS(TCustomDADataSet, TMemDataSet)
 public:
  explicit TCustomDADataSet(classlib::TComponent* owner);
  ~TCustomDADataSet() override;

  // ---- Text, parameters, macros
  classlib::TStringList& SQL() { return command_->SQL(); }
  void SetSQL(const std::string& text) { command_->SetSQL(text); }
  TDAParams& Params() { return command_->Params(); }
  TDAParam* ParamByName(const std::string& name) { return command_->ParamByName(name); }
  TMacros& Macros() { return command_->Macros(); }
  bool ParamCheck() const { return command_->ParamCheck(); }
  void SetParamCheck(bool value) { command_->SetParamCheck(value); }
  // The statement the record set runs: the text with the data set's conditions.
  std::string FinalSQL() override;
  // The texts of the statement kinds the data set stores edits with
  // (stInsert, stUpdate, stDelete, stRefresh here); an assertion failure
  // for another kind.
  classlib::TStringList& SQLStatement(TStatementType type);
  void SetSQLStatement(TStatementType type, const std::string& text);
  classlib::TStringList& SQLInsert() { return SQLStatement(stInsert); }
  classlib::TStringList& SQLUpdate() { return SQLStatement(stUpdate); }
  classlib::TStringList& SQLDelete() { return SQLStatement(stDelete); }
  classlib::TStringList& SQLRefresh() { return SQLStatement(stRefresh); }
  virtual TStatementTypes GetSupportedStatementTypes() const { return {stInsert, stUpdate, stDelete, stRefresh}; }

  // ---- Settings
  TCustomDAConnection* Connection() const { return connection_; }
  void SetConnection(TCustomDAConnection* connection);
  // The connection in use; a descendant may answer a default one.
  virtual TCustomDAConnection* GetUsedConnection() const { return connection_; }
  int FetchRows() const { return fetch_rows_; }
  void SetFetchRows(int value);
  bool FetchAll() const override { return fetch_all_; }
  virtual void SetFetchAll(bool value);
  bool Debug() const override { return debug_; }
  void SetDebug(bool value);
  bool ReadOnly() const override { return read_only_; }
  virtual void SetReadOnly(bool value);
  bool UniDirectional() const { return uni_directional_; }
  void SetUniDirectional(bool value);
  bool AutoCommit() const { return auto_commit_; }
  void SetAutoCommit(bool value);
  TRefreshOptions RefreshOptions() const { return refresh_options_; }
  virtual void SetRefreshOptions(TRefreshOptions value) { refresh_options_ = value; }
  TDADataSetOptions& Options() { return *options_; }
  const std::string& FilterSQL() const { return filter_sql_; }
  virtual void SetFilterSQL(const std::string& value);
  const std::string& UpdatingTable() const { return updating_table_; }
  void SetUpdatingTable(const std::string& value);
  const std::string& KeyFields() const { return key_fields_; }
  void SetKeyFields(const std::string& value);
  bool NonBlocking() const { return non_blocking_; }
  // A descendant passes the setting on to its driver command.
  virtual void SetNonBlocking(bool value) { non_blocking_ = value; }
  // An internal data set (one a component makes for its own questions to
  // the server) traces nothing of its own.
  bool Internal() const { return internal_; }
  void SetInternal(bool value) { internal_ = value; }
  TCustomDAUpdateSQL* UpdateObject() const { return update_object_; }
  void SetUpdateObject(TCustomDAUpdateSQL* value);
  int RowsAffected() const override { return rows_affected_; }
  void Assign(const classlib::TPersistent* source) override;

  // ---- Master and detail
  classlib::TDataSource* MasterSource() const;
  void SetMasterSource(classlib::TDataSource* source);
  const std::string& MasterFields() const { return master_fields_; }
  void SetMasterFields(const std::string& value);
  const std::string& DetailFields() const { return detail_fields_; }
  void SetDetailFields(const std::string& value);
  bool IsMasterField(const std::string& name) const;
  // Takes the master's values into same-named parameters (a local link:
  // the linked master values for the filter); whether any changed.
  virtual bool SetMasterParams(TDAParams& params);
  // The master moved, opened or changed a linked value: the detail follows
  // at once, or after DetailDelay ms of quiet on the message loop's timer.
  virtual void MasterChanged();
  // The master opened (or opened again): the detail takes its values and
  // reads its rows anew at once, whether the values changed or not.
  void MasterOpened();
  // The detail reads its rows for the master's current values (a local
  // link filters the rows it holds, unless read_again asks for them anew).
  virtual void RefreshDetail(bool read_again = false);
  // Whether a local link's filter accepts a record.
  bool LocalLinkAccepts(TRecBuf rec);
  // The option setters reach the link through these.
  void LocalMasterDetailChanged(bool value);
  void DetailDelayChanged(int value);
  TWin32Timer* DetailTimer() const { return detail_timer_.get(); }

  // ---- Running
  virtual void Execute();
  bool Executing() const override;
  void Prepare() override;
  void UnPrepare() override;
  void SetActive(bool value) override;
  // The driver reports an execution; also reached for statements that return rows.
  virtual void CommandAfterExecute(bool result);
  // Whether the statement returns rows (as the record set knows it).
  virtual bool IsQuery();

  // ---- Blobs and field descriptions
  // With the connection's ConvertEOL, a memo read for the first time in an
  // edit shows its line ends as CR LF (a conversion, not a change).
  std::unique_ptr<classlib::TStream> CreateBlobStream(classlib::TField* field,
                                                      classlib::TBlobStreamMode mode) override;
  using TMemDataSet::GetFieldDesc;
  // The description of a field number; nullptr below 1 or beyond the fields.
  virtual TFieldDesc* GetFieldDesc(int field_no) const;
  virtual TDataType GetFieldDataType(int field_no) const;

  // ---- Names
  virtual std::string QuoteName(const std::string& name) const override;
  virtual std::string UnQuoteName(const std::string& name) const;

  // ---- Refreshing records from the server
  // Reads the current record anew through the refresh statement.
  virtual void RefreshRecord();
  // Reads the changed rows (and, with check_deleted, drops the vanished
  // ones) through the quick-refresh statements; needs key fields.
  virtual void RefreshQuick(bool check_deleted);

  // ---- Batches of cached updates
  // Applying cached updates with UpdateBatchSize above 1 and no update object.
  bool IsBatchUpdate() const;
  bool IsBatchFull() const;
  // Sends the collected statements as one; the batch is empty afterwards,
  // also when that failed.
  void FlushBatch();
  int BatchRowCount() const { return batch_rows_; }

  // ---- Ending an edit: the statement the edit used may be finished here.
  void Post() override;
  void Cancel() override;

  // ---- Provider support (the class library's interface; dataset_provider.cpp)
  // A statement of the connection runs sql ("?" markers become :1, :2 ...)
  // with the provider's values in order, or a data set of the connection
  // when the caller wants the rows (all fetched; their count answered).
  int PSExecuteStatement(const std::string& sql, const classlib::TParams& params,
                         std::unique_ptr<classlib::TDataSet>* result_set = nullptr) override;
  std::string PSGetQuoteChar() override { return "\""; }
  std::string PSGetTableName() override;
  void PSSetCommandText(const std::string& text) override { SetSQL(text); }
  // Transactions go to the connection while it and the data set commit
  // each statement themselves.
  void PSStartTransaction() override;
  void PSEndTransaction(bool commit) override;
  bool PSInTransaction() override;
  bool PSIsSQLBased() override { return true; }
  bool PSIsSQLSupported() override { return true; }
  void PSReset() override;
  void PSSetParams(const classlib::TParams& params) override;
  // The inherited keys, else the data set's key fields.
  std::string PSGetKeyFields() override;
  // From the ORDER BY of the final SQL.
  std::unique_ptr<classlib::TIndexDef> PSGetDefaultOrder() override;
  // Runs the data set's statement of the kind with delta's values: "OLD_"
  // parameters its old values, the others its new ones.
  bool PSUpdateRecord(classlib::TUpdateKind kind, classlib::TDataSet& delta) override;

  // ---- Events
  TAfterExecuteEvent AfterExecute;
  TUpdateExecuteEvent BeforeUpdateExecute;
  TUpdateExecuteEvent AfterUpdateExecute;
  TBeforeFetchEvent BeforeFetch;
  TAfterFetchEvent AfterFetch;

  // ---- The connection's view (IDAConnectionClient)
  classlib::TComponent* ClientComponent() override { return this; }
  bool IsDataSet() const override { return true; }
  TCustomDAConnection* ClientConnection() const override { return GetUsedConnection(); }
  void SetDriverConnection(TCRConnection* connection) override;
  bool Active() const override { return TMemDataSet::Active(); }
  bool CachedUpdates() const override { return TMemDataSet::CachedUpdates(); }
  bool RecordSetPrepared() const override;
  bool RecordSetFetching() const override;
  bool CommandFinished() const override;
  void ApplyClientUpdates() override { ApplyUpdates(); }
  void CommitClientUpdates() override { CommitUpdates(); }
  void RestoreClientUpdates() override { RestoreUpdates(); }
  void ApplyUpdates() override;

  // ---- The update object's view (IDAUpdateDataSet)
  classlib::TComponent* UpdateDataSetComponent() override { return this; }
  bool PerformSQL(const std::string& sql, TStatementTypes types) override;
  void ReleaseUpdateObject(TCustomDAUpdateSQL* update_object) override;

  // ---- The generator's view (IDAGeneratorDataSet)
  TCRTableInfo* UpdatingTableInfo() override;
  void GetKeyFieldDescs(std::vector<TCRFieldDesc*>& key_fields, std::vector<TCRFieldDesc*>& data_fields,
                        bool all_fields) override;
  TCRFieldDesc* RowIdentityField() override { return row_identity_field_; }
  TFieldDescs& FieldDescs() override { return FIRecordSet->Fields(); }
  bool FieldValueIsNull(const TFieldDesc& field, bool old_value) override;
  bool FieldValueModified(const TFieldDesc& field) override;
  bool QuoteNames() const override { return options_->QuoteNames(); }
  bool FullRefresh() const override { return options_->FullRefresh(); }
  bool Designing() const override { return ComponentState().Contains(classlib::csDesigning); }
  bool HasParams() const override { return command_->ParamCount() > 0; }
  std::string SQLText() override { return command_->SQL().Text(); }
  // The WHERE and ORDER BY operations of the dialect. The base knows no
  // dialect: AddWhere leaves the text as it is (the final text must not
  // lose the statement), the others answer an empty text.
  std::string AddWhere(const std::string& sql, const std::string& condition) override;
  std::string GetWhere() override { return ""; }
  virtual std::string DeleteWhere(const std::string& /*sql*/) { return ""; }
  virtual std::string SetOrderBy(const std::string& /*sql*/, const std::string& /*fields*/) { return ""; }
  virtual std::string DeleteOrderBy(const std::string& /*sql*/) { return ""; }

  // ---- Driver objects
  TCRRecordSet* IRecordSet() const { return record_set_; }
  TCRCommand* ICommand() const { return record_set_ ? record_set_->GetCommand() : nullptr; }
  TCustomDASQL& Command() { return *command_; }
  TDASQLGenerator& SQLGenerator() { return *sql_generator_; }
  // The statement that ran the last edit of a kind (nullptr before it).
  TCustomDASQL* UpdateStatement(TStatementType type) const;

  // Ends a post or cancel: the base has nothing to finish.
  virtual void StopEditing() {}

  // The option setters reach the data set through these.
  void OptionsChanged(int record_set_prop, const classlib::Variant& value);
  void FieldDefsOutOfDate();
  void CheckDataSetInactive() const { CheckInactive(); }

 protected:
  friend class TDADetailDataLink;
  friend class TDBAccessUtils;

  // The base table beside the memory data set's attributes.
  void WriteFieldXMLAttributeType(classlib::TField* field, const TFieldDesc& desc, const std::string& field_alias,
                                  XmlTextWriter& writer) override;

  // ---- Factories
  virtual std::unique_ptr<TCustomDASQL> CreateCommand();
  // Makes the internal statement with CreateCommand; a descendant whose
  // statement class differs calls it again in its own constructor, because
  // the base constructor cannot reach the override.
  void InitCommand();
  // The same for the options, the SQL generator and the texts of statement
  // kinds the descendant supports beyond the base's.
  void InitOptions();
  void InitSQLGenerator();
  void InitUpdateTexts();
  virtual std::unique_ptr<TDADataSetOptions> CreateOptions() { return std::make_unique<TDADataSetOptions>(this); }
  virtual std::unique_ptr<TDASQLGenerator> CreateSQLGenerator() { return std::make_unique<TDASQLGenerator>(this); }
  std::unique_ptr<TData> CreateIRecordSet() override;
  void SetIRecordSet(std::unique_ptr<TData> record_set) override;

  // ---- Connection
  virtual void BeginConnection(bool counted = true);
  virtual void EndConnection();
  virtual void Disconnect();
  virtual void AssignConnection(classlib::TObject* sender, bool connecting);
  virtual void CheckConnection() const;

  // ---- Cursor
  void OpenCursor(bool info_query) override;
  void CloseCursor() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalRefresh() override;
  void InternalEdit() override;
  // Keeps the current record across a change of the filter.
  void SetFilteredValue(bool value) override;
  virtual void InternalExecute();
  virtual void BeforeOpenCursor(bool /*info_query*/) {}
  virtual void AfterOpenCursor(bool /*info_query*/) {}
  virtual void BeforeExecute() {}
  // Prepares under a use the caller holds already (an Execute that must
  // know whether its statement returns rows): no use of its own and none
  // held afterwards, like the prepare an Open makes for itself.
  void PrepareUncounted();
  virtual bool CanFailOver() const { return true; }
  virtual int GetRecCount() { return 0; }
  int GetRecordCount() const override;
  // A server error in the step past the records held (a fetch that failed)
  // ends the walk there: Eof is true once it is raised.
  classlib::TGetResult GetRecord(classlib::TRecordBuffer buffer, classlib::TGetMode mode, bool do_check) override;
  bool GetCanModify() const override;
  virtual bool HoldsConnection() const { return false; }
  virtual bool HoldsConnectionInEdit() const { return false; }
  virtual void LockRecord() {}
  virtual void DoBeforeFetch(bool& cancel);
  virtual void DoAfterFetch();
  // The record set's rows changed outside a step of the data set's (a
  // background execute or fetch ended): the records shown and the data
  // links follow, the current record staying current.
  void RecordSetDataChanged();
  // A fetch cancelled on the way left rows behind: the next scroll resyncs.
  bool FetchCancelled() const { return fetch_cancelled_; }
  void ClearFetchCancelled() { fetch_cancelled_ = false; }
  void DoAfterScroll() override;
  void DoAfterRefresh() override;
  virtual std::string BuildFinalSQL();

  // ---- Updating table
  virtual void ResolveUpdatingTable(const std::string& name);
  virtual void InitUpdatingTable() { row_identity_field_ = nullptr; }
  void SetRowIdentityField(TCRFieldDesc* field) { row_identity_field_ = field; }
  int UpdatingTableIndex() const { return updating_table_index_; }
  // Keys that the dialect finds when KeyFields names none; none here.
  virtual void DetectKeyFields(std::vector<TCRFieldDesc*>& /*key_fields*/) {}
  // Whether PSGetKeyFields leaves the key columns to the descendant (the
  // generic computation is skipped).
  virtual bool ProviderKeyFieldsOwn() const { return false; }

  // ---- Storing edits through statements
  bool PerformInsert() override;
  bool PerformUpdate() override;
  bool PerformDelete() override { return PerformSQL("", {stDelete}); }
  // In a batch a collected row waits ("pending") for the row that sends it.
  classlib::TUpdateAction ApplyRecordDefault(classlib::TUpdateKind kind, bool last) override;
  virtual void RefreshRecordAfterPost();
  virtual bool RefreshAfterInsertAllowed() const { return true; }
  virtual void AfterInsertHook() {}
  // A returned value held by a value object of the driver's own (a refresh
  // answer's) goes into that record's value object by the object's copy;
  // false for the values a Variant carries.
  virtual bool PutRecordObject(const TFieldDesc& /*desc*/, const classlib::TField& /*source*/, TRecBuf /*rec*/) {
    return false;
  }
  virtual std::string WrapSQLInBlock(const std::string& sql) { return sql; }
  virtual bool GetReturnParams() const { return options_->ReturnParams(); }
  // The field a parameter name stands for ("OLD_" asks for the old value,
  // the batch prefix carries a row); nullptr when none.
  virtual const TFieldDesc* FindParamField(const std::string& name, bool& old, int& index);
  // The statement object of a kind (a data set for the kinds that return rows).
  virtual classlib::TComponent& CheckUpdateQuery(TStatementType type);
  virtual void PrepareUpdateStatement(const std::string& sql, TStatementTypes types);
  virtual std::string GetUpdateStatementText(TStatementType type);
  virtual void AssignUpdateParams(TStatementType type, bool generated);
  virtual void AssignFieldValue(TDAParam& param, const TFieldDesc& field, bool old);
  virtual void ExecuteUpdateQuery(TStatementTypes types);
  // After the statement ran: counts checked, returned rows and values copied.
  virtual void CheckUpdateResult(TStatementType type, TStatementTypes types);
  virtual bool GetUpdateAutoCommit() const { return auto_commit_; }
  virtual bool KeepParamTypes() const { return false; }

  // ---- TDASQLOwner
  classlib::TComponent* OwnerComponent() override { return this; }
  TMacrosOwner* OwnerMacros() override { return this; }
  std::string OwnerFinalSQL() override { return BuildFinalSQL(); }
  void OwnerSQLChanged(bool keep_base_sql) override;
  void OwnerScanMacros() override { ScanMacros(); }
  TCustomDAConnection* OwnerConnection() const override { return GetUsedConnection(); }
  char OwnerLeftQuote() const override { return left_quote_; }
  char OwnerRightQuote() const override { return right_quote_; }
  virtual void ScanMacros();

  // ---- TMacrosOwner
  bool IgnoresMacroChange(const std::string& reference) const override;
  void MacroChanged() override;
  void MacrosUpdated() override;

  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;
  void Loaded() override;
  classlib::TDataSource* GetDataSource() const override { return MasterSource(); }

  char left_quote_ = '"';
  char right_quote_ = '"';

  // The record being stored: its new and old values.
  TRecBuf UpdateNewRecord() const;
  TRecBuf UpdateOldRecord();
  // While a posted record that the filter may hide is read back: its values
  // (the store's current row is that record); nullptr otherwise.
  TRecBuf RefreshedRow() const { return refreshed_row_; }

 private:
  void UpdateTextChanged(classlib::TObject* sender);
  void RegisterWith(TCustomDAConnection* connection);
  void PassRecordSetSettings();
  void BalanceFailOver();
  // The prepare itself, traced, with the parameters written first.
  void PrepareStatement();
  void StartAsyncWait();
  void StopAsyncWait();
  void WireCommand();
  bool DetailLinked() const;
  // Before a prepare, an open or an execute: a detail on the server takes
  // the master's values into its parameters, linked by field lists or by
  // parameter names alone (a local link resolves its values at open).
  void TakeMasterParams();
  void Relink();
  void RemoveUpdateStatements();
  void DetailTimerFired(classlib::TObject* sender);
  // The new detail record no longer matches its master: it leaves the rows.
  void DropForeignDetailRecord();
  bool ResolveLocalLink();
  bool PerformSQLOnce(const std::string& sql, TStatementTypes types);
  void ClearBatch();
  void CollectBatchRow(TStatementType type);
  // Copying a returned row into the record being stored or refreshed.
  void CopyResultRow(TCustomDADataSet& result, TStatementType type);
  void CopyResultRows(TCustomDADataSet& result, TStatementType type);
  void CopyReturnParams();
  void WriteRecordValue(classlib::TField* field, const classlib::TField& source, TRecBuf rec);
  // The refresh after an insert: the posted row, shown or not.
  void RefreshPostedRecord();
  TRecBookmark ShownRow();

  std::unique_ptr<TCustomDASQL> command_;
  TCRRecordSet* record_set_ = nullptr;
  std::unique_ptr<TDADataSetOptions> options_;
  std::unique_ptr<TDASQLGenerator> sql_generator_;
  std::array<std::unique_ptr<classlib::TStringList>, 11> update_texts_;
  std::array<std::unique_ptr<TCustomDASQL>, 11> update_statements_;
  // The kinds that return rows run through a data set of the connection.
  std::array<std::unique_ptr<TCustomDADataSet>, 11> update_data_sets_;
  std::unique_ptr<TWin32Timer> detail_timer_;
  // A local link: the numbers of the linked detail fields and the master's
  // values. Numbers rather than descriptions, which a store that describes
  // its fields again frees; the link is cleared when the cursor closes and
  // resolved again when it opens.
  std::vector<std::pair<int, classlib::Variant>> local_link_;
  bool posting_ = false;
  bool dropping_foreign_detail_ = false;
  std::string batch_sql_;
  std::unique_ptr<TDAParams> batch_params_;
  int batch_rows_ = 0;
  std::unique_ptr<TDADetailDataLink> data_link_;
  TCustomDAConnection* connection_ = nullptr;
  TCustomDAConnection* registered_with_ = nullptr;
  TCustomDAUpdateSQL* update_object_ = nullptr;
  TCRFieldDesc* row_identity_field_ = nullptr;

  int fetch_rows_ = 25;
  bool fetch_all_ = false;
  bool debug_ = false;
  bool read_only_ = false;
  bool uni_directional_ = false;
  bool auto_commit_ = true;
  bool non_blocking_ = false;
  bool internal_ = false;
  TRefreshOptions refresh_options_;
  std::string filter_sql_;
  std::string updating_table_;
  std::string key_fields_;
  std::string master_fields_;
  std::string detail_fields_;
  int rows_affected_ = -1;
  int rec_count_from_server_ = 0;
  int updating_table_index_ = -1;
  bool fetch_cancelled_ = false;
  bool cursor_holds_connection_ = false;
  bool execution_reported_ = false;
  bool async_wait_ = false;
  bool scroll_after_refresh_ = false;
  // Prepare took a use of the connection that UnPrepare gives back.
  bool prepared_holds_connection_ = false;
  // The statement storing the current edit, and whether the generator wrote it.
  classlib::TComponent* update_query_ = nullptr;
  bool update_generated_ = false;
  // The record being stored while an edit statement runs.
  TRecBuf update_old_record_ = nullptr;
  bool update_old_read_ = false;
  TRecBuf refreshed_row_ = nullptr;
};

}  // namespace dacore
