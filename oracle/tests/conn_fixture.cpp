#include "oracle/tests/conn_fixture.h"


#include <algorithm>
#include <chrono>
#include <thread>

#include "oracle/call_binding.h"
#include "oracle/call_state.h"
#include "oracle/pool_ora_manager.h"

namespace oracle::testing {

int SessionControl::PendingWork() { return reinterpret_cast<int (*)()>(Symbol("standin_pending_work"))(); }

int SessionControl::CommittedWork() {
  return reinterpret_cast<int (*)()>(Symbol("standin_committed_work"))();
}

std::string SessionControl::Setting(const void* context, const std::string& name) {
  auto read = reinterpret_cast<int (*)(const void*, const char*, char*, int)>(Symbol("standin_session_setting"));
  char buffer[256] = {};
  return read(context, name.c_str(), buffer, sizeof buffer) < 0 ? "<no session>" : buffer;
}

std::string SessionControl::ClientIdentifier(const void* context) {
  auto read = reinterpret_cast<int (*)(const void*, char*, int)>(Symbol("standin_client_identifier"));
  char buffer[256] = {};
  return read(context, buffer, sizeof buffer) < 0 ? "<no session>" : buffer;
}

void SessionControl::SetCharLength(int length) {
  reinterpret_cast<void (*)(int)>(Symbol("standin_set_char_length"))(length);
}

void SessionControl::DenySetIdentifier(bool deny) {
  reinterpret_cast<void (*)(int)>(Symbol("standin_deny_set_identifier"))(deny ? 1 : 0);
}

int SessionControl::RunningCalls() { return reinterpret_cast<int (*)()>(Symbol("standin_running_calls"))(); }

std::vector<std::string> SessionControl::Executed() { return Lines("standin_executed"); }

int SessionControl::PoolSessions(bool busy_only) {
  return reinterpret_cast<int (*)(int)>(Symbol("standin_pool_sessions"))(busy_only ? 1 : 0);
}

int SessionControl::TriggerFailover(int type, int failures) {
  return reinterpret_cast<int (*)(int, int)>(Symbol("standin_trigger_failover"))(type, failures);
}

void ConnectionTest::SetUp() {
  StandinTest::SetUp();
  WriteOracleValue("", "OCIDLL", ORACLE_STANDIN_PATH);
  session_ = std::make_unique<SessionControl>(ORACLE_STANDIN_PATH);
  standin_->AddAccount("scott", "tiger");
}

void ConnectionTest::ControlsSwitched(const std::string& path) {
  session_ = std::make_unique<SessionControl>(path);
  standin_->AddAccount("scott", "tiger");
}

void ConnectionTest::TearDown() {
  TOraConnectionPoolManager::Free();
  session_.reset();
  StandinTest::TearDown();
}

std::unique_ptr<TOCIConnection> ConnectionTest::NewConnection(uint8_t style, const std::string& user,
                                                              const std::string& password) {
  auto connection = std::make_unique<TOCIConnection>();
  connection->SetOCICallStyle(style);
  connection->SetUsername(user);
  connection->SetPassword(password);
  connection->SetServer("db1");
  return connection;
}

void ConnectionTest::EnterDirectMode() {
  InitOciEnvironment();
  PossibleCallStyles = kCallStyleOci8;
}

void ConnectionTest::WaitForRunningCalls(int count) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (session_->RunningCalls() != count && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(session_->RunningCalls(), count);
}

::testing::AssertionResult InOrder(const std::vector<std::string>& log,
                                   const std::vector<std::string>& expected) {
  auto at = log.begin();
  for (const std::string& line : expected) {
    at = std::find(at, log.end(), line);
    if (at == log.end()) {
      std::string text;
      for (const std::string& entry : log) text += "\n  " + entry;
      return ::testing::AssertionFailure() << "\"" << line << "\" missing or out of order in:" << text;
    }
    ++at;
  }
  return ::testing::AssertionSuccess();
}

bool Contains(const std::vector<std::string>& log, const std::string& line) {
  return std::find(log.begin(), log.end(), line) != log.end();
}

}  // namespace oracle::testing
