#include "app/blob_transfer_firebird.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "app/blob_moves.h"
#include "app/execute_statement_firebird.h"
#include "app/script_file.h"
#include "blob_transfer_test_support.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/xsqlvar.h"
#include "fib_rows.h"
#include "script_file_test_support.h"

namespace app::testing {
namespace {

const char kMoveGroup[] =
    "<DOCS_BLOBS MOVE_BLOB=\"1\" TABLE_NAME=\"DOCS\" BLOB_FIELD_1=\"BODY\" GUID_FIELD_1=\"GUID\">"
    "<S STOP_ON_EXCEPTION=\"1\" LOG_ERROR=\"1\">UPDATE DOCS SET NOTE = 'moved' WHERE ID &lt; 10</S>"
    "</DOCS_BLOBS>";

// DOCS as an isql script: the block and the trigger need another terminator.
std::string DocsSchema() {
  std::string script = "SET TERM ^ ;\n";
  for (const std::string& statement : FirebirdDocsStatements()) script += statement + " ^\n";
  return script + "SET TERM ; ^\n";
}

const char kParams[] = "user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=WIN1251";

class FirebirdBlobTransferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = TempPath(dir_, "docs.fdb");
    CreateFirebirdDatabase(path_, DocsSchema());
    database_.SetDBName(path_);
    database_.DBParams().SetText(kParams);
    database_.SetSQLDialect(3);
    transaction_.SetDefaultDatabase(&database_);
    database_.SetDefaultTransaction(&transaction_);
    script_ = std::make_unique<TFirebirdScriptConnection>(database_, transaction_, query_);
  }

  bool Run(const std::string& groups) {
    script_path_ = WriteScriptFile(dir_, "blobs.xml", "<SCRIPTS>" + groups + "</SCRIPTS>");
    TFirebirdBlobTable table(database_, transaction_, query_, data_set_);
    TBlobMoves moves(view_, table);
    return RunScriptFile({*script_, view_, false, 10, &moves}, script_path_);
  }

  // Statements on an attachment of their own, so only committed work shows.
  void Direct(const std::string& sql, const std::function<void(fib::TFIBQuery&)>& read = {}) {
    fib::TFIBDatabase db(nullptr);
    db.SetDBName(path_);
    db.DBParams().SetText(kParams);
    db.Connect();
    ForEachRow(db, sql, read);
  }
  std::map<int, std::string> Bodies() {
    std::map<int, std::string> bodies;
    Direct("SELECT ID, BODY FROM DOCS WHERE BODY IS NOT NULL",
           [&](fib::TFIBQuery& q) { bodies[q.Fields(0).AsInteger()] = q.Fields(1).AsString(); });
    return bodies;
  }
  bool HasKeyColumn() {
    bool found = false;
    Direct(
        "SELECT 1 FROM RDB$RELATION_FIELDS WHERE RDB$RELATION_NAME = 'DOCS' AND "
        "RDB$FIELD_NAME = 'GUID'",
        [&](fib::TFIBQuery&) { found = true; });
    return found;
  }
  std::vector<std::string> Errors() const { return ErrorTexts(view_.details, Ansi("Ошибка:")); }

  ReleaseFolder release_;
  QTemporaryDir dir_;
  std::string path_;
  std::string script_path_;
  fib::TpZODDatabase database_{nullptr};
  fib::TFIBTransaction transaction_{nullptr};
  fib::TpZODQuery query_{nullptr};
  TFirebirdBlobDataSet data_set_{nullptr};
  std::unique_ptr<TFirebirdScriptConnection> script_;
  FakeProgressView view_;
};

TEST_F(FirebirdBlobTransferTest, FillsEveryRowItCanLogsTheRestAndKeepsTheKeysForAnotherRun) {
  release_.WriteDataFiles(500);
  EXPECT_FALSE(Run(kMoveGroup));

  std::map<int, std::string> bodies = Bodies();
  EXPECT_EQ(bodies.size(), static_cast<size_t>(kTransferRows - 2));
  EXPECT_EQ(WronglyFilledRows(bodies, {500, 777}), 0);

  const std::vector<std::string> errors = Errors();
  ASSERT_EQ(errors.size(), 3u) << view_.details.size();
  EXPECT_EQ(errors[0], Ansi("Не найден файл ") + release_.Path() +
                           Ansi("Data\\K0500.lob с данными из BLOB-поля"));
  EXPECT_EQ(errors[1].rfind(Ansi("Ошибка заполнения BLOB-поля с идентификатором K0777 в таблице "
                                 "DOCS\r\n"),
                            0),
            0u)
      << errors[1];
  EXPECT_NE(errors[1].find("E_DAMAGED"), std::string::npos) << errors[1];
  EXPECT_EQ(errors[2], Ansi("Поле GUID таблицы DOCS не удалено: заполнены не все BLOB-поля, "
                            "обновление можно повторить"));
  EXPECT_TRUE(HasLine(view_.details, Ansi("Источник:") + script_path_));
  EXPECT_TRUE(HasKeyColumn());

  // The release is mended and the update run again: the rest is filled and
  // the keys go.
  release_.WriteDataFile(KeyOf(500), BodyOf(500));
  Direct("DROP TRIGGER DAMAGED");
  view_.details.clear();
  EXPECT_TRUE(Run(kMoveGroup));
  EXPECT_EQ(Errors(), std::vector<std::string>{});
  EXPECT_FALSE(HasKeyColumn());
  bodies = Bodies();
  EXPECT_EQ(bodies.size(), static_cast<size_t>(kTransferRows));
  EXPECT_EQ(bodies[500], BodyOf(500));
  EXPECT_EQ(bodies[777], BodyOf(777));
}

TEST_F(FirebirdBlobTransferTest, AFailedCommitFailsTheFileAndKeepsTheKeys) {
  Direct("DROP TRIGGER DAMAGED");
  Direct("UPDATE DOCS SET GUID = NULL WHERE ID > 3");
  release_.WriteDataFiles(0);
  // A database trigger that refuses the commit once row 2 holds a value.
  Direct("CREATE EXCEPTION E_COMMIT 'commit refused'");
  Direct(
      "CREATE TRIGGER REFUSE_COMMIT ON TRANSACTION COMMIT AS BEGIN "
      "IF (EXISTS (SELECT 1 FROM DOCS WHERE ID = 2 AND BODY IS NOT NULL)) THEN "
      "EXCEPTION E_COMMIT; END");
  EXPECT_FALSE(Run(kMoveGroup));
  const std::vector<std::string> errors = Errors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind(Ansi("подтверждение транзакции\r\n"), 0), 0u) << errors[0];
  EXPECT_NE(errors[0].find("E_COMMIT"), std::string::npos) << errors[0];
  EXPECT_TRUE(HasKeyColumn());
}

}  // namespace
}  // namespace app::testing
