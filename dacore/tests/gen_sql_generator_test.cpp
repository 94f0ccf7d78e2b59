// The SQL generator on a data set stand-in whose record has known old and
// new values: the statement texts for tables with one and two key fields
// and NULL old keys, the parameters in order, names and quoting, batch
// names, and its errors. No value of the record may appear in any text.
#include "dacore/gen_sql_generator.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "classlib/exceptions.h"

namespace dacore {
namespace {

// A field's values in the record being posted.
struct Values {
  bool old_null = false;
  bool new_null = false;
  bool modified = false;
};

class GeneratorDataSet : public IDAGeneratorDataSet {
 public:
  GeneratorDataSet() : tables_(BaseTableInfoClass()) {
    table = tables_.Add();
    table->SetTableName("DEPT");
  }
  TCRFieldDesc* AddField(const std::string& name, TDataType type, bool key, Values values = {},
                         const std::string& actual_name = "") {
    auto field = std::make_unique<TCRFieldDesc>();
    field->SetName(name);
    field->SetActualName(actual_name.empty() ? name : actual_name);
    field->SetDataType(type);
    field->SetTableInfo(table);
    auto* added = static_cast<TCRFieldDesc*>(fields.Add(std::move(field)));
    (key ? keys : data).push_back(added);
    if (key) data.push_back(added);  // a key field is a data field too
    values_[added] = values;
    return added;
  }

  TCRTableInfo* UpdatingTableInfo() override { return has_table ? table : nullptr; }
  void GetKeyFieldDescs(std::vector<TCRFieldDesc*>& key_fields, std::vector<TCRFieldDesc*>& data_fields,
                        bool) override {
    key_fields = keys;
    data_fields = data;
  }
  TCRFieldDesc* RowIdentityField() override { return row_id; }
  TFieldDescs& FieldDescs() override { return fields; }
  bool FieldValueIsNull(const TFieldDesc& field, bool old_value) override {
    const Values v = ValuesOf(field);
    return old_value ? v.old_null : v.new_null;
  }
  bool FieldValueModified(const TFieldDesc& field) override { return ValuesOf(field).modified; }
  std::string QuoteName(const std::string& name) const override {
    return quote_names && !name.empty() ? "\"" + name + "\"" : name;
  }
  bool QuoteNames() const override { return quote_names; }
  bool FullRefresh() const override { return full_refresh; }
  bool ReadOnly() const override { return false; }
  bool CachedUpdates() const override { return cached_updates; }
  bool Designing() const override { return false; }
  bool HasParams() const override { return false; }
  std::string SQLText() override { return "SELECT * FROM DEPT"; }
  std::string FinalSQL() override { return "SELECT * FROM DEPT"; }
  std::string AddWhere(const std::string& sql, const std::string& condition) override {
    return sql + " WHERE " + condition;
  }
  std::string GetWhere() override { return where; }

  TCRTableInfo* table;
  TFieldDescs fields;
  std::vector<TCRFieldDesc*> keys, data;
  TCRFieldDesc* row_id = nullptr;
  bool has_table = true, quote_names = false, full_refresh = false, cached_updates = false;
  std::string where;

 private:
  Values ValuesOf(const TFieldDesc& field) const {
    const auto found = values_.find(&field);
    return found == values_.end() ? Values{} : found->second;
  }
  TCRTablesInfo tables_;
  std::map<const TFieldDesc*, Values> values_;
};

std::vector<std::string> Names(const TDAParams& params) {
  std::vector<std::string> names;
  for (int i = 0; i < params.Count(); ++i) names.push_back(params.Items(i)->Name());
  return names;
}

class SQLGeneratorTest : public ::testing::Test {
 protected:
  // One key field ID; NAME changed; CITY NULL in the new record.
  void OneKey() {
    data_set.AddField("ID", dtInt32, true);
    data_set.AddField("NAME", dtString, false, {false, false, true});
    data_set.AddField("CITY", dtString, false, {true, true, false});
  }
  std::string Generate(TStatementType type, bool modified_only = false, int index = -1) {
    return generator.GenerateSQL(type, modified_only, &params, index);
  }
  GeneratorDataSet data_set;
  TDASQLGenerator generator{&data_set};
  TDAParams params;
};

TEST_F(SQLGeneratorTest, OneKeyField) {
  OneKey();
  EXPECT_EQ(Generate(stInsert), "INSERT INTO DEPT\r\n  (ID, NAME, CITY)\r\nVALUES\r\n  (?, ?, ?)");
  EXPECT_EQ(Names(params), (std::vector<std::string>{"ID", "NAME", "CITY"}));
  EXPECT_EQ(params.Items(1)->DataType(), classlib::ftString);
  EXPECT_EQ(params.Items(0)->ParamType(), classlib::ptInput);
  EXPECT_EQ(Generate(stInsert, true), "INSERT INTO DEPT\r\n  (ID, NAME)\r\nVALUES\r\n  (?, ?)");
  EXPECT_EQ(Names(params), (std::vector<std::string>{"ID", "NAME"}));

  EXPECT_EQ(Generate(stUpdate), "UPDATE DEPT\r\nSET\r\n  ID = ?, NAME = ?, CITY = ?\r\nWHERE\r\n  ID = ?");
  EXPECT_EQ(Names(params), (std::vector<std::string>{"ID", "NAME", "CITY", "Old_ID"}));
  EXPECT_EQ(Generate(stUpdate, true), "UPDATE DEPT\r\nSET\r\n  NAME = ?\r\nWHERE\r\n  ID = ?");
  EXPECT_EQ(Names(params), (std::vector<std::string>{"NAME", "Old_ID"}));
  ASSERT_EQ(generator.ParamsInfo().Count(), 2);
  const TDAParamInfo* old_id = generator.ParamsInfo().FindParam(params.Items(1));
  ASSERT_NE(old_id, nullptr);
  EXPECT_TRUE(old_id->Old);
  EXPECT_EQ(old_id->Field, data_set.keys[0]);

  EXPECT_EQ(Generate(stDelete), "DELETE FROM DEPT\r\nWHERE\r\n  ID = ?");
  EXPECT_EQ(Names(params), (std::vector<std::string>{"Old_ID"}));

  // A refresh outside cached updates finds the record by its current key.
  EXPECT_EQ(Generate(stRefresh), "SELECT ID AS _0, NAME AS _1, CITY AS _2 FROM DEPT\r\nWHERE\r\n  ID = ?");
  EXPECT_EQ(Names(params), (std::vector<std::string>{"ID"}));
  data_set.cached_updates = true;
  data_set.table->SetTableAlias("D");
  EXPECT_EQ(Generate(stRefresh), "SELECT ID AS _0, NAME AS _1, CITY AS _2 FROM DEPT D\r\nWHERE\r\n  ID = ?");
  EXPECT_EQ(Names(params), (std::vector<std::string>{"Old_ID"}));

  EXPECT_EQ(Generate(stLock), "");  // a row lock is the server's own statement
}

TEST_F(SQLGeneratorTest, TwoKeyFieldsWithANullOldKey) {
  data_set.AddField("ID", dtInt32, true);
  data_set.AddField("SUB", dtInt32, true, {true, false, true});
  data_set.AddField("NAME", dtString, false, {false, false, true});
  EXPECT_EQ(Generate(stUpdate, true),
            "UPDATE DEPT\r\nSET\r\n  SUB = ?, NAME = ?\r\nWHERE\r\n  ID = ? AND SUB IS NULL");
  EXPECT_EQ(Names(params), (std::vector<std::string>{"SUB", "NAME", "Old_ID"}));
  EXPECT_EQ(Generate(stDelete), "DELETE FROM DEPT\r\nWHERE\r\n  ID = ? AND SUB IS NULL");
  EXPECT_EQ(Names(params), (std::vector<std::string>{"Old_ID"}));
  data_set.cached_updates = true;
  EXPECT_EQ(Generate(stRefresh),
            "SELECT ID AS _0, SUB AS _1, NAME AS _2 FROM DEPT\r\nWHERE\r\n  ID = ? AND SUB IS NULL");
  data_set.where = "NAME > 'A'";
  EXPECT_EQ(Generate(stRefreshCheckDeleted), "SELECT ID, SUB FROM DEPT WHERE NAME > 'A' ORDER BY ID, SUB");
  EXPECT_EQ(Generate(stRefreshQuick), "SELECT * FROM DEPT WHERE ID = ? AND SUB IS NULL");
}

TEST_F(SQLGeneratorTest, WithoutAListTheMarkersAreNamedAndBatchRowsNumberThem) {
  OneKey();
  EXPECT_EQ(generator.GenerateSQL(stUpdate, true, nullptr),
            "UPDATE DEPT\r\nSET\r\n  NAME = :NAME\r\nWHERE\r\n  ID = :Old_ID");
  EXPECT_EQ(generator.GenerateSQL(stDelete, false, nullptr, 3), "DELETE FROM DEPT\r\nWHERE\r\n  ID = :P_3_Old_ID");
  EXPECT_EQ(Generate(stDelete, false, 3), "DELETE FROM DEPT\r\nWHERE\r\n  ID = ?");
  EXPECT_EQ(Names(params), (std::vector<std::string>{"P_3_Old_ID"}));
  EXPECT_EQ(generator.ParamsInfo().Items(0)->FieldIndex, 3);
}

TEST_F(SQLGeneratorTest, QuotedNamesQualifiedNamesAndFullRefresh) {
  data_set.AddField("ID", dtInt32, true);
  data_set.AddField("NAME", dtString, false, {false, false, true}, "DEPT.NAME");
  // The column name loses the updating table's name before it.
  EXPECT_EQ(Generate(stUpdate, true), "UPDATE DEPT\r\nSET\r\n  NAME = ?\r\nWHERE\r\n  ID = ?");
  data_set.table->SetTableName("My Dept");
  EXPECT_EQ(Generate(stDelete), "DELETE FROM \"My Dept\"\r\nWHERE\r\n  ID = ?");
  data_set.quote_names = true;
  data_set.table->SetTableName("DEPT");
  EXPECT_EQ(generator.GenerateSQL(stUpdate, true, nullptr),
            "UPDATE \"DEPT\"\r\nSET\r\n  \"NAME\" = :\"NAME\"\r\nWHERE\r\n  \"ID\" = :\"Old_ID\"");
  data_set.quote_names = false;
  // A full refresh re-runs the data set's own text for the key, with named markers.
  data_set.full_refresh = true;
  EXPECT_EQ(Generate(stRefresh), "SELECT * FROM DEPT WHERE DEPT.ID = :ID");
  EXPECT_EQ(Names(params), (std::vector<std::string>{"ID"}));
}

TEST_F(SQLGeneratorTest, WithoutKeysTheRowIdentityOrTheSimpleDataFieldsFindTheRow) {
  data_set.AddField("NAME", dtString, false);
  data_set.AddField("PHOTO", dtBlob, false);
  EXPECT_EQ(Generate(stDelete), "DELETE FROM DEPT\r\nWHERE\r\n  NAME = ?");
  auto row_id = std::make_unique<TCRFieldDesc>();
  row_id->SetName("ROWID");
  row_id->SetActualName("ROWID");
  data_set.row_id = row_id.get();
  EXPECT_EQ(generator.GenerateSQL(stDelete, false, nullptr), "DELETE FROM DEPT\r\nWHERE\r\n  ROWID = :Old_ROWID");
}

TEST_F(SQLGeneratorTest, NoValueOfTheRecordEverReachesTheText) {
  // Values the stand-in would give if asked: none may appear.
  data_set.AddField("ID", dtInt32, true);
  data_set.AddField("NAME", dtString, false, {false, false, true});
  for (TStatementType type : {stInsert, stUpdate, stDelete, stRefresh, stRefreshQuick, stRefreshCheckDeleted}) {
    for (bool with_list : {false, true}) {
      const std::string text = generator.GenerateSQL(type, false, with_list ? &params : nullptr);
      EXPECT_EQ(text.find('\''), std::string::npos) << text;
      for (char digit = '0'; digit <= '9'; ++digit) {
        // Digits appear only in the refresh aliases "_0", "_1".
        const size_t at = text.find(digit);
        if (at != std::string::npos) {
          EXPECT_EQ(text[at - 1], '_') << text;
        }
      }
    }
  }
}

TEST_F(SQLGeneratorTest, Errors) {
  OneKey();
  for (TStatementType type : {stQuery, stCheck, stCustom, stBatchUpdate}) {
    try {
      Generate(type);
      FAIL() << "no error for " << type;
    } catch (const classlib::EDatabaseError& e) {
      EXPECT_EQ(e.Message(), "Bad statement type");
    }
    EXPECT_EQ(params.Count(), 0);
  }
  data_set.has_table = false;
  EXPECT_EQ(Generate(stUpdate), "");

  GeneratorDataSet empty;
  TDASQLGenerator empty_generator(&empty);
  try {
    empty_generator.GenerateSQL(stDelete, false, &params);
    FAIL() << "no error";
  } catch (const classlib::EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Key fields not found");
  }
  empty.table->SetTableName("");
  try {
    empty_generator.GenerateSQL(stDelete, false, &params);
    FAIL() << "no error";
  } catch (const classlib::EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "TableInfo name must be provided");
  }
  EXPECT_THROW(TDASQLGenerator(nullptr), classlib::EAssertionFailed);
}

TEST_F(SQLGeneratorTest, AnUpdateWithNothingToSetIsEmptyAndParamSuffixes) {
  OneKey();
  data_set.data.pop_back();
  data_set.data.pop_back();  // ID alone, unchanged
  EXPECT_EQ(Generate(stUpdate, true), "");
  EXPECT_EQ(params.Count(), 0);
  EXPECT_EQ(generator.ParamSuffixToIndex("_12"), 12);
  EXPECT_EQ(generator.ParamSuffixToIndex("_a"), -1);
  EXPECT_EQ(generator.ParamSuffixToIndex("_"), -1);
  EXPECT_EQ(generator.ParamSuffixToIndex("12"), -1);
}

}  // namespace
}  // namespace dacore
