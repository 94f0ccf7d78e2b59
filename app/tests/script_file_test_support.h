// Script connections on real engines for the script tests: an embedded
// Firebird database and an SQLite file standing in for SQL Server, both
// holding a small schema of every object kind the conditions ask about.
#pragma once

#include <QFile>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

#include "ado_fixtures.h"
#include "app/ado_command.h"
#include "app/ado_connection.h"
#include "app/ado_query.h"
#include "app/execute_statement_firebird.h"
#include "app/execute_statement_mssql.h"
#include "app/script_condition.h"
#include "classlib/variant.h"
#include "fake_progress_view.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_database.h"
#include "fib/zod/zod_query.h"

namespace app::testing {

// BOOKS with a computed column, a view, a view whose name holds an
// apostrophe, a procedure, a trigger, a generator and an index.
inline const char kFirebirdSchema[] =
    "CREATE TABLE BOOKS (ID INTEGER, TITLE VARCHAR(60), DOUBLED COMPUTED BY (ID * 2));\n"
    "CREATE TABLE LOG_ROWS (TXT VARCHAR(200));\n"
    "CREATE VIEW BOOK_TITLES AS SELECT TITLE FROM BOOKS;\n"
    "CREATE VIEW \"IT'S\" AS SELECT ID FROM BOOKS;\n"
    "CREATE GENERATOR G_BOOKS;\n"
    "CREATE INDEX IX_BOOKS_TITLE ON BOOKS (TITLE);\n"
    "SET TERM ^ ;\n"
    "CREATE PROCEDURE P_BOOKS AS BEGIN END ^\n"
    "CREATE TRIGGER T_BOOKS FOR BOOKS BEFORE INSERT AS BEGIN END ^\n"
    "SET TERM ; ^\n";

class FirebirdScriptDatabase {
 public:
  FirebirdScriptDatabase() {
    path_ = TempPath(dir_, "scripts.fdb");
    CreateFirebirdDatabase(path_, kFirebirdSchema);
    database_.SetDBName(path_);
    database_.DBParams().SetText("user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=WIN1251");
    database_.SetSQLDialect(3);
    transaction_.SetDefaultDatabase(&database_);
    database_.SetDefaultTransaction(&transaction_);
    connection_ = std::make_unique<TFirebirdScriptConnection>(database_, transaction_, query_);
  }

  IScriptConnection& Connection() { return *connection_; }
  fib::TpZODDatabase& Database() { return database_; }
  fib::TFIBTransaction& Transaction() { return transaction_; }
  const std::string& Path() const { return path_; }

  int64_t Count(const std::string& sql) {
    if (!database_.Connected()) database_.Connect();
    return database_.QueryValue(sql, 0).AsInt64();
  }

 private:
  QTemporaryDir dir_;
  std::string path_;
  fib::TpZODDatabase database_{nullptr};
  fib::TFIBTransaction transaction_{nullptr};
  fib::TpZODQuery query_{nullptr};
  std::unique_ptr<TFirebirdScriptConnection> connection_;
};

// The SQL Server catalogue as far as the conditions read it: sysobjects
// with type and category, sysindexes with names. `with_indexes` false
// leaves sysindexes out, so its query fails.
class SqlServerScriptDatabase {
 public:
  explicit SqlServerScriptDatabase(bool with_indexes = true) {
    path_ = TempPath(dir_, "scripts.db");
    std::vector<QString> statements = {
        "CREATE TABLE BOOKS (ID INTEGER, TITLE VARCHAR(60))",
        "CREATE TABLE sysobjects (name VARCHAR(128), type CHAR(2), category INTEGER)",
        "INSERT INTO sysobjects VALUES ('BOOK_TITLES', 'V', 0)",
        "INSERT INTO sysobjects VALUES ('IT''S', 'V', 0)",
        "INSERT INTO sysobjects VALUES ('SYS_VIEW', 'V', 2)",
        "INSERT INTO sysobjects VALUES ('P_BOOKS', 'P', 0)",
        "INSERT INTO sysobjects VALUES ('T_BOOKS', 'TR', 0)"};
    if (with_indexes) {
      statements.push_back("CREATE TABLE sysindexes (name VARCHAR(128))");
      statements.push_back("INSERT INTO sysindexes VALUES ('IX_BOOKS_TITLE')");
    }
    CreateSqliteDatabase(path_, statements);
    connection_.SetConnectionString(SqlServerConnectionString(path_));
    script_connection_ = std::make_unique<TSqlServerScriptConnection>(connection_, query_, command_);
  }

  IScriptConnection& Connection() { return *script_connection_; }
  TADOConnection& Ado() { return connection_; }
  const std::string& Path() const { return path_; }

  int Count(const std::string& sql) {
    if (!connection_.Connected()) connection_.Open();
    QSqlQuery query = connection_.ExecQuery(sql);
    return query.next() ? query.value(0).toInt() : -1;
  }

 private:
  SqliteAsSqlServer driver_;
  QTemporaryDir dir_;
  std::string path_;
  TADOConnection connection_{nullptr};
  TADOQuery query_{nullptr};
  TADOCommand command_{nullptr};
  std::unique_ptr<TSqlServerScriptConnection> script_connection_;
};

// Writes a script file (UTF-8 body, written as windows-1251 with its
// declaration, as the releases ship them).
inline std::string WriteScriptFile(const QTemporaryDir& dir, const char* name,
                                   const std::string& body_utf8) {
  const std::string path = TempPath(dir, name);
  const std::string text = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n" +
                           classlib::Utf8ToCp1251(body_utf8);
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot write " + path);
  file.write(text.data(), static_cast<qint64>(text.size()));
  return path;
}

// A progress view that remembers every position the bar took.
class RecordingProgressView : public FakeProgressView {
 public:
  void SetProgressPosition(int new_position) override {
    FakeProgressView::SetProgressPosition(new_position);
    positions.push_back(new_position);
  }
  std::vector<int> positions;
};

}  // namespace app::testing
