// What the connection component needs of the data sets and statement
// components that use it. The data-set and SQL components implement it;
// the connection only holds pointers to registered clients.
#pragma once

namespace classlib {
class TComponent;
}

namespace dacore {

class TCRConnection;
class TCustomDAConnection;

class IDAConnectionClient {
 public:
  virtual ~IDAConnectionClient() = default;

  // The component itself (names in messages, identity in errors).
  virtual classlib::TComponent* ClientComponent() = 0;
  // A data set (true) or a statement component (false).
  virtual bool IsDataSet() const = 0;
  // The connection the client is bound to.
  virtual TCustomDAConnection* ClientConnection() const = 0;
  // Gives the client's driver object (record set or command) the driver
  // connection, or nullptr.
  virtual void SetDriverConnection(TCRConnection* connection) = 0;

  // ---- Data sets
  virtual bool Active() const { return false; }
  virtual bool CachedUpdates() const { return false; }
  virtual bool FetchAll() const { return true; }
  // Whether the record set is prepared, fetching, or its command finished.
  virtual bool RecordSetPrepared() const { return false; }
  virtual bool RecordSetFetching() const { return false; }
  virtual bool CommandFinished() const { return true; }
  // The cached updates: apply, clear after a commit, offer again.
  virtual void ApplyClientUpdates() {}
  virtual void CommitClientUpdates() {}
  virtual void RestoreClientUpdates() {}

  // ---- Statements
  virtual bool Executing() const { return false; }

  // ---- Tracing
  // Rows the last statement affected; whether statements are shown to the
  // debug display even without a monitor.
  virtual int RowsAffected() const { return 0; }
  virtual bool Debug() const { return false; }
};

}  // namespace dacore
