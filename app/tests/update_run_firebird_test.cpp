// "Обновить" on a product database on the embedded Firebird engine, from the
// first page to the final message: scripts under their conditions, the
// update library, the auxiliary programs, the version row and the log file.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QStringConverter>
#include <QTimer>
#include <algorithm>
#include <map>

#include "app/details_log.h"
#include "app/run_state.h"
#include "blob_release_support.h"
#include "fib/zod/zod_database.h"
#include "fib_rows.h"
#include "update_run_support.h"

namespace app::testing {
namespace {

// Creates BOOKS once, fills it once (the group is skipped when AUTHOR is
// there already) and never runs the group of a missing table.
const char kStructureScript[] = R"(<SCRIPTS>
  <CREATE_BOOKS CONDITION="NOT_EXIST_TABLE(BOOKS);">
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">CREATE TABLE BOOKS (ID INTEGER NOT NULL, TITLE VARCHAR(60))</S>
  </CREATE_BOOKS>
  <FILL_BOOKS CONDITION="EXIST_TABLE(BOOKS);NOT_EXIST_FIELD(BOOKS, AUTHOR);">
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">INSERT INTO BOOKS (ID, TITLE) VALUES (1, 'Первая книга')</S>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">ALTER TABLE BOOKS ADD AUTHOR VARCHAR(60)</S>
    <S CONDITION="EXIST_TABLE(NO_SUCH_TABLE);" STOP_ON_EXCEPTION="1" LOG_ERROR="1">DROP TABLE BOOKS</S>
  </FILL_BOOKS>
  <NEVER CONDITION="EXIST_TABLE(NO_SUCH_TABLE);">
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">DELETE FROM BOOKS</S>
  </NEVER>
</SCRIPTS>
)";

const char kStoppingScript[] = R"(<SCRIPTS>
  <DATA>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="0">INSERT INTO NO_SUCH_TABLE VALUES (1)</S>
    <S STOP_ON_EXCEPTION="1" LOG_ERROR="1">CREATE TABLE NEVER_MADE (ID INTEGER)</S>
  </DATA>
</SCRIPTS>
)";

const char kFullItems[] = R"(
    <ITEM SUBD="FIREBIRD;MSSQL" TIME_PERCENT="40" SOURCE="0" FILENAME="Scripts\structure.xml"/>
    <ITEM SUBD="ORACLE" TIME_PERCENT="500" SOURCE="0" FILENAME="Scripts\oracle.xml"/>
    <ITEM SUBD="FIREBIRD;MSSQL" TIME_PERCENT="20,5" SOURCE="1" FILENAME="Upd\UpdateFull.dll" INFO_STRING="Перенос данных"/>
    <ITEM SUBD="FIREBIRD;MSSQL" TIME_PERCENT="30" SOURCE="0" FILENAME="Scripts\data.xml"/>)";

// A product database of its own (the run changes it), at release 3.1.
class FirebirdUpdateRunTest : public BlobUpdateRunTest {
 protected:
  explicit FirebirdUpdateRunTest(const std::string& product_folder = "")
      : BlobUpdateRunTest(product_folder) {
    std::filesystem::copy_file(ProductEnvironment::FirebirdDatabase({"3.0.0", "3.1"}), database_);
    WriteReleaseFile(ReleaseFile("Scripts/structure.xml"), kStructureScript);
    WriteReleaseFile(ReleaseFile("Scripts/data.xml"), kDataScript);
    WriteReleaseFile(ReleaseFile("Scripts/stop.xml"), kStoppingScript);
  }
  ~FirebirdUpdateRunTest() override { checker_.Close(); }

  fib::TpZODDatabase& Checker() {
    if (!checker_.Connected()) {
      checker_.SetDBName(classlib::Utf8ToCp1251(database_));  // names are ANSI there
      checker_.DBParams().SetText("user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=WIN1251");
      checker_.SetSQLDialect(3);
      checker_.Connect();
    }
    return checker_;
  }
  classlib::Variant Value(const std::string& sql) { return Checker().QueryValue(sql, 0); }
  int64_t Count(const std::string& sql) { return Value(sql).AsInt64(); }
  void LogIn(TfrmUpdate& w) override { LogInOnFirebird(w, database_); }
  std::map<int, std::string> Bodies() override {
    std::map<int, std::string> bodies;
    ForEachRow(Checker(), "SELECT ID, BODY FROM DOCS WHERE BODY IS NOT NULL",
               [&](fib::TFIBQuery& q) {
                 bodies[q.Fields(0).AsInteger()] = q.Fields(1).AsString();
               });
    return bodies;
  }
  bool HasKeyColumn() override {
    return Count("SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'DOCS' "
                 "AND RDB$FIELD_NAME = 'GUID'") == 1;
  }
  int LastVersionId() override { return static_cast<int>(Count("SELECT MAX(ID) FROM BO_VERSION")); }
  void Disconnect() override { checker_.Close(); }

  std::string database_ = product.File("product.fdb");
  fib::TpZODDatabase checker_{nullptr};
};

TEST_F(FirebirdUpdateRunTest, AFullRunUpdatesTheDatabaseRunsEveryPartAndLogsOnlyWhatFailed) {
  product.WriteDescription(FullRunDescription(kFullItems));
  LogInOnFirebird(database_);
  ASSERT_TRUE(window.cbUpdateDB->isChecked());
  ASSERT_TRUE(window.cbUpdateXML->isChecked());
  ASSERT_TRUE(window.cbUpdateConf->isChecked());
  Execute();

  // The question first, then the word that all went well.
  ASSERT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Подтверждение"));
  EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("500 Мбайт")));
  // The data script went on past its failing statement: the word says so
  // in the words and the kind of box of a failed run, and the status line
  // says how the run ended and where its report is.
  EXPECT_EQ(boxes.shown[1].text, kDoneWithFailuresText + "1). " + kSeeDetailsText);
  EXPECT_EQ(boxes.shown[1].caption, kErrorCaption);
  EXPECT_EQ(boxes.shown[1].style, MB_OK | MB_ICONERROR);
  EXPECT_EQ(window.lInfo->text(), QStringLiteral("Обновление данных завершено, при выполнении "
                                                 "скриптов были ошибки. Отчет сохранен в файле ") +
                                      QString::fromStdString(LogFile()));
  EXPECT_EQ(window.StateImage(upDatabase), siSucceeded);
  EXPECT_EQ(window.StateImage(upReferenceGroups), siSucceeded);
  EXPECT_EQ(window.StateImage(upSettings), siSucceeded);
  // The details hold the logged failure and the settings lines, so the
  // window stays open; the run cannot be started twice.
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.isEnabled());
  EXPECT_FALSE(window.bbExecute->isEnabled());
  EXPECT_TRUE(window.sbDetails->isEnabled());

  // The scripts ran under their conditions, on both sides of the library.
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BOOKS"), 2);
  EXPECT_EQ(Value("SELECT TITLE FROM BOOKS WHERE ID = 1").AsString(),
            classlib::Utf8ToCp1251("Первая книга"));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'BOOKS' "
                  "AND RDB$FIELD_NAME = 'AUTHOR'"),
            1);
  // The version row with the next identifier.
  EXPECT_EQ(Count("SELECT MAX(ID) FROM BO_VERSION"), 3);
  EXPECT_EQ(Value("SELECT BDVERSION FROM BO_VERSION WHERE ID = 3").AsString(), "3.2");
  EXPECT_EQ(Value("SELECT UPDATEUSER FROM BO_VERSION WHERE ID = 3").AsString(), "admin");
  EXPECT_FALSE(classlib::VarIsNull(Value("SELECT UPDATEDATE FROM BO_VERSION WHERE ID = 3")));

  // The library got the product's connection string and the kind.
  EXPECT_EQ(FileText(product.File("library.txt")), ProductConnectionString + "|FIREBIRD");
  // Both auxiliary programs ran, each told the window's handle.
  const std::vector<ProgramRun> runs = ReadProgramRuns(product.File("aux-record.txt"));
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].program, "ImportFromXML.exe");
  EXPECT_EQ(runs[1].program, "Pontarex.exe");
  EXPECT_EQ(runs[1].args.back(), "WNDHANDLE=" + std::to_string(MainWindowHandle));

  // The log file: the run's start, the one failed statement, outside the
  // comment, and the settings tool's log lines; nothing else. Paths show
  // with one kind of slash.
  std::vector<std::string> log = FileLines(LogFile());
  const std::string rule(48, '-');
  ASSERT_GE(log.size(), 15u) << FileText(LogFile());
  EXPECT_EQ(log[0].rfind("Обновление данных, начало: ", 0), 0u) << log[0];
  log.erase(log.begin());
  EXPECT_EQ(log[0], "/*");
  EXPECT_EQ(log[1], "Операция:группа 1, элемент 1");
  EXPECT_EQ(log[2], "Источник:" + product.ReleaseDir() + "/Scripts/data.xml");
  EXPECT_EQ(log[3], "Ошибка:");
  const auto statement = std::find(log.begin(), log.end(), "INSERT INTO NO_SUCH_TABLE VALUES (1)");
  ASSERT_NE(statement, log.end());
  // The server's message stands between "Ошибка:" and the statement.
  std::string error_text;
  for (auto line = log.begin() + 4; line < statement - 1; ++line) error_text += *line + "\n";
  EXPECT_NE(error_text.find("NO_SUCH_TABLE"), std::string::npos) << error_text;
  EXPECT_EQ(*(statement - 1), "*/");
  EXPECT_EQ(*(statement + 1), "/*");
  EXPECT_EQ(*(statement + 2), rule);
  EXPECT_EQ(*(statement + 3), "*/");
  EXPECT_EQ(std::count(log.begin(), log.end(), "/*"), 2);
  ASSERT_EQ(log.end() - statement, 7);
  EXPECT_EQ(log[log.size() - 3], rule);
  EXPECT_EQ(log[log.size() - 2], "Сформирован файл с логом импорта настроек в " +
                                     product.File("ptx") + "/Doc/PFullImportSettings.log");
  EXPECT_EQ(log[log.size() - 1], rule);
}

TEST_F(FirebirdUpdateRunTest, AStatementThatStopsItsScriptFailsThePartAndNoVersionRowIsWritten) {
  product.WriteDescription(FullRunDescription(R"(
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="50" SOURCE="0" FILENAME="Scripts\stop.xml"/>
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="50" SOURCE="0" FILENAME="Scripts\structure.xml"/>)"));
  LogInOnFirebird(database_);
  window.cbUpdateXML->setChecked(false);
  window.cbUpdateConf->setChecked(false);
  Execute();

  EXPECT_EQ(window.StateImage(upDatabase), siFailed);
  EXPECT_EQ(boxes.shown.back().caption, kErrorCaption);
  EXPECT_EQ(LastBoxText(), kRunFailedText);
  EXPECT_TRUE(window.isVisible());
  // The rest of the failing group was skipped; the next item still ran.
  EXPECT_EQ(Count("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'NEVER_MADE'"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BOOKS"), 1);
  EXPECT_EQ(Count("SELECT MAX(ID) FROM BO_VERSION"), 2);
  const std::string log = FileText(LogFile());
  EXPECT_NE(log.find("INSERT INTO NO_SUCH_TABLE VALUES (1)"), std::string::npos) << log;
  EXPECT_EQ(log.find("NEVER_MADE"), std::string::npos);
}

TEST_F(FirebirdUpdateRunTest, AMissingLibraryFailsThePartAndKeepsTheVersionRowUnwritten) {
  product.WriteDescription(FullRunDescription(R"(
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="50" SOURCE="0" FILENAME="Scripts\structure.xml"/>
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="50" SOURCE="1" FILENAME="Upd\Missing.dll" INFO_STRING="Перенос"/>)"));
  LogInOnFirebird(database_);
  window.cbUpdateXML->setChecked(false);
  window.cbUpdateConf->setChecked(false);
  Execute();

  EXPECT_EQ(window.StateImage(upDatabase), siFailed);
  EXPECT_EQ(boxes.shown.back().caption, kErrorCaption);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BOOKS"), 1);  // the script before it ran
  EXPECT_EQ(Count("SELECT MAX(ID) FROM BO_VERSION"), 2);
  const std::vector<std::string> details = window.DetailLines();
  ASSERT_GE(details.size(), 5u);
  EXPECT_EQ(details[1], classlib::Utf8ToCp1251("Операция:Перенос"));
  EXPECT_EQ(details[4], classlib::Utf8ToCp1251("Не найден файл"));
}

// A script in UTF-16 whose statements hold Cyrillic letters: the low byte
// of "м" is "<", of "Т" a quote, of "н" "=", yet the file is read as the
// text it is and runs whole.
TEST_F(FirebirdUpdateRunTest, AUtf16ScriptWithCyrillicStatementsRuns) {
  // "м", then 2500 times "н".
  const QString statement_title = QStringLiteral("Том «Пн»: м") + QString(2500, QChar(0x043D));
  const QString script =
      QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<SCRIPTS>\n<ТОМА>\n"
                     "<S STOP_ON_EXCEPTION=\"1\" LOG_ERROR=\"1\">CREATE TABLE TOMA (ID INTEGER, "
                     "TITLE VARCHAR(4000))</S>\n"
                     "<S STOP_ON_EXCEPTION=\"1\" LOG_ERROR=\"1\">INSERT INTO TOMA VALUES (1, '") +
      statement_title + QStringLiteral("')</S>\n</ТОМА>\n</SCRIPTS>\n");
  QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
  std::ofstream(ReleaseFile("Scripts/utf16.xml"), std::ios::binary)
      << QByteArray(utf16(script)).toStdString();
  product.WriteDescription(FullRunDescription(R"(
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="100" SOURCE="0" FILENAME="Scripts\utf16.xml"/>)"));
  LogInOnFirebird(database_);
  window.cbUpdateXML->setChecked(false);
  window.cbUpdateConf->setChecked(false);
  Execute();

  EXPECT_EQ(window.StateImage(upDatabase), siSucceeded) << LastBoxText().toStdString();
  EXPECT_EQ(Value("SELECT TITLE FROM TOMA").AsString(),
            classlib::Utf8ToCp1251(statement_title.toStdString()));
  EXPECT_EQ(Count("SELECT MAX(ID) FROM BO_VERSION"), 3);
}

// A script file whose document type has an internal subset (its ATTLIST
// defaults would pass the bound on attributes) is refused before its first
// statement: the details name the file under "Источник:" and the line.
TEST_F(FirebirdUpdateRunTest, AScriptWithAnInternalSubsetIsRefusedNamingTheFileAndTheLine) {
  WriteReleaseFile(ReleaseFile("Scripts/subset.xml"),
                   "<!DOCTYPE SCRIPTS [<!ATTLIST G A CDATA 'x'>]>\n<SCRIPTS><G><S "
                   "STOP_ON_EXCEPTION=\"1\">CREATE TABLE NEVER_MADE (ID INTEGER)</S></G></SCRIPTS>");
  product.WriteDescription(FullRunDescription(R"(
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="100" SOURCE="0" FILENAME="Scripts\subset.xml"/>)"));
  LogInOnFirebird(database_);
  window.cbUpdateXML->setChecked(false);
  window.cbUpdateConf->setChecked(false);
  Execute();

  EXPECT_EQ(window.StateImage(upDatabase), siFailed);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'NEVER_MADE'"), 0);
  EXPECT_EQ(Count("SELECT MAX(ID) FROM BO_VERSION"), 2);
  const std::string file = DisplayPath(ProgramDir + "Scripts\\subset.xml");
  const std::vector<std::string> details = window.DetailLines();
  ASSERT_GE(details.size(), 6u);
  EXPECT_EQ(details[2], classlib::Utf8ToCp1251("Источник:") + file);
  EXPECT_EQ(details[4], classlib::Utf8ToCp1251("Обновление прервано:"));
  EXPECT_EQ(details[5], classlib::Utf8ToCp1251("Ошибка в файле скрипта ") + file +
                            classlib::Utf8ToCp1251(", объявление типа документа с внутренним "
                                                   "подмножеством (<!DOCTYPE ... [...]>) в файле "
                                                   "скрипта не допускается (строка 2)"));
}

// A script declared ISO-2022-JP, whose Japanese comment is JIS characters
// of two ASCII bytes each ("<" and "=" among them), runs; then one declared
// UTF-7, whose 20 000 attributes have their "=" in base64, is refused by
// the bound on attributes before its statement runs, and ends the run.
TEST_F(FirebirdUpdateRunTest, ScriptsAreHeldToTheAttributeBoundInTheEncodingTheyDeclare) {
  const auto write = [&](const char* name, const std::string& bytes) {
    std::ofstream(ReleaseFile(std::string("Scripts/") + name), std::ios::binary) << bytes;
  };
  const std::string jis_comment = "\x1B$B<A" + QByteArray("=!").repeated(3000).toStdString() + "\x1B(B";
  write("jis.xml",
                   "<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?>\n<SCRIPTS>\n<G>\n"
                   "<S STOP_ON_EXCEPTION=\"1\" LOG_ERROR=\"1\">CREATE TABLE JIS_MADE (ID INTEGER) /* " +
                       jis_comment + " */</S>\n</G>\n</SCRIPTS>\n");
  std::string attributes;
  for (int i = 0; i < 20000; ++i) attributes += " A" + std::to_string(i) + "+AD0AIgAxACI-";  // A<i>="1"
  write("utf7.xml",
                   "<?xml version=\"1.0\" encoding=\"UTF-7\"?>\n<SCRIPTS>\n<G" + attributes +
                       ">\n<S STOP_ON_EXCEPTION=\"1\" LOG_ERROR=\"1\">CREATE TABLE NEVER_MADE (ID INTEGER)"
                       "</S>\n</G>\n</SCRIPTS>\n");
  product.WriteDescription(FullRunDescription(R"(
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="50" SOURCE="0" FILENAME="Scripts\jis.xml"/>
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="50" SOURCE="0" FILENAME="Scripts\utf7.xml"/>)"));
  LogInOnFirebird(database_);
  window.cbUpdateXML->setChecked(false);
  window.cbUpdateConf->setChecked(false);
  Execute();

  EXPECT_EQ(window.StateImage(upDatabase), siFailed);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'JIS_MADE'"), 1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'NEVER_MADE'"), 0);
  EXPECT_EQ(Count("SELECT MAX(ID) FROM BO_VERSION"), 2);
  const std::string file = DisplayPath(ProgramDir + "Scripts\\utf7.xml");
  const std::vector<std::string> details = window.DetailLines();
  ASSERT_GE(details.size(), 6u);
  EXPECT_EQ(details[2], classlib::Utf8ToCp1251("Источник:") + file);
  EXPECT_EQ(details[5], classlib::Utf8ToCp1251("Ошибка в файле скрипта ") + file +
                            classlib::Utf8ToCp1251(", у элемента больше 2048 атрибутов (строка 3)"));
}

TEST_F(FirebirdUpdateRunTest, ALibraryThatFailsIsLoggedWithItsOwnTextAndFailsThePart) {
  platform::scratch::ScopedEnv failing("FAKE_UPDATE_SETTINGS",
                                       std::string("percent=30;result=5;error=нет таблицы"));
  product.WriteDescription(FullRunDescription(R"(
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="50" SOURCE="1" FILENAME="Upd\UpdateFull.dll" INFO_STRING="Перенос"/>)"));
  LogInOnFirebird(database_);
  window.cbUpdateXML->setChecked(false);
  window.cbUpdateConf->setChecked(false);
  Execute();

  EXPECT_EQ(window.StateImage(upDatabase), siFailed);
  EXPECT_EQ(window.pbCondition->value(), 50);
  EXPECT_EQ(Count("SELECT MAX(ID) FROM BO_VERSION"), 2);
  const std::vector<std::string> details = window.DetailLines();
  ASSERT_GE(details.size(), 5u);
  EXPECT_EQ(details[4], "нет таблицы");  // the library's bytes, as it gave them
}

TEST_F(FirebirdUpdateRunTest, ALibraryThatThrowsIsLoggedAndTheRunGoesOn) {
  platform::scratch::ScopedEnv throwing("FAKE_UPDATE_SETTINGS", std::string("throw=disk full"));
  product.WriteDescription(FullRunDescription(R"(
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="50" SOURCE="1" FILENAME="Upd\UpdateFull.dll" INFO_STRING="Перенос"/>
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="50" SOURCE="0" FILENAME="Scripts\structure.xml"/>)"));
  LogInOnFirebird(database_);
  window.cbUpdateXML->setChecked(false);
  window.cbUpdateConf->setChecked(false);
  Execute();

  EXPECT_EQ(window.StateImage(upDatabase), siFailed);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BOOKS"), 1);  // the next item still ran
  EXPECT_EQ(Count("SELECT MAX(ID) FROM BO_VERSION"), 2);
  const std::vector<std::string> details = window.DetailLines();
  ASSERT_GE(details.size(), 6u);
  EXPECT_EQ(details[4], classlib::Utf8ToCp1251("При работе библиотеки произошло исключение:"));
  EXPECT_EQ(details[5], "disk full");
}

TEST_F(FirebirdUpdateRunTest, ACleanRunWithNothingToReportClosesTheWindow) {
  product.WriteDescription(R"(<ROOT>
  <VERSIONS START_BD_VERSION="3.1" RESULT_BD_VERSION="3.2"/>
  <DB_UPDATE>
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="10" SOURCE="0" FILENAME="Scripts\structure.xml"/>
  </DB_UPDATE>
</ROOT>)");
  LogInOnFirebird(database_);
  window.cbUpdateConf->setChecked(false);
  Execute();

  EXPECT_EQ(LastBoxText(), QStringLiteral("Обновление данных завершено"));
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(Count("SELECT MAX(ID) FROM BO_VERSION"), 3);
  // Every run leaves its log file, empty when nothing failed.
  EXPECT_EQ(FileText(LogFile()), "");
}

TEST_F(FirebirdUpdateRunTest, RunningAnAppliedReleaseAgainChangesNothing) {
  product.WriteDescription(FullRunDescription(kFullItems));
  LogInOnFirebird(database_);
  Execute();
  ASSERT_EQ(Count("SELECT MAX(ID) FROM BO_VERSION"), 3);
  checker_.Close();

  // A second start of the updater on the updated database.
  std::unique_ptr<TfrmUpdate> second = StartAgain();
  LogInOnFirebird(*second, database_);
  EXPECT_FALSE(second->cbUpdateDB->isEnabled());
  EXPECT_FALSE(second->cbUpdateDB->isChecked());
  EXPECT_TRUE(second->cbUpdateDB->text().endsWith(
      QStringLiteral("(обновление версии 3.2 уже установлено)")));
  second->cbUpdateXML->setChecked(false);
  Execute(*second);
  second->ChildMessages.reset();

  EXPECT_EQ(Count("SELECT MAX(ID) FROM BO_VERSION"), 3);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BOOKS"), 2);
}

}  // namespace
}  // namespace app::testing

namespace app::testing {
namespace {

// Closing the window while the run goes on: the run is not cut short, the
// administrator is told the window closes when it ends, and it does, after
// the run's last word.
TEST_F(FirebirdUpdateRunTest, ClosingDuringARunSaysSoAndClosesTheWindowWhenTheRunEnds) {
  product.WriteDescription(R"(<ROOT>
  <VERSIONS START_BD_VERSION="3.1" RESULT_BD_VERSION="3.2"/>
  <DB_UPDATE>
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="10" SOURCE="0" FILENAME="Scripts\structure.xml"/>
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="10" SOURCE="0" FILENAME="Scripts\data.xml"/>
  </DB_UPDATE>
</ROOT>)");
  LogInOnFirebird(database_);
  window.cbUpdateConf->setChecked(false);
  // Asked to close by the time the run first lets messages through.
  bool visible_after_close = false;
  QTimer::singleShot(0, &window, [this, &visible_after_close] {
    window.close();
    visible_after_close = window.isVisible();
  });
  Execute();

  EXPECT_TRUE(visible_after_close);
  ASSERT_EQ(boxes.shown.size(), 3u);  // the question, the notice, the last word
  EXPECT_FALSE(boxes.shown[1].waits);
  EXPECT_EQ(boxes.shown[1].caption, kInformationCaption);
  EXPECT_EQ(boxes.shown[1].text, QStringLiteral("Выполняется обновление данных. Окно будет "
                                                "закрыто, когда обновление завершится."));
  // The window is gone once the last word is answered: it names the log
  // file, not the details button.
  EXPECT_EQ(boxes.shown[2].text, kDoneWithFailuresText + "1). " +
                                     QStringLiteral("Отчет сохранен в файле ") +
                                     QString::fromStdString(LogFile()));
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(Count("SELECT MAX(ID) FROM BO_VERSION"), 3);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BOOKS"), 2);
}

// A release without database items moves the database to its release:
// the option says so, and the run writes the version row alone.
TEST_F(FirebirdUpdateRunTest, AnEmptyDatabaseSectionWritesTheVersionRowAlone) {
  product.WriteDescription(R"(<ROOT>
  <VERSIONS START_BD_VERSION="3.1" RESULT_BD_VERSION="3.2"/>
  <DB_UPDATE/>
</ROOT>)");
  LogInOnFirebird(database_);
  EXPECT_TRUE(window.cbUpdateDB->isEnabled());
  EXPECT_TRUE(window.cbUpdateDB->isChecked());
  EXPECT_EQ(window.cbUpdateDB->text(),
            QStringLiteral("Обновление базы данных (только запись версии 3.2)"));
  Execute();
  EXPECT_EQ(LastBoxText(), QStringLiteral("Обновление данных завершено"));
  EXPECT_EQ(Count("SELECT MAX(ID) FROM BO_VERSION"), 3);
  EXPECT_EQ(Value("SELECT BDVERSION FROM BO_VERSION WHERE ID = 3").AsString(), "3.2");
}

// A product installed under a folder with Cyrillic letters and a blank.
class FirebirdInRussianFolderRunTest : public FirebirdUpdateRunTest {
 protected:
  FirebirdInRussianFolderRunTest() : FirebirdUpdateRunTest(kCyrillicProductFolder) {}
};

TEST_F(FirebirdInRussianFolderRunTest, EveryStepFindsItsFiles) {
  ASSERT_NE(database_.find(kCyrillicProductFolder + "/"), std::string::npos);
  RunEveryKindOfStep("FIREBIRD", R"(
    <ITEM SUBD="FIREBIRD" TIME_PERCENT="40" SOURCE="0" FILENAME="Scripts\structure.xml"/>)",
                     "BLOB SUB_TYPE 0");
  EXPECT_EQ(Count("SELECT COUNT(*) FROM BOOKS"), 1);
  EXPECT_EQ(LastBoxText(), QStringLiteral("Обновление данных завершено"));
}

// A thousand data files moved through the window: what the first release
// could not fill is reported and keeps the run from counting as done; the
// repaired release fills the rest and finishes the release.
TEST_F(FirebirdUpdateRunTest, DataFilesFillTheirRowsAndARepairedReleaseFinishesTheMove) {
  const BlobRelease release(product, "FIREBIRD", FirebirdDocsStatements());
  RunFirstRelease(release, KeyOf(kMissingRow) + ".lob", "E_DAMAGED");
  RunRepairedRelease(release);
}

}  // namespace
}  // namespace app::testing
