// TCustomDASQLMonitor: the traced events, their texts and the parameter text.
#include "classlib/field.h"
#include "classlib/format.h"
#include "dacore/comp_connection.h"
#include "dacore/trace_monitor.h"

namespace dacore {

using classlib::TFieldType;

namespace {

std::string TrimTrailingControls(const std::string& text) {
  size_t end = text.size();
  while (end > 0 && static_cast<unsigned char>(text[end - 1]) < 33) --end;
  return text.substr(0, end);
}

bool IsStringType(TFieldType t) {
  return t == classlib::ftString || t == classlib::ftFixedChar || t == classlib::ftWideString ||
         t == classlib::ftFixedWideChar;
}

bool IsBinaryType(TFieldType t) {
  return t == classlib::ftBytes || t == classlib::ftVarBytes || classlib::IsBlobFieldType(t);
}

std::string DirectionText(classlib::TParamType type) {
  switch (type) {
    case classlib::ptInput: return "IN";
    case classlib::ptOutput: return "OUT";
    case classlib::ptInputOutput: return "IN/OUT";
    case classlib::ptResult: return "RESULT";
    default: return "";
  }
}

std::string ValueText(const TDAParam& p) {
  if (p.IsNull()) return "<NULL>";
  if (IsStringType(p.DataType())) return "'" + p.AsString() + "'";
  if (IsBinaryType(p.DataType())) return "<BLOB:" + std::to_string(p.AsString().size()) + ">";
  if (p.DataType() == classlib::ftCursor) return "<CURSOR>";
  return p.AsString();
}

std::string JoinNonEmpty(const std::string& a, const std::string& sep, const std::string& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + sep + b;
}

}  // namespace

namespace {

std::string GenericDataType(const TDAParam& p) {
  std::string name = classlib::FieldTypeName(p.DataType());
  if (IsStringType(p.DataType()) && !p.IsNull()) name += "[" + std::to_string(p.AsString().size()) + "]";
  return name;
}

template <typename TypeOf, typename ValueOf>
std::string ParamLines(const TDAParams* params, std::vector<TSQLParam>* params_out, TypeOf type_of,
                       ValueOf value_of) {
  std::string text;
  for (int i = 0; params && i < params->Count(); ++i) {
    const TDAParam& p = *params->Items(i);
    TSQLParam traced{p.Name(), type_of(p), DirectionText(p.ParamType()), value_of(p)};
    text += ":" + traced.Name + "(" + JoinNonEmpty(traced.DataType, ",", traced.ParamType) + ")" +
            (traced.Value.empty() ? "" : "=" + traced.Value) + " \r\n";
    if (params_out) params_out->push_back(std::move(traced));
  }
  return TrimTrailingControls(text);
}

}  // namespace

std::string TCustomDASQLMonitor::ParamsText(const TDAParams* params, std::vector<TSQLParam>* params_out) {
  return ParamLines(params, params_out, GenericDataType, ValueText);
}

std::string TCustomDASQLMonitor::TracedParamsText(const TDAParams* params,
                                                  std::vector<TSQLParam>* params_out) const {
  return ParamLines(
      params, params_out, [this](const TDAParam& p) { return GetParamDataType(p); },
      [this](const TDAParam& p) { return GetParamValue(p); });
}

std::string TCustomDASQLMonitor::GetParamDataType(const TDAParam& param) const { return GenericDataType(param); }

std::string TCustomDASQLMonitor::GetParamValue(const TDAParam& param) const { return ValueText(param); }

// ---- What components call ------------------------------------------------------

namespace {

// Without an active monitor a statement still reaches the debug display.
void ShowWithoutMonitor(classlib::TComponent* obj, const std::string& sql, const TDAParams* params,
                        const std::string& kind, bool before_event) {
  if (before_event && DebugDisplayProc()) DebugDisplayProc()(obj, sql, params, kind);
}

}  // namespace

void TCustomDASQLMonitor::NotifyPrepare(classlib::TComponent* obj, const std::string& sql,
                                        const TDAParams* params, uint32_t& message_id, bool before_event) {
  const std::string text = TrimTrailingControls(sql);
  if (auto* monitor = GetMonitor())
    monitor->Statement(TStatementEvent::Prepare, obj, text, params, "", message_id, before_event);
  else
    ShowWithoutMonitor(obj, text, params, "Prepare", before_event);
}

void TCustomDASQLMonitor::NotifyUnprepare(classlib::TComponent* obj, const std::string& sql,
                                          const TDAParams* params, uint32_t& message_id, bool before_event) {
  const std::string text = TrimTrailingControls(sql);
  if (auto* monitor = GetMonitor())
    monitor->Statement(TStatementEvent::Unprepare, obj, text, params, "", message_id, before_event);
  else
    ShowWithoutMonitor(obj, text, params, "Unprepare", before_event);
}

void TCustomDASQLMonitor::NotifySQLExecute(classlib::TComponent* obj, const std::string& sql,
                                           const TDAParams* params, const std::string& kind,
                                           uint32_t& message_id, bool before_event) {
  if (auto* monitor = GetMonitor())
    monitor->Statement(TStatementEvent::Execute, obj, sql, params, kind, message_id, before_event);
  else
    ShowWithoutMonitor(obj, sql, params, kind.empty() ? "Execute" : kind, before_event);
}

#define DACORE_FORWARD_CONNECTION_EVENT(Name, Event)                                             \
  void TCustomDASQLMonitor::Name(TCustomDAConnection* connection, uint32_t& message_id,          \
                                 bool before_event) {                                           \
    if (auto* monitor = GetMonitor()) monitor->ConnectionEvent(Event, connection, message_id, before_event); \
  }
DACORE_FORWARD_CONNECTION_EVENT(NotifyConnect, TConnectionEvent::Connect)
DACORE_FORWARD_CONNECTION_EVENT(NotifyDisconnect, TConnectionEvent::Disconnect)
DACORE_FORWARD_CONNECTION_EVENT(NotifyTRStart, TConnectionEvent::Start)
DACORE_FORWARD_CONNECTION_EVENT(NotifyTRCommit, TConnectionEvent::Commit)
DACORE_FORWARD_CONNECTION_EVENT(NotifyTRRollback, TConnectionEvent::Rollback)
#undef DACORE_FORWARD_CONNECTION_EVENT

void TCustomDASQLMonitor::NotifyError(classlib::Exception& e) {
  if (auto* monitor = GetMonitor()) monitor->Error(e);
}

// ---- The events -----------------------------------------------------------------

namespace {

void FillRecord(TTraceEvent& event, classlib::TComponent* obj, classlib::TComponent* parent,
                uint32_t message_id, bool before) {
  event.MessageID = before ? 0 : message_id;
  event.EndFlag = before ? 0 : 1;
  event.ObjectID = TCustomDASQLMonitor::ObjectIdentity(obj);
  event.ObjectName = TCustomDASQLMonitor::ObjectName(obj);
  event.ParentID = TCustomDASQLMonitor::ObjectIdentity(parent);
  event.ParentName = TCustomDASQLMonitor::ObjectName(parent);
}

}  // namespace

// The tool hears both calls; the call before takes the tool's new id.
void TCustomDASQLMonitor::ReportToTool(TTraceEvent& event, classlib::TComponent* obj,
                                       classlib::TComponent* parent, const std::string& extra,
                                       uint32_t& message_id, bool before) {
  FillRecord(event, obj, parent, message_id, before);
  tool_->ReportEvent(event, extra);
  if (before) message_id = event.MessageID;
}

void TCustomDASQLMonitor::Statement(TStatementEvent event, classlib::TComponent* obj, const std::string& sql,
                                    const TDAParams* params, const std::string& kind, uint32_t& message_id,
                                    bool before) {
  const TDATraceFlag flag = event == TStatementEvent::Execute ? tfQExecute : tfQPrepare;
  if (!Traces(flag)) return;
  std::vector<TSQLParam> traced;
  const std::string param_text = TracedParamsText(params, &traced);
  const std::string description = GetObjectDescription(obj);
  const char* head = event == TStatementEvent::Prepare     ? "SQL Prepare"
                     : event == TStatementEvent::Unprepare ? "SQL Unprepare"
                                                           : "SQL Execute";
  const std::string kind_text = event == TStatementEvent::Prepare     ? "Prepare"
                                : event == TStatementEvent::Unprepare ? "Unprepare"
                                : kind.empty()                        ? "Execute"
                                                                      : kind;
  auto* client = dynamic_cast<IDAConnectionClient*>(obj);
  const bool show = (!options_.Contains(moCustom) && !ComponentState().Contains(classlib::csDesigning)) ||
                    (client && client->Debug());
  if (before && options_.Contains(moDialog) && show && DebugDisplayProc())
    DebugDisplayProc()(obj, sql, params, kind_text);
  if (before || event == TStatementEvent::Unprepare) {
    const std::string marked = event == TStatementEvent::Execute && !kind.empty() ? " [" + kind + "]" : "";
    SendToLibraryMonitor(head + marked + description + ": " + sql);
    if (trace_flags_.Contains(tfParams) && !param_text.empty()) SendToLibraryMonitor(param_text);
  }
  if (tool_) {
    TTraceEvent record;
    record.Kind = event == TStatementEvent::Execute ? 8 : 6;
    record.EventText = head + description + ": " + sql + "\r\n" + param_text;
    FillRecord(record, obj, GetObjectConnection(obj, 0), message_id, before);
    tool_->ReportStatement(record, sql, traced, client ? client->RowsAffected() : 0);
    if (before) message_id = record.MessageID;
  }
  if (before && OnSQL) {
    std::string text = event == TStatementEvent::Prepare     ? "Prepare: " + sql
                       : event == TStatementEvent::Unprepare ? "Unprepare: " + sql
                                                             : sql;
    if (!param_text.empty()) text += "\r\n" + param_text;
    OnSQL(obj, text, flag);
  }
}

void TCustomDASQLMonitor::ConnectionEvent(TConnectionEvent event, TCustomDAConnection* connection,
                                          uint32_t& message_id, bool before) {
  static const char* const kPrefixes[] = {"Connect: ", "Disconnect: ", "Start: ", "Commit: ", "Rollback: "};
  static const uint32_t kKinds[] = {2, 3, 11, 4, 5};
  const auto index = static_cast<size_t>(event);
  const bool connecting = event == TConnectionEvent::Connect || event == TConnectionEvent::Disconnect;
  const TDATraceFlag flag = connecting ? tfConnect : tfTransact;
  if (!Traces(flag)) return;
  const std::string text = kPrefixes[index] + connection->Username() + "@" + connection->Server() +
                           GetObjectDescription(connection);
  if (before) SendToLibraryMonitor(text);
  if (tool_) {
    const std::string extra = event == TConnectionEvent::Connect
                                  ? "Username=" + connection->Username() + "\r\nServer=" + connection->Server()
                                  : "";
    const int records = connecting ? 1 : GetObjectConnectionCount(connection);
    for (int i = 0; i < records; ++i) {
      TTraceEvent record;
      record.Kind = kKinds[index];
      record.EventText = text;
      ReportToTool(record, connection, connecting ? nullptr : GetObjectConnection(connection, i), extra,
                   message_id, before);
    }
  }
  if (before && OnSQL) OnSQL(connection, text, flag);
}

void TCustomDASQLMonitor::Error(classlib::Exception& e) {
  if (!Traces(tfError)) return;
  const std::string text = "Error: " + e.Message();
  SendToLibraryMonitor(text);
  if (tool_) {
    TTraceEvent record;
    record.Kind = 10;
    record.EndFlag = 1;
    tool_->ReportEvent(record, e.Message());
  }
  if (OnSQL) OnSQL(&e, text, tfError);
}

}  // namespace dacore
