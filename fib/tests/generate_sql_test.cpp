// Generated modify statements on tables of the embedded engine: the texts
// the generator writes, and that the server runs them on the right rows.
#include "fib/zod/generate_sql.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "classlib/exceptions.h"
#include "fib/metadata/metadata_cache.h"
#include "fib/metadata/metadata_cache_fib_source.h"
#include "fib/sql/sql_clauses.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/zod_props_owners.h"
#include "fib_query_fixture.h"

namespace fib {
namespace {

using fib_test::QueryTest;

// The data set as the generator sees it: fields from a prepared select,
// table info from a metadata cache of its own.
class GeneratorHost : public classlib::TPersistent, public IModifyTextHost, public IAutoUpdateOwner {
 public:
  GeneratorHost(TFIBDatabase& db, TFIBQuery& select) : db_(db), select_(select), source_(db) {}

  std::string GeneratorOwnerName() const override { return "Form1.DS"; }
  IdentifierRules Identifiers() const override { return {db_.SQLDialect(), db_.UpperOldNames()}; }
  TAutoUpdateOptions& GeneratorOptions() override { return options; }
  bool CanEditComputedFields() const override { return can_edit_computed; }
  bool HasFields() const override { return has_fields; }
  std::vector<GeneratorField> GeneratorFields(bool compare_values) override {
    if (!select_.Prepared()) select_.Prepare();
    std::vector<GeneratorField> fields;
    for (int i = 0; i < select_.FieldCount(); ++i) {
      TFIBXSQLVAR& column = select_.Fields(i);
      GeneratorField field;
      field.name = column.Name();
      field.table = column.RelationName();
      field.column = column.SQLName() == "DB_KEY" ? "RDB$DB_KEY" : column.SQLName();
      field.is_blob = column.SQLType() == SQL_BLOB;
      field.is_db_key = column.SQLName() == "DB_KEY";
      if (compare_values) {
        field.unchanged = !changed.contains(field.name);
        field.is_null = nulls.contains(field.name);
      }
      fields.push_back(field);
    }
    return fields;
  }
  TpZODTableInfo* GeneratorTableInfo(const std::string& table) override {
    return caches_.TableInfo.GetTableInfo(source_, table, false);
  }
  std::string GeneratorPrimaryKey(const std::string& table) override {
    return caches_.TableInfo.PrimaryKeyFields(source_, table);
  }
  std::string PreparedSelectText() override { return select_.SQL().Text(); }
  std::string AliasForTable(const std::string& table) const override {
    return fib::AliasForTable(select_.SQL().Text(), table);
  }
  std::string FormatIdentifier(const std::string& name) const override {
    return fib::FormatIdentifier(name, Identifiers());
  }

  std::string Generate(TModifyTextKind kind, TBlobMode mode = bmAllFields,
                       const std::string& table = "") {
    return GenerateSQLText(*this, table, options.KeyFields(), mode, kind);
  }

  TAutoUpdateOptions options{this};
  bool can_edit_computed = false;
  bool has_fields = true;
  std::set<std::string> changed;
  std::set<std::string> nulls;

 private:
  TFIBDatabase& db_;
  TFIBQuery& select_;
  FIBMetadataSource source_;
  MetadataCaches caches_;
};

class GenerateSQLTest : public QueryTest {
 protected:
  GenerateSQLTest() {
    Run("create table PEOPLE (ID integer not null primary key, NAME varchar(40), "
        "NOTE blob sub_type 1, TOTAL computed by (ID * 2), CITY_ID integer)");
    Run("create table CITY (ID integer not null primary key, TITLE varchar(20))");
    Run("create table \"Mixed\" (\"Id\" integer not null primary key, \"Val\" varchar(10))");
    Run("insert into CITY values (7, 'Tula')");
    Run("insert into PEOPLE (ID, NAME, NOTE, CITY_ID) values (1, 'Ann', 'long text', 7)");
    Run("insert into PEOPLE (ID, NAME, CITY_ID) values (2, 'Bob', 7)");
    Run("insert into \"Mixed\" values (1, 'one')");
  }

  GeneratorHost& Host(const std::string& select, const std::string& table,
                      const std::string& keys) {
    host_.reset();
    select_.reset();
    select_ = NewQuery("Select", select);
    host_ = std::make_unique<GeneratorHost>(*db_, *select_);
    host_->options.SetUpdateTableName(table);
    host_->options.SetKeyFields(keys);
    return *host_;
  }

  // Runs a generated text with values for its parameters; rows affected.
  int Execute(const std::string& sql, const std::map<std::string, classlib::Variant>& params) {
    auto query = NewQuery("Exec", sql);
    for (const auto& [name, value] : params) query->ParamByName(name).SetAsVariant(value);
    query->ExecQuery();
    int rows = query->RowsAffected();
    tr_->Commit();
    return rows;
  }

  classlib::Variant Value(const std::string& sql) { return db_->QueryValue(sql, 0); }

  std::unique_ptr<TFIBQuery> select_;
  std::unique_ptr<GeneratorHost> host_;
};

TEST_F(GenerateSQLTest, AllFourTextsForATableWithAlias) {
  GeneratorHost& host = Host("select P.ID, P.NAME, P.NOTE, P.TOTAL, C.TITLE from PEOPLE P "
                             "join CITY C on C.ID = P.CITY_ID order by P.NAME",
                             "PEOPLE", "ID");
  // Blob columns are written, computed ones and other tables' columns not.
  EXPECT_EQ(host.Generate(mtkModify),
            "Update PEOPLE P Set\r\n     ID=?NEW_ID,\r\n     NAME=?NEW_NAME,\r\n"
            "     NOTE=?NEW_NOTE\r\nwhere P.ID=?OLD_ID");
  EXPECT_EQ(host.Generate(mtkInsert),
            "Insert into PEOPLE(\r\n     ID,\r\n     NAME,\r\n     NOTE\r\n)\r\n"
            "values (\r\n     ?NEW_ID,\r\n     ?NEW_NAME,\r\n     ?NEW_NOTE\r\n)");
  EXPECT_EQ(host.Generate(mtkDelete), "Delete from PEOPLE P\r\nwhere P.ID=?OLD_ID");
  std::string refresh = host.Generate(mtkRefresh);
  EXPECT_NE(refresh.find("P.ID=?OLD_ID"), std::string::npos) << refresh;
  EXPECT_EQ(refresh.find("order by"), std::string::npos) << refresh;
  EXPECT_EQ(host.Generate(mtkModify, bmNoBlobFields),
            "Update PEOPLE P Set\r\n     ID=?NEW_ID,\r\n     NAME=?NEW_NAME\r\nwhere P.ID=?OLD_ID");
  EXPECT_EQ(host.Generate(mtkModify, bmBlobFieldsOnly),
            "Update PEOPLE P Set\r\n     NOTE=?NEW_NOTE\r\nwhere P.ID=?OLD_ID");
}

TEST_F(GenerateSQLTest, GeneratedTextsRunOnTheServer) {
  GeneratorHost& host = Host("select P.ID, P.NAME, P.NOTE from PEOPLE P order by P.ID",
                             "PEOPLE", "ID");
  EXPECT_EQ(Execute(host.Generate(mtkInsert),
                    {{"NEW_ID", 3}, {"NEW_NAME", "Cid"}, {"NEW_NOTE", "memo"}}),
            1);
  EXPECT_EQ(Value("select NOTE from PEOPLE where ID = 3").AsString(), "memo");

  EXPECT_EQ(Execute(host.Generate(mtkModify),
                    {{"NEW_ID", 3}, {"NEW_NAME", "Cyd"}, {"NEW_NOTE", "new"}, {"OLD_ID", 3}}),
            1);
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 3").AsString(), "Cyd");

  auto refresh = NewQuery("Refresh", host.Generate(mtkRefresh));
  refresh->ParamByName("OLD_ID").SetAsInteger(2);
  refresh->ExecQuery();
  ASSERT_FALSE(refresh->Eof());
  EXPECT_EQ(refresh->FieldByName("NAME").AsString(), "Bob");
  EXPECT_FALSE(refresh->Next());
  refresh->Close();
  tr_->Commit();

  EXPECT_EQ(Execute(host.Generate(mtkDelete), {{"OLD_ID", 3}}), 1);
  EXPECT_EQ(Value("select count(*) from PEOPLE").AsInteger(), 2);
}

TEST_F(GenerateSQLTest, OnlyModifiedFieldsAndNoAction) {
  GeneratorHost& host = Host("select ID, NAME, NOTE, CITY_ID from PEOPLE", "PEOPLE", "ID");
  host.options.SetAutoReWriteSqls(true);
  host.options.SetCanChangeSQLs(true);
  host.options.SetUpdateOnlyModifiedFields(true);
  ASSERT_TRUE(host.options.UpdateOnlyModifiedFields());

  // Nothing differs from the old values: nothing to send.
  std::string unchanged = host.Generate(mtkModify);
  EXPECT_EQ(unchanged, "No Action");
  EXPECT_TRUE(IsNoAction(unchanged));

  host.changed = {"NAME"};
  std::string update = host.Generate(mtkModify);
  EXPECT_EQ(update, "Update PEOPLE PEOPLE Set\r\n     NAME=?NEW_NAME\r\nwhere PEOPLE.ID=?OLD_ID");
  EXPECT_EQ(Execute(update, {{"NEW_NAME", "Anna"}, {"OLD_ID", 1}}), 1);
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 1").AsString(), "Anna");
  EXPECT_EQ(Value("select CITY_ID from PEOPLE where ID = 1").AsInteger(), 7);

  // An insert names only the fields that hold a value.
  host.nulls = {"NOTE", "CITY_ID"};
  std::string insert = host.Generate(mtkInsert);
  EXPECT_EQ(insert.find("NOTE"), std::string::npos) << insert;
  EXPECT_EQ(Execute(insert, {{"NEW_ID", 9}, {"NEW_NAME", "Ida"}}), 1);

  // Without fields nothing is generated at all.
  host.has_fields = false;
  EXPECT_EQ(host.Generate(mtkModify), "");
}

TEST_F(GenerateSQLTest, KeyFieldsOfAnotherTableRaiseNamingTheText) {
  GeneratorHost& host = Host("select P.ID, P.NAME, C.ID as CID from PEOPLE P "
                             "join CITY C on C.ID = P.CITY_ID",
                             "PEOPLE", "CID");
  for (TModifyTextKind kind : {mtkModify, mtkInsert, mtkDelete, mtkRefresh}) {
    try {
      host.Generate(kind);
      ADD_FAILURE() << ModifyTextName(kind);
    } catch (const classlib::Exception& error) {
      EXPECT_EQ(error.Message(), std::string("Form1.DS: unable to generate ") +
                                     ModifyTextName(kind) +
                                     " because fields for \"PEOPLE\" do not exist in dataset.");
    }
  }
  // A key the select does not have at all is no key either.
  host.options.SetKeyFields("NOPE");
  EXPECT_THROW(host.Generate(mtkDelete), classlib::Exception);
}

TEST_F(GenerateSQLTest, KeysAreListedLastFirstAndBlobKeysDropped) {
  GeneratorHost& host = Host("select ID, NAME, NOTE from PEOPLE", "PEOPLE", "ID;NAME;NOTE");
  EXPECT_EQ(host.Generate(mtkDelete),
            "Delete from PEOPLE PEOPLE\r\nwhere PEOPLE.NAME=?OLD_NAME and PEOPLE.ID=?OLD_ID");
  EXPECT_EQ(Execute(host.Generate(mtkDelete), {{"OLD_ID", 2}, {"OLD_NAME", "Bob"}}), 1);
}

TEST_F(GenerateSQLTest, DbKeyIdentifiesRowsOfATableWithoutKey) {
  Run("create table LOOSE (A integer, B varchar(5))");
  Run("insert into LOOSE values (1, 'x')");
  Run("insert into LOOSE values (1, 'x')");
  GeneratorHost& host = Host("select RDB$DB_KEY as DB_KEY, A, B from LOOSE", "LOOSE", "DB_KEY");
  std::string update = host.Generate(mtkModify);
  EXPECT_NE(update.find("where LOOSE.RDB$DB_KEY=?OLD_DB_KEY"), std::string::npos) << update;

  auto select = NewQuery("Keys", "select RDB$DB_KEY from LOOSE");
  select->ExecQuery();
  classlib::Variant key = select->Fields(0).AsVariant();
  select->Close();
  tr_->Commit();
  EXPECT_EQ(Execute("Update LOOSE LOOSE Set\r\n     B=?NEW_B\r\nwhere LOOSE.RDB$DB_KEY=?OLD_DB_KEY",
                    {{"NEW_B", "y"}, {"OLD_DB_KEY", key}}),
            1);
  EXPECT_EQ(Value("select count(*) from LOOSE where B = 'y'").AsInteger(), 1);
}

TEST_F(GenerateSQLTest, ComputedColumnsOnlyWhenAllowed) {
  GeneratorHost& host = Host("select ID, TOTAL from PEOPLE", "PEOPLE", "ID");
  EXPECT_EQ(host.Generate(mtkModify).find("TOTAL"), std::string::npos);
  host.can_edit_computed = true;
  EXPECT_NE(host.Generate(mtkModify).find("TOTAL=?NEW_TOTAL"), std::string::npos);
}

TEST_F(GenerateSQLTest, UnknownTableGivesNothing) {
  GeneratorHost& host = Host("select ID from PEOPLE", "NO_SUCH_TABLE", "ID");
  EXPECT_EQ(host.Generate(mtkModify), "");
}

TEST_F(GenerateSQLTest, MixedCaseNamesAreQuotedInDialect3) {
  GeneratorHost& host = Host("select \"Id\", \"Val\" from \"Mixed\"", "\"Mixed\"", "Id");
  std::string update = host.Generate(mtkModify);
  EXPECT_EQ(update, "Update \"Mixed\" \"Mixed\" Set\r\n     \"Id\"=?\"NEW_Id\",\r\n"
                    "     \"Val\"=?\"NEW_Val\"\r\nwhere \"Mixed\".\"Id\"=?\"OLD_Id\"");
  EXPECT_EQ(Execute(update, {{"NEW_Id", 1}, {"NEW_Val", "uno"}, {"OLD_Id", 1}}), 1);
  EXPECT_EQ(Value("select \"Val\" from \"Mixed\"").AsString(), "uno");
}

TEST_F(GenerateSQLTest, AnotherTableNamedInTheCallHasItsOwnAlias) {
  GeneratorHost& host = Host("select P.ID, P.NAME, C.ID as CID, C.TITLE from PEOPLE P "
                             "join CITY C on C.ID = P.CITY_ID",
                             "PEOPLE", "ID");
  // The WHERE text cached for PEOPLE must not leak into CITY's statement.
  EXPECT_EQ(host.Generate(mtkDelete), "Delete from PEOPLE P\r\nwhere P.ID=?OLD_ID");
  EXPECT_EQ(GenerateSQLText(host, "CITY C", "CID", bmAllFields, mtkModify),
            "Update CITY C Set\r\n     ID=?NEW_CID,\r\n     TITLE=?NEW_TITLE\r\nwhere C.ID=?OLD_CID");
}

TEST_F(GenerateSQLTest, FillKeyFieldsTakesThePrimaryKeyElseAllPlainFields) {
  GeneratorHost& host = Host("select ID, NAME, NOTE from PEOPLE", "PEOPLE", "");
  EXPECT_EQ(FillKeyFields(host), "ID");
  Run("create table LOOSE (A integer, B varchar(5), C blob)");
  GeneratorHost& loose = Host("select A, B, C from LOOSE", "LOOSE", "");
  EXPECT_EQ(FillKeyFields(loose), "A;B");
  EXPECT_EQ(loose.options.KeyFields(), "A;B");
}

TEST(IdentifierRulesTest, Dialect1UpperCasesEverythingDialect3KeepsQuotedNames) {
  IdentifierRules d1{1, false}, d3{3, false}, old{3, true};
  EXPECT_EQ(FormatIdentifier(" people ", d1), "PEOPLE");
  EXPECT_EQ(FormatIdentifier("\"Mixed\"", d1), "\"MIXED\"");
  EXPECT_EQ(FormatIdentifier("Mixed", d1), "MIXED");
  EXPECT_EQ(FormatIdentifier("\"Mixed\"", d3), "\"Mixed\"");
  EXPECT_EQ(FormatIdentifier("people", d3), "\"people\"");
  EXPECT_EQ(FormatIdentifier("PEOPLE", d3), "PEOPLE");
  EXPECT_EQ(FormatIdentifier("ORDER", d3), "\"ORDER\"");
  EXPECT_EQ(FormatIdentifier("my field", d3), "\"my field\"");
  // Old names compare without case: lower case alone needs no quotes.
  EXPECT_EQ(FormatIdentifier("people", old), "PEOPLE");
  EXPECT_EQ(FormatIdentifier("people", {2, false}), "PEOPLE");
  // A quote inside the name cannot end the identifier early.
  EXPECT_EQ(FormatIdentifier("a\"b", d3), "\"a\"\"b\"");
}

TEST(NoActionTest, OnlyAFirstLineOfNoActionCounts) {
  EXPECT_TRUE(IsNoAction("No Action"));
  EXPECT_TRUE(IsNoAction("  No Action \r\nwhatever"));
  EXPECT_FALSE(IsNoAction("Update T set A=1 -- No Action"));
  EXPECT_FALSE(IsNoAction(""));
}

}  // namespace
}  // namespace fib
