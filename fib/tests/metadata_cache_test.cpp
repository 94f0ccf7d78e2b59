// The metadata caches' logic against an in-memory database.
#include <gtest/gtest.h>

#include <thread>

#include "fib/metadata/metadata_cache.h"
#include "fib/metadata/repository_sql.h"
#include "metadata_cache_memory_source.h"

namespace fib_test {
namespace {

namespace sql = fib::repository_sql;
using std::nullopt;

const std::vector<std::string> kColumnNames = {"RDB$FIELD_NAME", "RDB$FIELD_SOURCE",
                                               "RDB$COMPUTED_BLR", "DS", "DS1",
                                               "RDB$FIELD_TYPE", "RDB$CHARACTER_SET_ID"};

// A database with table PEOPLE (format 3) and, optionally, ZOD$FIELDS_INFO.
class TableInfoTest : public ::testing::Test {
 protected:
  TableInfoTest() {
    source.answer = [this](const std::string& text, const fib::MetadataParams& params) {
      std::string first = params.empty() ? "" : params[0].second.AsString();
      if (text == sql::kTableExists) return Single(existing.count(first) ? "1" : "0");
      if (text == sql::kFormatNumber) return Single(std::to_string(format));
      if (text == sql::kFieldsInfoVersion) return Single(std::to_string(repository_version));
      if (text == sql::kColumns && first == "PEOPLE") return people;
      return MemoryTable{};
    };
    people = {kColumnNames,
              {{"ID                 ", "RDB$1   ", nullopt, nullopt, nullopt, "8", "0"},
               {"NAME", "D_NAME", nullopt, "DEFAULT 'it''s'", "DEFAULT 'x'", "37", "52"},
               {"NOTE", "D_NOTE", nullopt, nullopt, "  DEFAULT ''", "261", "52"},
               {"FLAG", "ZOD$BOOLEAN", nullopt, nullopt, "DEFAULT 1", "7", "0"},
               {"TOTAL", "RDB$5", "blr", nullopt, nullopt, "16", "0"}}};
    source.answers[sql::FieldsInfoRows("PEOPLE")] = {
        {"TABLE_NAME", "FIELD_NAME", "DISPLAY_LABEL", "VISIBLE", "DISPLAY_WIDTH", "TRIGGERED",
         "ZOD$VERSION", "HINT"},
        {{"PEOPLE", "NAME  ", "Full name", "0", "30", "1", "12", "the name"}}};
  }

  fib::TpZODTableInfo* Get(const std::string& table, bool with_repository) {
    return caches.TableInfo.GetTableInfo(source, table, with_repository);
  }

  MemoryMetadataSource source;
  MemoryTable people;
  std::set<std::string> existing = {"ZOD$FIELDS_INFO"};
  int format = 3;
  int repository_version = 12;
  fib::MetadataCaches caches;
};

TEST_F(TableInfoTest, ColumnsTakeDomainsDefaultsAndComputedFlags) {
  fib::TpZODTableInfo* info = Get("\" PEOPLE\"", false);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->TableName, "PEOPLE");
  EXPECT_EQ(info->FormatNumber, 3);
  ASSERT_EQ(info->Fields.size(), 5u);
  EXPECT_EQ(info->Fields[0].first, "ID");
  EXPECT_EQ(info->FindField("id")->DomainName, "RDB$1");

  // The column's own default wins over the domain's; doubled quotes undone.
  fib::TpZODFieldInfo* name = info->FindField("NAME");
  EXPECT_EQ(name->DefaultValue, "it's");
  EXPECT_FALSE(name->DefaultValueEmptyString);
  EXPECT_EQ(name->CharSetID, 52);

  fib::TpZODFieldInfo* note = info->FindField("NOTE");
  EXPECT_EQ(note->DefaultValue, "");
  EXPECT_TRUE(note->DefaultValueEmptyString);
  EXPECT_FALSE(note->CanIncToWhereClause);

  EXPECT_EQ(info->FindField("FLAG")->DefaultValue, "1");
  EXPECT_TRUE(info->FindField("FLAG")->IsBoolean());
  EXPECT_FALSE(info->FindField("ID")->DefaultValueEmptyString);
  EXPECT_TRUE(info->FindField("TOTAL")->IsComputed);
  EXPECT_FALSE(info->FindField("ID")->IsComputed);
  EXPECT_EQ(info->FindField("MISSING"), nullptr);
}

TEST_F(TableInfoTest, EachTableIsReadOncePerDatabase) {
  Get("PEOPLE", false);
  size_t statements = source.log.size();
  EXPECT_EQ(Get("PEOPLE", false), Get("PEOPLE", false));
  EXPECT_EQ(source.log.size(), statements);

  // The same table in a second database is a second entry.
  MemoryMetadataSource other("other");
  other.answer = source.answer;
  fib::TpZODTableInfo* second = caches.TableInfo.GetTableInfo(other, "PEOPLE", false);
  EXPECT_EQ(second->DBName, "other");
  EXPECT_EQ(caches.TableInfo.Count(), 2);
  caches.ForgetDatabase("other");
  EXPECT_EQ(caches.TableInfo.Count(), 1);
}

TEST_F(TableInfoTest, RepositoryRowsGiveSettingsAndOtherInfo) {
  fib::TpZODTableInfo* info = Get("PEOPLE", true);
  EXPECT_TRUE(info->WithRepository);
  EXPECT_EQ(info->ZODVersion, 12);
  fib::TpZODFieldInfo* name = info->FindField("NAME");
  EXPECT_TRUE(name->WithAdditionalInfo);
  EXPECT_EQ(name->DisplayLabel, "Full name");
  EXPECT_FALSE(name->Visible);
  EXPECT_TRUE(name->IsTriggered);
  EXPECT_EQ(name->DisplayWidth, 30);
  EXPECT_EQ(name->OtherInfo, std::vector<std::string>{"HINT=the name"});
  EXPECT_FALSE(info->FindField("ID")->WithAdditionalInfo);
  EXPECT_TRUE(info->FindField("ID")->Visible);
}

TEST_F(TableInfoTest, RepositoryAddedLaterToATableReadWithout) {
  source.answers[sql::FieldsInfoRowsForUpdate("PEOPLE")] =
      source.answers[sql::FieldsInfoRows("PEOPLE")];
  fib::TpZODTableInfo* info = Get("PEOPLE", false);
  EXPECT_FALSE(info->FindField("NAME")->WithAdditionalInfo);
  EXPECT_FALSE(source.Ran("Select * from ZOD$FIELDS_INFO"));
  EXPECT_EQ(Get("PEOPLE", true), info);
  EXPECT_TRUE(info->WithRepository);
  EXPECT_EQ(info->FindField("NAME")->DisplayLabel, "Full name");
  EXPECT_TRUE(source.Ran(sql::FieldsInfoRowsForUpdate("PEOPLE")));
}

TEST_F(TableInfoTest, WithoutTheRepositoryTableNoRepositoryStatementRuns) {
  existing.clear();
  fib::TpZODTableInfo* info = Get("PEOPLE", true);
  EXPECT_FALSE(info->WithRepository);
  EXPECT_FALSE(source.Ran(sql::kFieldsInfoVersion));
  EXPECT_FALSE(source.Ran("Select * from ZOD$FIELDS_INFO"));

  // Not allowed by the database's owner: the system tables are not asked.
  fib::MetadataCaches others;
  MemoryMetadataSource plain;
  plain.repositories.clear();
  EXPECT_FALSE(others.Flags.FieldsInfoExists(plain));
  EXPECT_TRUE(plain.log.empty());
}

TEST_F(TableInfoTest, ExistenceIsAskedOncePerDatabase) {
  EXPECT_TRUE(caches.Flags.FieldsInfoExists(source));
  EXPECT_TRUE(caches.Flags.FieldsInfoExists(source));
  EXPECT_FALSE(caches.Flags.DataSetsInfoExists(source));
  EXPECT_EQ(std::count_if(source.log.begin(), source.log.end(),
                          [](const std::string& l) { return l.rfind(sql::kTableExists, 0) == 0; }),
            2);
}

TEST_F(TableInfoTest, ANameWithAnApostropheIsQuotedInRepositoryStatements) {
  EXPECT_EQ(sql::FieldsInfoRows("O'NEIL"),
            "Select * from ZOD$FIELDS_INFO where TABLE_NAME='O''NEIL' ORDER BY FIELD_NAME");
  Get("X' OR '1'='1", true);
  EXPECT_TRUE(source.Ran(
      "Select * from ZOD$FIELDS_INFO where TABLE_NAME='X'' OR ''1''=''1' ORDER BY FIELD_NAME"));
}

TEST_F(TableInfoTest, AliasTableTakesEveryRepositoryRowAsAColumn) {
  source.answers[sql::FieldsInfoRows("ALIAS")] = {
      {"TABLE_NAME", "FIELD_NAME", "DISPLAY_LABEL"},
      {{"ALIAS", "CITY ", "City"}, {"ALIAS", "ZIP", "Post code"}}};
  fib::TpZODTableInfo* alias = Get("ALIAS", true);
  ASSERT_EQ(alias->Fields.size(), 2u);
  EXPECT_EQ(alias->FindField("CITY")->DisplayLabel, "City");
  EXPECT_EQ(alias->FindField("ZIP")->DisplayLabel, "Post code");
}

TEST_F(TableInfoTest, ProcedureOutputsServeWhenNoTableHasTheName) {
  source.answers[sql::kProcedureOutputs] = {
      {"RDB$PARAMETER_NAME", "C1", "C2", "C3", "C4", "RDB$PARAMETER_TYPE", "RDB$CHARACTER_SET_ID"},
      {{"OUT_A  ", "0", "0", "0", "0", "1", "4"}}};
  fib::TpZODTableInfo* info = Get("GET_A", false);
  ASSERT_EQ(info->Fields.size(), 1u);
  fib::TpZODFieldInfo* out = info->FindField("OUT_A");
  EXPECT_EQ(out->CharSetID, 4);
  // The placeholders of the table-only columns are not taken as values.
  EXPECT_EQ(out->DomainName, "");
  EXPECT_FALSE(out->IsComputed);
  EXPECT_FALSE(out->DefaultValueEmptyString);
}

TEST_F(TableInfoTest, PrimaryKeyIsReadOnFirstRequest) {
  source.answers[sql::kPrimaryKey] = {{"RDB$FIELD_NAME"}, {{"ID  "}, {"NAME "}}};
  fib::TpZODTableInfo* info = Get("PEOPLE", false);
  EXPECT_EQ(info->PrimaryKeyFields, fib::kDeferredPrimaryKey);
  EXPECT_EQ(caches.TableInfo.PrimaryKeyFields(source, "PEOPLE"), "ID;NAME");
  EXPECT_EQ(info->PrimaryKeyFields, "ID;NAME");
}

TEST_F(TableInfoTest, LoadedEntriesAreCheckedOnFirstUseOnlyWhenAsked) {
  fib::TpZODTableInfo loaded = *Get("PEOPLE", true);
  loaded.NeedValidate = true;
  loaded.Fields.resize(1);  // tells a kept entry from a re-read one

  caches.TableInfo.Clear();
  caches.TableInfo.Add("PEOPLE", loaded);
  format = 4;
  EXPECT_EQ(Get("PEOPLE", true)->Fields.size(), 1u) << "kept when not validating";

  caches.TableInfo.Clear();
  caches.TableInfo.Add("PEOPLE", loaded);
  caches.TableInfo.SetValidateAfterLoad(true);
  EXPECT_EQ(Get("PEOPLE", true)->Fields.size(), 5u) << "format changed";

  format = 3;
  caches.TableInfo.Clear();
  caches.TableInfo.Add("PEOPLE", loaded);
  repository_version = 13;
  EXPECT_EQ(Get("PEOPLE", true)->Fields.size(), 5u) << "repository changed";

  caches.TableInfo.Clear();
  caches.TableInfo.Add("PEOPLE", loaded);
  repository_version = 12;
  fib::TpZODTableInfo* kept = Get("PEOPLE", true);
  EXPECT_EQ(kept->Fields.size(), 1u);
  EXPECT_FALSE(kept->NeedValidate);
}

TEST_F(TableInfoTest, FailingVersionQueryUpgradesTheRepositoryOnce) {
  int asked = 0;
  auto inner = source.answer;
  source.answer = [&](const std::string& text, const fib::MetadataParams& params) {
    if (text == sql::kFieldsInfoVersion && ++asked == 1)
      throw std::runtime_error("column unknown");
    return inner(text, params);
  };
  // The first trigger already exists: the other steps still run.
  source.failing.insert(sql::FieldsInfoUpgrade()[3]);
  EXPECT_EQ(Get("PEOPLE", true)->ZODVersion, 12);
  for (const std::string& step : sql::FieldsInfoUpgrade()) EXPECT_TRUE(source.Ran(step));
  EXPECT_EQ(asked, 2);
}

TEST_F(TableInfoTest, ThreadsAskingTogetherShareOneEntry) {
  constexpr int kThreads = 8;
  std::vector<fib::TpZODTableInfo*> got(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      // Each thread has its own connection to the same database.
      MemoryMetadataSource own("db");
      own.answer = source.answer;
      got[i] = caches.TableInfo.GetTableInfo(own, "PEOPLE", true);
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(caches.TableInfo.Count(), 1);
  for (fib::TpZODTableInfo* info : got) EXPECT_EQ(info, got[0]);
}

TEST(DefaultValueTest, KeywordAndQuotesAreRemoved) {
  using fib::table_info_read::DefaultValueOf;
  EXPECT_EQ(DefaultValueOf("DEFAULT 0"), "0");
  EXPECT_EQ(DefaultValueOf("default   'abc'  "), "abc");
  EXPECT_EQ(DefaultValueOf("DEFAULT \"q\""), "q");
  EXPECT_EQ(DefaultValueOf("DEFAULT CURRENT_DATE"), "CURRENT_DATE");
  EXPECT_EQ(DefaultValueOf("DEFAULT ''"), "");
  EXPECT_EQ(DefaultValueOf("DEFAULT"), "");
}

TEST(ErrorMessagesTest, HigherVersionReplacesText) {
  fib::TpErrorMessagesCollect messages;
  messages.Add("db", "FK_A", 2, "first");
  messages.Add("db", "fk_a", 1, "older");
  EXPECT_EQ(messages.Find("db", "FK_A")->Text, "first");
  messages.Add("db", "FK_A", 3, "newer");
  EXPECT_EQ(messages.Find("DB", "FK_A")->Text, "newer");
  EXPECT_EQ(messages.Find("db", "FK_B"), nullptr);
  EXPECT_EQ(messages.Find("other", "FK_A"), nullptr);
}

TEST(ListTextTest, EveryLineEndsWithCrLf) {
  EXPECT_EQ(fib::ListText(""), "");
  EXPECT_EQ(fib::ListText("a"), "a\r\n");
  EXPECT_EQ(fib::ListText("a\nb\r\nc\rd\r\n"), "a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(fib::ListText("a\n\nb"), "a\r\n\r\nb\r\n");
}

}  // namespace
}  // namespace fib_test
