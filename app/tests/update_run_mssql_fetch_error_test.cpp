// "Обновить" on the SQL Server stand-in fetching row by row, as a SQL Server
// driver does: a row the server fails to deliver is an error of the step
// that reads it, never the end of its rows. A condition query whose first
// row fails does not decide the condition, and a binary-column move whose
// selection fails moves nothing, fails its file and keeps the key column.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QSqlQuery>
#include <QTest>

#include "ado_fixtures.h"
#include "app/ado_connection.h"
#include "app/ado_provider.h"
#include "app/run_state.h"
#include "blob_release_support.h"
#include "update_run_support.h"

namespace app::testing {

namespace {

// SQLite's abs() of the smallest integer is an overflow error, raised when
// the row that asks for it is stepped to.
const char kFailingValue[] = "abs(-9223372036854775807 - 1)";

std::string Description(const std::string& script) {
  return R"(<ROOT>
  <VERSIONS START_BD_VERSION="3.1" RESULT_BD_VERSION="3.2"/>
  <DB_UPDATE>
    <ITEM SUBD="MSSQL" TIME_PERCENT="100" SOURCE="0" FILENAME="Scripts\)" + script + R"("/>
  </DB_UPDATE>
</ROOT>
)";
}

class SqlServerFetchErrorRunTest : public UpdateRunTest {
 protected:
  SqlServerFetchErrorRunTest() {
    CreateSqliteProductDatabase(database_, ProductDatabase::Standard({"3.0.0", "3.1"}));
  }

  void LogInOnSqlServer() {
    window.cbDBType->setCurrentIndex(window.cbDBType->findText("MSSQL"));
    QTest::keyClicks(window.eUserName, "sa");
    QTest::keyClicks(window.ePassword, "secret");
    window.cbServerName->setEditText("localhost");
    window.eForDB->setText(QString::fromStdString(database_));
    LogInAsAdmin();
  }
  void Run() {
    LogInOnSqlServer();
    ASSERT_TRUE(window.cbUpdateDB->isChecked()) << window.cbUpdateDB->text().toStdString();
    window.cbUpdateXML->setChecked(false);
    window.cbUpdateConf->setChecked(false);
    Execute();
  }
  // A value read the way the test's own connection reads it (SQLite's).
  QVariant Value(const QString& sql) {
    const QString name = QStringLiteral("fetch-error-check");
    QVariant value;
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
      db.setDatabaseName(QString::fromStdString(database_));
      if (db.open()) {
        QSqlQuery query(db);
        if (query.exec(sql) && query.next()) value = query.value(0);
      }
      db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return value;
  }
  bool DetailsHold(const std::string& words_utf8) const {
    const std::string words = classlib::Utf8ToCp1251(words_utf8);
    for (const std::string& line : window.DetailLines())
      if (line.find(words) != std::string::npos) return true;
    return false;
  }

  SqliteAsSqlServer driver_;
  // GETDATE() for the version row, and the rows stepped through as SQLFetch
  // asks for them instead of read whole when the statement runs.
  platform::scratch::ScopedEnv options_{
      kMssqlOdbcOptionsVariable,
      std::string("LoadExt=" UPDATER_BINARY_DIR "/testing/sqlite_server_clock.so;StepAPI=1")};
  std::string database_ = product.File("product.sqlite");
};

// The catalogue fails on its first row: before, the count read as 0 and the
// group for a view "that does not exist" ran.
TEST_F(SqlServerFetchErrorRunTest, AConditionWhoseFirstRowFailsEndsTheRunInsteadOfDecidingIt) {
  CreateSqliteDatabase(database_,
                       {"DROP TABLE sysobjects",
                        "CREATE TABLE sysobjects_rows (name VARCHAR(128), type CHAR(2), "
                        "category INTEGER)",
                        "INSERT INTO sysobjects_rows VALUES ('BOOK_TITLES', 'V', 0)",
                        QStringLiteral("CREATE VIEW sysobjects AS SELECT CASE WHEN type = 'V' THEN "
                                       "%1 ELSE name END AS name, type, category FROM "
                                       "sysobjects_rows")
                            .arg(kFailingValue)});
  WriteReleaseFile(ReleaseFile("Scripts/views.xml"), R"(<SCRIPTS>
  <MAKE_VIEW CONDITION="NOT_EXIST_VIEW(BOOK_TITLES);">
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">CREATE TABLE WRONGLY_MADE (ID INTEGER)</S>
  </MAKE_VIEW>
</SCRIPTS>
)");
  product.WriteDescription(Description("views.xml"));
  Run();

  EXPECT_EQ(window.StateImage(upDatabase), siFailed) << FileText(LogFile());
  EXPECT_EQ(LastBoxText(), kRunFailedText);
  EXPECT_TRUE(DetailsHold("integer overflow")) << FileText(LogFile());
  EXPECT_EQ(Value("SELECT COUNT(*) FROM sqlite_master WHERE name = 'WRONGLY_MADE'").toInt(), 0);
  EXPECT_EQ(Value("SELECT MAX(ID) FROM BO_VERSION").toInt(), 2) << "no version row";
}

// The selection of a binary-column move fails on its first row: before, it
// read as no rows, every row counted as filled and the run ended as a
// success with the version row written.
TEST_F(SqlServerFetchErrorRunTest, ABlobMoveWhoseSelectionFailsFailsItsFileAndKeepsTheKeyColumn) {
  CreateSqliteDatabase(
      database_,
      {"CREATE TABLE DOCS_ROWS (ID INTEGER PRIMARY KEY, GUID VARCHAR(38), BODY BLOB)",
       "INSERT INTO DOCS_ROWS VALUES (1, 'K0001', NULL)",
       "INSERT INTO DOCS_ROWS VALUES (2, 'K0002', NULL)",
       QStringLiteral("CREATE VIEW DOCS AS SELECT ID, CASE WHEN ID = 1 THEN %1 ELSE GUID END AS "
                      "GUID, BODY FROM DOCS_ROWS")
           .arg(kFailingValue)});
  WriteReleaseFile(ReleaseFile("Scripts/docs.xml"), R"(<SCRIPTS>
  <DOCS_BLOBS MOVE_BLOB="1" TABLE_NAME="DOCS" BLOB_FIELD_1="BODY" GUID_FIELD_1="GUID"/>
</SCRIPTS>
)");
  for (int row : {1, 2}) WriteDataFile(product.ReleaseDir() + "/", KeyOf(row), BodyOf(row));
  product.WriteDescription(Description("docs.xml"));
  Run();

  EXPECT_EQ(window.StateImage(upDatabase), siFailed) << FileText(LogFile());
  EXPECT_TRUE(DetailsHold("integer overflow")) << FileText(LogFile());
  EXPECT_TRUE(DetailsHold("Не могу вставить данные в поле BODY таблицы DOCS")) << FileText(LogFile());
  EXPECT_FALSE(DetailsHold("Ошибка при удалении BLOB-полей")) << "no drop was tried";
  EXPECT_EQ(Value("SELECT COUNT(*) FROM pragma_table_info('DOCS') WHERE name = 'GUID'").toInt(), 1);
  EXPECT_EQ(Value("SELECT COUNT(*) FROM DOCS_ROWS WHERE BODY IS NOT NULL").toInt(), 0);
  EXPECT_EQ(Value("SELECT MAX(ID) FROM BO_VERSION").toInt(), 2) << "no version row";
}

}  // namespace
}  // namespace app::testing
