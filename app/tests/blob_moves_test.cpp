#include "app/blob_moves.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/run_state.h"
#include "blob_transfer_test_support.h"
#include "classlib/codepage.h"
#include "fake_progress_view.h"

namespace app::testing {
namespace {

std::string Ansi(const char* utf8) { return classlib::Utf8ToCp1251(utf8); }

TScriptElement Group(std::vector<std::pair<std::string, std::string>> attributes) {
  return TScriptElement{"G", std::move(attributes), ""};
}

TEST(CollectBlobMoves, PairsFollowTheOrderOfTheirAttributesAndGroupsTheirs) {
  std::vector<TBlobMove> moves;
  CollectBlobMoves(Group({{"MOVE_BLOB", "1"}, {"GUID_FIELD_10", "K10"}, {"BLOB_FIELD_10", "B10"},
                          {"TABLE_NAME", "T1"}, {"BLOB_FIELD_2", "B2"}, {"GUID_FIELD_2", "K2"}}),
                   moves);
  CollectBlobMoves(Group({{"TABLE_NAME", "T2"}, {"BLOB_FIELD_A", "BA"}, {"GUID_FIELD_A", "KA"}}),
                   moves);
  EXPECT_EQ(moves,
            (std::vector<TBlobMove>{{"T1", "B10", "K10"}, {"T1", "B2", "K2"}, {"T2", "BA", "KA"}}));
}

TEST(CollectBlobMoves, AnIncompleteDeclarationBecomesAMoveWithAnEmptyName) {
  std::vector<TBlobMove> moves;
  CollectBlobMoves(Group({{"BLOB_FIELD_1", "B"}, {"blob_field_2", "b"},
                          {"BLOB_FIELD_12345678901", "LONG"}, {"GUID_FIELD_12345678901", "K"}}),
                   moves);
  EXPECT_EQ(moves, (std::vector<TBlobMove>{{"", "B", ""}, {"", "", ""}, {"", "", ""}}));
}

TEST(BlobDataFile, KeysNameFilesInTheDataFolderOnly) {
  ProgramDir = "/opt/release/";
  EXPECT_EQ(BlobDataFileName("{A1}"), "/opt/release/Data\\{A1}.lob");
  ProgramDir.clear();
  EXPECT_TRUE(IsPlainFileKey("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"));
  EXPECT_TRUE(IsPlainFileKey(".."));  // becomes "...lob", still inside
  EXPECT_FALSE(IsPlainFileKey("../etc/passwd"));
  EXPECT_FALSE(IsPlainFileKey("..\\x"));
  EXPECT_FALSE(IsPlainFileKey(std::string("a\0/../b", 7)));
}

// A table access whose rows and failures the test sets.
class FakeBlobTable : public IBlobTable {
 public:
  explicit FakeBlobTable(bool firebird) : firebird_(firebird) {}

  const TBlobTransferRules& Rules() const override {
    static const TBlobTransferRules sql_server{"ALTER TABLE %s DROP COLUMN %s", false, false};
    static const TBlobTransferRules firebird{"ALTER TABLE %s DROP %s", true, true};
    return firebird_ ? firebird : sql_server;
  }
  void Open(const TBlobMove&, const std::string& selection) override {
    selections.push_back(selection);
    row_ = 0;
  }
  bool Eof() const override { return row_ >= keys.size(); }
  std::string Key() const override { return keys[row_]; }
  void Fill(const std::string& file_name) override { filled.push_back(file_name); }
  void Next() override {
    if (++row_ != fail_next_at) return;
    fail_next_at = 0;  // once
    throw std::runtime_error("cursor lost");
  }
  void Close() override { ++closed; }
  void Commit() override {
    if (fail_commit) throw std::runtime_error("deadlock");
    ++commits;
  }
  void Execute(const std::string& statement) override {
    if (fail_drop) throw std::runtime_error("in use");
    executed.push_back(statement);
  }

  std::vector<std::string> keys;
  size_t fail_next_at = 0;
  bool fail_commit = false;
  bool fail_drop = false;
  std::vector<std::string> selections, filled, executed;
  int closed = 0;
  int commits = 0;

 private:
  bool firebird_;
  size_t row_ = 0;
};

class BlobMovesTest : public ::testing::Test {
 protected:
  void SetUp() override { view_.status = Ansi("заполнение BLOB-полей"); }
  bool Perform(FakeBlobTable& table, std::vector<TBlobMove> moves = {{"T", "B", "K"}}) {
    TBlobMoves blob_moves(view_, table);
    for (const TBlobMove& move : moves)
      blob_moves.Collect(Group({{"TABLE_NAME", move.table},
                                {"BLOB_FIELD_1", move.blob_column},
                                {"GUID_FIELD_1", move.key_column}}));
    return blob_moves.Perform("C:\\Upd\\s.xml");
  }
  std::vector<std::string> Errors() const { return ErrorTexts(view_.details, Ansi("Ошибка:")); }

  ReleaseFolder release_;
  FakeProgressView view_;
};

TEST_F(BlobMovesTest, EveryRowFilledDropsTheKeyColumnAfterTheCommit) {
  FakeBlobTable table(true);
  table.keys = {"A", "B"};
  release_.WriteDataFile("A", "a");
  release_.WriteDataFile("B", "b");
  EXPECT_TRUE(Perform(table));
  EXPECT_EQ(table.selections, std::vector<std::string>{"SELECT K, B FROM T WHERE K IS NOT NULL"});
  EXPECT_EQ(table.filled, (std::vector<std::string>{release_.Path() + "Data\\A.lob",
                                                    release_.Path() + "Data\\B.lob"}));
  EXPECT_EQ(table.commits, 1);
  EXPECT_EQ(table.executed, std::vector<std::string>{"ALTER TABLE T DROP K"});
  EXPECT_EQ(view_.messages_processed, 2);
  EXPECT_TRUE(view_.details.empty());
}

TEST_F(BlobMovesTest, AMissingFileIsNamedAsTheServerKindLogsIt) {
  for (bool firebird : {true, false}) {
    view_.details.clear();
    FakeBlobTable table(firebird);
    table.keys = {"ABC"};
    EXPECT_FALSE(Perform(table));
    EXPECT_TRUE(table.executed.empty());  // the key column stays
    ASSERT_EQ(Errors().size(), 2u);
    EXPECT_EQ(Errors()[0], Ansi("Не найден файл ") + release_.Path() +
                               (firebird ? "Data\\ABC.lob" : "Data\\ABC") +
                               Ansi(" с данными из BLOB-поля"));
  }
}

TEST_F(BlobMovesTest, AFailedCommitFailsTheFileAndKeepsTheKeys) {
  FakeBlobTable table(true);
  table.fail_commit = true;
  EXPECT_FALSE(Perform(table));
  EXPECT_TRUE(table.executed.empty());
  EXPECT_EQ(Errors(), std::vector<std::string>{Ansi("подтверждение транзакции\r\ndeadlock")});
}

TEST_F(BlobMovesTest, AFailedDropFailsTheFileOnlyWhereTheServerKindSaysSo) {
  for (bool firebird : {true, false}) {
    view_.details.clear();
    FakeBlobTable table(firebird);
    table.fail_drop = true;
    EXPECT_EQ(Perform(table), !firebird);
    const std::string statement = firebird ? "ALTER TABLE T DROP K" : "ALTER TABLE T DROP COLUMN K";
    EXPECT_EQ(Errors(), std::vector<std::string>{
                            Ansi("Ошибка при удалении BLOB-полей\r\nin use\r\n") + statement});
  }
}

TEST_F(BlobMovesTest, AMoveThatBreaksOffNamesTheLastKeyAndTheNextMoveRuns) {
  FakeBlobTable table(false);
  table.keys = {"O'Neil", "X"};
  table.fail_next_at = 1;
  release_.WriteDataFile("O'Neil", "o");
  release_.WriteDataFile("X", "x");
  EXPECT_FALSE(Perform(table, {{"T", "B", "K"}, {"U", "C", "L"}}));
  EXPECT_EQ(Errors(), std::vector<std::string>{
                          Ansi("Не могу вставить данные в поле B таблицы T по идентификатору "
                               "'O''Neil' из поля K\r\ncursor lost")});
  EXPECT_EQ(table.selections.size(), 2u);
  EXPECT_EQ(table.closed, 2);  // the broken one too, so the next can open
  EXPECT_EQ(table.executed, std::vector<std::string>{"ALTER TABLE U DROP COLUMN L"});
}

TEST_F(BlobMovesTest, AnIncompleteDeclarationIsLoggedWithoutTouchingTheDatabase) {
  FakeBlobTable table(false);
  EXPECT_FALSE(Perform(table, {{"T", "B", ""}}));
  EXPECT_TRUE(table.selections.empty());
  EXPECT_EQ(Errors(),
            std::vector<std::string>{Ansi("Неполное описание переноса BLOB-поля: "
                                          "таблица 'T', поле 'B', поле идентификатора ''")});
}

}  // namespace
}  // namespace app::testing
