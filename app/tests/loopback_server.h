// Servers of the tests on a port of 127.0.0.1 that the system chooses: each
// accepted connection is served, one at a time, on a thread of the server's
// own until the server is destroyed. Two answers are offered: no Firebird
// server (a rejected connection request) and a SQL Server that refuses the
// login (error 18456), each as the client library reads it off the wire.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace app::testing {

class LoopbackServer {
 public:
  // `serve` gets the connected socket and returns when done with it; the
  // server closes it.
  explicit LoopbackServer(std::function<void(int socket)> serve);
  ~LoopbackServer();
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  int Port() const { return port_; }
  // Connections accepted so far, counted before they are answered.
  int Accepted() const { return accepted_; }

 private:
  void AcceptAll();

  std::function<void(int)> serve_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<int> accepted_{0};
  std::thread thread_;
};

// Reads the client's first request and rejects it (op_reject), as a server
// of a protocol the Firebird client does not speak would be read.
void RejectFirebirdConnection(int socket);

// Answers a TDS pre-login without encryption, then refuses the LOGIN7 that
// follows with SQL Server's error 18456 ("Login failed for user 'sa'.").
// A request of another kind, or one that is not well-formed TDS, ends the
// connection and is counted in TdsRequestsRefused.
void RefuseSqlServerLogin(int socket);
int TdsRequestsRefused();

}  // namespace app::testing
