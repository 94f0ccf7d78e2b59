// The property objects of data sets and databases: the rules their setters
// enforce and what they read through their owners.
#include <gtest/gtest.h>

#include "classlib/component.h"
#include "classlib/exceptions.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/blob_swap_support.h"
#include "fib/statements/db_params.h"
#include "fib/statements/format_fields.h"
#include "fib/statements/sqls_props.h"
#include "fib/statements/zod_props_owners.h"
#include "platform/environment.h"

namespace fib {
namespace {

class FakeDatabase : public classlib::TComponent, public IDatabaseParams {
 public:
  FakeDatabase() : classlib::TComponent(nullptr), params_(this) {}
  TDBParams& DBParams() override { return params_; }
  bool NotSavePassword() const override { return not_save_password; }

  bool not_save_password = false;

 private:
  TDBParams params_;
};

class FakeDataSet : public classlib::TComponent, public IDataSetSQLTexts, public IAutoUpdateOwner {
 public:
  FakeDataSet() : classlib::TComponent(nullptr) {}
  classlib::TStrings& SQLText(TDataSetSQLKind kind) override { return texts_[static_cast<int>(kind)]; }
  void SetSQLText(TDataSetSQLKind kind, const classlib::TStrings& lines) override {
    ++changes;
    texts_[static_cast<int>(kind)].Assign(lines);
  }
  std::string AliasForTable(const std::string& table) const override { return table == "T" ? "A" : ""; }
  std::string FormatIdentifier(const std::string& name) const override { return "<" + name + ">"; }

  int changes = 0;

 private:
  classlib::TStringList texts_[5];
};

// ---- connection parameters ---------------------------------------------------

TEST(DBParamsTest, LookupsMatchWholeNamesWithOrWithoutPrefix) {
  TDBParams params;
  params.SetText("password_enc=xyz\r\nISC_DPB_PASSWORD=secret\r\nuser_name_x=1\r\nuser_name=SYSDBA\r\n");
  EXPECT_EQ(params.ParamValue(kDPBPassword), "secret");
  EXPECT_EQ(params.ParamValue(kDPBUserName), "SYSDBA");
  EXPECT_EQ(params.ParamValue(kDPBRoleName), "");
  EXPECT_EQ(params.ParamValue(999), "");

  params.SetParamValue(kDPBPassword, "new");
  EXPECT_EQ(params.Strings(0), "password_enc=xyz");
  EXPECT_EQ(params.Strings(1), "password=new");
  params.SetParamValue(kDPBRoleName, "ADMIN");
  EXPECT_EQ(params.Strings(4), "sql_role_name=ADMIN");
  params.SetParamValue(kDPBPassword, "");
  EXPECT_EQ(params.Count(), 4);
  EXPECT_EQ(params.ParamValue(kDPBPassword), "");
  EXPECT_EQ(params.Strings(0), "password_enc=xyz");
}

TEST(DBParamsTest, ConnectParamsAreViewsOntoTheDatabaseLines) {
  FakeDatabase database;
  TConnectParams connect(&database);
  connect.SetUserName("sysdba");
  connect.SetCharSet("win1251");
  connect.SetRoleName("R");
  EXPECT_EQ(database.DBParams().Text(), "user_name=sysdba\r\nlc_ctype=WIN1251\r\nsql_role_name=R\r\n");
  database.DBParams().SetValues("password", "pw");
  EXPECT_EQ(connect.Password(), "pw");
  EXPECT_EQ(connect.CharSet(), "WIN1251");

  classlib::TComponent not_a_database(nullptr);
  TConnectParams orphan(&not_a_database);
  orphan.SetUserName("x");
  EXPECT_EQ(orphan.UserName(), "");
  EXPECT_EQ(orphan.GetOwner(), &not_a_database);
}

TEST(DBParamsTest, StoredLinesLeaveOutThePasswordWhenAskedAndDifferFromAncestor) {
  FakeDatabase database;
  TDBParams& params = database.DBParams();
  EXPECT_FALSE(params.ShouldStore(nullptr));
  params.SetText("user_name=u\r\npassword=p\r\nlc_ctype=WIN1251\r\n");
  EXPECT_TRUE(params.ShouldStore(nullptr));
  TDBParams ancestor;
  ancestor.Assign(params);
  EXPECT_FALSE(params.ShouldStore(&ancestor));
  EXPECT_EQ(params.LinesToStore().size(), 3u);

  database.not_save_password = true;
  EXPECT_EQ(params.LinesToStore(), (std::vector<std::string>{"user_name=u", "lc_ctype=WIN1251"}));
  EXPECT_EQ(params.Count(), 3);  // the password itself stays

  TDBParams read;
  read.Add("old=1");
  read.ReadStoredLines(params.LinesToStore());
  EXPECT_EQ(read.Text(), "user_name=u\r\nlc_ctype=WIN1251\r\n");
}

// ---- data set properties -----------------------------------------------------

TEST(DataSetPropsTest, SQLsAreTheDataSetsOwnLists) {
  FakeDataSet data_set;
  TSQLs sqls(&data_set);
  sqls.SelectSQL().Add("select * from t");
  EXPECT_EQ(data_set.SQLText(TDataSetSQLKind::Select).Text(), "select * from t\r\n");
  classlib::TStringList refresh;
  refresh.Add("select 1");
  sqls.SetRefreshSQL(refresh);
  EXPECT_EQ(data_set.changes, 1);
  EXPECT_EQ(data_set.SQLText(TDataSetSQLKind::Refresh).Text(), "select 1\r\n");
  EXPECT_TRUE(sqls.UpdateSQL().Count() == 0);

  classlib::TComponent other(nullptr);
  EXPECT_THROW(TSQLs{&other}, classlib::EInvalidOperation);
}

TEST(DataSetPropsTest, FormatFieldsTakeTheProcessDefaultsAndStoreOnlyChanges) {
  TFormatFields formats;
  EXPECT_EQ(formats.DateTimeDisplayFormat(), "dd.mm.yyyy hh:mm AMPM");
  EXPECT_EQ(formats.NumericDisplayFormat(), "#,##0.");
  EXPECT_EQ(formats.NumericEditFormat(), "0.");
  EXPECT_EQ(formats.DisplayFormatDate(), "dd.mm.yyyy");
  EXPECT_EQ(formats.DisplayFormatTime(), "hh:mm AMPM");
  EXPECT_FALSE(formats.Stored(TFormatField::NumericEdit));
  formats.SetFormat(TFormatField::NumericEdit, "0.00");
  EXPECT_TRUE(formats.Stored(TFormatField::NumericEdit));

  SetDefaultFormat(TFormatField::DisplayDate, "yyyy-mm-dd");
  TFormatFields later;
  SetDefaultFormat(TFormatField::DisplayDate, "dd.mm.yyyy");
  EXPECT_EQ(later.DisplayFormatDate(), "yyyy-mm-dd");
  later.Assign(&formats);
  EXPECT_EQ(later.DisplayFormatDate(), "dd.mm.yyyy");
  EXPECT_EQ(later.NumericEditFormat(), "0.00");
  classlib::TStringList not_formats;
  EXPECT_THROW(later.Assign(&not_formats), classlib::EConvertError);
}

TEST(DataSetPropsTest, TableNameNamesTheGeneratorOnlyWhenKeysAreGenerated) {
  TAutoUpdateOptions options;
  options.SetUpdateTableName("ORDERS");
  EXPECT_EQ(options.GeneratorName(), "");
  options.SetWhenGetGenID(wgBeforePost);
  options.SetUpdateTableName("ORDERS");
  EXPECT_EQ(options.GeneratorName(), "GEN_ORDERS_ID");
  options.SetUpdateTableName("OTHER");
  EXPECT_EQ(options.GeneratorName(), "GEN_ORDERS_ID");  // a named generator stays

  TAutoUpdateOptions quoted;
  quoted.SetWhenGetGenID(wgOnNewRecord);
  quoted.SetUpdateTableName("\"Order Lines\" OL");
  EXPECT_EQ(quoted.GeneratorName(), "\"GEN_Order Lines_ID\"");
  EXPECT_TRUE(quoted.TableNameHasAlias());
  quoted.SetUpdateTableName("\"Order Lines\"");
  EXPECT_FALSE(quoted.TableNameHasAlias());
}

TEST(DataSetPropsTest, SettersKeepTheirOptionsConsistent) {
  TAutoUpdateOptions options;
  options.SetUpdateOnlyModifiedFields(true);
  EXPECT_FALSE(options.UpdateOnlyModifiedFields());
  options.SetAutoReWriteSqls(true);
  options.SetCanChangeSQLs(true);
  options.SetUpdateOnlyModifiedFields(true);
  EXPECT_TRUE(options.UpdateOnlyModifiedFields());

  options.SetCachedWhereText("where ID=?OLD_ID");
  options.SetKeyFields(" ID ; SUB_ID;;");
  EXPECT_EQ(options.KeyFieldNames(), (std::vector<std::string>{"ID", "SUB_ID"}));
  EXPECT_EQ(options.CachedWhereText(), "");

  options.SetUseGenerator(true);
  EXPECT_EQ(options.WhenGetGenID(), wgBeforePost);
  options.SetWhenGetGenID(wgOnNewRecord);
  options.SetUseGenerator(true);
  EXPECT_EQ(options.WhenGetGenID(), wgOnNewRecord);
  options.SetUseGenerator(false);
  EXPECT_FALSE(options.UseGenerator());

  // Older forms: SelectGenID, then GenBeforePost.
  options.ReadSelectGenID(true);
  options.ReadGenBeforePost(false);
  EXPECT_EQ(options.WhenGetGenID(), wgOnNewRecord);
  TAutoUpdateOptions no_select;
  no_select.ReadSelectGenID(false);
  no_select.ReadGenBeforePost(true);
  EXPECT_EQ(no_select.WhenGetGenID(), wgNever);

  classlib::TStringList links;
  links.SetText("  ID=PARAM_ID \r\n\r\nNAME=P2\r\n");
  options.SetParamsToFieldsLinks(links);
  EXPECT_EQ(options.ParamsToFieldsLinks().Text(), "ID=PARAM_ID\r\nNAME=P2\r\n");

  TAutoUpdateOptions copy;
  copy.Assign(&options);
  EXPECT_EQ(copy.KeyFieldNames(), options.KeyFieldNames());
  EXPECT_TRUE(copy.UpdateOnlyModifiedFields());
  EXPECT_EQ(copy.WhenGetGenID(), wgOnNewRecord);
  EXPECT_EQ(copy.ParamsToFieldsLinks().Text(), "ID=PARAM_ID\r\nNAME=P2\r\n");
}

TEST(DataSetPropsTest, FormattedTableAndAliasComeFromTheNameOrTheSelectText) {
  FakeDataSet data_set;
  TAutoUpdateOptions options(&data_set);
  options.SetUpdateTableName("T");
  EXPECT_EQ(options.FormattedTableName(), "<T>");
  EXPECT_EQ(options.FormattedAlias(), "<A>");
  options.SetUpdateTableName("U");
  EXPECT_EQ(options.FormattedAlias(), "<U>");
  options.SetUpdateTableName("\"My T\" X");
  EXPECT_EQ(options.FormattedTableName(), "<\"My T\">");
  EXPECT_EQ(options.FormattedAlias(), "<X>");
}

// ---- blob swapping -----------------------------------------------------------

TEST(BlobSwapTest, SwapDirExpandsTheProgramFolderInAnyCase) {
  TBlobSwapSupport swap;
  EXPECT_FALSE(swap.SwapDirStored());
  EXPECT_EQ(swap.GetSwapDir(), "");
  swap.SetActive(true);
  EXPECT_EQ(swap.GetSwapDir(), platform::ModuleDirectory());
  swap.SetSwapDir("{app_path}\\Swap");
  EXPECT_EQ(swap.GetSwapDir(), platform::ModuleDirectory() + "Swap/");
  swap.SetSwapDir("/var/tmp/blobs");
  EXPECT_EQ(swap.GetSwapDir(), "/var/tmp/blobs/");
  EXPECT_TRUE(swap.SwapDirStored());
  swap.SetSwapDir("");
  EXPECT_EQ(swap.GetSwapDir(), "");
}

}  // namespace
}  // namespace fib
