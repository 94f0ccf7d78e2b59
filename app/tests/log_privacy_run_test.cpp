// A whole run on the embedded Firebird engine in which an auxiliary program
// fails, another cannot start and a statement holding password macros
// fails: the saved log tells all of it and shows no password.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/char_shift.h"
#include "app/run_state.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "update_run_support.h"

namespace app::testing {
namespace {

const char kScript[] = R"(<SCRIPTS>
  <DATA>
    <S STOP_ON_EXCEPTION="0" LOG_ERROR="1">INSERT INTO NOPE VALUES ('&lt;PASSWORD&gt;', '&lt;PASSWORD_SQL&gt;', '&lt;CON_STRING&gt;')</S>
  </DATA>
</SCRIPTS>
)";

const char kSettingsPart[] = R"(
  <CONFIG_UPDATE>
    <ITEM UPDATE_TYPE="/no/such/program" COMMAND="-i &lt;PASSWORD_INI&gt; PASSWORD=&lt;PASSWORD&gt;" TIME_PERCENT="100" INFO_STRING="Настройки"/>
  </CONFIG_UPDATE>)";

class LogPrivacyRunTest : public UpdateRunTest {
 protected:
  LogPrivacyRunTest() {
    std::filesystem::copy_file(ProductEnvironment::FirebirdDatabase({"3.0.0", "3.1"}), database_);
    WriteReleaseFile(ReleaseFile("Scripts/data.xml"), kScript);
    product.WriteDescription(ScriptAndTransferDescription(kSettingsPart));
  }
  std::string database_ = product.File("product.fdb");
  // The import program says it failed, repeating the password it was given.
  platform::scratch::ScopedEnv failing_{
      "FAKE_AUX_SCRIPT", std::string("copydata PASSWORD=secret refused;error Secret is wrong;"
                                     "result 1")};
};

TEST_F(LogPrivacyRunTest, NoPasswordReachesTheLogFromFailingProgramsOrStatements) {
  LogInOnFirebird(database_);
  ASSERT_EQ(LoginPassword, "secret");
  ASSERT_EQ(SqlPassword, kFixtureSysdbaPassword);
  ASSERT_TRUE(window.cbUpdateXML->isChecked());
  ASSERT_TRUE(window.cbUpdateConf->isChecked());
  Execute();

  const std::string log = FileText(LogFile());
  // Every failure is there: the statement, both program messages with the
  // program's command line, and the program that did not start.
  EXPECT_NE(log.find("INSERT INTO NOPE VALUES ('***', '***', "), std::string::npos) << log;
  EXPECT_NE(log.find("PASSWORD=\"***\" GROUP="), std::string::npos) << log;
  EXPECT_NE(log.find("\nPASSWORD=***\n"), std::string::npos) << log;
  EXPECT_NE(log.find("*** is wrong"), std::string::npos) << log;
  EXPECT_NE(log.find("/no/such/program -i *** PASSWORD=***"), std::string::npos) << log;

  const std::string upper = classlib::AnsiUpperCase(log);
  EXPECT_EQ(upper.find("SECRET"), std::string::npos) << log;
  EXPECT_EQ(upper.find("MASTERKEY"), std::string::npos) << log;
  const std::string ini_form =
      classlib::Cp1251ToUtf8(EncodeString(BasePassword, kShiftModeSettingsTools));
  EXPECT_EQ(log.find(ini_form), std::string::npos) << log;

  struct stat st {};
  ASSERT_EQ(::stat(LogFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

}  // namespace
}  // namespace app::testing
