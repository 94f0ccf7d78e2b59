// A scripted TNS peer on 127.0.0.1 for the network tests. It listens on a
// port of the system's choosing, serves one script per connection in order
// on its own thread, bounds every step by a time-out, records every packet
// the client sends, and stops by itself after the last script or the first
// step that fails.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dacore/util_bytes.h"
#include "oranet/tests/fake_server_checks.h"
#include "platform/socket_io.h"

namespace oranet::testing {

struct TFakeStep {
  enum Kind { kExpect, kExpectBurst, kSend, kSendRaw, kClose, kReset, kSilent };
  Kind kind;
  int type = 0;          // kExpect: the type wanted (0: any); kSend: the type sent
  dacore::TBytes bytes;  // kSend: the packet's body after the header; kSendRaw: the bytes
  int ms = 0;            // kSilent: how long to stay silent

  static TFakeStep Expect(int type) { return {kExpect, type, {}, 0}; }
  // A request that may span packets: one packet of `type`, then every
  // packet that follows within ms of the last.
  static TFakeStep ExpectBurst(int type, int ms = 100) { return {kExpectBurst, type, {}, ms}; }
  static TFakeStep Send(int type, const dacore::TBytes& body) { return {kSend, type, body, 0}; }
  // Any bytes: whole packets from test_packets.h, or broken ones.
  static TFakeStep SendRaw(const dacore::TBytes& bytes) { return {kSendRaw, 0, bytes, 0}; }
  static TFakeStep Close() { return {kClose, 0, {}, 0}; }
  static TFakeStep Reset() { return {kReset, 0, {}, 0}; }
  // Reads and drops what comes until the client closes or ms pass.
  static TFakeStep Silent(int ms) { return {kSilent, 0, {}, ms}; }
};
using TFakeScript = std::vector<TFakeStep>;

struct TRecordedPacket {
  int connection;  // index of the script that served it
  int type;
  dacore::TBytes bytes;  // the whole packet, header included
};

// Every request a client sends is checked (fake_server_checks.h); a
// malformed one fails the test that made the server, when the server goes,
// unless the test took the failures to assert them.
class TFakeServer {
 public:
  explicit TFakeServer(std::vector<TFakeScript> scripts,
                       std::chrono::milliseconds stepTimeout = std::chrono::milliseconds(3000),
                       TRequestChecks checks = TRequestChecks::kMessages);
  ~TFakeServer();
  TFakeServer(const TFakeServer&) = delete;
  TFakeServer& operator=(const TFakeServer&) = delete;

  int Port() const { return port_; }
  // Waits until the server has stopped.
  void Join();
  std::vector<TRecordedPacket> Packets() const;
  // The packets of one type, in order.
  std::vector<dacore::TBytes> PacketsOfType(int type) const;
  // What went differently from the scripts, malformed requests included;
  // empty when all went as written.
  std::vector<std::string> Failures() const;
  // The malformed requests, taken: the server no longer fails the test
  // for them.
  std::vector<std::string> TakeRequestFailures();
  // The calls of a connection as the checks read them (waits until the
  // server has stopped).
  std::vector<TCheckedCall> Calls(int connection = 0);
  // The character set a connection's client announced (waits until the
  // server has stopped).
  int AnnouncedCharset(int connection = 0);

 private:
  void Serve();
  bool RunScript(int index, int fd);
  bool RunStep(int index, int fd, const TFakeStep& step, bool& closed);
  bool ReadPacket(int index, int fd, int wantedType);
  void Fail(const std::string& what);
  // Moves what the connection's checks found into the failures.
  void CollectChecks(int index);

  std::vector<TFakeScript> scripts_;
  std::chrono::milliseconds step_timeout_;
  int port_ = 0;  // set while listener_ is made, so declared before it
  platform::socket_io::Fd listener_;
  mutable std::mutex mutex_;
  std::vector<TRecordedPacket> packets_;
  std::vector<std::string> failures_;
  std::vector<std::string> request_failures_;
  std::vector<TRequestChecker> checkers_;  // one per script, used by the server's thread
  std::thread thread_;
};

// A listener whose accept queue is full and never drained: a connect to it
// gets no answer, as from a host that does not respond.
class TFullBacklogListener {
 public:
  TFullBacklogListener();
  int Port() const { return port_; }

 private:
  int port_ = 0;
  platform::socket_io::Fd listener_;
  std::vector<platform::socket_io::Fd> fillers_;
};

// A port bound on 127.0.0.1 where nobody listens: a connect to it is
// refused, and no other listener can take the port while this lives.
class TRefusingPort {
 public:
  TRefusingPort();
  int Port() const { return port_; }

 private:
  int port_ = 0;
  platform::socket_io::Fd socket_;
};

}  // namespace oranet::testing
