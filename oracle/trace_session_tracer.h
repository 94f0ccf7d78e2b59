// Switches the server's own tracing on and off for one session: the SQL
// trace (event 10046 with its statistics settings) and the PL/SQL trace
// (dbms_trace). The statements run on the session as they are built here;
// the server writes the trace files.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/component.h"

namespace oracle {

class TOraSession;

// SQL trace options (bits of SqlTraceOptions).
inline constexpr uint8_t kSqlTraceStatisticsTypical = 0x02;
inline constexpr uint8_t kSqlTraceStatisticsAll = 0x04;
inline constexpr uint8_t kSqlTraceBinds = 0x08;
inline constexpr uint8_t kSqlTraceWaits = 0x10;
inline constexpr uint8_t kSqlTraceTimedStatistics = 0x20;

// A maximum dump file size with every bit set is unlimited.
inline constexpr uint32_t kUnlimitedDumpFileSize = 0xFFFFFFFFu;

class TOraSessionTracer : public classlib::TComponent {
  CLASSLIB_CLASS(TOraSessionTracer, classlib::TComponent)
 public:
  explicit TOraSessionTracer(classlib::TComponent* owner = nullptr);
  // Stops tracing and lets go of the session.
  ~TOraSessionTracer() override;

  TOraSession* Session() const { return session_; }
  // Stops tracing on the old session; starts it on the new one when that
  // one is connected and the tracer is enabled. The session then starts the
  // trace whenever it connects and stops it before it disconnects.
  void SetSession(TOraSession* session);

  // Whether the session starts the trace when it connects.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  uint8_t PlSqlTraceMode() const { return plsql_mode_; }
  void SetPlSqlTraceMode(uint8_t value) { plsql_mode_ = value; }
  uint8_t SqlTraceOptions() const { return sql_options_; }
  void SetSqlTraceOptions(uint8_t value) { sql_options_ = value; }
  const std::string& TraceFileIdentifier() const { return file_identifier_; }
  void SetTraceFileIdentifier(const std::string& value) { file_identifier_ = value; }
  uint32_t MaxDumpFileSize() const { return max_dump_file_size_; }
  void SetMaxDumpFileSize(uint32_t value) { max_dump_file_size_ = value; }

  bool SqlTracing() const { return sql_tracing_; }
  bool PlSqlTracing() const { return plsql_tracing_; }

  void StartTrace();
  void StopTrace();
  void StartSqlTrace();
  void StopSqlTrace();
  void StartPlSqlTrace();
  void StopPlSqlTrace();

  // The dbms_trace level of a PL/SQL trace mode.
  static int PlSqlTraceLevel(uint8_t mode);

  // The server session ended, and its trace with it.
  void SessionEnded() {
    sql_tracing_ = false;
    plsql_tracing_ = false;
  }

 protected:
  void Notification(classlib::TComponent* component, classlib::TOperation operation) override;

 private:
  TOraSession& CheckedSession() const;
  // Lets go of the session without a statement.
  void Detach();

  TOraSession* session_ = nullptr;
  bool enabled_ = false;
  uint8_t plsql_mode_ = 0;
  uint8_t sql_options_ = 0;
  bool plsql_tracing_ = false;
  bool sql_tracing_ = false;
  std::string file_identifier_;
  uint32_t max_dump_file_size_ = 0;
};

}  // namespace oracle
