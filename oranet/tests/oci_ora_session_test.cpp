// The Oracle layer's own session component with Direct set, on the fake
// server: it switches the process to the network client, logs on, runs its
// own statements, commits and logs off; its LOB value writes and reads a
// CLOB; a wrong password and a bad session key reach it as the
// layer's errors; and once direct mode is left, a session without Direct
// loads the client library (the stand-in) again.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "oracle/call_direct.h"
#include "oracle/call_state.h"
#include "oracle/conn_oci_connection.h"
#include "oracle/error_ora.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/pool_ora_manager.h"
#include "oracle/session_ora_session.h"
#include "oranet/oci_install.h"
#include "oranet/tests/bounded_run.h"
#include "oranet/tests/fake_server_logon.h"
#include "oranet/tests/fake_server_direct.h"
#include "oranet/tests/fake_server_stmt.h"

namespace oranet::testing {
namespace {

using namespace oracle;

using OraSessionDirectTest = OraDirectTest;

TEST_F(OraSessionDirectTest, LogsOnCommitsAndLogsOff) {
  TFakeServer fake({LogonThen(StatusMessage(0), {TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(Hex("09"))),
                                                 TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(Hex("09"))),
                                                 TFakeStep::Expect(kTnsData)})});
  auto session = DirectSession(fake);
  RunBounded(kBound, [&] {
    session->SetConnected(true);
    EXPECT_TRUE(session->Connected());
    EXPECT_TRUE(IsDirectMode());
    EXPECT_EQ(session->OCICallStyle(), kOci8);
    session->Commit();
    session->SetConnected(false);
  });
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  EXPECT_FALSE(session->Connected());
  const auto data = fake.PacketsOfType(kTnsData);
  ASSERT_EQ(data.size(), 7u);
  EXPECT_EQ(data[4][kTnsDataOffset + 1], 14);  // commit
  EXPECT_EQ(data[5][kTnsDataOffset + 1], 9);   // log-off
  EXPECT_TRUE(standin_->Log().empty()) << "the client library was never called";
}

// The session's own statements run through the network client's
// statement calls: a block's out-bind comes back as the result, a missing
// table is the layer's error 942, and each statement closes its cursor.
TEST_F(OraSessionDirectTest, SessionStatementsRunOnTheNetworkClient) {
  TFakeScript script = LogonThen(StatusMessage(0), {});
  for (const TBytes& answer : {CursorOpened(3), Concat({BindVector({0x10}), Row({TextValue("SCOTT")}), Done(1)}),
                               EndOfCall(), EndOfCall(),  // commit with the execute, close cursor
                               CursorOpened(4), Status({0, 942, "ORA-00942: table or view does not exist", 0, 14, 0}),
                               EndOfCall(),  // close cursor
                               EndOfCall()})  // log off
    Append(script, Exchange(answer));
  TFakeServer fake({script});
  auto session = DirectSession(fake);
  std::string result;
  std::unique_ptr<EOraError> error;
  RunBounded(kBound, [&] {
    session->SetConnected(true);
    result = session->ExecSQL("begin :Result := user; end;").AsString();
    try {
      session->ExecSQL("delete from missing");
    } catch (const EOraError& e) {
      error = std::make_unique<EOraError>(e.ErrorCode(), e.Message());
    }
    session->SetConnected(false);
  });
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  EXPECT_EQ(result, "SCOTT");
  ASSERT_TRUE(error);
  EXPECT_EQ(error->ErrorCode(), 942);
  EXPECT_EQ(error->Message(), "ORA-00942: table or view does not exist");
  const auto data = fake.PacketsOfType(kTnsData);
  ASSERT_GE(data.size(), 12u);
  // The session's statement commits on success, then lets its cursor go.
  const int functions[] = {2, 71, 14, 8, 2, 71, 8, 9};
  for (size_t i = 0; i < std::size(functions); ++i)
    EXPECT_EQ(data[4 + i][kTnsDataOffset + 1], functions[i]) << "request " << i;
}

// A reply the client cannot read is a fatal error for the layer, as a lost
// connection is: the session hears ORA-03106, which it counts as fatal, and
// its error handling closes the broken connection at once, so the rest of the
// broken reply is never read; a new connect logs on afresh.
TEST_F(OraSessionDirectTest, AProtocolViolationIsAFatalErrorOfTheSession) {
  TFakeScript first = LogonThen(StatusMessage(0), {});
  Append(first, Exchange(CursorOpened(3)));
  Append(first, Exchange(Hex("0a 09 09")));  // no message a call is answered with
  TFakeScript second = LogonThen(StatusMessage(0), {});
  Append(second, Exchange(CursorOpened(3)));
  Append(second, Exchange(Concat({BindVector({0x10}), Row({TextValue("SCOTT")}), Done(1)})));
  for (int i = 0; i < 3; ++i) Append(second, Exchange(EndOfCall()));  // close, commit, log off
  TFakeServer fake({first, second});
  auto session = DirectSession(fake);
  std::unique_ptr<EOraError> error;
  bool connected_after_error = true;
  std::string result;
  RunBounded(kBound, [&] {
    session->SetConnected(true);
    error = OraErrorOf([&] { session->ExecSQL("begin :Result := user; end;"); });
    connected_after_error = session->Connected();
    session->SetConnected(true);
    result = session->ExecSQL("begin :Result := user; end;").AsString();
    session->SetConnected(false);
  });
  fake.Join();
  ASSERT_TRUE(error);
  EXPECT_EQ(error->ErrorCode(), 3106);
  EXPECT_EQ(error->Message(), "ORA-03106: fatal two-task communication protocol error (NET: Unknown error 1)");
  EXPECT_TRUE(session->IsFatalError(*error));
  EXPECT_FALSE(connected_after_error);
  EXPECT_EQ(result, "SCOTT");
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
}

// The layer's own LOB value in direct mode: a temporary CLOB is loaded from
// a file, written to the server and read back by a second value over the
// same locator, last character included; the temporary LOB is freed.
TEST_F(OraSessionDirectTest, AClobLoadedFromAFileReadsBackWhole) {
  const std::string text = "Съешь же ещё этих мягких французских булок, да выпей чаю €";
  const TBytes locator = Hex("00 54 00 01 99 88 77 66");
  TFakeScript script = LogonThen(StatusMessage(0), {});
  Append(script, Exchange(CursorOpened(5)));
  Append(script, Exchange(Concat({BindVector({0x10}), Row({LocatorValue(locator)}), Done(1)})));
  Append(script, Exchange(EndOfCall()));
  AppendBlock(script, 5, {0x20, 0x20}, {});              // trim to 0
  AppendBlock(script, 5, {0x20, 0x20, 0x20, 0x20}, {});  // write
  AppendBlock(script, 5, {0x20, 0x30, 0x20, 0x10}, Row({Value(IntNumber(58)), TextValue(text)}));  // read
  AppendBlock(script, 5, {0x20}, {});                    // free the temporary LOB
  Append(script, Exchange(EndOfCall()));                 // log off
  TFakeServer fake({script});

  const std::string path = ::testing::TempDir() + "oranet_clob_" + std::to_string(::getpid()) + ".txt";
  std::ofstream(path, std::ios::binary) << text;
  auto session = DirectSession(fake);
  std::string back;
  RunBounded(kBound, [&] {
    session->SetConnected(true);
    OCISvcCtx* context = session->OCIConnection()->GetSvcCtx();
    auto* lob = new TOraLob(context);
    lob->CreateTemporary(ltClob);
    {
      classlib::TFileStream file(path, classlib::fmOpenRead);
      lob->LoadFromStream(file);
    }
    lob->WriteLob();
    auto* reader = new TOraLob(context);
    reader->SetLobType(ltClob);
    reader->SetOCILobLocator(lob->GetOCILobLocator());
    reader->ReadLob();
    back.resize(reader->GetSize());
    reader->Read(0, static_cast<uint32_t>(back.size()), back.data());
    reader->Release();
    lob->Release();
    session->SetConnected(false);
  });
  std::remove(path.c_str());
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  EXPECT_EQ(back, text);
  TBytes all;
  const auto data = fake.PacketsOfType(kTnsData);
  for (size_t i = 4; i < data.size(); ++i) all.insert(all.end(), data[i].begin() + kTnsDataOffset, data[i].end());
  const TBytes chars = Concat({{static_cast<uint8_t>(IntNumber(58).size())}, IntNumber(58)});
  EXPECT_NE(std::search(all.begin(), all.end(), chars.begin(), chars.end()), all.end())
      << "the write's amount is the text's 58 characters";
}

TEST_F(OraSessionDirectTest, AWrongPasswordIsOra01017) {
  TFakeServer fake({LogonThen(StatusMessage(1017, kWrongPasswordText), {TFakeStep::Silent(3000)})});
  auto session = DirectSession(fake, "lion");
  std::unique_ptr<EOraError> error = ConnectError(*session);
  fake.Join();
  ASSERT_TRUE(error) << "connected with a wrong password";
  EXPECT_EQ(error->ErrorCode(), 1017);
  EXPECT_EQ(error->Message(), "ORA-01017: invalid username/password; logon denied");
  EXPECT_FALSE(session->Connected());
  EXPECT_EQ(session->ConnectCount(), 0);
}

TEST_F(OraSessionDirectTest, AnEmptyOrLongSessionKeyIsRefusedBeforeThePassword) {
  const struct {
    const char* key;
    const char* text;
  } cases[] = {{"", "ORA-03106: fatal two-task communication protocol error (NET: Unknown error 210)"},
               {"0123456789ABCDEF0", "ORA-03106: fatal two-task communication protocol error (NET: Unknown error 106)"}};
  for (const auto& c : cases) {
    TFakeServer fake({TFakeScript{TFakeStep::Expect(kTnsConnect), TFakeStep::SendRaw(AcceptPacket()),
                                  TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(ProtocolReply(6))),
                                  TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(DataTypeReply())),
                                  TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(Phase1Reply(c.key))),
                                  TFakeStep::Silent(3000)}});
    auto session = DirectSession(fake);
    std::unique_ptr<EOraError> error = ConnectError(*session);
    fake.Join();
    ASSERT_TRUE(error) << "key \"" << c.key << "\" was taken";
    EXPECT_EQ(error->Message(), c.text);
    EXPECT_EQ(error->ErrorCode(), 3106) << "a fatal error: the connection it broke is closed";
    EXPECT_FALSE(session->Connected());
    EXPECT_EQ(fake.PacketsOfType(kTnsData).size(), 3u) << "no password went out after the key " << c.key;
  }
}

TEST_F(OraSessionDirectTest, LeavingDirectModeLoadsTheClientLibraryAgain) {
  TFakeServer fake({LogonThen(StatusMessage(0), {TFakeStep::Expect(kTnsData), TFakeStep::SendRaw(DataPacket(Hex("09"))),
                                                 TFakeStep::Expect(kTnsData)})});
  auto direct = DirectSession(fake);
  RunBounded(kBound, [&] { direct->SetConnected(true); });
  EXPECT_TRUE(IsDirectMode());

  auto library = std::make_unique<TOraSession>();
  library->Options().SetDirect(false);
  library->SetConnectString("scott/tiger@db1");
  RunBounded(kBound, [&] { library->SetConnected(true); });
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  EXPECT_FALSE(direct->Connected()) << "the direct session was logged off for the switch";
  EXPECT_FALSE(IsDirectMode());
  EXPECT_TRUE(library->Connected());
  const auto log = standin_->Log();
  EXPECT_NE(std::find(log.begin(), log.end(), "OCIEnvCreate mode=7"), log.end());
  EXPECT_NE(std::find(log.begin(), log.end(), "OCISessionBegin user=scott cred=1 mode=0"), log.end());
  EXPECT_EQ(library->GetServerVersion(), "10.2.0.1.0");
}

}  // namespace
}  // namespace oranet::testing
