// TpZODDataSet: the data set programs place on their forms. Beyond the
// buffered data set it writes its own modify statements from
// AutoUpdateOptions, takes keys from a generator and defaults from the
// columns, keeps its texts in the repository, locks records by a dummy
// UPDATE, counts rows on the server, runs update objects around its own
// statements and reports its events to a container.
//
//   zod_dataset.cpp           construction, properties, events, container
//   zod_dataset_generate.cpp  the generator's view of the data set, texts
//   zod_dataset_post.cpp      running modify statements and update objects
//   zod_dataset_new_record.cpp generator keys and new-record defaults
//   zod_dataset_fields_info.cpp field formats and settings from metadata
//   zod_dataset_lock.cpp      pessimistic locking and the record count
//   zod_dataset_provider.cpp  what a data provider asks of a data set
//   zod_dataset_filter.cpp    the client filter and visible record numbers
#pragma once

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "classlib/params.h"
#include "classlib/strings.h"
#include "fib/dataset/datasets_container.h"
#include "fib/dataset/fib_dataset.h"
#include "fib/zod/generate_sql.h"
#include "fib/zod/zod_update_object.h"

namespace fib {

class TDataSetFilterFields;
class TExpressionParser;
class TFormatFields;
struct TpZODTableInfo;
class FIBMetadataSource;

enum TLockStatus { lsSuccess, lsDeadLock, lsNotExist, lsMultiply, lsUnknownError };

using TLockErrorEvent = classlib::Event<void(classlib::TDataSet* data_set, TLockStatus error,
                                             std::string& message, classlib::TDataAction& action)>;
using TOnGetSQLTextProc = classlib::Event<void(TFIBCustomDataSet* data_set, std::string& sql)>;

class TpZODDataSet : public TFIBDataSet,
                     public IModifyTextHost,
                     public IAutoUpdateOwner,
                     public IUpdateObjectHost,
                     public IUserEventReceiver {
  CLASSLIB_CLASS(TpZODDataSet, TFIBDataSet)
 public:
  explicit TpZODDataSet(classlib::TComponent* owner);
  ~TpZODDataSet() override;

  // ---- properties ----
  TFormatFields& DefaultFormats() { return *default_formats_; }
  int DataSet_ID() const { return data_set_id_; }
  // Needs a closed data set (client error 28); a non-zero id switches
  // psApplyRepositary on.
  void SetDataSet_ID(int id);
  const std::string& Description() const { return description_; }
  void SetDescription(const std::string& text) { description_ = text; }
  classlib::TStringList& ReceiveEvents() { return receive_events_; }
  std::string About() const;

  TLockErrorEvent OnLockError;
  TOnGetSQLTextProc OnAskRecordCount;
  TOnApplyDefaultValue OnApplyDefaultValue;
  TUserEvent OnUserEvent;
  // The user's handlers; the inherited slots carry the data set's own.
  classlib::TDataSetErrorEvent OnPostErrorHandler;
  classlib::TDataSetErrorEvent OnDeleteErrorHandler;

  // ---- operations ----
  void Prepare() override;
  // The last stage of the client filter; a descendant may refuse a record.
  virtual void DoFilterRecord(bool& /*accept*/) {}
  // Formats, repository settings, read-only, required and defaults.
  virtual void ApplyFieldsInfo();
  const TFormatFields* OwnFormats() override;
  // A commit ends the protected-edit locks: their marks go.
  void UpdateTransactionEnded(TTransactionAction action) override;
  // The key field's next generator value, when the field is still null.
  virtual void GenerateKeyValue();
  // kind 0 modify, 1 insert, 2 delete, 3 refresh; see generate_sql.h.
  std::string GenerateSQLText(const std::string& table, const std::string& key_fields,
                              TBlobMode blob_mode, TModifyTextKind kind);
  // All four texts, from AutoUpdateOptions.
  void GenerateSQLs();
  TLockStatus LockRecord(bool raise_on_error);
  int GetRecordCountBySQL();
  // Record by record, with OnUpdateRecord and OnUpdateError, each change
  // written with its own generated text.
  void ApplyUpdates() override;

  // ---- provider support (the class library's interface) ----
  // The inherited keys (fields flagged as keys), else KeyFields of
  // AutoUpdateOptions.
  std::string PSGetKeyFields() override;
  // The select's first table, or the update table when the select has it.
  std::string PSGetTableName() override;
  // Replaces SelectSQL; an empty text changes nothing.
  void PSSetCommandText(const std::string& text) override;
  // The double quote in dialect 3, else none.
  std::string PSGetQuoteChar() override;
  // The select's parameters, typed by what the server described.
  classlib::TParams* PSGetParams() override;
  bool PSInTransaction() override;
  bool PSIsSQLBased() override { return true; }
  bool PSIsSQLSupported() override { return true; }
  // Client errors 21 and 22 without database or transaction.
  void PSStartTransaction() override;
  void PSEndTransaction(bool commit) override;
  // sql's "?" markers become :Param1, :Param2 ... and take params in order.
  // With result_set a new data set on the database and transaction runs it
  // and is handed over; else a pooled statement of the update transaction.
  // The rows a select returns (all fetched), else the rows affected.
  int PSExecuteStatement(const std::string& sql, const classlib::TParams& params,
                         std::unique_ptr<classlib::TDataSet>* result_set = nullptr) override;
  // Runs the statement of `kind` with the values of delta's current record:
  // plain and NEW_ parameters its new values (its old ones where it has no
  // new one), OLD_ parameters its old values; an inserted key may come from
  // the generator. False when the data set has no statement of that kind.
  bool PSUpdateRecord(classlib::TUpdateKind kind, classlib::TDataSet& delta) override;
  // An EFIBError becomes an update error with its message and SQL code.
  std::unique_ptr<classlib::EUpdateError> PSGetUpdateException(
      const classlib::Exception& error, const classlib::EUpdateError* previous) override;

  bool CanEdit() const override;
  bool CanInsert() const override;
  bool CanDelete() const override;

  // A modify statement of the data set or of an update object ran since the
  // last open.
  bool ModifyStatementRan() const { return modify_ran_; }
  // The separate-blob update object; nullptr until first needed.
  TpZODUpdateObject* SeparateBlobUpdateObject() const { return blob_update_.get(); }

  // ---- IModifyTextHost ----
  std::string GeneratorOwnerName() const override;
  IdentifierRules Identifiers() const override;
  TAutoUpdateOptions& GeneratorOptions() override { return AutoUpdateOptions(); }
  bool CanEditComputedFields() const override;
  bool HasFields() const override;
  std::vector<GeneratorField> GeneratorFields(bool compare_values) override;
  TpZODTableInfo* GeneratorTableInfo(const std::string& table) override;
  std::string GeneratorPrimaryKey(const std::string& table) override;
  std::string PreparedSelectText() override;

  // ---- IAutoUpdateOwner ----
  std::string AliasForTable(const std::string& table) const override;
  std::string FormatIdentifier(const std::string& name) const override;

  // ---- IUpdateObjectHost ----
  TUpdateObjectLists& UpdateObjects() override { return update_objects_; }
  TFIBDatabase* HostDatabase() const override { return Database(); }
  TFIBTransaction* HostTransaction() const override { return Transaction(); }

  // ---- IUserEventReceiver ----
  bool ReceivesEvent(const std::string& event_name) const override;
  void ReceiveUserEvent(classlib::TObject* sender, const std::string& event_name,
                        std::string& info) override;

 protected:
  // Post and delete of one record through the modify statements.
  void InternalPostRecord(TFIBQuery* statement, classlib::TRecordBuffer buffer) override;
  void InternalDeleteRecord(TFIBQuery* statement, classlib::TRecordBuffer buffer) override;
  // Opens, then gives the fields their settings from the metadata.
  void InternalOpen() override;
  int GetRecordCount() const override;
  int GetRecNo() const override;
  // The base's test, then the filter when the data set is filtered.
  bool IsVisible(classlib::TRecordBuffer buffer) override;
  // The filter: the base's OnFilterRecord slot holds the data set's own
  // dispatcher, which runs the expression, the user's handler and the hook.
  void SetOnFilterRecordValue(classlib::TFilterRecordEvent handler) override;
  void SetFilterText(const std::string& text) override;
  void SetFilterOptionsValue(classlib::TFilterOptions options) override;
  void SetFilteredValue(bool value) override;

  void DoOnNewRecord() override;
  void DoBeforeOpen() override;
  void DoAfterOpen() override;
  void DoBeforeClose() override;
  void DoAfterClose() override;
  void DoBeforeEdit() override;
  void DoBeforeInsert() override;
  void DoBeforeDelete() override;
  void DoBeforePost() override;
  void DoAfterPost() override;
  void DoAfterDelete() override;
  void DoBeforeCancel() override;
  void DoAfterCancel() override;
  void DoAfterEdit() override;
  void DoAfterInsert() override;
  void DoBeforeScroll() override;
  void DoAfterScroll() override;
  void DoBeforeRefresh() override;
  void DoAfterRefresh() override;
  void DoOnCalcFields() override;
  int CompareFieldValues(classlib::TField* field, const classlib::Variant& s1,
                         const classlib::Variant& s2) override;

 private:
  // Events (zod_dataset.cpp).
  void Report(TKindDataSetEvent event);
  void PostErrorDispatch(classlib::TDataSet* data_set, classlib::EDatabaseError& error,
                         classlib::TDataAction& action);
  void DeleteErrorDispatch(classlib::TDataSet* data_set, classlib::EDatabaseError& error,
                           classlib::TDataAction& action);
  // Prepares the statement of `kind` before an edit, insert or delete.
  void PrepareModifyStatement(TFIBQuery* statement);
  bool CanModify(classlib::TUpdateKind kind, bool inherited) const;
  void LoadRepositoryTexts();

  // Generation (zod_dataset_generate.cpp).
  void GenerateTextsAfterOpen();
  void GeneratePerRecord(bool inserting);
  void SetupBlobUpdateObject();
  void SetTextIfChanged(TDataSetSQLKind kind, const std::string& text);
  bool FieldUnchanged(classlib::TField* field);
  bool FieldIsNull(classlib::TField* field);
  bool IsBlobFieldModified(classlib::TField* field);
  bool IsDBKeyField(int field_no);
  std::unique_ptr<FIBMetadataSource> NewMetadataSource();
  bool UsesRepositoryData() const;
  void FillParamsToFieldsLinks();

  // Posting (zod_dataset_post.cpp).
  void RunUpdateObjects(classlib::TUpdateKind kind, TFIBOrderExecUO order,
                        classlib::TRecordBuffer buffer);
  void RunStatement(TFIBQuery& statement, classlib::TRecordBuffer buffer);
  template <class Work>
  void WithCommitHeldBack(Work work);
  // Runs one cached change; the action OnUpdateError chose when it failed.
  classlib::TUpdateAction ApplyRecord(classlib::TUpdateKind kind, classlib::TRecordBuffer buffer);

  // New records (zod_dataset_new_record.cpp).
  void ApplyNewRecordDefaults(classlib::TField* key_field);
  bool DoApplyDefaultValue(classlib::TField* field);

  // Filtering (zod_dataset_filter.cpp).
  void InstallFilterDispatch();
  void ResetFilter();
  // Compiles a filter text over `fields`, with the LIKE and DATE routines.
  std::unique_ptr<TExpressionParser> NewFilterParser(TDataSetFilterFields& fields,
                                                     const std::string& text) const;
  void FilterRecord(classlib::TDataSet* data_set, bool& accept);
  bool CountsVisibleOnly() const;
  int VisibleRecordCount();

  // Field settings (zod_dataset_fields_info.cpp).
  std::string UpdateTableOfStatements();

  // Locking (zod_dataset_lock.cpp).
  std::string LockText();
  void FillLockParams();

  std::unique_ptr<TFormatFields> default_formats_;
  TUpdateObjectLists update_objects_;
  classlib::TStringList receive_events_;
  std::unique_ptr<TFIBQuery> count_query_;
  std::unique_ptr<TFIBQuery> lock_query_;
  std::unique_ptr<TpZODUpdateObject> blob_update_;
  // The parameter list last offered to a provider.
  std::unique_ptr<classlib::TParams> provider_params_;
  // String fields whose column defaults to the empty string.
  std::set<std::string> empty_default_fields_;

  int data_set_id_ = 0;
  int loaded_data_set_id_ = 0;
  std::string description_;
  bool modify_ran_ = false;
  // The select text and statement counter at the last open and close.
  std::string last_open_select_;
  int select_counter_at_close_ = -1;
  // The count the server gave at open (psAskRecordCount), -1 when none.
  int server_record_count_ = -1;
  int deleted_at_count_ = 0;
  // The filter: the user's handler, the compiled expression, the cached
  // records it refused, and the visible count with the record count it
  // was taken at.
  classlib::TFilterRecordEvent user_filter_;
  std::unique_ptr<TDataSetFilterFields> filter_fields_;
  std::unique_ptr<TExpressionParser> filter_parser_;
  std::set<int> hidden_;
  int visible_count_ = 0;
  int visible_count_at_ = -1;
  // While ApplyUpdates runs a record's statements: the record, read into a
  // buffer of the apply's own, and its version before the cached change.
  // The generator compares these instead of the fields, which show the
  // record on show (or none, when a filter hides every record).
  classlib::TRecordBuffer applying_record_ = nullptr;
  std::vector<uint8_t> applying_old_;
};

}  // namespace fib
