#include "testing/product_fixture.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <sqlite3.h>
#include <algorithm>
#include <stdexcept>

#include "app/admin_login.h"
#include "app/connection_backup.h"
#include "app/product_paths.h"
#include "app/reg.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "platform/registry_api.h"
#include "platform/registry_hive.h"

namespace app::testing {

namespace {

std::string Ansi(const std::string& utf8) { return classlib::Utf8ToCp1251(utf8); }
std::string Literal(const std::string& ansi) { return classlib::QuotedStr(ansi); }

void WriteFile(const std::string& path, const std::string& bytes) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
          static_cast<qint64>(bytes.size()))
    throw std::runtime_error("cannot write " + path);
}

void Check(platform::LONG code, const std::string& what) {
  if (code != platform::ERROR_SUCCESS)
    throw std::runtime_error("registry write failed (" + std::to_string(code) + "): " + what);
}

void SetString(const std::string& key, const std::string& name, const std::string& value) {
  Check(WriteRegString(platform::HKEY_LOCAL_MACHINE, key, name, value), key + "\\" + name);
}

void SetNumber(const std::string& key, const std::string& name, uint32_t value) {
  platform::HKEY opened = nullptr;
  Check(platform::RegCreateKeyExA(platform::HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr,
                                  platform::REG_OPTION_NON_VOLATILE, platform::KEY_WRITE, nullptr,
                                  &opened, nullptr),
        key);
  const unsigned char bytes[4] = {static_cast<unsigned char>(value),
                                  static_cast<unsigned char>(value >> 8),
                                  static_cast<unsigned char>(value >> 16),
                                  static_cast<unsigned char>(value >> 24)};
  const platform::LONG code =
      platform::RegSetValueExA(opened, name.c_str(), 0, platform::REG_DWORD, bytes, 4);
  platform::RegCloseKey(opened);
  Check(code, key + "\\" + name);
}

}  // namespace

std::string ProductDatabase::FormRelease() const {
  if (releases.empty()) return {};
  return *std::max_element(releases.begin(), releases.end());
}

ProductDatabase ProductDatabase::Standard(const std::vector<std::string>& releases) {
  ProductDatabase d;
  d.releases = releases;
  d.groups = {{"{G-ADMIN}", "Администраторы", true},
              {"{G-OPER}", "Операторы", false},
              {"{G-GUEST}", "Гости", false}};
  d.users = {
      {"{U-ADMIN}", "admin", "secret", "SYSDBA", kFixtureSysdbaPassword, "{G-ADMIN}",
       {"{G-ADMIN}", "{G-OPER}"}},
      {"{U-IVAN}", "Ivan", "ivan1", "SYSDBA", kFixtureSysdbaPassword, "{G-OPER}", {"{G-OPER}"}},
      {"{U-IVANOV}", "Ivanov", "Пароль№1", "", "", "", {"{G-ADMIN}", "{G-GUEST}"}},
  };
  return d;
}

std::vector<std::string> ProductStatements(const ProductDatabase& content) {
  std::vector<std::string> s = {
      "CREATE TABLE LOGON_USER (GUID VARCHAR(38) NOT NULL, USERNAME VARCHAR(64), "
      "PAROL VARCHAR(400), USERNAMESQL VARCHAR(400), PASSWORDSQL VARCHAR(400), "
      "ROLES VARCHAR(64), DEFGROUPGUID VARCHAR(38))",
      "CREATE TABLE LOGON_GROUP (GUID VARCHAR(38) NOT NULL, GROUPNAME VARCHAR(64))",
      "CREATE TABLE LOGON_LINK (USER_ID VARCHAR(38), GROUP_ID VARCHAR(38))",
      "CREATE TABLE LOGON_PRIVILEGES (GROUP_ID VARCHAR(38), ACTIONNAME VARCHAR(64))",
      "CREATE TABLE BO_VERSION (ID INTEGER NOT NULL, BDVERSION VARCHAR(20), "
      "UPDATEUSER VARCHAR(64), UPDATEDATE TIMESTAMP, UPDATELOG VARCHAR(200))",
  };
  for (size_t i = 0; i < content.releases.size(); ++i)
    s.push_back("INSERT INTO BO_VERSION (ID, BDVERSION) VALUES (" + std::to_string(i + 1) + ", " +
                Literal(content.releases[i]) + ")");
  for (const ProductGroup& g : content.groups) {
    s.push_back("INSERT INTO LOGON_GROUP (GUID, GROUPNAME) VALUES (" + Literal(g.guid) + ", " +
                Literal(Ansi(g.name)) + ")");
    // Some other privilege for every group, so the count must look at the
    // action's name.
    s.push_back("INSERT INTO LOGON_PRIVILEGES (GROUP_ID, ACTIONNAME) VALUES (" + Literal(g.guid) +
                ", 'ViewReports')");
    if (g.administration)
      s.push_back("INSERT INTO LOGON_PRIVILEGES (GROUP_ID, ACTIONNAME) VALUES (" +
                  Literal(g.guid) + ", 'Administration')");
  }
  const std::string release = content.FormRelease();
  for (const ProductUser& u : content.users) {
    const auto stored = [&](const std::string& text) {
      return text.empty() ? std::string() : StoredForm(Ansi(text), release);
    };
    s.push_back("INSERT INTO LOGON_USER (GUID, USERNAME, PAROL, USERNAMESQL, PASSWORDSQL, ROLES, "
                "DEFGROUPGUID) VALUES (" +
                Literal(u.guid) + ", " + Literal(Ansi(u.name)) + ", " +
                Literal(stored(u.password)) + ", " + Literal(stored(u.sql_user)) + ", " +
                Literal(stored(u.sql_password)) + ", '', " + Literal(u.default_group_guid) + ")");
    for (const std::string& group : u.group_guids)
      s.push_back("INSERT INTO LOGON_LINK (USER_ID, GROUP_ID) VALUES (" + Literal(u.guid) + ", " +
                  Literal(group) + ")");
  }
  return s;
}

void CreateFirebirdProductDatabase(const std::string& path, const ProductDatabase& content) {
  std::string script = "SET NAMES WIN1251;\nCREATE DATABASE '" + path +
                       "' USER 'SYSDBA' PASSWORD '" + kFixtureSysdbaPassword +
                       "' DEFAULT CHARACTER SET WIN1251;\n";
  for (const std::string& statement : ProductStatements(content)) script += statement + ";\n";
  script += "COMMIT;\n";
  // isql-fb reads the script from a file: through a pipe it loses the bytes
  // of non-ASCII letters.
  const std::string script_path = path + ".sql";
  WriteFile(script_path, script);
  QProcess isql;
  isql.start("isql-fb", {"-q", "-bail", "-i", QString::fromStdString(script_path)});
  if (!isql.waitForStarted(10000)) throw std::runtime_error("isql-fb did not start");
  if (!isql.waitForFinished(120000)) throw std::runtime_error("isql-fb did not finish");
  if (isql.exitCode() != 0 || !QFile::exists(QString::fromStdString(path)))
    throw std::runtime_error("isql-fb failed: " + isql.readAllStandardError().toStdString() +
                             isql.readAllStandardOutput().toStdString());
  QFile::remove(QString::fromStdString(script_path));
}

void CreateSqliteProductDatabase(const std::string& path, const ProductDatabase& content) {
  std::vector<std::string> statements = ProductStatements(content);
  statements.push_back("CREATE TABLE sysobjects (id INTEGER, name VARCHAR(128), xtype CHAR(2))");
  int id = 1;
  for (const char* table :
       {"LOGON_USER", "LOGON_GROUP", "LOGON_LINK", "LOGON_PRIVILEGES", "BO_VERSION"})
    statements.push_back("INSERT INTO sysobjects VALUES (" + std::to_string(id++) + ", '" +
                         table + "', 'U')");
  const QString name = "product-fixture-" + QString::fromStdString(path);
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
    db.setDatabaseName(QString::fromStdString(path));
    if (!db.open()) throw std::runtime_error("cannot create " + path);
    for (const std::string& statement : statements) {
      QSqlQuery query(db);
      // SQLite keeps text as Unicode; the ODBC driver hands it back in the
      // code page the updater asks for.
      if (!query.exec(QString::fromStdString(classlib::Cp1251ToUtf8(statement))))
        throw std::runtime_error(query.lastError().text().toStdString());
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
}

void CreateOracleProductDatabase(const std::string& path, const ProductDatabase& content) {
  QFile::remove(QString::fromStdString(path));
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot create " + path);
  }
  std::string failure;
  for (const std::string& statement : ProductStatements(content)) {
    char* error = nullptr;
    // The bytes go in unchanged: SQLite does not look at a text's encoding.
    if (sqlite3_exec(db, statement.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
      failure = (error ? error : "error") + std::string(" in ") + statement;
      sqlite3_free(error);
      break;
    }
  }
  sqlite3_close(db);
  if (!failure.empty()) throw std::runtime_error(failure);
}

void WriteProductRegistry(const ProductInstallation& in) {
  if (!in.lexarium_release.empty()) {
    const std::string release_key = kLexariumKey + "\\" + in.lexarium_release;
    SetString(kLexariumKey, "CurrentVersion", in.lexarium_release);
    SetString(release_key, InstallPathValueName(in.lexarium_release), Ansi(in.lexarium_dir));
    const std::string prefs = release_key + "\\Preference";
    SetString(prefs, "FlagAutoLogon", "True");
    SetString(prefs, "PathSlaid", "<LXDIR>Slides");
    SetString(prefs, "PathTemp", Ansi(in.lexarium_dir + "/Temp"));
    SetString(prefs, "PathDocument", Ansi(in.lexarium_dir + "/Документы"));
    SetString(prefs, "FlagDebugger", "false");
    SetNumber(prefs, "SwapLine", 50);
    SetString(prefs, "ScriptTimeOut", "45000");
    SetString(prefs, "FontName", "Arial");
    SetString(prefs, "FontSize", "10");
  }
  if (!in.pontarex_release.empty()) {
    SetString(kPontarexKey, "CurrentVersion", in.pontarex_release);
    SetString(kPontarexKey + "\\" + in.pontarex_release,
              InstallPathValueName(in.pontarex_release), Ansi(in.pontarex_dir));
  }
  Check(WriteRegBinary(platform::HKEY_LOCAL_MACHINE, kConnectionKey, kConnectionStringValue,
                       EncipheredConnectionString(in.connection_string)),
        kConnectionStringValue);
  SetString(kConnectionKey, kServerTypeValue, in.server_type);
}

void WriteUpdateDescription(const std::string& folder, const std::string& body_utf8) {
  WriteFile(folder + "/updcfg.xml",
            "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\r\n" + Ansi(body_utf8));
}

std::string FullUpdateDescription(const std::string& start_versions,
                                  const std::string& result_version) {
  return "<ROOT>\r\n"
         "  <UPDATES ALWAYS_UPDATE_DB=\"false\" NO_UPDATE_CONF=\"false\"/>\r\n"
         "  <VERSIONS START_BD_VERSION=\"" + start_versions + "\" RESULT_BD_VERSION=\"" +
         result_version + "\"/>\r\n"
         "  <DB_UPDATE>\r\n"
         "    <ITEM SUBD=\"FIREBIRD;MSSQL\" TIME_PERCENT=\"60\" SOURCE=\"SCRIPT\" "
         "FILENAME=\"Scripts\\update.sql\" INFO_STRING=\"Обновление структуры\"/>\r\n"
         "    <ITEM SUBD=\"FIREBIRD\" TIME_PERCENT=\"40,5\" SOURCE=\"LIBRARY\" "
         "FILENAME=\"upd.so\" INFO_STRING=\"Перенос данных\"/>\r\n"
         "  </DB_UPDATE>\r\n"
         "  <SCHEMA_UPDATE>\r\n"
         "    <ITEM DATA_FILE=\"Data\\groups.dat\" SCHEMA_FILE=\"Data\\groups.xsd\" "
         "OBJECTS=\"Материалы\"/>\r\n"
         "  </SCHEMA_UPDATE>\r\n"
         "  <CONFIG_UPDATE>\r\n"
         "    <ITEM UPDATE_TYPE=\"INI\" COMMAND=\"&lt;PTXDIR&gt;conf.exe\" INI_FILE=\"ptx.ini\" "
         "INI_FILE_NAME=\"Настройки\" TIME_PERCENT=\"100\" INFO_STRING=\"Настройки\"/>\r\n"
         "  </CONFIG_UPDATE>\r\n"
         "</ROOT>\r\n";
}

}  // namespace app::testing
