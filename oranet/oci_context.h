// The server, session and service-context handles of direct mode. The
// service context holds the TNS connection (shared with the statements
// that run on it) and what the connect and logon settled.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "oranet/logon_connect.h"
#include "oranet/oci_handle.h"
#include "oranet/tns_connection.h"
#include "oranet/value_clob_counts.h"

namespace oranet {

// The server text given to OCIServerAttach: "host[:port[:sid]]".
class TNetServer : public TNetHandle {
 public:
  using TNetHandle::TNetHandle;
  ub4 HandleType() const override { return oracle::OCI_HTYPE_SERVER; }
  const std::string& ServerText() const { return server_text_; }
  void SetServerText(std::string text) { server_text_ = std::move(text); }

 private:
  std::string server_text_;
};

// The user name and password of a session (attributes 22 and 23).
class TNetSession : public TNetHandle {
 public:
  using TNetHandle::TNetHandle;
  ub4 HandleType() const override { return oracle::OCI_HTYPE_SESSION; }
  sword SetAttr(ub4 attr, void* value, ub4 size) override;
  const std::string& User() const { return user_; }
  const std::string& Password() const { return password_; }

 private:
  std::string user_;
  std::string password_;
};

// UTF-16 (kCharsetUtf16) as a bind's character set: a session takes UTF8
// for it.

class TNetServiceContext : public TNetHandle {
 public:
  using TNetHandle::TNetHandle;
  ub4 HandleType() const override { return oracle::OCI_HTYPE_SVCCTX; }
  // 5: the server handle.
  sword GetAttr(ub4 attr, void* value, ub4* size) override;
  // 6 server, 7 session, 20 client character set by name ("Unknown
  // charset" for a name the table lacks), 31 client character set id,
  // 10001 connect time-out (ms).
  sword SetAttr(ub4 attr, void* value, ub4 size) override;

  TNetServer* Server() const { return server_; }
  TNetSession* Session() const { return session_; }
  void SetSession(TNetSession* session) { session_ = session; }
  int ClientCharsetId() const { return client_charset_id_; }
  int ConnectTimeout() const { return connect_timeout_ms_; }
  // The identity the logon reports; this process's unless set (tests).
  void SetClientIdentity(const TClientIdentity& identity) { identity_ = identity; }
  const std::optional<TClientIdentity>& ClientIdentity() const { return identity_; }

  bool Connected() const { return logon_.connected; }
  // What the connect and logon settled: versions, character sets, key.
  const TLogonSession& Logon() const { return logon_; }
  // The connection of the current session; null before a connect. The
  // statements of the session share it and keep it while they live.
  const std::shared_ptr<TTnsConnection>& Connection() const { return connection_; }
  // A fresh connection for a connect, and the settled logon after it.
  TTnsConnection& NewConnection();
  void SetLogon(const TLogonSession& logon) { logon_ = logon; }
  void MarkDisconnected() { logon_.connected = false; }

 private:
  TNetServer* server_ = nullptr;
  TNetSession* session_ = nullptr;
  int client_charset_id_ = 0;  // 0: the server's
  int connect_timeout_ms_ = 0;
  std::optional<TClientIdentity> identity_;
  std::shared_ptr<TTnsConnection> connection_;
  TLogonSession logon_;
};

}  // namespace oranet
