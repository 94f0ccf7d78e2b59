// The Oracle layer's own components with Direct set, on the fake server:
// the network client registered, the stand-in client library named for
// the sessions that leave direct mode, and a direct session to a fake
// server as scott.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "oracle/call_direct.h"
#include "oracle/error_ora.h"
#include "oracle/pool_ora_manager.h"
#include "oracle/session_ora_session.h"
#include "oranet/oci_install.h"
#include "oranet/tests/bounded_run.h"
#include "oranet/tests/fake_server.h"
#include "testing/standin_fixture.h"

namespace oranet::testing {

constexpr auto kBound = std::chrono::milliseconds(8000);

class OraDirectTest : public oracle::testing::StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    RegisterNetClient();
    WriteOracleValue("", "OCIDLL", ORACLE_STANDIN_PATH);
    standin_->AddAccount("scott", "tiger");
  }
  void TearDown() override {
    oracle::RemoveDirectMode();
    oracle::TOraConnectionPoolManager::Free();
    StandinTest::TearDown();
  }

  std::unique_ptr<oracle::TOraSession> DirectSession(const TFakeServer& fake, const std::string& password = "tiger") {
    auto session = std::make_unique<oracle::TOraSession>();
    session->Options().SetDirect(true);
    session->Options().SetConnectionTimeout(2000);
    session->SetConnectString("scott/" + password + "@127.0.0.1:" + std::to_string(fake.Port()) + ":orcl");
    return session;
  }

  // Runs `work` bounded and answers the layer's error (nullptr when none
  // was raised).
  template <typename Work>
  std::unique_ptr<oracle::EOraError> OraErrorOf(Work work) {
    std::unique_ptr<oracle::EOraError> error;
    RunBounded(kBound, [&] {
      try {
        work();
      } catch (const oracle::EOraError& e) {
        error = std::make_unique<oracle::EOraError>(e.ErrorCode(), e.Message());
      }
    });
    return error;
  }

  std::unique_ptr<oracle::EOraError> ConnectError(oracle::TOraSession& session) {
    return OraErrorOf([&] { session.SetConnected(true); });
  }
};

}  // namespace oranet::testing
