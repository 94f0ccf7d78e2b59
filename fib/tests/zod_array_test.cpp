// Array columns on the embedded engine: descriptors looked up from the
// server, slices written and read back, and what the server itself reads
// from the elements we wrote.
#include <gtest/gtest.h>

#include <string>

#include "classlib/datetime.h"
#include "embedded_database.h"
#include "fib/base/errors.h"
#include "fib/statements/zod_array.h"
#include "test_statement.h"

namespace fib {
namespace {

using classlib::Variant;
using classlib::VarArrayGet;
using classlib::VarToStr;
using fib_test::TestStatement;

constexpr const char* kTable =
    "CREATE TABLE A (ID INTEGER NOT NULL PRIMARY KEY,"
    " AI INTEGER[1:5], AM CHAR(4)[0:1, 1:2], AN NUMERIC(9,2)[1:3], AS1 NUMERIC(4,1)[1:2],"
    " AB BIGINT[1:2], AB3 NUMERIC(18,3)[1:2], AD DATE[1:2], ATM TIME[1:2],"
    " ATS TIMESTAMP[1:2], AF FLOAT[1:2], ADP DOUBLE PRECISION[1:2], AV VARCHAR(5)[1:2])";

class ArrayEngineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    db_ = new fib_test::EmbeddedDatabase();
    fib_test::ExecuteAndCommit(*db_, kTable);
  }
  static void TearDownTestSuite() {
    delete db_;
    db_ = nullptr;
  }
  void SetUp() override { tr_ = db_->StartTransaction(); }
  void TearDown() override { db_->Library().isc_commit_transaction(StatusVector(), &tr_); }

  TpZODArray Column(const std::string& name) {
    return TpZODArray(db_->Library(), db_->Handle(), &tr_, "A", name);
  }

  // Writes `value` as a new array of `column` in a new row; answers the row.
  int Store(const std::string& column, const Variant& value) {
    ISC_QUAD id{};
    Column(column).Write(value, db_->Handle(), &tr_, id);
    int row = ++last_row_;
    TestStatement insert(*db_, &tr_);
    insert.Prepare("INSERT INTO A (ID, " + column + ") VALUES (?, ?)");
    insert.Params()[0].SetAsInteger(row);
    insert.Params()[1].SetAsQuad(id);
    insert.Execute();
    return row;
  }

  // The server's own reading of `expression` (an element such as AN[2]).
  std::string Select(const std::string& expression, int row) {
    TestStatement select(*db_, &tr_);
    select.Prepare("SELECT " + expression + " FROM A WHERE ID = ?");
    select.Params()[0].SetAsInteger(row);
    select.Execute();
    EXPECT_TRUE(select.Fetch());
    return select.Column(0).AsString();
  }

  Variant Read(const std::string& column, int row) {
    TestStatement select(*db_, &tr_);
    select.Prepare("SELECT " + column + " FROM A WHERE ID = ?");
    select.Params()[0].SetAsInteger(row);
    select.Execute();
    EXPECT_TRUE(select.Fetch());
    return Column(column).Read(select.Column(0).AsQuad(), &tr_);
  }

  Variant RoundTrip(const std::string& column, const Variant& value) {
    return Read(column, Store(column, value));
  }

  static fib_test::EmbeddedDatabase* db_;
  static int last_row_;
  isc_tr_handle tr_ = 0;
};

fib_test::EmbeddedDatabase* ArrayEngineTest::db_ = nullptr;
int ArrayEngineTest::last_row_ = 0;

TEST_F(ArrayEngineTest, DescriptorsComeFromTheServer) {
  TpZODArray integers = Column("AI");
  EXPECT_EQ(integers.ElementKind(), TArrayElementKind::Integer);
  EXPECT_EQ(integers.DimensionCount(), 1);
  EXPECT_EQ(integers.Bounds(0), std::make_pair(1, 5));
  EXPECT_EQ(integers.SliceSize(), 20);
  TpZODArray matrix = Column("AM");
  EXPECT_EQ(matrix.ElementKind(), TArrayElementKind::String);
  EXPECT_EQ(matrix.DimensionCount(), 2);
  EXPECT_EQ(matrix.Bounds(1), std::make_pair(1, 2));
  EXPECT_EQ(matrix.SliceSize(), 16);
  EXPECT_EQ(Column("AN").Scale(), 2);
  EXPECT_EQ(Column("AV").SliceSize(), 2 * 7);
  try {
    integers.Bounds(1);
    ADD_FAILURE() << "no error for a missing dimension";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.Msg(), "Dimension 1 don't exist in \"A.AI\" ");
  }
}

TEST_F(ArrayEngineTest, IntegerArraysKeepBoundsAndValues) {
  Variant values = classlib::VarArrayCreate({1, 5}, classlib::varVariant);
  for (int i = 1; i <= 5; ++i) classlib::VarArrayPut(values, Variant(i == 3 ? INT32_MIN : i), {i});
  Variant back = RoundTrip("AI", values);
  EXPECT_EQ(classlib::VarArrayLowBound(back, 1), 1);
  EXPECT_EQ(classlib::VarArrayHighBound(back, 1), 5);
  EXPECT_EQ(VarArrayGet(back, {3}).AsInteger(), INT32_MIN);
  EXPECT_EQ(VarArrayGet(back, {5}).AsInteger(), 5);
  // Missing elements and NULL ones stay zero.
  Variant short_one = RoundTrip("AI", classlib::VarArrayOf({Variant(7), Variant::Null()}));
  EXPECT_EQ(VarArrayGet(short_one, {1}).AsInteger(), 7);
  EXPECT_EQ(VarArrayGet(short_one, {2}).AsInteger(), 0);
  EXPECT_EQ(VarArrayGet(short_one, {5}).AsInteger(), 0);
  Variant big = RoundTrip("AB", classlib::VarArrayOf({Variant(INT64_MAX - 1), Variant(-1LL)}));
  EXPECT_EQ(VarArrayGet(big, {1}).AsInt64(), INT64_MAX - 1);
}

// The server stores NUMERIC elements scaled like NUMERIC columns, so their
// scale must be applied both ways.
TEST_F(ArrayEngineTest, ScaledElementsMeanWhatTheServerReads) {
  int row = Store("AN", classlib::VarArrayOf({Variant(1.25), Variant(-3.5), Variant(100)}));
  EXPECT_EQ(Select("AN[1]", row), "1.25");
  EXPECT_EQ(Select("AN[2]", row), "-3.5");
  EXPECT_EQ(Select("AN[3]", row), "100");
  Variant back = Read("AN", row);
  EXPECT_DOUBLE_EQ(VarArrayGet(back, {1}).AsDouble(), 1.25);
  EXPECT_DOUBLE_EQ(VarArrayGet(back, {2}).AsDouble(), -3.5);
  row = Store("AS1", classlib::VarArrayOf({Variant(-12.3), Variant(0.1)}));
  EXPECT_EQ(Select("AS1[1]", row), "-12.3");
  EXPECT_DOUBLE_EQ(VarArrayGet(Read("AS1", row), {2}).AsDouble(), 0.1);
  row = Store("AB3", classlib::VarArrayOf({Variant(123456.789), Variant(-0.001)}));
  EXPECT_EQ(Select("AB3[1]", row), "123456.789");
  EXPECT_EQ(Select("AB3[2]", row), "-0.001");
  EXPECT_DOUBLE_EQ(VarArrayGet(Read("AB3", row), {1}).AsDouble(), 123456.789);
}

TEST_F(ArrayEngineTest, TextElementsAreCutToTheirLength) {
  int row = Store("AV", classlib::VarArrayOf({Variant("abcdefgh"), Variant("xy")}));
  EXPECT_EQ(Select("AV[1]", row), "abcde");
  EXPECT_EQ(Select("AV[2]", row), "xy");
  Variant back = Read("AV", row);
  EXPECT_EQ(VarToStr(VarArrayGet(back, {1})), "abcde");
  EXPECT_EQ(VarToStr(VarArrayGet(back, {2})), "xy");

  Variant matrix = classlib::VarArrayCreate({0, 1, 1, 2}, classlib::varVariant);
  classlib::VarArrayPut(matrix, Variant("a"), {0, 1});
  classlib::VarArrayPut(matrix, Variant("bbbbbb"), {0, 2});
  classlib::VarArrayPut(matrix, Variant("cc"), {1, 2});
  row = Store("AM", matrix);
  EXPECT_EQ(Select("AM[0, 2]", row), "bbbb");
  EXPECT_EQ(Select("AM[1, 2]", row), "cc  ");
  Variant square = Read("AM", row);
  EXPECT_EQ(classlib::VarArrayLowBound(square, 1), 0);
  EXPECT_EQ(VarToStr(VarArrayGet(square, {0, 1})), "a   ");
}

TEST_F(ArrayEngineTest, DatesTimesAndFloatsRoundTrip) {
  using classlib::EncodeDate;
  using classlib::EncodeTime;
  classlib::TDateTime day = EncodeDate(1858, 11, 17);
  classlib::TDateTime later = EncodeDate(2031, 7, 4);
  Variant dates = RoundTrip("AD", classlib::VarArrayOf({Variant::FromDate(day),
                                                        Variant::FromDate(later)}));
  EXPECT_EQ(VarArrayGet(dates, {1}).AsDate(), day);
  EXPECT_EQ(VarArrayGet(dates, {2}).AsDate(), later);
  classlib::TDateTime noon = EncodeTime(12, 0, 1, 250);
  Variant times = RoundTrip("ATM", classlib::VarArrayOf({Variant::FromDate(noon)}));
  EXPECT_NEAR(VarArrayGet(times, {1}).AsDate(), noon, 1e-9);
  classlib::TDateTime moment = later + EncodeTime(23, 59, 59, 999);
  int row = Store("ATS", classlib::VarArrayOf({Variant::FromDate(moment)}));
  EXPECT_NEAR(VarArrayGet(Read("ATS", row), {1}).AsDate(), moment, 1e-9);
  EXPECT_EQ(Select("CAST(ATS[1] AS DATE)", row), classlib::DateToStr(later));
  Variant floats = RoundTrip("AF", classlib::VarArrayOf({Variant(0.5), Variant(-2.25)}));
  EXPECT_EQ(VarArrayGet(floats, {2}).AsDouble(), -2.25);
  Variant doubles = RoundTrip("ADP", classlib::VarArrayOf({Variant(0.1), Variant(1e300)}));
  EXPECT_EQ(VarArrayGet(doubles, {1}).AsDouble(), 0.1);
  EXPECT_EQ(VarArrayGet(doubles, {2}).AsDouble(), 1e300);
}

TEST_F(ArrayEngineTest, WritesRefuseMoreDimensionsAndIgnoreScalars) {
  TpZODArray integers = Column("AI");
  ISC_QUAD id{1, 2};
  Variant square = classlib::VarArrayCreate({1, 2, 1, 2}, classlib::varVariant);
  EXPECT_THROW(integers.Write(square, db_->Handle(), &tr_, id), EFIBClientError);
  integers.Write(Variant(5), db_->Handle(), &tr_, id);
  EXPECT_EQ(id.gds_quad_high, 1);
  EXPECT_EQ(id.gds_quad_low, 2u);
}

}  // namespace
}  // namespace fib
