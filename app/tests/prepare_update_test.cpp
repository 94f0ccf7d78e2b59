// Preparing the update: the description of the release folder, the installed
// products and the release of a real product database.
#include <gtest/gtest.h>

#include <fstream>

#include "ado_fixtures.h"
#include "app/ado_connection.h"
#include "app/prepare_update.h"
#include "app/reference_preferences.h"
#include "app/reg.h"
#include "app/val_list.h"
#include "fake_progress_view.h"
#include "fib/statements/fib_database.h"
#include "loopback_server.h"
#include "product_environment.h"
#include "window_test_support.h"

namespace app::testing {
namespace {

std::string Utf8(const std::string& ansi) { return classlib::Cp1251ToUtf8(ansi); }

class PrepareUpdateTest : public ::testing::Test {
 protected:
  PrepareUpdateTest() { zodDB.SetSQLDialect(3); }
  ~PrepareUpdateTest() override {
    zodDB.Close();
    conLX.Close();
  }

  bool Prepare() {
    TPreparationTarget target;
    target.connections = {&zodDB, &conLX};
    target.view = &view;
    return PrepareUpdate(target);
  }
  void UseFirebird(const std::string& path) {
    DBType = kFirebird;
    ProductConnectionString = "provider=lcpi.ibprovider.2;user id=SYSDBA;location=" + path;
    SqlUserName = "SYSDBA";
    SqlPassword = kFixtureSysdbaPassword;
  }

  ProductEnvironment product;
  ScriptedMessageBoxes boxes;
  FakeProgressView view;
  fib::TFIBDatabase zodDB{nullptr};
  TADOConnection conLX{nullptr};
};

TEST_F(PrepareUpdateTest, AFirebirdDatabaseGivesItsLatestReleaseAndTheNextId) {
  ProductInstallation installation;
  installation.lexarium_dir = product.File("lx");
  installation.pontarex_release = "2.5";
  installation.pontarex_dir = product.File("ptx");
  WriteProductRegistry(installation);
  product.WriteDescription(FullUpdateDescription(" 3.0;3.1 ", "3.2"));
  UseFirebird(ProductEnvironment::FirebirdDatabase({"3.0.0", "3.1"}));

  ASSERT_TRUE(Prepare());
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(CurrentDBVersion, "3.1");
  EXPECT_EQ(NextVersionId, 3);
  // The connection stays open for the update run, with the stored account.
  EXPECT_TRUE(zodDB.Connected());
  EXPECT_EQ(zodDB.DBParams().Text(), "user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=WIN1251\r\n");

  EXPECT_EQ(ProgramDir, product.ReleaseDir() + "/");
  ASSERT_TRUE(UpdateDescription);
  EXPECT_EQ(UpdateDescription->DbUpdate.size(), 2u);
  EXPECT_EQ(StartVersions, "3.0;3.1;");
  EXPECT_EQ(ResultVersion, "3.2");
  EXPECT_EQ(InfoFile, "");
  EXPECT_FALSE(AlwaysUpdateDB);
  EXPECT_EQ(LxDir, product.File("lx") + "\\");
  EXPECT_TRUE(PontarexInstalled);
  EXPECT_EQ(PtxDir, product.File("ptx") + "\\");
  EXPECT_FALSE(SysDir.empty());
  EXPECT_EQ(ReferencePreferences.FontName, "Arial");
}

TEST_F(PrepareUpdateTest, AnEmptyVersionTableTakesTheWholeStartList) {
  product.WriteDescription(FullUpdateDescription("3.0;3.1", "3.2"));
  UseFirebird(ProductEnvironment::FirebirdDatabase({}));
  ASSERT_TRUE(Prepare());
  EXPECT_EQ(CurrentDBVersion, "3.0;3.1");
  EXPECT_EQ(NextVersionId, 1);
  EXPECT_FALSE(PontarexInstalled);
  EXPECT_EQ(PtxDir, "");
}

TEST_F(PrepareUpdateTest, AnUnreadableReleaseIsUnknownAndThePreparationGoesOn) {
  product.WriteDescription("<ROOT><FORM INFO_FILE='doc\\readme.txt'/></ROOT>");
  UseFirebird(product.File("missing.fdb"));
  view.status = "before";
  ASSERT_TRUE(Prepare());
  EXPECT_EQ(Utf8(CurrentDBVersion), "не определена");
  EXPECT_EQ(NextVersionId, 0);
  EXPECT_TRUE(boxes.shown.empty());
  // The status line says why, on one line, in Russian.
  EXPECT_EQ(Utf8(ReleaseReadFailure),
            "Версия базы данных не определена, нет соединения с базой данных: Файл базы данных "
            "не найден: проверьте путь к файлу и имя сервера.");
  EXPECT_EQ(view.status, ReleaseReadFailure);
  // Without VERSIONS the instruction file comes from FORM.
  EXPECT_EQ(InfoFile, "doc\\readme.txt");
  EXPECT_EQ(StartVersions, "");

  // A connection string without a location, and the Oracle kind without
  // its components, end the same way.
  ProductConnectionString = "provider=lcpi.ibprovider.2;user id=SYSDBA";
  ASSERT_TRUE(Prepare());
  EXPECT_EQ(NextVersionId, 0);
  EXPECT_EQ(Utf8(ReleaseReadFailure), "Версия базы данных не определена, нет соединения с "
                                      "базой данных: the connection string names no Location");
  DBType = kOracle;
  CurrentDBVersion.clear();
  ASSERT_TRUE(Prepare());
  EXPECT_EQ(Utf8(CurrentDBVersion), "не определена");

  // Read at last: the reason goes from the status line.
  UseFirebird(ProductEnvironment::FirebirdDatabase({"3.1"}));
  ASSERT_TRUE(Prepare());
  EXPECT_EQ(CurrentDBVersion, "3.1");
  EXPECT_EQ(ReleaseReadFailure, "");
  EXPECT_EQ(view.status, "");
}

// A database without the version table: connected, but the query says so.
TEST_F(PrepareUpdateTest, ADatabaseWithoutTheVersionTableIsSaidToHaveNone) {
  SqliteAsSqlServer driver;
  const std::string path = product.File("other.sqlite");
  std::ofstream(path).flush();  // an empty SQLite database
  product.WriteDescription(FullUpdateDescription("3.0.1", "3.0.2"));
  DBType = kMsSql;
  ProductConnectionString = SqlServerConnectionString(path);
  ASSERT_TRUE(Prepare());
  EXPECT_EQ(Utf8(CurrentDBVersion), "не определена");
  EXPECT_EQ(Utf8(ReleaseReadFailure),
            "Версия базы данных не определена, в базе данных нет таблицы BO_VERSION");
}

// The stored account refused by a SQL Server (error 18456): the status line
// says whom to ask, then the driver's words, on one line.
TEST_F(PrepareUpdateTest, AStoredAccountTheSqlServerRefusesIsSaidWithWhomToAsk) {
  ScopedEnv driver(kMssqlOdbcDriverVariable, "FreeTDS");
  LoopbackServer server(RefuseSqlServerLogin);
  product.WriteDescription(FullUpdateDescription("3.0.1", "3.0.2"));
  DBType = kMsSql;
  ProductConnectionString = "provider=sqloledb.1;data source=127.0.0.1," +
                            std::to_string(server.Port()) +
                            ";initial catalog=product;user id=sa;password=old";
  ASSERT_TRUE(Prepare());
  EXPECT_GE(server.Accepted(), 1);
  EXPECT_EQ(Utf8(CurrentDBVersion), "не определена");
  const std::string status = Utf8(ReleaseReadFailure);
  const std::string expected_start =
      "Версия базы данных не определена, нет соединения с базой данных: Сервер не принял имя "
      "пользователя или пароль базы данных, сохраненные для пользователя продукта. Обратитесь к "
      "администратору. [FreeTDS][SQL Server]Login failed for user 'sa'.";
  EXPECT_EQ(status.substr(0, expected_start.size()), expected_start) << status;
  EXPECT_EQ(status.find_first_of("\r\n"), std::string::npos);
}

TEST_F(PrepareUpdateTest, AnSqlServerDatabaseIsReadOverItsOwnConnection) {
  SqliteAsSqlServer driver;
  const std::string path = product.File("product.sqlite");
  CreateSqliteProductDatabase(path, ProductDatabase::Standard({"2.9", "3.0.1;"}));
  product.WriteDescription(FullUpdateDescription("3.0.1", "3.0.2"));
  DBType = kMsSql;
  ProductConnectionString = SqlServerConnectionString(path);
  ASSERT_TRUE(Prepare());
  // The release's trailing ";" is dropped.
  EXPECT_EQ(CurrentDBVersion, "3.0.1");
  EXPECT_EQ(NextVersionId, 3);
  EXPECT_TRUE(conLX.Connected());
}

TEST_F(PrepareUpdateTest, AMissingDescriptionIsReportedWithoutOwner) {
  StartVersions = "kept;";
  EXPECT_FALSE(Prepare());
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QString::fromStdString("Отсутствует файл конфигурации \"" +
                                                        product.ReleaseDir() + "/updcfg.xml\""));
  EXPECT_EQ(boxes.shown[0].caption, QStringLiteral("Ошибка"));
  EXPECT_EQ(boxes.shown[0].style, MB_ICONERROR);
  EXPECT_EQ(StartVersions, "kept;");
}

TEST_F(PrepareUpdateTest, ABadDescriptionNamesTheFileAndTheProblem) {
  const std::string file = product.ReleaseDir() + "/updcfg.xml";
  const struct {
    const char* body;
    const char* problem;
  } cases[] = {
      // The XML declaration takes the first line.
      {"<ROOT><VERSIONS START_BD_VERSION='3.1'></ROOT>", "строка 2"},
      {"<UPDATE/>", "корневой элемент \"UPDATE\""},
  };
  for (const auto& c : cases) {
    boxes.shown.clear();
    product.WriteDescription(c.body);
    StartVersions = "kept;";
    EXPECT_FALSE(Prepare()) << c.body;
    ASSERT_EQ(boxes.shown.size(), 1u);
    const QString text = boxes.shown[0].text;
    EXPECT_TRUE(text.startsWith(
        QString::fromStdString("Невозможно открыть файл конфигурации \"" + file + "\"\r\n")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8(c.problem))) << text.toStdString();
    EXPECT_EQ(boxes.shown[0].style & 0xF0, MB_ICONERROR);
    EXPECT_FALSE(UpdateDescription);
    EXPECT_EQ(StartVersions, "kept;");
  }
}

TEST(ConnectionStringValueTest, TheValueRunsToTheNextSemicolonOrTheEnd) {
  std::string value;
  ASSERT_TRUE(ConnectionStringValue("a=1;Location=srv:/db/x.fdb;ctype=win1251", "LOCATION=", value));
  EXPECT_EQ(value, "srv:/db/x.fdb");
  ASSERT_TRUE(ConnectionStringValue("a=1;location=/db/last.fdb", "LOCATION=", value));
  EXPECT_EQ(value, "/db/last.fdb");
  ASSERT_TRUE(ConnectionStringValue("Location=\"/db/a;b.fdb\";x=1", "LOCATION=", value));
  EXPECT_EQ(value, "/db/a;b.fdb");
  EXPECT_FALSE(ConnectionStringValue("a=1;b=2", "LOCATION=", value));
}

// What the page writes reads back as it was: quotes doubled inside a quoted
// value, a ";" in it, and a name inside another pair's value.
TEST(ConnectionStringValueTest, AQuotedValueReadsBackAsWritten) {
  TValList pairs;
  pairs.SetValue("Password", "p\"w;Location=/wrong.fdb");
  pairs.SetValue("Location", "/db/\"quoted\";x.fdb");
  pairs.SetValue("ctype", "WIN1251");
  std::string value;
  ASSERT_TRUE(ConnectionStringValue(pairs.GetText(), "LOCATION=", value));
  EXPECT_EQ(value, "/db/\"quoted\";x.fdb");
  ASSERT_TRUE(ConnectionStringValue(pairs.GetText(), "PASSWORD=", value));
  EXPECT_EQ(value, "p\"w;Location=/wrong.fdb");
  ASSERT_TRUE(ConnectionStringValue("Data Source=\"a\"\"b\"", "DATA SOURCE=", value));
  EXPECT_EQ(value, "a\"b");
}

class ReferencePreferencesTest : public ::testing::Test {
 protected:
  ProductEnvironment product;
};

TEST_F(ReferencePreferencesTest, FromRelease30TheRegistryIsRead) {
  ProductInstallation installation;
  installation.lexarium_release = "3.0";
  installation.lexarium_dir = "/opt/lx";
  WriteProductRegistry(installation);
  ReadReferencePreferences("3.0");
  const TReferencePreferences& p = ReferencePreferences;
  EXPECT_TRUE(p.AutoLogon);
  EXPECT_EQ(p.SlideDir, "<LXDIR>Slides");
  EXPECT_EQ(p.TempDir, "/opt/lx/Temp");
  EXPECT_EQ(Utf8(p.DocumentDir), "/opt/lx/Документы");
  EXPECT_EQ(p.SaveDays, 3);
  EXPECT_FALSE(p.Debug);
  EXPECT_EQ(p.RecordsPerLoad, 50);   // a number value
  EXPECT_EQ(p.ScriptTimeout, 45000);  // a string holding a number
  EXPECT_EQ(p.FontName, "Arial");
  EXPECT_EQ(p.FontSize, 10);
}

TEST_F(ReferencePreferencesTest, RegistryTextsThatAreNoNumbersGiveTheFallbacks) {
  const std::string key = ReferencePreferencesKey("4.0");
  WriteRegString(platform::HKEY_LOCAL_MACHINE, key, "SwapLine", "many");
  WriteRegString(platform::HKEY_LOCAL_MACHINE, key, "FontSize", "");
  ReferencePreferences.ScriptTimeout = 7;
  ReadReferencePreferences("4.0");
  EXPECT_EQ(ReferencePreferences.RecordsPerLoad, 20);
  EXPECT_EQ(ReferencePreferences.FontSize, 8);
  // Missing values leave their preference as it was.
  EXPECT_EQ(ReferencePreferences.ScriptTimeout, 7);
  EXPECT_EQ(ReferencePreferences.FontName, "");
}

TEST_F(ReferencePreferencesTest, BeforeRelease30TheSettingsFileIsRead) {
  const std::string folder = product.File("lx2");
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/lexref.ini")
      << classlib::Utf8ToCp1251("[User]\r\nflagwinuser = True\r\nSwapLine=x12\r\n"
                                "[path]\r\nPathTemp=\"C:\\Temp\\\"\r\n"
                                "[Script]\r\nTimeout=1500\r\n[font]\r\nFontName=Шрифт\r\n");
  LxDir = folder + "/";
  ReadReferencePreferences("10.0");  // older than "3.0" as text
  const TReferencePreferences& p = ReferencePreferences;
  EXPECT_TRUE(p.AutoLogon);
  EXPECT_EQ(p.SlideDir, "picture");
  EXPECT_EQ(p.TempDir, "C:\\Temp\\");
  EXPECT_EQ(p.DocumentDir, "");
  EXPECT_FALSE(p.Debug);
  EXPECT_EQ(p.RecordsPerLoad, 20);
  EXPECT_EQ(p.ScriptTimeout, 1500);
  EXPECT_EQ(Utf8(p.FontName), "Шрифт");
  EXPECT_EQ(p.FontSize, 8);

  // No file: nothing is read.
  ReferencePreferences = {};
  LxDir = product.File("nowhere") + "/";
  ReadReferencePreferences("2.1");
  EXPECT_EQ(ReferencePreferences.FontName, "");
  EXPECT_EQ(ReferencePreferences.RecordsPerLoad, 0);
}

}  // namespace
}  // namespace app::testing
