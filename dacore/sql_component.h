// TCustomDASQL: the statement component. It holds the SQL text, its
// parameters and macros, and a driver command; it runs statements that
// return no rows. A data set keeps one as its internal command: then the
// data set answers the final text, scans the macros of all its texts and
// does the tracing (TDASQLOwner).
#pragma once

#include <memory>
#include <string>

#include "classlib/component.h"
#include "classlib/event.h"
#include "classlib/strings.h"
#include "dacore/comp_client.h"
#include "dacore/driver_command.h"
#include "dacore/lexer_parser.h"
#include "dacore/macro_macros.h"
#include "dacore/param_da.h"

namespace dacore {

class TCustomDAConnection;

using TAfterExecuteEvent = classlib::Event<void(classlib::TObject* sender, bool result)>;

// What a statement needs of the data set it belongs to; the data set
// implements it. A stand-alone statement has none.
class TDASQLOwner {
 public:
  virtual ~TDASQLOwner() = default;
  virtual classlib::TComponent* OwnerComponent() = 0;
  // Hears of changes of the macros the statement keeps for the data set.
  virtual TMacrosOwner* OwnerMacros() = 0;
  // The data set's final text: the statement's own with the data set's conditions.
  virtual std::string OwnerFinalSQL() = 0;
  // The text changed: the data set closes, unprepares and forgets what it
  // derived from the old text (its base text unless keep_base_sql).
  virtual void OwnerSQLChanged(bool keep_base_sql) = 0;
  // Scans the macros of every text the data set holds.
  virtual void OwnerScanMacros() = 0;
  // The connection the data set works through.
  virtual TCustomDAConnection* OwnerConnection() const = 0;
  // The characters that enclose a quoted name.
  virtual char OwnerLeftQuote() const { return '"'; }
  virtual char OwnerRightQuote() const { return '"'; }
};

// The data type a driver binds a parameter of a field type as.
TDataType ParamDataType(classlib::TFieldType type);

// After a statement ran in disconnected mode: a statement outside a user
// transaction that the server keeps open (either auto-commit off) marks the
// connection as holding an implicit one; otherwise the connection's
// transaction id is read again.
void NoteImplicitTransaction(TCustomDAConnection* connection, bool auto_commit);

// Whether text changes of statements keep a data set's base text; off, and
// nothing in this system turns it on.
bool KeepBaseSQL();

class TCustomDASQL : public classlib::TComponent, public IDAConnectionClient, public TMacrosOwner {
  CLASSLIB_CLASS(TCustomDASQL, classlib::TComponent)
 public:
  // data_set: the data set the statement belongs to, or nullptr.
  explicit TCustomDASQL(classlib::TComponent* owner, TDASQLOwner* data_set = nullptr);
  ~TCustomDASQL() override;

  // ---- Text, parameters, macros
  classlib::TStringList& SQL() { return sql_; }
  // Assigns the text when it differs (one change notice).
  void SetSQL(const std::string& text);
  // The same, keeping the parameters (lock_params) or the macros
  // (lock_macros) as they are rather than scanning the new text.
  void SetSQLText(const std::string& text, bool lock_params, bool lock_macros);
  TDAParams& Params() { return *params_; }
  // Whether this is the internal statement of data_set (its Command()).
  bool BelongsTo(const classlib::TComponent* data_set) const {
    return data_set_ && data_set_->OwnerComponent() == data_set;
  }
  TDAParam* ParamByName(const std::string& name) { return params_->ParamByName(name); }
  int ParamCount() const { return params_->Count(); }
  classlib::Variant ParamValues(const std::string& names) const { return params_->ParamValues(names); }
  void SetParamValues(const std::string& names, const classlib::Variant& values) {
    params_->SetParamValues(names, values);
  }
  bool ParamCheck() const { return param_check_; }
  void SetParamCheck(bool value);
  TMacros& Macros() { return *macros_; }
  // The text with trailing blanks and control characters removed and the
  // macros expanded; a data set's statement answers the data set's.
  virtual std::string FinalSQL();
  std::string StatementFinalSQL() const;

  // The connection, ParamCheck, the text, macros, parameters, Debug and AutoCommit.
  void Assign(const classlib::TPersistent* source) override;

  // ---- Settings
  bool Debug() const override { return debug_; }
  void SetDebug(bool value) { debug_ = value; }
  bool AutoCommit() const { return auto_commit_; }
  void SetAutoCommit(bool value);
  bool NonBlocking() const { return non_blocking_; }
  // A descendant passes the setting on to its driver command.
  virtual void SetNonBlocking(bool value) { non_blocking_ = value; }
  TAfterExecuteEvent AfterExecute;

  // ---- Connection and driver command
  TCustomDAConnection* Connection() const { return connection_; }
  void SetConnection(TCustomDAConnection* connection);
  // The connection the statement works through: its own; a descendant may
  // answer another (a default one) when it has none.
  virtual TCustomDAConnection* GetUsedConnection() const { return connection_; }
  TCRCommand* ICommand() const { return command_; }
  // Takes a driver command (the data set's, or one the statement owns).
  virtual void SetICommand(TCRCommand* command);

  // ---- Running
  void Execute() { Execute(1); }
  virtual void Execute(int iters);
  virtual void Prepare();
  virtual void UnPrepare();
  bool Prepared() const;
  void SetPrepared(bool value) { value ? Prepare() : UnPrepare(); }
  // Rows the last statement touched (the driver command's count).
  int RowsAffected() const override;
  // Whether the driver command still runs a statement.
  bool Executing() const override;

  // ---- The connection's view (IDAConnectionClient)
  classlib::TComponent* ClientComponent() override { return this; }
  bool IsDataSet() const override { return false; }
  TCustomDAConnection* ClientConnection() const override { return GetUsedConnection(); }
  void SetDriverConnection(TCRConnection* connection) override;

  // ---- Parameter text (also used for batch rows)
  // Rewrites text: with params, each parameter marker becomes "?" and a
  // parameter is appended; with rename_prefix, ":" + prefix + name is
  // written; with neither, ":" + name.
  std::string ParseSQLParams(const std::string& text, TDAParams* params, const std::string& rename_prefix);
  // The driver command's after-execute notice.
  virtual void CommandAfterExecute(bool result);
  virtual void WriteParams(bool with_values);
  virtual void ReadParamValues();
  // The lexer of the dialect, for parameter and macro search and for the
  // data set's reading of its text (base TParser).
  virtual std::unique_ptr<TParser> CreateParser(const std::string& text);

 protected:
  virtual std::unique_ptr<TDAParams> CreateParamsObject() { return std::make_unique<TDAParams>(this); }
  // Makes the parameters with CreateParamsObject again: a descendant whose
  // parameter class differs calls it in its own constructor, because the
  // base constructor cannot reach the override.
  void InitParamsObject() { params_ = CreateParamsObject(); }
  // A driver command of the connection's class, owned by the statement.
  virtual void CreateICommand();
  // Makes command the statement's own driver command (one made without a
  // connection, or of the class a default connection makes).
  void SetOwnICommand(std::unique_ptr<TCRCommand> command);
  // A stand-alone statement working through a connection that is not its
  // own (a default one) registers with it and takes a driver command of its
  // class.
  virtual void BeginConnection(bool counted);
  virtual void EndConnection();
  virtual void ConnectChange(classlib::TObject* sender, bool connecting);
  // The connection goes: the driver statement is let go.
  virtual void Disconnect();
  // The data set the statement belongs to, or nullptr.
  TDASQLOwner* DataSetOwner() const { return data_set_; }
  virtual void InternalPrepare();
  virtual void InternalUnPrepare();
  virtual void InternalExecute(int iters);
  virtual void SQLChanged(classlib::TObject* sender);
  virtual void ScanMacros();
  virtual void ScanParams();
  virtual void ReadParams();
  void Loaded() override;
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;

  // ---- TMacrosOwner for a stand-alone statement
  bool IgnoresMacroChange(const std::string&) const override { return false; }
  void MacroChanged() override;
  void MacrosUpdated() override;

  // Descendants that must not scan macros, or that pass the text through unparsed.
  bool scan_macros_off_ = false;
  bool pass_sql_through_ = false;
  bool wait_hook_ = true;
  bool trace_suppressed_ = false;
  bool design_ = false;

 private:
  friend class TDBAccessUtils;
  // Set while the component is made at design time.
  bool design_create_ = false;
  bool Traced() const;
  bool CommandScansParams();
  void CarryValues(const TDAParams& from);
  // Registers with a connection that is not the statement's own; leaves it.
  void UseDefaultConnection(TCustomDAConnection* connection);
  void LeaveDefaultConnection();
  char LeftQuote() const { return data_set_ ? data_set_->OwnerLeftQuote() : '"'; }
  char RightQuote() const { return data_set_ ? data_set_->OwnerRightQuote() : '"'; }
  // Reads the name after a ":" and writes its replacement; answers where
  // the copying of the text goes on.
  size_t ParseSQLParamsAt(TParser& parser, size_t colon, TDAParams* params, const std::string& rename_prefix,
                          std::string& out);

  classlib::TStringList sql_;
  std::unique_ptr<TDAParams> params_;
  std::unique_ptr<TMacros> macros_;
  bool param_check_ = true;
  bool debug_ = false;
  bool auto_commit_ = false;
  bool non_blocking_ = false;
  bool in_sql_changed_ = false;
  bool params_locked_ = false;
  bool execution_reported_ = false;
  TDASQLOwner* data_set_;
  TCRCommand* command_ = nullptr;
  std::unique_ptr<TCRCommand> own_command_;
  std::string final_sql_;
  TCustomDAConnection* connection_ = nullptr;
  // The connection the statement registered with without being its own.
  TCustomDAConnection* default_connection_ = nullptr;
};

}  // namespace dacore
