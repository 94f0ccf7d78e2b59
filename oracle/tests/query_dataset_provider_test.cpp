// The Oracle query driven as a data provider drives it, only through the
// class library's provider interface, on the stand-in's SQLite tier.
#include <memory>
#include <string>

#include "classlib/dataset.h"
#include "classlib/field.h"
#include "classlib/params.h"
#include "oracle/tests/query_sqlite_fixture.h"

namespace oracle::testing {
namespace {

class OraProviderTest : public SqliteTierTest {
 protected:
  // The provider's values, by position.
  const classlib::TParams& Params(std::initializer_list<classlib::Variant> values) {
    params_.Clear();
    for (const classlib::Variant& value : values)
      params_.CreateParam(classlib::ftUnknown, "", classlib::ptInput)->SetValue(value);
    return params_;
  }

  // What a second session reads of a row's GUID_COL.
  std::string GuidElsewhere(int id) {
    auto query = NewQuery(Connect(), "SELECT GUID_COL FROM T WHERE ID = " + std::to_string(id));
    std::vector<std::string> rows = Rows(*query);
    return rows.empty() ? "(none)" : rows.front();
  }

  classlib::TParams params_;
};

TEST_F(OraProviderTest, StatementsRunWithAndWithoutAResultSet) {
  auto query = NewQuery(Connect(), "SELECT ID FROM T");
  classlib::TDataSet& provider = *query;
  EXPECT_EQ(provider.PSExecuteStatement("UPDATE T SET GUID_COL = ? WHERE ID = ? AND GUID_COL <> '?'",
                                        Params({"{Z}", 1})),
            1);
  EXPECT_EQ(GuidElsewhere(1), "{Z}");

  std::unique_ptr<classlib::TDataSet> rows;
  EXPECT_EQ(provider.PSExecuteStatement("SELECT ID, GUID_COL FROM T WHERE ID >= ? ORDER BY ID", Params({2}), &rows),
            2);
  ASSERT_NE(rows, nullptr);
  ASSERT_TRUE(rows->Active());
  EXPECT_NE(dynamic_cast<TOraDataSet*>(rows.get()), nullptr);  // made by the session
  EXPECT_EQ(rows->FieldByName("GUID_COL")->AsString(), "{B}");

  EXPECT_EQ(provider.PSExecuteStatement("DELETE FROM T WHERE ID > ?", Params({1}), &rows), 2);
  EXPECT_FALSE(rows->Active());
  EXPECT_EQ(GuidElsewhere(2), "(none)");
}

TEST_F(OraProviderTest, TransactionsStartAndEndOnTheSession) {
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ID FROM T");
  classlib::TDataSet& provider = *query;
  provider.PSStartTransaction();
  EXPECT_TRUE(provider.PSInTransaction());
  provider.PSExecuteStatement("UPDATE T SET GUID_COL = ? WHERE ID = ?", Params({"{gone}", 1}));
  EXPECT_EQ(GuidElsewhere(1), "{A}");
  provider.PSEndTransaction(false);
  EXPECT_FALSE(session.InTransaction());
  EXPECT_EQ(GuidElsewhere(1), "{A}");

  provider.PSStartTransaction();
  provider.PSExecuteStatement("UPDATE T SET GUID_COL = ? WHERE ID = ?", Params({"{kept}", 1}));
  provider.PSEndTransaction(true);
  EXPECT_FALSE(provider.PSInTransaction());
  EXPECT_EQ(GuidElsewhere(1), "{kept}");
}

TEST_F(OraProviderTest, KeyFieldsAreTheUsersAndTheOrderTheLocalOne) {
  auto query = NewQuery(Connect(), "SELECT T.ID, T.GUID_COL FROM T ORDER BY T.GUID_COL DESC, ID");
  classlib::TDataSet& provider = *query;
  query->Open();
  // The table's primary key is not offered: the key fields are the user's.
  EXPECT_EQ(provider.PSGetKeyFields(), "");
  std::unique_ptr<classlib::TIndexDef> order = provider.PSGetDefaultOrder();
  ASSERT_NE(order, nullptr);
  EXPECT_EQ(order->Fields(), "GUID_COL;ID");
  EXPECT_EQ(order->DescFields(), "GUID_COL");

  query->SetKeyFields("id");
  EXPECT_EQ(provider.PSGetKeyFields(), "ID");
  EXPECT_EQ(provider.PSGetDefaultOrder()->Fields(), "GUID_COL;ID");  // no local order yet
  query->SetIndexFieldNames("ID DESC");
  order = provider.PSGetDefaultOrder();
  EXPECT_EQ(order->Fields(), "ID");
  EXPECT_EQ(order->DescFields(), "ID");
  query->First();
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 3);
}

TEST_F(OraProviderTest, ADeltaRecordIsAppliedWithItsOldValues) {
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ID, GUID_COL FROM T");
  query->SQLUpdate().SetText("UPDATE T SET ID = :ID, GUID_COL = :GUID_COL WHERE ID = :OLD_ID");
  auto delta = NewQuery(session, "SELECT ID, GUID_COL FROM T WHERE ID = 2");
  delta->Open();
  delta->Edit();
  delta->FieldByName("ID")->SetAsInteger(20);
  delta->FieldByName("GUID_COL")->SetAsString("{moved}");
  EXPECT_TRUE(static_cast<classlib::TDataSet&>(*query).PSUpdateRecord(classlib::ukModify, *delta));
  delta->Cancel();
  EXPECT_EQ(GuidElsewhere(20), "{moved}");
  EXPECT_EQ(GuidElsewhere(2), "(none)");
}

}  // namespace
}  // namespace oracle::testing
