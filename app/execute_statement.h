// The native connection a script file runs on, seen through one small
// interface per server kind, and the execution of one statement on it.
// Texts are ANSI (code page 1251).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QThread;

namespace classlib {
class TStrings;
}

namespace app {

// The server kinds whose catalogues the script conditions know.
enum class TScriptServer { Firebird, MsSql, Oracle };

class IScriptConnection {
 public:
  virtual ~IScriptConnection() = default;

  virtual TScriptServer Server() const = 0;

  // Ends what the connection holds (committing an open transaction) and
  // opens it again, so every script file starts on a fresh connection.
  virtual void Reconnect() = 0;
  // Sends one statement to the server unchanged; raises on failure.
  // ExecuteStatement calls it on a thread of its own.
  virtual void Execute(const std::string& text) = 0;
  // A connection whose handle may only be used by one thread hands it to
  // `worker` (called on the thread that holds it) and back to `owner`
  // (called on `worker` once the statement ran). Nothing by default.
  virtual void LendTo(QThread* worker) { (void)worker; }
  virtual void GiveBack(QThread* owner) { (void)owner; }
  // Commits the transaction left open by the statements, if there is one.
  virtual void Commit() = 0;

  // Runs a catalogue query on the connection's query component and gives
  // the first column of its first row as an integer (0 without a row).
  virtual int64_t QueryCount(const std::string& sql) = 0;
  // Whether the query returns a row at all.
  virtual bool QueryHasRow(const std::string& sql) = 0;
  // The user tables (no system tables, no views where the server tells
  // them apart) and the stored columns of one table.
  virtual std::vector<std::string> TableNames() = 0;
  virtual std::vector<std::string> FieldNames(const std::string& table) = 0;
  // The text the query component holds now, and closing it.
  virtual std::string QueryText() const = 0;
  virtual void CloseQuery() = 0;
};

// Runs `work` on the statement thread, with the connection lent to it,
// while the calling thread keeps processing its events (calling
// `between_rounds`, when given, before each round of them), so long work on
// the server does not freeze the window. Returns when the work is done and
// raises what it raised. Called from such work, it runs `work` at once.
void RunOnStatementThread(IScriptConnection& connection, const std::function<void()>& work,
                          const std::function<void()>& between_rounds = {});

// Called from work that runs on the statement thread: the thread waiting
// for the work makes its next round of events (and `between_rounds`) now
// instead of at its next step. Elsewhere it does nothing.
void HurryEventRound();

// Executes `text` on the connection. A text that is exactly "COMMIT" in any
// letter case is not sent and counts as done: the connection commits by
// itself. On failure `error_text` holds the exception's message.
// The statement runs through RunOnStatementThread; the call returns only
// when it is done, so statements keep their order.
bool ExecuteStatement(IScriptConnection& connection, const std::string& text,
                      std::string& error_text);

// The lines of a name list filled by a connection component.
std::vector<std::string> NamesOf(const classlib::TStrings& list);

}  // namespace app
