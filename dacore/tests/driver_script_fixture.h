// A scripted in-memory driver for the driver interfaces: a connection with
// counters and switches that make connect, ping or execute fail with a
// fatal error, a command that answers statements from a script (result
// sets or rows-affected counts) and records what it received, and a record
// set that fetches scripted rows in blocks of FetchRows.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "classlib/exceptions.h"
#include "classlib/variant.h"
#include "dacore/driver_record_set.h"
#include "dacore/tests/store_fixture.h"

namespace dacore::testing {

// The fatal error of the scripted server: the connection is gone.
class EScriptFatal : public classlib::EDatabaseError {
  CLASSLIB_CLASS(EScriptFatal, classlib::EDatabaseError)
 public:
  explicit EScriptFatal(const std::string& message) : classlib::EDatabaseError(message) {}
};

// One answer to one statement: rows (with their columns) or a count.
struct ScriptAnswer {
  std::vector<TestField> columns;  // empty: no result set
  std::vector<std::vector<classlib::Variant>> rows;
  int rows_affected = 0;
};

// What the command received: the statement and its bound values.
struct ScriptCall {
  std::string sql;
  std::vector<classlib::Variant> params;
};

class TScriptConnection : public TCRConnection {
 public:
  ~TScriptConnection() override { TScriptConnection::Disconnect(); }

  void Connect(const std::string& connect_string) override {
    ++connects;
    if (fail_connect) throw EScriptFatal("connect refused");
    Connected = true;
    TCRConnection::Connect(connect_string);
  }
  void Disconnect() override {
    if (Connected) ++disconnects;
    Connected = false;
  }
  void StartTransaction() override { ++transactions; }
  void Commit() override { ++commits; }
  void Rollback() override {
    ++rollbacks;
    if (fail_rollback) throw EScriptFatal("connection lost");
  }
  bool Ping() override {
    ++pings;
    if (fail_ping || !Connected) throw EScriptFatal("server gone");
    return true;
  }

  // Answers in order; a statement with none left affects no rows.
  std::deque<ScriptAnswer> answers;
  std::vector<ScriptCall> calls;
  bool fail_connect = false, fail_ping = false, fail_execute = false, fail_rollback = false;
  int connects = 0, disconnects = 0, pings = 0, transactions = 0, commits = 0, rollbacks = 0;
};

class TScriptCommand : public TCRCommand {
 public:
  TScriptConnection& Script() { return *static_cast<TScriptConnection*>(GetConnection()); }
  bool GetPrepared() override { return state_ >= csPrepared; }
  uint8_t GetCursorState() override { return state_; }
  void SetCursorState(uint8_t value) override { state_ = value; }
  // Whether the next answer returns rows.
  bool NextReturnsRows() { return !Script().answers.empty() && !Script().answers.front().columns.empty(); }

  void Execute(int /*iters*/) override {
    TScriptConnection& script = Script();
    if (script.fail_execute) throw EScriptFatal("connection lost");
    ScriptCall call{GetSQL(), {}};
    for (int i = 0; i < GetParamCount(); ++i) call.params.push_back(GetParam(i)->GetValue());
    script.calls.push_back(std::move(call));
    answer = ScriptAnswer{};
    if (!script.answers.empty()) {
      answer = std::move(script.answers.front());
      script.answers.pop_front();
    }
    rows_affected = answer.rows_affected;
    next_row = 0;
    state_ = answer.columns.empty() ? csFinished : csFetching;
  }

  ScriptAnswer answer;
  size_t next_row = 0;
  int rows_affected = 0;

 private:
  uint8_t state_ = csIdle;
};

class TScriptRecordSet : public TCRRecordSet {
 public:
  ~TScriptRecordSet() override { Close(); }
  std::unique_ptr<TCRCommand> CreateCommand() override { return std::make_unique<TScriptCommand>(); }
  TScriptCommand& Command() { return *static_cast<TScriptCommand*>(GetCommand()); }

  // Appends up to FetchRows scripted rows; answers whether any came.
  bool Fetch() override {
    bool cancel = false;
    DoBeforeFetch(cancel);
    if (cancel) return false;
    ++fetches;
    TScriptCommand& command = Command();
    int taken = 0;
    for (; taken < FetchRows && command.next_row < command.answer.rows.size(); ++taken) {
      const auto& values = command.answer.rows[command.next_row++];
      // The row's values pass to the store with the bytes.
      TRecBuf rec = AllocRecBuf();
      InitRecord(rec);
      CreateComplexFields(rec, true);
      for (size_t i = 0; i < values.size(); ++i) PutFieldAsVariant(static_cast<int>(i) + 1, rec, values[i]);
      InternalAppend(rec);
      FreeRecBuf(rec);
    }
    if (command.next_row >= command.answer.rows.size()) {
      SetFetchDone(true);
      command.SetCursorState(csFinished);
    }
    DoAfterFetch();
    return taken > 0;
  }
  int fetches = 0;

 protected:
  void InternalPrepare() override {
    TCRRecordSet::InternalPrepare();
    SetCommandType(Command().NextReturnsRows() ? ctCursor : ctStatement);
  }
  void InternalOpen() override {
    if (!Prepared()) Prepare();
    TCRRecordSet::InternalOpen();
  }
  void InternalInitFields() override {
    const std::vector<TestField>& columns =
        Command().answer.columns.empty() && !Command().Script().answers.empty()
            ? Command().Script().answers.front().columns
            : Command().answer.columns;
    AddTestFields(*this, columns);
  }
};

}  // namespace dacore::testing
