// "Обновить" on SQL Server, played by an SQLite file behind the ODBC driver:
// the same run as on Firebird over the ADO stand-in. SQLite knows no
// SET IDENTITY_INSERT, so the version row also takes the plain insert.
#include <gtest/gtest.h>

#include <QSqlQuery>
#include <algorithm>
#include <map>

#include "ado_fixtures.h"
#include "app/ado_connection.h"
#include "app/ado_provider.h"
#include "app/run_state.h"
#include "blob_release_support.h"
#include "update_run_support.h"

namespace app::testing {
namespace {

const char kStructureScript[] = R"(<SCRIPTS>
  <CREATE_BOOKS CONDITION="NOT_EXIST_TABLE(BOOKS);">
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">CREATE TABLE BOOKS (ID INTEGER NOT NULL, TITLE VARCHAR(60))</S>
  </CREATE_BOOKS>
  <FILL_BOOKS CONDITION="NOT_EXIST_FIELD(BOOKS, AUTHOR);">
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO BOOKS (ID, TITLE) VALUES (1, 'Первая книга')</S>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">ALTER TABLE BOOKS ADD AUTHOR VARCHAR(60)</S>
  </FILL_BOOKS>
  <NEVER CONDITION="EXIST_TABLE(NO_SUCH_TABLE);">
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">DELETE FROM BOOKS</S>
  </NEVER>
  <DATA>
    <S STOP_ON_EXCEPTION="0" LOG_ERROR="1">INSERT INTO NO_SUCH_TABLE VALUES (1)</S>
  </DATA>
</SCRIPTS>
)";

const char kStoppingScript[] = R"(<SCRIPTS>
  <DATA>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="0">INSERT INTO NO_SUCH_TABLE VALUES (1)</S>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">CREATE TABLE NEVER_MADE (ID INTEGER)</S>
  </DATA>
</SCRIPTS>
)";

std::string Description(const std::string& db_items) {
  return R"(<ROOT>
  <VERSIONS START_BD_VERSION="3.1" RESULT_BD_VERSION="3.2"/>
  <DB_UPDATE>)" + db_items + R"(
  </DB_UPDATE>
  <SCHEMA_UPDATE>
    <ITEM DATA_FILE="Data\groups.xml" SCHEMA_FILE="Data\groups.xsd" OBJECTS="Материалы"/>
  </SCHEMA_UPDATE>
</ROOT>
)";
}

class SqlServerUpdateRunTest : public BlobUpdateRunTest {
 protected:
  // A product in its own folder keeps its database where a server's lies:
  // elsewhere. (The SQLite ODBC driver cannot open a file whose path holds
  // letters beyond ASCII through the wide-character connect Qt uses; a real
  // server's database is a name, not a path.)
  explicit SqlServerUpdateRunTest(const std::string& product_folder = "")
      : BlobUpdateRunTest(product_folder),
        database_(product_folder.empty() ? product.File("product.sqlite")
                                         : server_disk_.File("product.sqlite")) {
    CreateSqliteProductDatabase(database_, ProductDatabase::Standard({"3.0.0", "3.1"}));
    WriteReleaseFile(ReleaseFile("Scripts/structure.xml"), kStructureScript);
    WriteReleaseFile(ReleaseFile("Scripts/stop.xml"), kStoppingScript);
  }

  void LogInOnSqlServer() { LogInOnSqlServer(window); }
  void LogInOnSqlServer(TfrmUpdate& w) {
    w.cbDBType->setCurrentIndex(w.cbDBType->findText("MSSQL"));
    QTest::keyClicks(w.eUserName, "sa");
    QTest::keyClicks(w.ePassword, "secret");
    w.cbServerName->setEditText("localhost");
    w.eForDB->setText(QString::fromStdString(database_));
    LogInAsAdmin(w);
  }

  QSqlQuery Query(const std::string& sql) {
    if (!checker_.Connected()) {
      checker_.SetConnectionString(SqlServerConnectionString(classlib::Utf8ToCp1251(database_)));
      checker_.Open();
    }
    return checker_.ExecQuery(sql);
  }
  QVariant Value(const std::string& sql) {
    QSqlQuery query = Query(sql);
    return query.next() ? query.value(0) : QVariant();
  }
  void LogIn(TfrmUpdate& w) override { LogInOnSqlServer(w); }
  std::map<int, std::string> Bodies() override {
    std::map<int, std::string> bodies;
    QSqlQuery query = Query("SELECT ID, BODY FROM DOCS WHERE BODY IS NOT NULL");
    while (query.next())
      bodies[query.value(0).toInt()] = query.value(1).toByteArray().toStdString();
    return bodies;
  }
  bool HasKeyColumn() override {
    return Value("SELECT COUNT(*) FROM pragma_table_info('DOCS') WHERE name = 'GUID'").toInt() == 1;
  }
  int LastVersionId() override { return Value("SELECT MAX(ID) FROM BO_VERSION").toInt(); }

  SqliteAsSqlServer driver_;
  // GETDATE() for the version row.
  platform::scratch::ScopedEnv clock_{
      kMssqlOdbcOptionsVariable,
      std::string("LoadExt=" UPDATER_BINARY_DIR "/testing/sqlite_server_clock.so")};
  ScratchFolder server_disk_;
  std::string database_;
  TADOConnection checker_{nullptr};
};

TEST_F(SqlServerUpdateRunTest, AFullRunUpdatesTheDatabaseAndWritesTheVersionRow) {
  product.WriteDescription(Description(R"(
    <ITEM SUBD="MSSQL" TIME_PERCENT="40" SOURCE="0" FILENAME="Scripts\structure.xml"/>
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="40" SOURCE="0" FILENAME="Scripts\stop.xml"/>
    <ITEM SUBD="FIREBIRD;MSSQL" TIME_PERCENT="20" SOURCE="1" FILENAME="Upd\UpdateFull.dll" INFO_STRING="Перенос"/>)"));
  LogInOnSqlServer();
  ASSERT_TRUE(window.cbUpdateDB->isChecked());
  window.cbUpdateConf->setChecked(false);  // the description has no settings part
  Execute();

  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("может занять много времени\r\n")))
      << FileText(LogFile());
  // The structure script ignores one failing statement.
  EXPECT_TRUE(LastBoxText().startsWith(kDoneWithFailuresText + "1).")) << FileText(LogFile());
  EXPECT_EQ(window.StateImage(upDatabase), siSucceeded);
  EXPECT_EQ(window.StateImage(upReferenceGroups), siSucceeded);
  EXPECT_FALSE(window.conLX->Connected());

  EXPECT_EQ(Value("SELECT COUNT(*) FROM BOOKS").toInt(), 1);
  EXPECT_EQ(Value("SELECT TITLE FROM BOOKS WHERE ID = 1").toString(), QStringLiteral("Первая книга"));
  EXPECT_EQ(Value("SELECT MAX(ID) FROM BO_VERSION").toInt(), 3);
  EXPECT_EQ(Value("SELECT BDVERSION FROM BO_VERSION WHERE ID = 3").toString(), "3.2");
  EXPECT_EQ(Value("SELECT UPDATEUSER FROM BO_VERSION WHERE ID = 3").toString(), "admin");
  EXPECT_FALSE(Value("SELECT UPDATEDATE FROM BO_VERSION WHERE ID = 3").isNull());
  EXPECT_EQ(FileText(product.File("library.txt")), ProductConnectionString + "|MSSQL");
  ASSERT_EQ(ReadProgramRuns(product.File("aux-record.txt")).size(), 1u);

  // The one logged failure, and the identity batch that SQLite refused is
  // not in the log: the plain insert after it succeeded.
  const std::string log = FileText(LogFile());
  EXPECT_NE(log.find("*/\nINSERT INTO NO_SUCH_TABLE VALUES (1)\n/*\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("IDENTITY_INSERT"), std::string::npos);
  const std::vector<std::string> lines = FileLines(LogFile());
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "/*"), 2);
}

TEST_F(SqlServerUpdateRunTest, AStoppingStatementLeavesTheVersionRowUnwritten) {
  product.WriteDescription(Description(R"(
    <ITEM SUBD="MSSQL" TIME_PERCENT="40" SOURCE="0" FILENAME="Scripts\stop.xml"/>)"));
  LogInOnSqlServer();
  window.cbUpdateXML->setChecked(false);
  Execute();

  EXPECT_EQ(window.StateImage(upDatabase), siFailed);
  EXPECT_EQ(boxes.shown.back().caption, kErrorCaption);
  EXPECT_EQ(Value("SELECT MAX(ID) FROM BO_VERSION").toInt(), 2);
  EXPECT_EQ(Value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'NEVER_MADE'").toInt(), 0);
  EXPECT_NE(FileText(LogFile()).find("INSERT INTO NO_SUCH_TABLE VALUES (1)"), std::string::npos);
}

TEST_F(SqlServerUpdateRunTest, AVersionRowTheServerRejectsIsLoggedWithItsStatement) {
  // Without GETDATE() both forms of the insert fail.
  ::unsetenv(kMssqlOdbcOptionsVariable);
  product.WriteDescription(Description(R"(
    <ITEM SUBD="MSSQL" TIME_PERCENT="40" SOURCE="0" FILENAME="Scripts\structure.xml"/>)"));
  LogInOnSqlServer();
  window.cbUpdateXML->setChecked(false);
  Execute();

  EXPECT_EQ(window.StateImage(upDatabase), siFailed);
  EXPECT_EQ(Value("SELECT MAX(ID) FROM BO_VERSION").toInt(), 2);
  const std::string log = FileText(LogFile());
  EXPECT_NE(log.find("Не удалось записать информацию о версии\n"), std::string::npos) << log;
  EXPECT_NE(log.find("GETDATE(), NULL);\n"), std::string::npos);
}

// The thousand data files on SQL Server: the same report and the same
// repair as on Firebird, the missing file named without its extension.
TEST_F(SqlServerUpdateRunTest, DataFilesFillTheirRowsAndARepairedReleaseFinishesTheMove) {
  const BlobRelease release(product, "MSSQL", SqliteDocsStatements());
  RunFirstRelease(release, KeyOf(kMissingRow), "damaged row");
  RunRepairedRelease(release);
}

// A product installed under a folder with Cyrillic letters and a blank.
class SqlServerInRussianFolderRunTest : public SqlServerUpdateRunTest {
 protected:
  SqlServerInRussianFolderRunTest() : SqlServerUpdateRunTest(kCyrillicProductFolder) {}
};

TEST_F(SqlServerInRussianFolderRunTest, EveryStepFindsItsFiles) {
  ASSERT_NE(product.ReleaseDir().find(kCyrillicProductFolder + "/"), std::string::npos);
  RunEveryKindOfStep("MSSQL", R"(
    <ITEM SUBD="MSSQL" TIME_PERCENT="40" SOURCE="0" FILENAME="Scripts\structure.xml"/>)", "BLOB");
  EXPECT_EQ(Value("SELECT COUNT(*) FROM BOOKS").toInt(), 1);
  // The structure script lets one failing statement go by.
  EXPECT_TRUE(LastBoxText().startsWith(kDoneWithFailuresText + "1).")) << FileText(LogFile());
}

}  // namespace
}  // namespace app::testing
