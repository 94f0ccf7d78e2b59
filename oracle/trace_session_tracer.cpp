#include "oracle/trace_session_tracer.h"

#include <exception>
#include <optional>
#include <string>

#include "oracle/conn_oci_connection.h"
#include "oracle/error_messages.h"
#include "oracle/error_raise.h"
#include "oracle/query_ora_sql.h"
#include "oracle/session_ora_session.h"

namespace oracle {

namespace {

// A text literal as the server reads it: apostrophes inside are doubled,
// so an identifier cannot end the literal and run text of its own.
std::string Literal(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  return quoted + "'";
}

std::string StatisticsLevel(uint8_t options) {
  if (options & kSqlTraceStatisticsAll) return "ALL";
  if (options & kSqlTraceStatisticsTypical) return "TYPICAL";
  return "BASIC";
}

int SqlTraceLevel(uint8_t options) {
  int level = 0;
  if (options & kSqlTraceBinds) level += 4;
  if (options & kSqlTraceWaits) level += 8;
  return level == 0 ? 1 : level;
}

// Runs one of the tracer's statements on a statement of its own that never
// commits: they change the session's settings, and the application's
// pending work must stay its own to commit or roll back, AutoCommit or not.
// A level, when given, is the statement's parameter LEVEL.
// The session keeps what they set after the trace stops (the statistics
// level, the trace-file identifier): a pool does not hand it to another user.
void Run(TOraSession& session, const std::string& text, std::optional<int> level = std::nullopt) {
  session.OCIConnection()->SessionSettingsChanged = true;
  TOraSQL sql;
  sql.SetSession(&session);
  sql.SetAutoCommit(false);
  sql.SetSQL(text);
  if (level) sql.Params().ParamByName("level")->SetAsInteger(*level);
  sql.Execute();
}

}  // namespace

TOraSessionTracer::TOraSessionTracer(classlib::TComponent* owner) : TComponent(owner) {}

// A tracer that goes while its session lives leaves it untraced and
// forgets it; the statements that stop the trace may fail (a lost
// connection), which must not keep the tracer alive.
TOraSessionTracer::~TOraSessionTracer() {
  try {
    SetSession(nullptr);
  } catch (const std::exception&) {
    Detach();
  }
}

void TOraSessionTracer::SetSession(TOraSession* session) {
  if (session == session_) return;
  if (session_ && session_->Connected()) StopTrace();
  Detach();
  session_ = session;
  if (session_) {
    session_->FreeNotification(this);
    session_->tracer_ = this;
  }
  if (session_ && session_->Connected() && enabled_) StartTrace();
}

void TOraSessionTracer::Detach() {
  if (session_) {
    session_->RemoveFreeNotification(this);
    if (session_->tracer_ == this) session_->tracer_ = nullptr;
  }
  session_ = nullptr;
  SessionEnded();
}

void TOraSessionTracer::Notification(classlib::TComponent* component, classlib::TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == classlib::opRemove && component == session_) {
    session_ = nullptr;
    SessionEnded();
  }
}

TOraSession& TOraSessionTracer::CheckedSession() const {
  if (!session_) RaiseOraException(messages::kSessionNotDefined);
  if (!session_->Connected()) RaiseOraException(messages::kSessionNotConnected);
  return *session_;
}

void TOraSessionTracer::StartTrace() {
  StartSqlTrace();
  StartPlSqlTrace();
}

void TOraSessionTracer::StopTrace() {
  StopPlSqlTrace();
  StopSqlTrace();
}

void TOraSessionTracer::StartSqlTrace() {
  TOraSession& session = CheckedSession();
  if (sql_tracing_ || sql_options_ == 0) return;
  if (!file_identifier_.empty())
    Run(session, "ALTER SESSION SET tracefile_identifier = " + Literal(file_identifier_));
  if (max_dump_file_size_ != 0)
    Run(session, "ALTER SESSION SET max_dump_file_size = " +
                     (max_dump_file_size_ == kUnlimitedDumpFileSize ? std::string("UNLIMITED")
                                                                    : std::to_string(max_dump_file_size_)));
  if (session.OCIConnection()->GetOracleVersion() >= 9200)
    Run(session, "ALTER SESSION SET statistics_level = " + StatisticsLevel(sql_options_));
  Run(session, std::string("ALTER SESSION SET timed_statistics = ") +
                   (sql_options_ & kSqlTraceTimedStatistics ? "TRUE" : "FALSE"));
  Run(session, "ALTER SESSION SET EVENTS '10046 trace name context forever, level " +
                   std::to_string(SqlTraceLevel(sql_options_)) + "'");
  sql_tracing_ = true;
}

void TOraSessionTracer::StopSqlTrace() {
  TOraSession& session = CheckedSession();
  if (!sql_tracing_) return;
  Run(session, "ALTER SESSION SET EVENTS '10046 trace name context off'");
  sql_tracing_ = false;
}

int TOraSessionTracer::PlSqlTraceLevel(uint8_t mode) {
  static constexpr int kLevels[8] = {1, 2, 4, 8, 32, 64, 128, 256};
  int level = 0;
  for (int bit = 0; bit < 8; ++bit)
    if (mode & (1u << bit)) level += kLevels[bit];
  return level;
}

void TOraSessionTracer::StartPlSqlTrace() {
  TOraSession& session = CheckedSession();
  if (plsql_tracing_ || plsql_mode_ == 0) return;
  Run(session, "BEGIN\r\n  dbms_trace.set_plsql_trace(:level);\r\nEND;", PlSqlTraceLevel(plsql_mode_));
  plsql_tracing_ = true;
}

void TOraSessionTracer::StopPlSqlTrace() {
  TOraSession& session = CheckedSession();
  if (!plsql_tracing_) return;
  Run(session, "BEGIN\r\n  dbms_trace.clear_plsql_trace;\r\nEND;");
  plsql_tracing_ = false;
}

}  // namespace oracle
