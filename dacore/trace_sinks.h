// The two outside trace tools as sink interfaces: the platform's SQL
// monitor (a client registers, then sends texts) and the external
// monitoring tool (a caption, event records and statement records). Each is
// made by a factory hook that is unset by default, so a machine without the
// tools traces only to the application's OnSQL event.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace classlib {
class TObject;
}

namespace dacore {

// One traced parameter, as texts.
struct TSQLParam {
  std::string Name, DataType, ParamType, Value;
};

// The platform SQL monitor's client interface.
class ISQLMonitorSink {
 public:
  virtual ~ISQLMonitorSink() = default;
  // set_flags lets the monitor change the client's trace flags.
  virtual void Register(const classlib::TObject* client, const std::string& client_name,
                        std::function<void(uint16_t flags)> set_flags) = 0;
  virtual void SendText(const std::string& text) = 0;
};

// One record for the external tool. On the call before an operation the
// tool writes the new event's id into MessageID.
struct TTraceEvent {
  uint32_t MessageID = 0;
  uint32_t Kind = 0;     // 2 connect, 3 disconnect, 4 commit, 5 rollback, 6 prepare,
                         // 8 execute, 10 error, 11 transaction start
  uint32_t EndFlag = 0;  // 0 before the operation, 1 after it
  uint32_t ObjectID = 0;
  uint32_t ParentID = 0;
  std::string ObjectName, ParentName, EventText;
};

class ITraceToolSink {
 public:
  virtual ~ITraceToolSink() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void ReportEvent(TTraceEvent& event, const std::string& extra) = 0;
  virtual void ReportStatement(TTraceEvent& event, const std::string& sql,
                               const std::vector<TSQLParam>& params, int rows_affected) = 0;
};

// Factories of the sinks; unset, or answering nullptr, means no tool.
using TSQLMonitorSinkFactory = std::function<std::unique_ptr<ISQLMonitorSink>()>;
using TTraceToolSinkFactory = std::function<std::unique_ptr<ITraceToolSink>()>;
void SetSQLMonitorSinkFactory(TSQLMonitorSinkFactory factory);
void SetTraceToolSinkFactory(TTraceToolSinkFactory factory);
std::unique_ptr<ISQLMonitorSink> CreateSQLMonitorSink();
std::unique_ptr<ITraceToolSink> CreateTraceToolSink();

}  // namespace dacore
