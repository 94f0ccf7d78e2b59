// TCustomDASQLMonitor: traces what the data-access components do (prepare,
// unprepare, execute with parameters, connect, disconnect, transactions,
// errors) to the application's OnSQL event and to the outside tools' sinks.
// Components never hold a monitor: they call the static Notify operations,
// which forward to the process's active monitor, if any.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/component.h"
#include "classlib/enum_set.h"
#include "classlib/event.h"
#include "classlib/exceptions.h"
#include "dacore/param_da.h"
#include "dacore/trace_sinks.h"

namespace dacore {

class TCustomDAConnection;

enum TDATraceFlag {
  tfQPrepare, tfQExecute, tfQFetch, tfError, tfStmt, tfConnect, tfTransact, tfBlob, tfService,
  tfMisc, tfParams,
};
using TDATraceFlags = classlib::EnumSet<TDATraceFlag>;

enum TMonitorOption { moDialog, moSQLMonitor, moQuorvelin, moCustom, moHandled };
using TMonitorOptions = classlib::EnumSet<TMonitorOption>;

using TOnSQLEvent = classlib::Event<void(classlib::TObject* sender, const std::string& text, TDATraceFlag flag)>;

// The debug display of statements another unit may install: monitor, the
// object, the SQL, the parameters and the kind ("Prepare", "Execute", ...).
using TDebugDisplayProc = void (*)(classlib::TObject* object, const std::string& sql,
                                   const TDAParams* params, const std::string& kind);
void SetDebugDisplayProc(TDebugDisplayProc proc);
TDebugDisplayProc DebugDisplayProc();

class TCustomDASQLMonitor : public classlib::TComponent {
  CLASSLIB_CLASS(TCustomDASQLMonitor, classlib::TComponent)
 public:
  static constexpr uint16_t kDefaultTraceFlags = 1643;
  static constexpr uint8_t kDefaultOptions = 15;

  explicit TCustomDASQLMonitor(classlib::TComponent* owner);
  ~TCustomDASQLMonitor() override;

  bool Active() const { return active_; }
  void SetActive(bool value);
  TDATraceFlags TraceFlags() const { return trace_flags_; }
  void SetTraceFlags(TDATraceFlags flags) { trace_flags_ = flags; }
  TMonitorOptions Options() const { return options_; }
  void SetOptions(TMonitorOptions options);
  TOnSQLEvent OnSQL;
  virtual std::string GetCaption() const { return "DataAccess"; }

  // ---- What components call (the active instance, if any, traces)
  static TCustomDASQLMonitor* GetMonitor();
  static bool HasMonitor() { return GetMonitor() != nullptr; }
  static void NotifyPrepare(classlib::TComponent* obj, const std::string& sql, const TDAParams* params,
                            uint32_t& message_id, bool before_event);
  static void NotifyUnprepare(classlib::TComponent* obj, const std::string& sql, const TDAParams* params,
                              uint32_t& message_id, bool before_event);
  static void NotifySQLExecute(classlib::TComponent* obj, const std::string& sql, const TDAParams* params,
                               const std::string& kind, uint32_t& message_id, bool before_event);
  static void NotifyConnect(TCustomDAConnection* connection, uint32_t& message_id, bool before_event);
  static void NotifyDisconnect(TCustomDAConnection* connection, uint32_t& message_id, bool before_event);
  static void NotifyTRStart(TCustomDAConnection* connection, uint32_t& message_id, bool before_event);
  static void NotifyTRCommit(TCustomDAConnection* connection, uint32_t& message_id, bool before_event);
  static void NotifyTRRollback(TCustomDAConnection* connection, uint32_t& message_id, bool before_event);
  static void NotifyError(classlib::Exception& e);

  // ---- Texts and identities
  // The low 32 bits of the address; a data set's or statement's is xor-ed
  // with its connection's identity byte-reversed; nullptr is 0.
  static uint32_t ObjectIdentity(const classlib::TComponent* obj);
  // Name, or class name + " ($" + identity in 8 hex digits + ")".
  static std::string ObjectName(const classlib::TComponent* obj);
  // Empty unless moHandled: " [name$ID; connection$ID] ".
  std::string GetObjectDescription(classlib::TComponent* obj) const;
  // One line per parameter with the generic type names and value texts;
  // fills params_out for the tool.
  static std::string ParamsText(const TDAParams* params, std::vector<TSQLParam>* params_out);
  // The same with this monitor's type names and value texts.
  std::string TracedParamsText(const TDAParams* params, std::vector<TSQLParam>* params_out) const;

  // A parameter's type name ("String[3]") and value text ("'abc'", "<NULL>")
  // as traced; a server's monitor names its own types.
  virtual std::string GetParamDataType(const TDAParam& param) const;
  virtual std::string GetParamValue(const TDAParam& param) const;

 protected:
  virtual void ConnectMonitor();
  virtual void DisconnectMonitor();
  virtual TCustomDAConnection* GetObjectConnection(classlib::TComponent* obj, int index) const;
  virtual int GetObjectConnectionCount(classlib::TComponent*) const { return 1; }
  // To the platform SQL monitor, when one is registered.
  void SendToLibraryMonitor(const std::string& text);

 private:
  enum class TStatementEvent { Prepare, Unprepare, Execute };
  enum class TConnectionEvent { Connect, Disconnect, Start, Commit, Rollback };

  bool Traces(TDATraceFlag flag) const;
  void Statement(TStatementEvent event, classlib::TComponent* obj, const std::string& sql,
                 const TDAParams* params, const std::string& kind, uint32_t& message_id, bool before);
  void ConnectionEvent(TConnectionEvent event, TCustomDAConnection* connection, uint32_t& message_id,
                       bool before);
  void Error(classlib::Exception& e);
  void ObtainTool();
  void ReportToTool(TTraceEvent& event, classlib::TComponent* obj, classlib::TComponent* parent,
                    const std::string& extra, uint32_t& message_id, bool before);

  bool active_ = false;
  TDATraceFlags trace_flags_;
  TMonitorOptions options_;
  std::unique_ptr<ISQLMonitorSink> library_monitor_;
  std::unique_ptr<ITraceToolSink> tool_;
};

}  // namespace dacore
