// A float column holding a NaN on the SQLite test driver: the local order,
// Locate, Lookup and the place of an inserted or edited row agree on where
// the NaN stands (after every number; NULL before every value).
#include "dacore/dataset_component.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "classlib/variant.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"
#include "testing/sqlite_driver/sqlite_driver_dataset.h"

namespace dacore::sqlite_tests {
namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

class FloatOrderTest : public SQLiteTest {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    session_ = Session();
    Exec(*session_, "CREATE TABLE F (ID INTEGER PRIMARY KEY, X REAL)");
    Exec(*session_, "INSERT INTO F VALUES (1, 3.0), (2, 1.0), (3, 2.0), (4, NULL), (5, 4.0)");
    data_set_ = Query(*session_, "SELECT ID, X FROM F ORDER BY ID");
    // The server keeps no NaN: the value lives in the records alone.
    data_set_->SetLocalUpdate(true);
    data_set_->Open();
    SetX(1, kNaN);
  }

  void SetX(int id, double x) {
    ASSERT_TRUE(data_set_->Locate("ID", classlib::Variant(id), {}));
    data_set_->Edit();
    data_set_->FieldByName("X")->SetAsFloat(x);
    data_set_->Post();
  }

  std::vector<int> Ids() {
    std::vector<int> ids;
    for (data_set_->First(); !data_set_->Eof(); data_set_->Next())
      ids.push_back(data_set_->FieldByName("ID")->AsInteger());
    return ids;
  }

  // The values in the order of the rows.
  std::vector<std::string> Xs() {
    std::vector<std::string> xs;
    for (data_set_->First(); !data_set_->Eof(); data_set_->Next()) {
      classlib::TField* x = data_set_->FieldByName("X");
      xs.push_back(x->IsNull() ? "(null)" : std::isnan(x->AsFloat()) ? "NaN" : x->AsString());
    }
    return xs;
  }

  int LocatedId(double x) {
    if (!data_set_->Locate("X", classlib::Variant(x), {})) return 0;
    return data_set_->FieldByName("ID")->AsInteger();
  }

  std::unique_ptr<sqlite_driver::TSQLiteSession> session_;
  std::unique_ptr<TCustomDADataSet> data_set_;
};

TEST_F(FloatOrderTest, ANaNEqualsOnlyANaNInTheServersOrder) {
  // Row 1 (the NaN) comes first: it must not answer for any number.
  EXPECT_EQ(LocatedId(2.0), 3);
  EXPECT_EQ(LocatedId(4.0), 5);
  EXPECT_EQ(LocatedId(kNaN), 1);
  EXPECT_EQ(LocatedId(9.0), 0);
  EXPECT_EQ(data_set_->Lookup("X", classlib::Variant(1.0), "ID").AsInteger(), 2);
}

TEST_F(FloatOrderTest, TheLocalOrderAndItsSearchesPutTheNaNAfterEveryNumber) {
  data_set_->SetIndexFieldNames("X");
  // NULL first, the NaN after the numbers.
  EXPECT_EQ(Ids(), (std::vector<int>{4, 2, 3, 5, 1}));
  EXPECT_EQ(LocatedId(2.0), 3);
  EXPECT_EQ(LocatedId(4.0), 5);
  EXPECT_EQ(LocatedId(kNaN), 1);
  EXPECT_EQ(LocatedId(9.0), 0);
  EXPECT_EQ(data_set_->Lookup("X", classlib::Variant(4.0), "ID").AsInteger(), 5);

  // A new row and an edited one find their places among the numbers.
  data_set_->Append();
  data_set_->FieldByName("ID")->SetAsInteger(6);
  data_set_->FieldByName("X")->SetAsFloat(5.0);
  data_set_->Post();
  EXPECT_EQ(Ids(), (std::vector<int>{4, 2, 3, 5, 6, 1}));
  SetX(2, 3.5);
  EXPECT_EQ(Ids(), (std::vector<int>{4, 3, 2, 5, 6, 1}));
  SetX(4, kNaN);
  EXPECT_EQ(Xs(), (std::vector<std::string>{"2", "3.5", "4", "5", "NaN", "NaN"}));
  ASSERT_TRUE(data_set_->Locate("X", classlib::Variant(kNaN), {}));
  EXPECT_TRUE(std::isnan(data_set_->FieldByName("X")->AsFloat()));

  // Descending, the NaNs come first and a NULL last; rows with equal values
  // keep no particular order among themselves.
  SetX(6, -std::nan(""));
  ASSERT_TRUE(data_set_->Locate("ID", classlib::Variant(3), {}));
  data_set_->Edit();
  data_set_->FieldByName("X")->Clear();
  data_set_->Post();
  EXPECT_EQ(Xs(), (std::vector<std::string>{"(null)", "3.5", "4", "NaN", "NaN", "NaN"}));
  data_set_->SetIndexFieldNames("X DESC");
  EXPECT_EQ(Xs(), (std::vector<std::string>{"NaN", "NaN", "NaN", "4", "3.5", "(null)"}));
  EXPECT_EQ(LocatedId(3.5), 2);
  EXPECT_EQ(LocatedId(4.0), 5);
}

}  // namespace
}  // namespace dacore::sqlite_tests
