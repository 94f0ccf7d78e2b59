// Tests of the connection and the pools on the stand-in client library: its
// session controls, a connection test that loads the stand-in through the
// registry, and a check that log lines come in a given order.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "oracle/conn_oci_connection.h"
#include "testing/standin_fixture.h"

namespace oracle::testing {

// The stand-in's session controls (oci_standin_session_control.h).
class SessionControl : public StandinControl {
 public:
  using StandinControl::StandinControl;

  int PendingWork();
  int CommittedWork();
  std::string Setting(const void* context, const std::string& name);
  std::string ClientIdentifier(const void* context);
  void SetCharLength(int length);
  void DenySetIdentifier(bool deny);
  int RunningCalls();
  std::vector<std::string> Executed();
  int PoolSessions(bool busy_only);
  int TriggerFailover(int type, int failures);
};

class ConnectionTest : public StandinTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  void ControlsSwitched(const std::string& path) override;

  // A connection of scott/tiger@db1 (not connected) in the given style.
  std::unique_ptr<TOCIConnection> NewConnection(uint8_t style = 0, const std::string& user = "scott",
                                                const std::string& password = "tiger");
  // Loads the client and lets the newer calls stand for the network client.
  void EnterDirectMode();
  // Waits until the stand-in has that many calls waiting for a break.
  void WaitForRunningCalls(int count);

  std::unique_ptr<SessionControl> session_;
};

// Whether every line of `expected` occurs in `log`, in that order.
::testing::AssertionResult InOrder(const std::vector<std::string>& log,
                                   const std::vector<std::string>& expected);
bool Contains(const std::vector<std::string>& log, const std::string& line);

}  // namespace oracle::testing
