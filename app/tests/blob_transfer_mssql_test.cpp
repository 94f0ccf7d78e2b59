#include "app/blob_transfer_mssql.h"

#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <map>
#include <memory>

#include "app/ado_command.h"
#include "app/ado_connection.h"
#include "app/ado_query.h"
#include "app/blob_moves.h"
#include "app/execute_statement_mssql.h"
#include "app/script_file.h"
#include "blob_transfer_test_support.h"
#include "script_file_test_support.h"

namespace app::testing {
namespace {

const char kMoveGroup[] =
    "<DOCS_BLOBS MOVE_BLOB=\"1\" TABLE_NAME=\"DOCS\" BLOB_FIELD_1=\"BODY\" GUID_FIELD_1=\"GUID\">"
    "<S STOP_ON_EXCEPTION=\"1\" LOG_ERROR=\"1\">UPDATE DOCS SET NOTE = 'moved'</S>"
    "</DOCS_BLOBS>";

// DOCS on the SQL Server stand-in: kTransferRows rows keyed K0001 ..., one
// more row without a key, and a trigger that refuses to write the row
// `damaged`.
class SqlServerBlobTransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = TempPath(dir_, "docs.db");
    std::vector<QString> statements;
    for (const std::string& statement : SqliteDocsStatements())
      statements.push_back(QString::fromStdString(statement));
    CreateSqliteDatabase(path_, statements);
    connection_.SetConnectionString(SqlServerConnectionString(path_));
    script_ = std::make_unique<TSqlServerScriptConnection>(connection_, query_, command_);
  }

  bool Run(const std::string& groups) {
    const std::string script =
        WriteScriptFile(dir_, "blobs.xml", "<SCRIPTS>" + groups + "</SCRIPTS>");
    script_path_ = script;
    TSqlServerBlobTable table(query_);
    TBlobMoves moves(view_, table);
    return RunScriptFile({*script_, view_, false, 10, &moves}, script);
  }

  // Reads the file by another road than the one under test.
  template <typename Read>
  void Direct(const QString& sql, Read read) {
    {
      QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "direct");
      db.setDatabaseName(QString::fromStdString(path_));
      ASSERT_TRUE(db.open());
      QSqlQuery query(db);
      ASSERT_TRUE(query.exec(sql)) << sql.toStdString();
      while (query.next()) read(query);
    }
    QSqlDatabase::removeDatabase("direct");
  }
  std::map<int, QVariant> Bodies() {
    std::map<int, QVariant> bodies;
    Direct("SELECT ID, BODY FROM DOCS",
           [&](QSqlQuery& q) { bodies[q.value(0).toInt()] = q.value(1); });
    return bodies;
  }
  bool HasColumn(const char* name) {
    bool found = false;
    Direct("PRAGMA table_info(DOCS)",
           [&](QSqlQuery& q) { found |= q.value(1).toString() == name; });
    return found;
  }
  std::vector<std::string> Errors() const { return ErrorTexts(view_.details, Ansi("Ошибка:")); }

  ReleaseFolder release_;
  SqliteAsSqlServer driver_;
  QTemporaryDir dir_;
  std::string path_;
  std::string script_path_;
  TADOConnection connection_{nullptr};
  TADOQuery query_{nullptr};
  TADOCommand command_{nullptr};
  std::unique_ptr<TSqlServerScriptConnection> script_;
  FakeProgressView view_;
};

TEST_F(SqlServerBlobTransferTest, FillsEveryRowItCanLogsTheRestAndKeepsTheKeysForAnotherRun) {
  release_.WriteDataFiles(500);
  EXPECT_FALSE(Run(kMoveGroup));

  const std::map<int, QVariant> bodies = Bodies();
  ASSERT_EQ(bodies.size(), static_cast<size_t>(kTransferRows + 1));
  int filled = 0;
  for (const auto& [row, body] : bodies) {
    if (row == 0 || row == 500 || row == 777) {
      EXPECT_TRUE(body.isNull()) << row;
      continue;
    }
    const std::string expected = BodyOf(row);
    EXPECT_EQ(body.toByteArray(),
              QByteArray(expected.data(), static_cast<qsizetype>(expected.size())))
        << row;
    ++filled;
  }
  EXPECT_EQ(filled, kTransferRows - 2);

  const std::vector<std::string> errors = Errors();
  ASSERT_EQ(errors.size(), 3u) << view_.details.size();
  EXPECT_EQ(errors[0],
            Ansi("Не найден файл ") + release_.Path() + Ansi("Data\\K0500 с данными из BLOB-поля"));
  EXPECT_EQ(errors[1].rfind(Ansi("Ошибка заполнения BLOB-поля с идентификатором K0777 в таблице "
                                 "DOCS\r\n"),
                            0),
            0u)
      << errors[1];
  EXPECT_NE(errors[1].find("damaged row"), std::string::npos) << errors[1];
  EXPECT_EQ(errors[2], Ansi("Поле GUID таблицы DOCS не удалено: заполнены не все BLOB-поля, "
                            "обновление можно повторить"));
  EXPECT_TRUE(HasLine(view_.details, Ansi("Операция:заполнение BLOB-полей")));
  EXPECT_TRUE(HasLine(view_.details, Ansi("Источник:") + script_path_));
  EXPECT_TRUE(HasColumn("GUID"));
  EXPECT_EQ(view_.position, 10);

  // The release is mended and the update run again: the rest is filled and
  // the keys go.
  release_.WriteDataFile(KeyOf(500), BodyOf(500));
  Direct("DROP TRIGGER DAMAGED", [](QSqlQuery&) {});
  view_.details.clear();
  EXPECT_TRUE(Run(kMoveGroup));
  EXPECT_EQ(Errors(), std::vector<std::string>{});
  EXPECT_FALSE(HasColumn("GUID"));
  const std::map<int, QVariant> after = Bodies();
  for (int row : {1, 500, 777, kTransferRows}) {
    const std::string expected = BodyOf(row);
    EXPECT_EQ(after.at(row).toByteArray(),
              QByteArray(expected.data(), static_cast<qsizetype>(expected.size())));
  }
  EXPECT_TRUE(after.at(0).isNull());
}

TEST_F(SqlServerBlobTransferTest, KeysThatLeaveTheDataFolderAreRefused) {
  Direct("UPDATE DOCS SET GUID = '../outside' WHERE ID = 1", [](QSqlQuery&) {});
  Direct("UPDATE DOCS SET GUID = '..\\outside' WHERE ID = 2", [](QSqlQuery&) {});
  WriteBytes(release_.Path() + "outside.lob", "not a row's data");
  release_.WriteDataFiles(0);
  EXPECT_FALSE(Run(kMoveGroup));
  const std::map<int, QVariant> bodies = Bodies();
  EXPECT_TRUE(bodies.at(1).isNull());
  EXPECT_TRUE(bodies.at(2).isNull());
  EXPECT_FALSE(bodies.at(3).isNull());
  const std::vector<std::string> errors = Errors();
  ASSERT_GE(errors.size(), 2u);
  EXPECT_EQ(errors[0], Ansi("Идентификатор '../outside' в таблице DOCS не может быть именем "
                            "файла с данными из BLOB-поля"));
  EXPECT_TRUE(HasColumn("GUID"));
}

TEST_F(SqlServerBlobTransferTest, AMoveThatCannotRunIsLoggedAndTheNextOneStillFills) {
  release_.WriteDataFiles(0);
  Direct("DROP TRIGGER DAMAGED", [](QSqlQuery&) {});
  EXPECT_FALSE(
      Run("<BROKEN MOVE_BLOB=\"1\" TABLE_NAME=\"NOPE\" BLOB_FIELD_1=\"BODY\" "
          "GUID_FIELD_1=\"GUID\"/>" +
          std::string(kMoveGroup)));
  const std::vector<std::string> errors = Errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind(Ansi("Не могу вставить данные в поле BODY таблицы NOPE по "
                                 "идентификатору '' из поля GUID\r\n"),
                            0),
            0u)
      << errors[0];
  EXPECT_FALSE(Bodies().at(kTransferRows).isNull());
  EXPECT_FALSE(HasColumn("GUID"));
}

TEST_F(SqlServerBlobTransferTest, ATableWithoutKeysStillLosesItsKeyColumn) {
  Direct("UPDATE DOCS SET GUID = NULL", [](QSqlQuery&) {});
  EXPECT_TRUE(Run(kMoveGroup));
  EXPECT_EQ(Errors(), std::vector<std::string>{});
  EXPECT_FALSE(HasColumn("GUID"));
}

TEST_F(SqlServerBlobTransferTest, AColumnThatCannotBeDroppedIsLoggedButDoesNotFailTheFile) {
  Direct("UPDATE DOCS SET GUID = NULL WHERE ID > 1", [](QSqlQuery&) {});
  release_.WriteDataFile(KeyOf(1), BodyOf(1));
  // SQLite refuses to drop a column an index names, as SQL Server refuses
  // one a constraint names.
  Direct("CREATE INDEX IX_DOCS_GUID ON DOCS (GUID)", [](QSqlQuery&) {});
  EXPECT_TRUE(Run(kMoveGroup));
  const std::vector<std::string> errors = Errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind(Ansi("Ошибка при удалении BLOB-полей\r\n"), 0), 0u) << errors[0];
  EXPECT_EQ(errors[0].substr(errors[0].rfind("\r\n") + 2), "ALTER TABLE DOCS DROP COLUMN GUID");
  EXPECT_FALSE(Bodies().at(1).isNull());
}

}  // namespace
}  // namespace app::testing
