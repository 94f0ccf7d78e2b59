// "Обновить" on Oracle, played by the stand-in client library's SQLite tier:
// the same run as on Firebird and SQL Server, with the login through the
// Oracle provider, the scripts, conditions, binary columns and version row
// on the window's oraSession and oraQ, and the dictionary views the
// conditions read.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <QProgressBar>
#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "app/run_state.h"
#include "app/tests/oracle_standin.h"
#include "blob_release_support.h"
#include "oracle/session_ora_session.h"
#include "update_run_support.h"

namespace app::testing {
namespace {

// The network service of the product database.
const char kService[] = "PRODUCT";

// BOOKS made once and filled once; then every condition kind met and unmet,
// each met one leaving its word in CHECKS; the Oracle home put in by its
// macro.
const char kStructureScript[] = R"(<SCRIPTS>
  <CREATE_BOOKS CONDITION="NOT_EXIST_TABLE(BOOKS);">
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">CREATE TABLE BOOKS (ID NUMBER(9) NOT NULL, TITLE VARCHAR2(60))</S>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">CREATE TABLE CHECKS (KIND VARCHAR2(200))</S>
  </CREATE_BOOKS>
  <FILL_BOOKS CONDITION="EXIST_TABLE(BOOKS);NOT_EXIST_FIELD(BOOKS, AUTHOR);">
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO BOOKS (ID, TITLE) VALUES (1, 'Первая книга')</S>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">ALTER TABLE BOOKS ADD AUTHOR VARCHAR2(60)</S>
    <S CONDITION="EXIST_TABLE(NO_SUCH_TABLE);" STOP_ON_EXCEPTION="1" LOG_ERROR="1">DROP TABLE BOOKS</S>
  </FILL_BOOKS>
  <NEVER CONDITION="EXIST_TABLE(NO_SUCH_TABLE);">
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">DELETE FROM BOOKS</S>
  </NEVER>
  <KINDS>
    <S CONDITION="EXIST_FIELD(BOOKS, AUTHOR);" STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO CHECKS (KIND) VALUES ('field')</S>
    <S CONDITION="EXIST_FIELD(BOOKS, PRICE);" STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO CHECKS (KIND) VALUES ('no field')</S>
    <S CONDITION="EXIST_VIEW(V_USERS);" STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO CHECKS (KIND) VALUES ('view')</S>
    <S CONDITION="EXIST_VIEW(BOOKS);" STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO CHECKS (KIND) VALUES ('table as view')</S>
    <S CONDITION="EXIST_PRC(P_USERS);" STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO CHECKS (KIND) VALUES ('procedure')</S>
    <S CONDITION="EXIST_PRC(NO_PRC);" STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO CHECKS (KIND) VALUES ('no procedure')</S>
    <S CONDITION="EXIST_TRIGGER(T_USERS);" STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO CHECKS (KIND) VALUES ('trigger')</S>
    <S CONDITION="EXIST_TRIGGER(NO_TRIGGER);" STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO CHECKS (KIND) VALUES ('no trigger')</S>
    <S CONDITION="EXIST_GENERATOR(S_USERS);" STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO CHECKS (KIND) VALUES ('sequence')</S>
    <S CONDITION="EXIST_GENERATOR(NO_SEQUENCE);" STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO CHECKS (KIND) VALUES ('no sequence')</S>
    <S CONDITION="EXIST_INDEX(IX_USERS);" STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO CHECKS (KIND) VALUES ('index')</S>
    <S CONDITION="EXIST_INDEX(NO_INDEX);" STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO CHECKS (KIND) VALUES ('no index')</S>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO CHECKS (KIND) VALUES ('&lt;ORA_HOME&gt;')</S>
  </KINDS>
</SCRIPTS>
)";

const char kStoppingScript[] = R"(<SCRIPTS>
  <DATA>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="0">INSERT INTO NO_SUCH_TABLE VALUES (1)</S>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">CREATE TABLE NEVER_MADE (ID NUMBER(9))</S>
  </DATA>
</SCRIPTS>
)";

const char kFullItems[] = R"(
    <ITEM SUBD="ORACLE" TIME_PERCENT="40" SOURCE="0" FILENAME="Scripts\structure.xml"/>
    <ITEM SUBD="FIREBIRD;MSSQL" TIME_PERCENT="500" SOURCE="0" FILENAME="Scripts\stop.xml"/>
    <ITEM SUBD="FIREBIRD;MSSQL;ORACLE" TIME_PERCENT="20,5" SOURCE="1" FILENAME="Upd\UpdateFull.dll" INFO_STRING="Перенос данных"/>
    <ITEM SUBD="ORACLE" TIME_PERCENT="30" SOURCE="0" FILENAME="Scripts\data.xml"/>)";

// DOCS for the binary-column release: a key per row naming its data file,
// one row without a key, and a trigger that refuses to write one row.
std::vector<std::string> OracleDocsStatements() {
  const std::string rows = std::to_string(kTransferRows);
  return {"CREATE TABLE DOCS (ID NUMBER(9) PRIMARY KEY, GUID VARCHAR2(38), BODY BLOB, NOTE "
          "VARCHAR2(10))",
          "INSERT INTO DOCS (ID, GUID) WITH N (I) AS (SELECT 1 FROM DUAL UNION ALL SELECT I + 1 "
          "FROM N WHERE I < " + rows + ") SELECT I, printf('K%04d', I) FROM N",
          "INSERT INTO DOCS VALUES (0, NULL, NULL, NULL)",
          "CREATE TRIGGER DAMAGED BEFORE UPDATE OF BODY ON DOCS WHEN OLD.ID = " +
              std::to_string(kDamagedRow) + " BEGIN SELECT RAISE(ABORT, 'damaged row'); END"};
}

// The product database file, read beside the updater's sessions: texts come
// back as the bytes they were stored as (code page 1251).
class ProductFile {
 public:
  explicit ProductFile(std::string path) : path_(std::move(path)) {}

  // Every row of a query, its values as bytes (nullopt for NULL).
  std::vector<std::vector<std::optional<std::string>>> Rows(const std::string& sql) const {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_busy_timeout(db, 5000);
    sqlite3_stmt* step = nullptr;
    std::vector<std::vector<std::optional<std::string>>> rows;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &step, nullptr) != SQLITE_OK) {
      const std::string error = sqlite3_errmsg(db);
      sqlite3_close(db);
      throw std::runtime_error(error + " in " + sql);
    }
    while (sqlite3_step(step) == SQLITE_ROW) {
      std::vector<std::optional<std::string>> row;
      for (int c = 0; c < sqlite3_column_count(step); ++c) {
        if (sqlite3_column_type(step, c) == SQLITE_NULL) {
          row.emplace_back();
          continue;
        }
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(step, c));
        row.emplace_back(std::string(bytes ? bytes : "", static_cast<size_t>(sqlite3_column_bytes(step, c))));
      }
      rows.push_back(std::move(row));
    }
    sqlite3_finalize(step);
    sqlite3_close(db);
    return rows;
  }
  std::optional<std::string> Value(const std::string& sql) const {
    const auto rows = Rows(sql);
    return rows.empty() || rows[0].empty() ? std::nullopt : rows[0][0];
  }
  int Count(const std::string& sql) const { return std::stoi(Value(sql).value_or("0")); }
  std::set<std::string> Column(const std::string& sql) const {
    std::set<std::string> values;
    for (const auto& row : Rows(sql)) values.insert(row.at(0).value_or("<null>"));
    return values;
  }

 private:
  std::string path_;
};

class OracleUpdateRunTest : public BlobUpdateRunTest {
 protected:
  OracleUpdateRunTest() {
    OracleStandin::WriteHomeToRegistry();
    CreateOracleProductDatabase(database_, ProductDatabase::Standard({"3.0.0", "3.1"}));
    // What a DBA made beside the product's tables, for the conditions.
    CreateObjects(database_);
    // The product's service with the stored account of "admin" and the
    // sequence and procedure of a DBA's; then the first page's account.
    standin_.tier.Open(kService, database_, "SYSDBA", kFixtureSysdbaPassword,
                       "CREATE SEQUENCE S_USERS;CREATE PROCEDURE P_USERS");
    standin_.AddAccount("LEXADMIN", "secret");
    WriteReleaseFile(ReleaseFile("Scripts/structure.xml"), kStructureScript);
    WriteReleaseFile(ReleaseFile("Scripts/data.xml"), kDataScript);
    WriteReleaseFile(ReleaseFile("Scripts/stop.xml"), kStoppingScript);
  }

  // A view, a trigger and an index on the product's tables, written to the
  // file straight away.
  static void CreateObjects(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    char* error = nullptr;
    const int code = sqlite3_exec(
        db,
        "CREATE VIEW V_USERS AS SELECT USERNAME FROM LOGON_USER;"
        "CREATE INDEX IX_USERS ON LOGON_USER (USERNAME);"
        "CREATE TRIGGER T_USERS AFTER INSERT ON LOGON_LINK BEGIN SELECT 1; END;",
        nullptr, nullptr, &error);
    const std::string text = error ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (code != SQLITE_OK) throw std::runtime_error(text);
  }

  void LogInOnOracle() { LogIn(window); }
  void LogIn(TfrmUpdate& w) override {
    w.cbDBType->setCurrentIndex(w.cbDBType->findText("ORACLE"));
    QTest::keyClicks(w.eUserName, "lexadmin");
    QTest::keyClicks(w.ePassword, "secret");
    w.eForDB->setText(kService);
    LogInAsAdmin(w);
  }
  std::map<int, std::string> Bodies() override {
    std::map<int, std::string> bodies;
    for (const auto& row : file_.Rows("SELECT ID, BODY FROM DOCS WHERE BODY IS NOT NULL"))
      bodies[std::stoi(row.at(0).value())] = row.at(1).value();
    return bodies;
  }
  bool HasKeyColumn() override {
    return file_.Count("SELECT COUNT(*) FROM pragma_table_info('DOCS') WHERE name = 'GUID'") == 1;
  }
  int LastVersionId() override { return file_.Count("SELECT MAX(ID) FROM BO_VERSION"); }

  OracleStandin standin_;
  std::string database_ = product.File("product.sqlite");
  ProductFile file_{database_};
};

TEST_F(OracleUpdateRunTest, AFullRunUpdatesTheDatabaseRunsEveryPartAndLogsOnlyWhatFailed) {
  product.WriteDescription(FullRunDescription(kFullItems));
  LogInOnOracle();
  // The release was read on the stored account, over the service the first
  // page named.
  EXPECT_EQ(CurrentDBVersion, "3.1");
  EXPECT_EQ(NextVersionId, 3);
  EXPECT_EQ(window.oraSession->Username(), "SYSDBA");
  EXPECT_EQ(window.oraSession->Server(), kService);
  ASSERT_TRUE(window.cbUpdateDB->isChecked());
  ASSERT_TRUE(window.cbUpdateXML->isChecked());
  ASSERT_TRUE(window.cbUpdateConf->isChecked());
  standin_.ClearLog();
  Execute();

  // The question without the Firebird and SQL Server warnings, then the
  // word that the run went through past one logged failure.
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].text,
            QStringLiteral("Перед обновлением рекомендуется создать резервную копию базы данных.\r\n"
                           "Продолжить обновление?"));
  EXPECT_TRUE(boxes.shown[1].text.startsWith(kDoneWithFailuresText + "1).")) << FileText(LogFile());
  EXPECT_EQ(window.StateImage(upDatabase), siSucceeded);
  EXPECT_EQ(window.StateImage(upReferenceGroups), siSucceeded);
  EXPECT_EQ(window.StateImage(upSettings), siSucceeded);
  EXPECT_FALSE(window.oraSession->Connected()) << "closed after the database part";

  // The scripts ran under their conditions, on both sides of the library.
  EXPECT_EQ(file_.Count("SELECT COUNT(*) FROM BOOKS"), 2);
  EXPECT_EQ(file_.Value("SELECT TITLE FROM BOOKS WHERE ID = 1"), classlib::Utf8ToCp1251("Первая книга"));
  EXPECT_EQ(file_.Count("SELECT COUNT(*) FROM pragma_table_info('BOOKS') WHERE name = 'AUTHOR'"), 1);
  EXPECT_EQ(file_.Column("SELECT KIND FROM CHECKS"),
            (std::set<std::string>{"field", "view", "procedure", "trigger", "sequence", "index",
                                   OracleStandin::Home()}));
  // The version row with the next identifier and the server's date.
  EXPECT_EQ(file_.Count("SELECT MAX(ID) FROM BO_VERSION"), 3);
  EXPECT_EQ(file_.Value("SELECT BDVERSION FROM BO_VERSION WHERE ID = 3"), "3.2");
  EXPECT_EQ(file_.Value("SELECT UPDATEUSER FROM BO_VERSION WHERE ID = 3"), "admin");
  EXPECT_TRUE(file_.Value("SELECT UPDATEDATE FROM BO_VERSION WHERE ID = 3").has_value());

  // Each script file began a session of its own on the stored account (the
  // version row took the open one); the library ran with the session
  // closed, and the part closed it at its end.
  const std::vector<std::string> begins = standin_.LogOf("OCISessionBegin");
  ASSERT_EQ(begins.size(), 2u);
  for (const std::string& begin : begins) EXPECT_NE(begin.find("user=SYSDBA"), std::string::npos);
  EXPECT_EQ(standin_.LogOf("OCISessionEnd").size(), 3u);
  EXPECT_EQ(FileText(product.File("library.txt")), ProductConnectionString + "|ORACLE");
  EXPECT_NE(ProductConnectionString.find(std::string("Data Source=") + kService), std::string::npos);
  const std::vector<ProgramRun> runs = ReadProgramRuns(product.File("aux-record.txt"));
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].program, "ImportFromXML.exe");
  EXPECT_EQ(runs[1].program, "Pontarex.exe");

  // The details log holds the one failed statement with the server's text.
  const std::string log = FileText(LogFile());
  EXPECT_NE(log.find("ORA-00942"), std::string::npos) << log;
  EXPECT_NE(log.find("*/\nINSERT INTO NO_SUCH_TABLE VALUES (1)\n/*\n"), std::string::npos) << log;
  const std::vector<std::string> lines = FileLines(LogFile());
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "/*"), 2);
}

// The product user's stored account, refused by the server (its password
// was changed there): the third page says so in Russian and whom to ask,
// then gives the server's own words; the caption says the release is
// unknown in words of its own.
TEST_F(OracleUpdateRunTest, AStoredAccountTheServerRefusesIsSaidOnTheUpdatePage) {
  product.WriteDescription(FullRunDescription(kFullItems));
  standin_.AddAccount("SYSDBA", "changed by the administrator");
  LogInOnOracle();
  EXPECT_EQ(window.lInfo->text(),
            QStringLiteral("Версия базы данных не определена, нет соединения с базой данных: "
                           "Сервер не принял имя пользователя или пароль базы данных, сохраненные "
                           "для пользователя продукта. Обратитесь к администратору. ORA-01017: "
                           "invalid username/password; logon denied"));
  EXPECT_EQ(window.cbUpdateDB->text(),
            QStringLiteral("Обновление базы данных (версия базы данных не определена, обновление "
                           "невозможно)"));
  EXPECT_FALSE(window.cbUpdateDB->isEnabled());
}

TEST_F(OracleUpdateRunTest, AStatementThatStopsItsScriptFailsThePartAndNoVersionRowIsWritten) {
  product.WriteDescription(FullRunDescription(R"(
    <ITEM SUBD="ORACLE" TIME_PERCENT="50" SOURCE="0" FILENAME="Scripts\stop.xml"/>
    <ITEM SUBD="ORACLE" TIME_PERCENT="50" SOURCE="0" FILENAME="Scripts\structure.xml"/>)"));
  LogInOnOracle();
  window.cbUpdateXML->setChecked(false);
  window.cbUpdateConf->setChecked(false);
  Execute();

  EXPECT_EQ(window.StateImage(upDatabase), siFailed);
  EXPECT_EQ(boxes.shown.back().caption, kErrorCaption);
  EXPECT_EQ(LastBoxText(), kRunFailedText);
  // The rest of the failing group was skipped; the next item still ran.
  EXPECT_EQ(file_.Count("SELECT COUNT(*) FROM sqlite_master WHERE name = 'NEVER_MADE'"), 0);
  EXPECT_EQ(file_.Count("SELECT COUNT(*) FROM BOOKS"), 1);
  EXPECT_EQ(file_.Count("SELECT MAX(ID) FROM BO_VERSION"), 2);
  const std::string log = FileText(LogFile());
  EXPECT_NE(log.find("INSERT INTO NO_SUCH_TABLE VALUES (1)"), std::string::npos) << log;
  EXPECT_EQ(log.find("NEVER_MADE"), std::string::npos);
}

TEST_F(OracleUpdateRunTest, RunningAnAppliedReleaseAgainChangesNothing) {
  product.WriteDescription(FullRunDescription(kFullItems));
  LogInOnOracle();
  Execute();
  ASSERT_EQ(file_.Count("SELECT MAX(ID) FROM BO_VERSION"), 3);

  std::unique_ptr<TfrmUpdate> second = StartAgain();
  LogIn(*second);
  EXPECT_FALSE(second->cbUpdateDB->isEnabled());
  EXPECT_FALSE(second->cbUpdateDB->isChecked());
  EXPECT_TRUE(second->cbUpdateDB->text().endsWith(
      QStringLiteral("(обновление версии 3.2 уже установлено)")));
  second->cbUpdateXML->setChecked(false);
  Execute(*second);
  second->ChildMessages.reset();

  EXPECT_EQ(file_.Count("SELECT MAX(ID) FROM BO_VERSION"), 3);
  EXPECT_EQ(file_.Count("SELECT COUNT(*) FROM BOOKS"), 2);
  EXPECT_EQ(file_.Count("SELECT COUNT(*) FROM CHECKS"), 7);
}

// The thousand data files on Oracle: the same report and the same repair
// as on the other servers, the missing file named with its extension.
TEST_F(OracleUpdateRunTest, DataFilesFillTheirRowsAndARepairedReleaseFinishesTheMove) {
  const BlobRelease release(product, "ORACLE", OracleDocsStatements());
  RunFirstRelease(release, KeyOf(kMissingRow) + ".lob", "damaged row");
  RunRepairedRelease(release);
}

}  // namespace
}  // namespace app::testing
