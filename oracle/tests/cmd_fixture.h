// Tests of commands on the stand-in: a connected session, the stand-in's
// statement controls (scripted answers, what executes received) and the
// call log from a mark on.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "oracle/cmd_oci_command.h"
#include "oracle/tests/conn_fixture.h"

namespace oracle::testing {

class StatementControl {
 public:
  explicit StatementControl(const std::string& path);
  ~StatementControl();
  StatementControl(const StatementControl&) = delete;
  StatementControl& operator=(const StatementControl&) = delete;
  void Script(const std::string& sql, const std::string& answer);
  std::vector<std::string> Received();
  void ClearReceived();

 private:
  void* Symbol(const char* name);
  void* library_;
};

class CommandTest : public ConnectionTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  void ControlsSwitched(const std::string& path) override;
  // Connects the test's session in that call style.
  void Connect(uint8_t style = 0);
  // A command on the session with that text.
  std::unique_ptr<TOCICommand> NewCommand(const std::string& sql);
  // The call log from the last ClearLog on, without the client-version calls.
  std::vector<std::string> Calls(const std::string& entry = "");
  std::unique_ptr<TOCIConnection> connection_;
  std::unique_ptr<StatementControl> statements_;
};

}  // namespace oracle::testing
