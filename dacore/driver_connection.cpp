// TCRConnection: connect bookkeeping, properties and the error loop.
#include "dacore/driver_connection.h"

#include <string>

#include "classlib/datetime.h"

namespace dacore {

void UnknownProperty(const char* unit, int line, int prop) {
  classlib::Assert(false, unit, line, std::to_string(prop));
  throw classlib::EAssertionFailed(std::to_string(prop), unit, line);
}

TCRConnection::TCRConnection() = default;

void TCRConnection::Connect(const std::string& /*connect_string*/) {
  ConnectTime = classlib::GetTickCount();
  IsValid = true;
}

void TCRConnection::ReturnToPool() {
  CLASSLIB_ASSERT(Pool != nullptr);
  OnError.Clear();
  Component = nullptr;
  // What its user left uncommitted must not pass to the pool's next user,
  // who would commit it with his own work. A connection that cannot roll
  // back is not kept.
  if (Connected) {
    try {
      Rollback();
    } catch (...) {
      IsValid = false;
    }
  }
  Pool->PutConnection(this);
}

bool TCRConnection::SetProp(int prop, const classlib::Variant& value) {
  switch (prop) {
    case prAutoCommit: AutoCommit = value.AsBoolean(); return true;
    case prConvertEOL: ConvertEOL = value.AsBoolean(); return true;
    case prDisconnectedMode: DisconnectedMode = value.AsBoolean(); return true;
    default: UnknownProperty(__FILE__, __LINE__, prop);
  }
}

bool TCRConnection::GetProp(int prop, classlib::Variant& value) {
  if (prop != prUsername) UnknownProperty(__FILE__, __LINE__, prop);
  value = Username;
  return true;
}

// One reconnect: the first attempt ends the old session, quietly; a failed
// connect or a failing success handler leaves Reconnected as far as it got.
void TCRConnection::RunReconnect(int attempt) {
  Reconnected = false;
  InProcessError = true;
  if (attempt == 0) {
    try {
      Disconnect();
    } catch (...) {
    }
  }
  try {
    Connect("");
    Reconnected = true;
    if (OnReconnectSuccess) OnReconnectSuccess();
  } catch (...) {
  }
  InProcessError = false;
}

void TCRConnection::DoError(classlib::Exception& e, bool& fail) {
  int attempt = 0;
  for (;;) {
    if (InProcessError) return;
    bool reconnect = attempt > 0;
    bool reexecute = false;
    if (OnError) {
      InProcessError = true;
      try {
        OnError(e, fail, reconnect, reexecute, attempt, ConnLostCause);
      } catch (...) {
        InProcessError = false;
        throw;
      }
      InProcessError = false;
    }
    if (reconnect) {
      RunReconnect(attempt);
      if (Reconnected && reexecute) throw EFailOver(ConnLostCause);
      ++attempt;
    } else if (attempt > 0 && !Reconnected && OnReconnectError) {
      InProcessError = true;
      Connected = true;
      try {
        OnReconnectError();
      } catch (...) {
      }
      InProcessError = false;
      Connected = false;
    }
    if (!reconnect || Reconnected) return;
  }
}

}  // namespace dacore
