// The SQL data set without a server: its settings and what each changes,
// names in quotes, when it may be edited, the copy of its options, the texts
// whose macros it knows, and what TDBAccessUtils accepts.
#include "dacore/dataset_component.h"

#include <gtest/gtest.h>

#include <string>

#include "classlib/data_link.h"
#include "dacore/support_access_utils.h"
#include "testing/message_of.h"

namespace dacore {
namespace {

using classlib::testing::MessageOf;

TEST(DADataSet, StartsWithTheDocumentedSettings) {
  TCustomDADataSet data_set(nullptr);
  EXPECT_EQ(data_set.FetchRows(), 25);
  EXPECT_TRUE(data_set.AutoCommit());
  EXPECT_EQ(data_set.RowsAffected(), -1);
  EXPECT_FALSE(data_set.FetchAll());
  EXPECT_TRUE(data_set.RefreshOptions().Empty());
  EXPECT_TRUE(data_set.Options().RequiredFields());
  EXPECT_TRUE(data_set.Options().StrictUpdate());
  EXPECT_TRUE(data_set.Options().TrimFixedChar());
  EXPECT_TRUE(data_set.Options().LongStrings());
  EXPECT_EQ(data_set.Options().UpdateBatchSize(), 1);
  EXPECT_EQ(data_set.Options().CompressBlobMode(), cbNone);
  for (TStatementType type : {stInsert, stUpdate, stDelete, stRefresh}) EXPECT_TRUE(data_set.SQLStatement(type).Text().empty());
  EXPECT_NE(MessageOf([&] { data_set.SQLStatement(stLock); }).find("Statement type is not supported"),
            std::string::npos);
}

TEST(DADataSet, FetchRowsAcceptsOneToTenThousand) {
  TCustomDADataSet data_set(nullptr);
  EXPECT_EQ(MessageOf([&] { data_set.SetFetchRows(0); }), "FetchRows must be 1..10000");
  EXPECT_EQ(MessageOf([&] { data_set.SetFetchRows(10001); }), "FetchRows must be 1..10000");
  EXPECT_EQ(data_set.FetchRows(), 25);
  data_set.SetFetchRows(1);
  EXPECT_EQ(data_set.FetchRows(), 1);
  data_set.SetFetchRows(10000);
  EXPECT_EQ(data_set.FetchRows(), 10000);
}

TEST(DADataSet, UniDirectionalAndFetchAllExcludeEachOther) {
  TCustomDADataSet data_set(nullptr);
  data_set.SetFetchAll(true);
  data_set.SetUniDirectional(true);
  EXPECT_TRUE(data_set.UniDirectional());
  EXPECT_FALSE(data_set.FetchAll());
  data_set.SetFetchAll(true);
  EXPECT_FALSE(data_set.UniDirectional());
  EXPECT_TRUE(data_set.FetchAll());
}

TEST(DADataSet, NamesAreQuotedOnlyWithTheOption) {
  TCustomDADataSet data_set(nullptr);
  EXPECT_EQ(data_set.QuoteName("Name"), "Name");
  EXPECT_EQ(data_set.UnQuoteName("\"Name\""), "\"Name\"");
  data_set.Options().SetQuoteNames(true);
  EXPECT_EQ(data_set.QuoteName("Name"), "\"Name\"");
  EXPECT_EQ(data_set.QuoteName(""), "");
  EXPECT_EQ(data_set.UnQuoteName(" \"Two Words\" "), "Two Words");
  EXPECT_EQ(data_set.UnQuoteName("\"\""), "\"\"");  // two characters are no quoted name
  EXPECT_EQ(data_set.UnQuoteName("\"open"), "\"open");
}

TEST(DADataSet, EditableOnlyWithAWayToStoreTheEdits) {
  TCustomDADataSet data_set(nullptr);
  EXPECT_FALSE(data_set.CanModify());
  data_set.SetLocalUpdate(true);
  EXPECT_TRUE(data_set.CanModify());
  data_set.SetReadOnly(true);
  EXPECT_FALSE(data_set.CanModify());
  data_set.SetReadOnly(false);
  data_set.SetLocalUpdate(false);

  data_set.SetCachedUpdates(true);
  EXPECT_FALSE(data_set.CanModify());
  data_set.SetOnUpdateRecord(TUpdateRecordEvent::Function(
      [](classlib::TDataSet*, classlib::TUpdateKind, classlib::TUpdateAction&) {}));
  EXPECT_TRUE(data_set.CanModify());
  data_set.SetCachedUpdates(false);

  TCustomDAUpdateSQL update(nullptr);
  data_set.SetUpdateObject(&update);
  EXPECT_TRUE(data_set.CanModify());
  EXPECT_EQ(update.GetDataSet(), &data_set);
  data_set.SetUniDirectional(true);
  EXPECT_FALSE(data_set.CanModify());
  data_set.SetUpdateObject(nullptr);
  EXPECT_EQ(update.GetDataSet(), nullptr);
}

TEST(DADataSet, AnUpdateObjectThatGoesAwayIsForgotten) {
  TCustomDADataSet data_set(nullptr);
  {
    TCustomDAUpdateSQL update(nullptr);
    data_set.SetUpdateObject(&update);
  }
  EXPECT_EQ(data_set.UpdateObject(), nullptr);
}

TEST(DADataSet, NothingRunsWithoutAConnection) {
  TCustomDADataSet data_set(nullptr);
  data_set.SetSQL("SELECT 1");
  EXPECT_EQ(MessageOf([&] { data_set.Open(); }), "Connection is not defined");
  EXPECT_FALSE(data_set.Active());
  EXPECT_EQ(MessageOf([&] { data_set.Execute(); }), "Connection is not defined");
  EXPECT_EQ(MessageOf([&] { data_set.Prepare(); }), "Connection is not defined");
}

TEST(DADataSet, OptionsCopyAllButRemoveOnRefreshAndBatchSize) {
  TCustomDADataSet source(nullptr), target(nullptr);
  source.Options().SetQuoteNames(true);
  source.Options().SetUpdateAllFields(true);
  source.Options().SetTrimFixedChar(false);
  source.Options().SetRequiredFields(false);
  source.Options().SetRemoveOnRefresh(false);
  source.Options().SetUpdateBatchSize(5);
  target.Options().Assign(&source.Options());
  EXPECT_TRUE(target.Options().QuoteNames());
  EXPECT_TRUE(target.Options().UpdateAllFields());
  EXPECT_FALSE(target.Options().TrimFixedChar());
  EXPECT_FALSE(target.Options().RequiredFields());
  EXPECT_FALSE(target.LocalConstraints());  // RequiredFields reaches the data set
  EXPECT_TRUE(target.Options().RemoveOnRefresh());
  EXPECT_EQ(target.Options().UpdateBatchSize(), 1);
}

TEST(DADataSet, AssignCopiesTextsParametersAndSettings) {
  TCustomDADataSet source(nullptr), target(nullptr);
  source.SetSQL("SELECT * FROM T WHERE ID = :ID");
  source.ParamByName("ID")->SetAsInteger(4);
  source.SetSQLStatement(stUpdate, "UPDATE T SET A = :A WHERE ID = :OLD_ID");
  source.SetFetchRows(3);
  source.SetAutoCommit(false);
  source.SetFilterSQL("A > 1");
  source.SetRefreshOptions({roAfterInsert});
  target.Assign(&source);
  EXPECT_EQ(target.SQL().Text(), source.SQL().Text());
  EXPECT_EQ(target.ParamByName("ID")->AsInteger(), 4);
  EXPECT_EQ(target.SQLUpdate().Text(), source.SQLUpdate().Text());
  EXPECT_EQ(target.FetchRows(), 3);
  EXPECT_FALSE(target.AutoCommit());
  EXPECT_EQ(target.FilterSQL(), "A > 1");
  EXPECT_TRUE(target.RefreshOptions().Contains(roAfterInsert));
}

TEST(DADataSet, MacrosOfTheUpdateTextsAreKnownToo) {
  TCustomDADataSet data_set(nullptr);
  data_set.SetSQL("SELECT * FROM &TABLE_NAME");
  data_set.SetSQLStatement(stDelete, "DELETE FROM &TABLE_NAME WHERE &KEY_CONDITION");
  EXPECT_NE(data_set.Macros().FindMacro("TABLE_NAME"), nullptr);
  EXPECT_NE(data_set.Macros().FindMacro("KEY_CONDITION"), nullptr);
  data_set.SetSQLStatement(stDelete, "");
  EXPECT_EQ(data_set.Macros().FindMacro("KEY_CONDITION"), nullptr);
}

TEST(DADataSet, AMasterThatWouldCloseACircleIsRefused) {
  TCustomDADataSet master(nullptr), detail(nullptr);
  classlib::TDataSource master_source(nullptr), detail_source(nullptr);
  master_source.SetDataSet(&master);
  detail_source.SetDataSet(&detail);
  detail.SetMasterSource(&master_source);
  EXPECT_EQ(MessageOf([&] { master.SetMasterSource(&detail_source); }), "Circular datalinks are not allowed");
  EXPECT_EQ(master.MasterSource(), nullptr);
  EXPECT_EQ(MessageOf([&] { detail.SetMasterSource(&detail_source); }), "Circular datalinks are not allowed");
  EXPECT_EQ(detail.MasterSource(), &master_source);
  detail.SetMasterSource(nullptr);
}

TEST(DBAccessUtils, ReachesTheTextOfBothKindsAndRefusesOtherObjects) {
  TCustomDADataSet data_set(nullptr);
  TCustomDASQL sql(nullptr);
  TDBAccessUtils::SetSQLText(&data_set, "SELECT :A", false, false);
  EXPECT_EQ(TDBAccessUtils::GetSQL(&data_set).Text(), data_set.SQL().Text());
  EXPECT_EQ(TDBAccessUtils::GetParams(&data_set).Count(), 1);

  // With the parameters locked the new text keeps the ones there are.
  TDBAccessUtils::SetSQLText(&sql, "SELECT :A, :B", false, false);
  TDBAccessUtils::GetParams(&sql).Items(0)->SetAsInteger(1);
  TDBAccessUtils::SetSQLText(&sql, "SELECT ?", true, false);
  EXPECT_EQ(TDBAccessUtils::GetParams(&sql).Count(), 2);
  EXPECT_EQ(sql.SQL().Text(), "SELECT ?\r\n");
  TDBAccessUtils::SetAutoCommit(&sql, true);
  EXPECT_TRUE(sql.AutoCommit());

  classlib::TDataSource other(nullptr);
  EXPECT_NE(MessageOf([&] { TDBAccessUtils::GetSQL(&other); }).find("Obj is TDataSource"), std::string::npos);
  EXPECT_NE(MessageOf([&] { TDBAccessUtils::GetSQL(nullptr); }).find("Obj is nil"), std::string::npos);
}

}  // namespace
}  // namespace dacore
