// Databases for the ADO tests: an embedded Firebird database made by isql-fb
// and an SQLite file reached through the SQLite ODBC driver, which stands in
// for SQL Server behind "SQLOLEDB.1".
#pragma once

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "app/ado_provider.h"
#include "app/val_list.h"
#include "ansi_text.h"
#include "classlib/codepage.h"

namespace app::testing {


// Creates `path` with the statements of `script` (CP1251, ";"-terminated)
// run by isql-fb, so the data reaches the database by another road than the
// one under test.
inline void CreateFirebirdDatabase(const std::string& path, const std::string& script) {
  const std::string full = "SET NAMES WIN1251;\nCREATE DATABASE '" + path +
                           "' USER 'SYSDBA' PASSWORD 'masterkey' DEFAULT CHARACTER SET WIN1251;\n" +
                           script + "\nCOMMIT;\n";
  // From a file: isql-fb reading a pipe drops the bytes of non-ASCII letters.
  const QString script_path = QString::fromStdString(path + ".sql");
  QFile file(script_path);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(full.data(), static_cast<qint64>(full.size())) != static_cast<qint64>(full.size()))
    throw std::runtime_error("cannot write " + script_path.toStdString());
  file.close();
  QProcess isql;
  isql.start("isql-fb", {"-q", "-bail", "-i", script_path});
  if (!isql.waitForStarted(10000)) throw std::runtime_error("isql-fb did not start");
  isql.waitForFinished(60000);
  if (isql.exitCode() != 0 || !QFile::exists(QString::fromStdString(path)))
    throw std::runtime_error("isql-fb failed: " + isql.readAllStandardError().toStdString() +
                             isql.readAllStandardOutput().toStdString());
}

inline std::string FirebirdConnectionString(const std::string& path) {
  TValList pairs;
  pairs.SetValue("Provider", "LCPI.IBProvider.2");
  pairs.SetValue("User Id", "SYSDBA");
  pairs.SetValue("Password", "masterkey");
  pairs.SetValue("Location", path);
  pairs.SetValue("ctype", "WIN1251");
  return pairs.GetText();
}

// The SQLite ODBC driver library, looked up where Debian installs it.
inline std::string SqliteOdbcDriverPath() {
  for (const char* candidate : {"/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so",
                                "/usr/lib/aarch64-linux-gnu/odbc/libsqlite3odbc.so",
                                "/usr/lib/odbc/libsqlite3odbc.so"}) {
    if (QFile::exists(candidate)) return candidate;
  }
  throw std::runtime_error("libsqlite3odbc.so not found (package libsqliteodbc)");
}

// Points "SQLOLEDB.1" at the SQLite ODBC driver for the life of the object.
class SqliteAsSqlServer {
 public:
  SqliteAsSqlServer() { setenv(kMssqlOdbcDriverVariable, SqliteOdbcDriverPath().c_str(), 1); }
  ~SqliteAsSqlServer() { unsetenv(kMssqlOdbcDriverVariable); }
  SqliteAsSqlServer(const SqliteAsSqlServer&) = delete;
  SqliteAsSqlServer& operator=(const SqliteAsSqlServer&) = delete;
};

// Creates the SQLite file with Qt's own SQLite driver; statements are UTF-8.
inline void CreateSqliteDatabase(const std::string& path, const std::vector<QString>& statements) {
  const QString name = "fixture-" + QString::fromStdString(path);
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
    db.setDatabaseName(QString::fromStdString(path));
    if (!db.open()) throw std::runtime_error("cannot create " + path);
    for (const QString& statement : statements) {
      QSqlQuery query(db);
      if (!query.exec(statement))
        throw std::runtime_error(query.lastError().text().toStdString() + " in " +
                                 statement.toStdString());
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
}

// The connection string the first page builds for SQL Server, with the
// database file standing in for the catalogue.
inline std::string SqlServerConnectionString(const std::string& database,
                                             const std::string& password = "secret") {
  TValList pairs;
  pairs.SetValue("Provider", "SQLOLEDB.1");
  pairs.SetValue("User Id", "sa");
  pairs.SetValue("Password", password);
  pairs.SetValue("Persist Security Info", "True");
  pairs.SetValue("Data Source", "localhost");
  pairs.SetValue("Initial Catalog", database);
  return pairs.GetText();
}

inline std::string TempPath(const QTemporaryDir& dir, const char* file) {
  return dir.filePath(file).toStdString();
}

}  // namespace app::testing
