// Statuses turned into errors: the codes and texts of each status, the
// server's text read from the error handle, and the stand-in's own answers
// (a refused logon, a parameter past the last column) on the way.
#include <cstring>

#include "oracle/call_entries.h"
#include "oracle/error_ora.h"
#include "testing/message_of.h"
#include "testing/standin_fixture.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;

class OraErrorTest : public StandinTest {
 protected:
  void SetUp() override {
    StandinTest::SetUp();
    WriteOracleValue("", "OCIDLL", ORACLE_STANDIN_PATH);
    InitOciEnvironment();
    standin_->ClearLog();
  }
  void* Alloc(ub4 type) {
    void* handle = nullptr;
    CheckOciStatus(OCIHandleAlloc(hOCIEnv, &handle, type, 0, nullptr));
    return handle;
  }
  void SetText(void* handle, ub4 type, ub4 attribute, const std::string& text) {
    CheckOciStatus(OCIAttrSet(handle, type, const_cast<char*>(text.data()),
                              static_cast<ub4>(text.size()), attribute, hOCIError));
  }
  // A logged-on session's service context (user scott, password tiger).
  OCISvcCtx* LogOn(const std::string& password) {
    auto* context = static_cast<OCISvcCtx*>(Alloc(OCI_HTYPE_SVCCTX));
    auto* server = static_cast<OCIServer*>(Alloc(OCI_HTYPE_SERVER));
    auto* session = static_cast<OCISession*>(Alloc(OCI_HTYPE_SESSION));
    const std::string link = "XE";
    CheckOciStatus(OCIServerAttach(server, hOCIError, reinterpret_cast<const OraText*>(link.data()),
                                   static_cast<sb4>(link.size()), OCI_DEFAULT));
    CheckOciStatus(OCIAttrSet(context, OCI_HTYPE_SVCCTX, server, 0, OCI_ATTR_SERVER, hOCIError));
    SetText(session, OCI_HTYPE_SESSION, OCI_ATTR_USERNAME, "scott");
    SetText(session, OCI_HTYPE_SESSION, OCI_ATTR_PASSWORD, password);
    CheckOciStatus(OCISessionBegin(context, hOCIError, session, OCI_CRED_RDBMS, OCI_DEFAULT));
    CheckOciStatus(OCIAttrSet(context, OCI_HTYPE_SVCCTX, session, 0, OCI_ATTR_SESSION, hOCIError));
    return context;
  }
  // The EOraError a call raises.
  template <class F>
  std::pair<int32_t, std::string> ErrorOf(F f) {
    try {
      f();
    } catch (const EOraError& e) {
      return {e.ErrorCode(), e.Message()};
    }
    return {-1, "(no EOraError)"};
  }
};

TEST_F(OraErrorTest, SuccessAndWarningsPass) {
  CheckOciStatus(OCI_SUCCESS);
  EXPECT_TRUE(standin_->Log().empty()) << "success asks nothing";
  CheckOciStatus(OCI_SUCCESS_WITH_INFO);
  EXPECT_THAT(standin_->Log(), ElementsAre("OCIErrorGet record=1 type=2"))
      << "a warning's text is read, then dropped";
}

TEST_F(OraErrorTest, RefusedLogonCarriesTheServerText) {
  standin_->AddAccount("SCOTT", "tiger");
  auto [code, text] = ErrorOf([&] { LogOn("lion"); });
  EXPECT_EQ(code, 1017);
  EXPECT_EQ(text, "ORA-01017: invalid username/password; logon denied")
      << "the server's line end is trimmed";
  EXPECT_THAT(standin_->LogOf("OCISessionBegin"), ElementsAre("OCISessionBegin user=scott cred=1 mode=0"));
  LogOn("tiger");
}

TEST_F(OraErrorTest, EachStatusHasItsCodeAndText) {
  std::string text;
  EXPECT_EQ(GetOciErrorText(OCI_NEED_DATA, text), 99);
  EXPECT_EQ(text, "OCI_NEED_DATA");
  EXPECT_EQ(GetOciErrorText(OCI_INVALID_HANDLE, text), 2);
  EXPECT_EQ(text, "OCI_INVALID_HANDLE");
  EXPECT_EQ(GetOciErrorText(42, text), 42);
  EXPECT_EQ(text, "Unknown error: ORA-42");
  EXPECT_EQ(GetOciErrorText(-3123, text), 3123);
  EXPECT_TRUE(standin_->Log().empty()) << "none of these asks the error handle";
  EXPECT_EQ(GetOciErrorText(OCI_NO_DATA, text), 100);
  EXPECT_EQ(text, "OCI_NO_DATA") << "the handle holds no record";
  auto [code, message] = ErrorOf([] { CheckOciStatus(42); });
  EXPECT_EQ(code, 42);
  EXPECT_EQ(message, "Unknown error: ORA-42");
}

TEST_F(OraErrorTest, InjectedServerErrorsRaiseWithTheirNumbers) {
  auto* statement = static_cast<OCIStmt*>(Alloc(OCI_HTYPE_STMT));
  standin_->InjectFault("OCIStmtPrepare", 2, OCI_ERROR, 1403, "ORA-01403: no data found\r\n\t ");
  const std::string sql = "select 1 from dual";
  auto prepare = [&] {
    CheckOciStatus(OCIStmtPrepare(statement, hOCIError, reinterpret_cast<const OraText*>(sql.data()),
                                  static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT));
  };
  prepare();
  auto [code, text] = ErrorOf(prepare);
  EXPECT_EQ(code, 1403);
  EXPECT_EQ(text, "ORA-01403: no data found");
  // Through the routine that reads the error handle whatever the status.
  standin_->InjectFault("OCIStmtPrepare", 1, OCI_NO_DATA, 3113, "ORA-03113: end-of-file on communication channel");
  std::tie(code, text) = ErrorOf([&] {
    CheckOraError(OCIStmtPrepare(statement, hOCIError, reinterpret_cast<const OraText*>(sql.data()),
                                 static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT));
  });
  EXPECT_EQ(code, 3113);
  EXPECT_EQ(text, "ORA-03113: end-of-file on communication channel");
}

TEST_F(OraErrorTest, ErrorIsADataAccessError) {
  try {
    CheckOciStatus(OCI_INVALID_HANDLE);
    FAIL() << "no exception";
  } catch (const dacore::EDAError& e) {
    EXPECT_EQ(e.ErrorCode(), 2);
    EXPECT_EQ(e.Component(), nullptr);
    EXPECT_EQ(e.ClassName(), "EOraError");
  }
}

TEST_F(OraErrorTest, OlderCallStyleHasNoErrorHandle) {
  UnloadOci();
  UseClient(7, 3, 4);
  InitOciEnvironment();
  EXPECT_EQ(MessageOf([] { CheckOciStatus(OCI_ERROR); }), "Need Oracle 8 Call Interface");
}

TEST_F(OraErrorTest, ParameterPastTheLastColumnAnswers24334) {
  standin_->AddAccount("scott", "tiger");
  standin_->ScriptSelect("select a, b from t", "A,B");
  OCISvcCtx* context = LogOn("tiger");
  auto* statement = static_cast<OCIStmt*>(Alloc(OCI_HTYPE_STMT));
  const std::string sql = "select a, b from t";
  CheckOciStatus(OCIStmtPrepare(statement, hOCIError, reinterpret_cast<const OraText*>(sql.data()),
                                static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT));
  ub2 type = 0;
  CheckOciStatus(OCIAttrGet(statement, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, hOCIError));
  EXPECT_EQ(type, OCI_STMT_SELECT);
  CheckOciStatus(OCIStmtExecute(context, statement, hOCIError, 0, 0, nullptr, nullptr, OCI_DESCRIBE_ONLY));
  std::vector<std::string> names;
  for (ub4 position = 1;; ++position) {
    void* param = nullptr;
    sword status = OCIParamGet(statement, OCI_HTYPE_STMT, hOCIError, &param, position);
    if (status != OCI_SUCCESS) {
      EXPECT_EQ(position, 3u);
      auto [code, text] = ErrorOf([&] { CheckOciStatus(status); });
      EXPECT_EQ(code, 24334);
      break;
    }
    char* name = nullptr;
    ub4 length = 0;
    CheckOciStatus(OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &length, OCI_ATTR_NAME, hOCIError));
    names.emplace_back(name, length);
    CheckOciStatus(OCIDescriptorFree(param, OCI_DTYPE_PARAM));
  }
  EXPECT_THAT(names, ElementsAre("A", "B"));
}

}  // namespace
}  // namespace oracle::testing
