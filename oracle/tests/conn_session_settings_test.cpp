// Language settings, character length and set, the client identifier and
// fail-over, as the stand-in's server sessions hold them.
#include <thread>

#include "oracle/call_state.h"
#include "oracle/error_ora.h"
#include "oracle/tests/conn_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

class SessionSettingsTest : public ConnectionTest {
 protected:
  std::string Get(TOCIConnection& connection, int prop) {
    classlib::Variant value;
    connection.GetProp(prop, value);
    return value.AsString();
  }
};

TEST_F(SessionSettingsTest, DateFormatSetBeforeConnectIsAppliedAndClearedBackToTheServers) {
  auto connection = NewConnection();
  connection->SetProp(prDateFormat, "YYYY-MM-DD");
  EXPECT_TRUE(session_->Executed().empty()) << "nothing is sent while disconnected";
  connection->Connect("");
  EXPECT_EQ(session_->Executed().front(), "ALTER SESSION SET NLS_DATE_FORMAT='YYYY-MM-DD' ");
  EXPECT_EQ(session_->Setting(connection->GetSvcCtx(), "NLS_DATE_FORMAT"), "YYYY-MM-DD");
  EXPECT_EQ(Get(*connection, prDateFormat), "YYYY-MM-DD");
  EXPECT_EQ(Get(*connection, prDateLanguage), "AMERICAN") << "read from the server when unset";

  connection->SetProp(prDateFormat, "");
  EXPECT_FALSE(connection->NlsParams[nlsDateFormat].Changed);
  connection->Disconnect();
  connection->Connect("");
  EXPECT_EQ(Get(*connection, prDateFormat), "DD-MON-RR") << "the server's default after reconnect";
}

TEST_F(SessionSettingsTest, ApostrophesInASettingStayInsideTheLiteral) {
  auto connection = NewConnection();
  connection->Connect("");
  const std::string format = "DD \"of\" MON', NLS_DATE_LANGUAGE='GERMAN";
  connection->SetProp(prDateFormat, format);
  EXPECT_EQ(session_->Executed().back(),
            "ALTER SESSION SET NLS_DATE_FORMAT='DD \"of\" MON'', NLS_DATE_LANGUAGE=''GERMAN' ");
  EXPECT_EQ(session_->Setting(connection->GetSvcCtx(), "NLS_DATE_FORMAT"), format);
  EXPECT_EQ(session_->Setting(connection->GetSvcCtx(), "NLS_DATE_LANGUAGE"), "AMERICAN")
      << "the value must not set a second parameter";
}

TEST_F(SessionSettingsTest, AutomaticCharLengthIsAskedButReadsZero) {
  session_->SetCharLength(3);
  auto connection = NewConnection();
  connection->SetProp(prCharLength, 0);
  connection->Connect("");
  EXPECT_EQ(connection->CharLength, 3);
  EXPECT_EQ(Get(*connection, prCharLength), "0");
  connection->SetProp(prCharLength, 2);
  EXPECT_EQ(Get(*connection, prCharLength), "2");
  EXPECT_FALSE(connection->CharLengthAuto);
}

TEST_F(SessionSettingsTest, UnknownCharsetFailsTheConnectWithoutLeavingASession) {
  auto connection = NewConnection();
  connection->SetProp(prCharset, "KLINGON8");
  EXPECT_EQ(MessageOf([&] { connection->Connect(""); }), "Cannot find charset KLINGON8");
  EXPECT_FALSE(connection->GetConnected());
  EXPECT_EQ(standin_->LiveHandles(), 2);
}

TEST_F(SessionSettingsTest, ClientIdentifier) {
  auto connection = NewConnection();
  EXPECT_EQ(MessageOf([&] { connection->SetClientIdentifier("x"); }), "Session is not connected");
  connection->Connect("");
  EXPECT_EQ(MessageOf([&] { connection->SetClientIdentifier(":x"); }),
            "The first character of the ClientIdentifier should not be ':'");
  connection->SetClientIdentifier("updater");
  EXPECT_EQ(session_->ClientIdentifier(connection->GetSvcCtx()), "updater");
  EXPECT_TRUE(Contains(standin_->Log(), "OCIAttrSet htype=9 attr=278"));
}

TEST_F(SessionSettingsTest, OlderClientSetsTheIdentifierWithABlockAndNamesTheMissingGrant) {
  UseClient(8, 1, 7);
  auto connection = NewConnection();
  connection->Connect("");
  connection->SetClientIdentifier("updater");
  EXPECT_EQ(session_->Executed().back(), "BEGIN DBMS_SESSION.SET_IDENTIFIER(:a); END; ");
  EXPECT_EQ(session_->ClientIdentifier(connection->GetSvcCtx()), "updater");
  session_->DenySetIdentifier(true);
  try {
    connection->SetClientIdentifier("other");
    ADD_FAILURE() << "no error without the grant";
  } catch (const EOraError& e) {
    EXPECT_EQ(e.ErrorCode(), 6550);
    EXPECT_EQ(e.Message().rfind("Please execute GRANT EXECUTE ON DBMS_SESSION TO scott as SYS\r\rORA-06550", 0), 0u)
        << e.Message();
  }
}

TEST_F(SessionSettingsTest, FailoverReappliesTheSettingsFromTheLibrarysThread) {
  auto connection = NewConnection();
  connection->SetProp(prDateFormat, "YYYY-MM-DD");
  connection->Connect("");
  std::vector<std::pair<uint32_t, uint32_t>> heard;
  std::thread::id heard_on;
  connection->OnFailover = TOCIConnection::TFailoverProc::Function(
      [&](uint32_t event, uint32_t type, bool& retry) {
        heard.emplace_back(event, type);
        heard_on = std::this_thread::get_id();
        retry = event == OCI_FO_ERROR;
      });
  EXPECT_EQ(session_->TriggerFailover(OCI_FO_SESSION, 1), 3);
  EXPECT_EQ(heard, (std::vector<std::pair<uint32_t, uint32_t>>{
                       {OCI_FO_BEGIN, OCI_FO_SESSION}, {OCI_FO_ERROR, OCI_FO_SESSION}, {OCI_FO_END, OCI_FO_SESSION}}));
  EXPECT_NE(heard_on, std::this_thread::get_id());
  EXPECT_EQ(session_->Setting(connection->GetSvcCtx(), "NLS_DATE_FORMAT"), "YYYY-MM-DD")
      << "the renewed session has the user's setting again";
  EXPECT_TRUE(connection->Ping());

  heard.clear();
  connection->OnFailover = TOCIConnection::TFailoverProc::Function(
      [&](uint32_t event, uint32_t, bool&) { heard.emplace_back(event, 0); });
  session_->TriggerFailover(OCI_FO_SELECT, 1);
  EXPECT_EQ(heard, (std::vector<std::pair<uint32_t, uint32_t>>{{OCI_FO_BEGIN, 0}, {OCI_FO_ERROR, 0}, {OCI_FO_ABORT, 0}}))
      << "without a retry the fail-over is given up";
}

TEST_F(SessionSettingsTest, NothingIsThrownIntoTheLibraryDuringAFailover) {
  auto connection = NewConnection();
  connection->SetProp(prDateFormat, "YYYY-MM-DD");
  connection->Connect("");
  connection->OnFailover = TOCIConnection::TFailoverProc::Function(
      [](uint32_t, uint32_t, bool&) { throw classlib::Exception("handler failed"); });
  standin_->InjectFault("OCIStmtExecute", 1, OCI_ERROR, 3113, "ORA-03113: end-of-file on communication channel");
  EXPECT_EQ(session_->TriggerFailover(OCI_FO_SESSION, 0), 2);
  EXPECT_FALSE(connection->IsValid) << "the settings did not reach the renewed session";
  EXPECT_FALSE(connection->Ping());
}

}  // namespace
}  // namespace oracle::testing
