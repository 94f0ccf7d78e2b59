// TCRConnection: the abstract driver connection. A server's driver derives
// from it and opens, ends and checks the server session; the generic layer
// keeps the account, the connect time, the validity flag and the error loop
// that reconnects after a lost connection.
#pragma once

#include <cstdint>
#include <string>

#include "classlib/event.h"
#include "classlib/exceptions.h"
#include "classlib/object.h"
#include "classlib/variant.h"
#include "dacore/driver_props.h"
#include "dacore/pool_connection_pool.h"

namespace dacore {

class TCRConnection : public classlib::TObject {
  CLASSLIB_CLASS(TCRConnection, classlib::TObject)
 public:
  using TErrorProc = classlib::Event<void(classlib::Exception& e, bool& fail, bool& reconnect, bool& reexecute,
                                          int reconnect_attempt, TConnLostCause& cause)>;
  using TNotifyProc = classlib::Event<void()>;

  TCRConnection();
  // A driver's destructor disconnects: this one cannot reach the override.
  ~TCRConnection() override = default;
  TCRConnection(const TCRConnection&) = delete;
  TCRConnection& operator=(const TCRConnection&) = delete;

  // The error loop: asks OnError what to do and reconnects while it says
  // so; raises EFailOver when the operation is to run again.
  virtual void DoError(classlib::Exception& e, bool& fail);
  // A driver opens the session first, then calls this.
  virtual void Connect(const std::string& connect_string);
  // Must be harmless when not connected.
  virtual void Disconnect() = 0;
  virtual void StartTransaction() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
  virtual void SetUsername(const std::string& value) { Username = value; }
  virtual void SetPassword(const std::string& value) { Password = value; }
  // Whether the server still answers.
  virtual bool Ping() = 0;
  // Rolls back what the last user left pending, then gives the connection
  // to its pool (which drops it when that failed).
  virtual void ReturnToPool();
  virtual bool SetProp(int prop, const classlib::Variant& value);
  virtual bool GetProp(int prop, classlib::Variant& value);

  bool GetConnected() const { return Connected; }
  void SetServer(const std::string& value) { Server = value; }

  TErrorProc OnError;
  TNotifyProc OnReconnectError;
  TNotifyProc OnReconnectSuccess;
  uint32_t ConnectTime = 0;
  bool Connected = false;
  std::string Username, Password, Server;
  bool AutoCommit = false;
  bool ConvertEOL = false;
  bool IsValid = true;
  TCRConnectionPool* Pool = nullptr;
  void* Component = nullptr;
  bool DisconnectedMode = false;
  bool InProcessError = false;
  bool Reconnected = false;
  // The cause that the error loop reports; the operation that found the
  // connection lost sets it.
  TConnLostCause ConnLostCause = clUnknown;

 private:
  void RunReconnect(int attempt);
};

}  // namespace dacore
