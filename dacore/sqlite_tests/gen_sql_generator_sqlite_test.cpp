// Generated statements on the real engine: a stand-in data set reads its
// fields and the old values from a SQLite result set (the updating table
// and its columns as the driver described them), the generator writes the
// statement, the parameters get the old or new values its information
// names, and the statement must find and change exactly the row, also when
// a key column is NULL.
#include "dacore/gen_sql_generator.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dacore/sqlite_tests/sqlite_fixture.h"
#include "testing/sqlite_driver/sqlite_driver_lexer.h"
#include "testing/sqlite_driver/sqlite_driver_record_set.h"

namespace dacore::sqlite_tests {
namespace {

using classlib::Variant;
using sqlite_driver::TSQLiteCommand;
using sqlite_driver::TSQLiteConnection;
using sqlite_driver::TSQLiteRecordSet;

// The current row of a result set is the record being posted; new values
// are given by field name.
class ResultSetDataSet : public IDAGeneratorDataSet {
 public:
  ResultSetDataSet(TSQLiteRecordSet& rs, std::vector<std::string> keys) : rs_(rs), key_names_(std::move(keys)) {}

  Variant OldValue(const TFieldDesc& field) {
    TRecBufHolder rec(rs_.RecordSize());
    rs_.GetRecord(rec.buf);
    Variant value;
    rs_.GetFieldAsVariant(field.FieldNo(), rec.buf, value);
    return value;
  }
  Variant NewValue(const TFieldDesc& field) {
    const auto found = new_values.find(field.Name());
    return found == new_values.end() ? OldValue(field) : found->second;
  }

  TCRTableInfo* UpdatingTableInfo() override { return rs_.TablesInfo().Items(0); }
  void GetKeyFieldDescs(std::vector<TCRFieldDesc*>& key_fields, std::vector<TCRFieldDesc*>& data_fields,
                        bool) override {
    for (int i = 0; i < rs_.GetFieldCount(); ++i) {
      auto* field = static_cast<TCRFieldDesc*>(rs_.Fields().GetItems(i));
      data_fields.push_back(field);
      for (const std::string& key : key_names_)
        if (field->Name() == key) key_fields.push_back(field);
    }
  }
  TCRFieldDesc* RowIdentityField() override { return nullptr; }
  TFieldDescs& FieldDescs() override { return rs_.Fields(); }
  bool FieldValueIsNull(const TFieldDesc& field, bool old_value) override {
    return classlib::VarIsNull(old_value ? OldValue(field) : NewValue(field));
  }
  bool FieldValueModified(const TFieldDesc& field) override { return new_values.count(field.Name()) > 0; }
  std::string QuoteName(const std::string& name) const override { return name; }
  bool QuoteNames() const override { return false; }
  bool FullRefresh() const override { return false; }
  bool ReadOnly() const override { return false; }
  bool CachedUpdates() const override { return false; }
  bool Designing() const override { return false; }
  bool HasParams() const override { return false; }
  std::string SQLText() override { return "SELECT * FROM EMP"; }
  std::string FinalSQL() override { return SQLText(); }
  std::string AddWhere(const std::string& sql, const std::string& condition) override {
    return sqlite_driver::SQLiteAddWhere(sql, condition);
  }
  std::string GetWhere() override { return ""; }

  std::map<std::string, Variant> new_values;

 private:
  TSQLiteRecordSet& rs_;
  std::vector<std::string> key_names_;
};

class GeneratedOnSQLiteTest : public SQLiteTest {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    connection_.SetServer(Path());
    connection_.Connect("");
    Run("CREATE TABLE EMP (ID INTEGER, SUB INTEGER, NAME VARCHAR(20), PRIMARY KEY (ID, SUB))");
    Run("INSERT INTO EMP VALUES (1, NULL, 'null sub'), (1, 2, 'second'), (3, 4, 'third')");
  }
  int Run(const std::string& sql, const TDAParams* params = nullptr) {
    TSQLiteCommand command;
    command.SetConnection(&connection_);
    command.SetSQL(sql);
    command.AutoCommit = true;
    for (int i = 0; params && i < params->Count(); ++i) command.AddParam()->SetValue(params->Items(i)->Value());
    command.Execute(1);
    return command.RowsAffected();
  }
  // Positions the result set on the row whose NAME is name.
  std::unique_ptr<TSQLiteRecordSet> RowNamed(const std::string& name) {
    auto rs = std::make_unique<TSQLiteRecordSet>();
    rs->SetConnection(&connection_);
    rs->SetSQL("SELECT ID, SUB, NAME FROM EMP WHERE NAME = '" + name + "'");
    rs->Open();
    rs->SetToBegin();
    rs->GetNextRecord(nullptr);
    return rs;
  }
  // Generates the statement and runs it with the values its parameters stand for.
  int Apply(ResultSetDataSet& data_set, TStatementType type, bool modified_only, std::string& text) {
    TDASQLGenerator generator(&data_set);
    TDAParams params;
    text = generator.GenerateSQL(type, modified_only, &params);
    for (int i = 0; i < params.Count(); ++i) {
      const TDAParamInfo* info = generator.ParamsInfo().FindParam(params.Items(i));
      params.Items(i)->SetValue(info->Old ? data_set.OldValue(*info->Field) : data_set.NewValue(*info->Field));
    }
    return Run(text, &params);
  }
  std::string Names() {
    auto rs = std::make_unique<TSQLiteRecordSet>();
    rs->SetConnection(&connection_);
    rs->SetSQL("SELECT group_concat(NAME, ',') AS NAMES FROM (SELECT NAME FROM EMP ORDER BY NAME)");
    rs->Open();
    rs->SetToBegin();
    rs->GetNextRecord(nullptr);
    TRecBufHolder rec(rs->RecordSize());
    rs->GetRecord(rec.buf);
    Variant value;
    rs->GetFieldAsVariant(1, rec.buf, value);
    return classlib::VarToStr(value);
  }
  TSQLiteConnection connection_;
};

TEST_F(GeneratedOnSQLiteTest, UpdateAndDeleteFindTheRowByTwoKeysOneOfThemNull) {
  auto rs = RowNamed("null sub");
  ResultSetDataSet data_set(*rs, {"ID", "SUB"});
  data_set.new_values["NAME"] = Variant("renamed");
  std::string text;
  EXPECT_EQ(Apply(data_set, stUpdate, true, text), 1);
  EXPECT_EQ(text, "UPDATE EMP\r\nSET\r\n  NAME = ?\r\nWHERE\r\n  ID = ? AND SUB IS NULL");
  EXPECT_EQ(Names(), "renamed,second,third");

  // All fields, keys changed too: the old keys find the row.
  auto second = RowNamed("second");
  ResultSetDataSet moved(*second, {"ID", "SUB"});
  moved.new_values["ID"] = Variant(9);
  EXPECT_EQ(Apply(moved, stUpdate, false, text), 1);
  EXPECT_EQ(text, "UPDATE EMP\r\nSET\r\n  ID = ?, SUB = ?, NAME = ?\r\nWHERE\r\n  ID = ? AND SUB = ?");

  auto renamed = RowNamed("renamed");
  ResultSetDataSet gone(*renamed, {"ID", "SUB"});
  EXPECT_EQ(Apply(gone, stDelete, false, text), 1);
  EXPECT_EQ(Names(), "second,third");
}

TEST_F(GeneratedOnSQLiteTest, InsertAndRefreshRunAsWritten) {
  auto rs = RowNamed("third");
  ResultSetDataSet data_set(*rs, {"ID"});
  data_set.new_values["ID"] = Variant(5);
  data_set.new_values["SUB"] = Variant::Null();
  data_set.new_values["NAME"] = Variant("fifth");
  std::string text;
  EXPECT_EQ(Apply(data_set, stInsert, true, text), 1);
  EXPECT_EQ(text, "INSERT INTO EMP\r\n  (ID, NAME)\r\nVALUES\r\n  (?, ?)");
  EXPECT_EQ(Names(), "fifth,null sub,second,third");

  // The refresh text selects by the current key; run as a query it finds one row.
  TDASQLGenerator generator(&data_set);
  TDAParams params;
  text = generator.GenerateSQL(stRefresh, false, &params);
  EXPECT_EQ(text, "SELECT ID AS _0, SUB AS _1, NAME AS _2 FROM EMP\r\nWHERE\r\n  ID = ?");
  TSQLiteRecordSet refreshed;
  refreshed.SetConnection(&connection_);
  refreshed.SetSQL(text);
  refreshed.GetCommand()->AddParam()->SetValue(Variant(3));
  refreshed.Open();
  refreshed.FetchAll();
  EXPECT_EQ(refreshed.GetRecordCount(), 1);
  EXPECT_NE(refreshed.FindField("_2"), nullptr);
}

}  // namespace
}  // namespace dacore::sqlite_tests
