// Values written through a parameter descriptor and read back through a
// column descriptor on the embedded engine, one SQL type at a time.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "classlib/codepage.h"
#include "classlib/datetime.h"
#include "classlib/numconv.h"
#include "embedded_database.h"
#include "fib/base/errors.h"
#include "fib/base/sql_types.h"
#include "fib/statements/xsqlvar_blob.h"
#include "fib/statements/zod_array.h"
#include "test_statement.h"

namespace fib {
namespace {

using classlib::Variant;
using fib_test::TestStatement;

constexpr const char* kTable =
    "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY,"
    " S SMALLINT, I INTEGER, B BIGINT,"
    " N2 NUMERIC(9,2), N4 NUMERIC(18,4), S1 NUMERIC(4,1), D3 DECIMAL(18,3),"
    " F FLOAT, DP DOUBLE PRECISION,"
    " DT DATE, TM TIME, TS TIMESTAMP,"
    " C CHAR(10), V VARCHAR(20), CO CHAR(16) CHARACTER SET OCTETS,"
    " VO VARCHAR(16) CHARACTER SET OCTETS,"
    " BL BLOB SUB_TYPE 0, BT BLOB SUB_TYPE TEXT,"
    " BO BOOLEAN,"
    " AI INTEGER[1:5], AV VARCHAR(10)[1:3])";

class DescriptorEngineTest : public ::testing::Test {
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
  void TearDown() override {
    db_->Library().isc_commit_transaction(StatusVector(), &tr_);
  }

  // Inserts a row whose `column` gets what `write` puts into the parameter;
  // answers the row's id.
  int Store(const std::string& column, const std::function<void(TFIBXSQLVAR&)>& write) {
    int id = ++last_id_;
    TestStatement insert(*db_, &tr_);
    insert.Prepare("INSERT INTO T (ID, " + column + ") VALUES (?, ?)", {"ID", "VALUE"});
    insert.Param("ID").SetAsInteger(id);
    write(insert.Param("VALUE"));
    insert.Execute();
    return id;
  }

  // Selects `column` of row `id` and hands the column to `check`.
  void Load(const std::string& column, int id,
            const std::function<void(const TFIBXSQLVAR&)>& check) {
    TestStatement select(*db_, &tr_);
    select.Prepare("SELECT " + column + " FROM T WHERE ID = ?");
    select.Params()[0].SetAsInteger(id);
    select.Execute();
    ASSERT_TRUE(select.Fetch());
    check(select.Column(0));
  }

  // Writes through `write` and answers the value read back as a variant.
  Variant RoundTrip(const std::string& column, const std::function<void(TFIBXSQLVAR&)>& write) {
    Variant value;
    Load(column, Store(column, write), [&](const TFIBXSQLVAR& read) { value = read.AsVariant(); });
    return value;
  }

  std::string TextRoundTrip(const std::string& column,
                            const std::function<void(TFIBXSQLVAR&)>& write) {
    std::string text;
    Load(column, Store(column, write), [&](const TFIBXSQLVAR& read) { text = read.AsString(); });
    return text;
  }

  static fib_test::EmbeddedDatabase* db_;
  static int last_id_;
  isc_tr_handle tr_ = 0;
};

fib_test::EmbeddedDatabase* DescriptorEngineTest::db_ = nullptr;
int DescriptorEngineTest::last_id_ = 0;

TEST_F(DescriptorEngineTest, IntegersKeepTheirWholeRange) {
  EXPECT_EQ(RoundTrip("S", [](TFIBXSQLVAR& p) { p.SetAsShort(-32768); }), Variant(-32768));
  EXPECT_EQ(RoundTrip("S", [](TFIBXSQLVAR& p) { p.SetAsInteger(32767); }), Variant(32767));
  EXPECT_EQ(RoundTrip("I", [](TFIBXSQLVAR& p) { p.SetAsInteger(INT32_MIN); }), Variant(INT32_MIN));
  Variant big = RoundTrip("B", [](TFIBXSQLVAR& p) { p.SetAsInt64(INT64_MAX); });
  EXPECT_EQ(big.VType(), classlib::varInt64);
  EXPECT_EQ(big.AsInt64(), INT64_MAX);
  EXPECT_EQ(TextRoundTrip("B", [](TFIBXSQLVAR& p) { p.SetAsInt64(-9000000000000000001LL); }),
            "-9000000000000000001");
  // Text is converted by the server to the described type.
  EXPECT_EQ(RoundTrip("I", [](TFIBXSQLVAR& p) { p.SetAsString("-77"); }), Variant(-77));
}

TEST_F(DescriptorEngineTest, ABigIntOutsideThirtyTwoBitsIsNoInteger) {
  int id = Store("B", [](TFIBXSQLVAR& p) { p.SetAsInt64(int64_t{1} << 40); });
  Load("B", id, [](const TFIBXSQLVAR& read) {
    EXPECT_THROW(read.AsInteger(), EFIBClientError);
    EXPECT_EQ(read.AsInt64(), int64_t{1} << 40);
  });
}

TEST_F(DescriptorEngineTest, ScaledNumericsAreExact) {
  // A comma is the decimal point whatever the locale says.
  EXPECT_EQ(TextRoundTrip("N2", [](TFIBXSQLVAR& p) { p.SetAsString("123,45"); }), "123.45");
  EXPECT_EQ(TextRoundTrip("N2", [](TFIBXSQLVAR& p) { p.SetAsDouble(-0.05); }), "-0.05");
  EXPECT_EQ(TextRoundTrip("N4", [](TFIBXSQLVAR& p) {
              p.SetAsBCD(classlib::StrToBCD("12345678901234.5678"));
            }),
            "12345678901234.5678");
  EXPECT_EQ(TextRoundTrip("N4", [](TFIBXSQLVAR& p) {
              p.SetAsCurrency(classlib::Currency::FromScaled(-12345678));
            }),
            "-1234.5678");
  EXPECT_EQ(TextRoundTrip("D3", [](TFIBXSQLVAR& p) { p.SetAsExtended(98765.4321L); }),
            "98765.432");
  // NUMERIC(4,1) is stored in a SMALLINT.
  int id = Store("S1", [](TFIBXSQLVAR& p) { p.SetAsVariant(Variant(-12.3)); });
  Load("S1", id, [](const TFIBXSQLVAR& read) {
    EXPECT_EQ(read.SQLType(), kSQLShort);
    EXPECT_EQ(read.SQLScale(), -1);
    EXPECT_DOUBLE_EQ(read.AsDouble(), -12.3);
    EXPECT_EQ(read.AsInteger(), -12);
  });
  id = Store("N4", [](TFIBXSQLVAR& p) { p.SetAsString("9.87655"); });
  Load("N4", id, [](const TFIBXSQLVAR& read) {
    EXPECT_EQ(read.AsCurrency(), classlib::Currency::FromScaled(98766));
    EXPECT_EQ(classlib::BCDToStr(read.AsBCD()), "9.8766");
    EXPECT_EQ(read.AsInt64(), 9);
  });
}

TEST_F(DescriptorEngineTest, FloatsKeepTheirPrecision) {
  EXPECT_EQ(RoundTrip("F", [](TFIBXSQLVAR& p) { p.SetAsDouble(1.5); }), Variant(1.5));
  EXPECT_EQ(RoundTrip("DP", [](TFIBXSQLVAR& p) { p.SetAsDouble(0.1); }), Variant(0.1));
  EXPECT_EQ(RoundTrip("DP", [](TFIBXSQLVAR& p) { p.SetAsInteger(-3); }), Variant(-3.0));
}

TEST_F(DescriptorEngineTest, DatesAndTimesRoundTrip) {
  using classlib::EncodeDate;
  using classlib::EncodeTime;
  classlib::TDateTime leap_day = EncodeDate(2024, 2, 29);
  EXPECT_EQ(RoundTrip("DT", [&](TFIBXSQLVAR& p) { p.SetAsDate(leap_day + 0.75); }).AsDate(),
            leap_day);
  classlib::TDateTime afternoon = EncodeTime(13, 45, 10, 123);
  EXPECT_NEAR(RoundTrip("TM", [&](TFIBXSQLVAR& p) { p.SetAsTime(afternoon); }).AsDate(),
              afternoon, 1e-9);
  classlib::TDateTime moment = EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 59, 999);
  EXPECT_NEAR(RoundTrip("TS", [&](TFIBXSQLVAR& p) { p.SetAsDateTime(moment); }).AsDate(), moment,
              1e-9);
  // Before 1899-12-30 the time of day counts away from zero.
  classlib::TDateTime old = EncodeDate(1858, 11, 17) - EncodeTime(6, 0, 0, 0);
  Variant read_old = RoundTrip("TS", [&](TFIBXSQLVAR& p) { p.SetAsDateTime(old); });
  int hour, minute, second, msec;
  classlib::DecodeTime(read_old.AsDate(), hour, minute, second, msec);
  EXPECT_EQ(hour, 6);
  EXPECT_NEAR(read_old.AsDate(), old, 1e-9);
  // A date given as text to a DATE parameter is read as a date first.
  Variant from_text = RoundTrip("DT", [&](TFIBXSQLVAR& p) {
    p.SetAsVariant(Variant(classlib::DateToStr(leap_day)));
  });
  EXPECT_EQ(from_text.AsDate(), leap_day);
}

TEST_F(DescriptorEngineTest, CyrillicTextRoundTripsInWin1251) {
  std::string word = classlib::Utf8ToCp1251("Привет");
  EXPECT_EQ(TextRoundTrip("V", [&](TFIBXSQLVAR& p) { p.SetAsString(word); }), word);
  // CHAR is padded to its length unless the statement trims it.
  EXPECT_EQ(TextRoundTrip("C", [&](TFIBXSQLVAR& p) { p.SetAsString(word); }), word + "    ");
  int id = Store("C", [&](TFIBXSQLVAR& p) { p.SetAsVariant(Variant(word)); });
  TestStatement select(*db_, &tr_);
  select.trim_char_fields = true;
  select.Prepare("SELECT C FROM T WHERE ID = ?");
  select.Params()[0].SetAsInteger(id);
  select.Execute();
  ASSERT_TRUE(select.Fetch());
  EXPECT_EQ(select.Column(0).AsString(), word);
  // An empty text is an empty value, not NULL, for a text parameter.
  id = Store("V", [](TFIBXSQLVAR& p) { p.SetAsString(""); });
  Load("V", id, [](const TFIBXSQLVAR& read) {
    EXPECT_FALSE(read.IsNull());
    EXPECT_EQ(read.AsString(), "");
  });
}

TEST_F(DescriptorEngineTest, OctetsCarryAnyByte) {
  std::string bytes("\x00\x98\xff\x01 \x7f", 6);
  EXPECT_EQ(TextRoundTrip("VO", [&](TFIBXSQLVAR& p) { p.SetAsString(bytes); }), bytes);
  classlib::TGUID guid = classlib::StringToGUID("{9E3F1A2B-0098-4C5D-8E7F-00FF10203040}");
  int id = Store("CO", [&](TFIBXSQLVAR& p) { p.SetAsGuid(guid); });
  Load("CO", id, [&](const TFIBXSQLVAR& read) { EXPECT_EQ(read.AsGuid(), guid); });
  id = Store("VO", [&](TFIBXSQLVAR& p) { p.SetAsGuid(guid); });
  Load("VO", id, [&](const TFIBXSQLVAR& read) { EXPECT_EQ(read.AsGuid(), guid); });
  // A GUID does not fit a column shorter than 16 bytes.
  id = Store("VO", [](TFIBXSQLVAR& p) { p.SetAsString("short"); });
  Load("VO", id, [](const TFIBXSQLVAR& read) { EXPECT_THROW(read.AsGuid(), EFIBClientError); });
}

TEST_F(DescriptorEngineTest, BlobsCarryTheirContents) {
  // Text longer than a descriptor can hold travels as a blob.
  std::string long_text(40000, 'x');
  long_text[12345] = 'y';
  EXPECT_EQ(TextRoundTrip("BT", [&](TFIBXSQLVAR& p) {
              p.SetAsString(long_text);
              EXPECT_EQ(p.SQLType(), kSQLBlob);
            }),
            long_text);
  std::string binary("\0\1\2\3\0", 5);
  classlib::TMemoryStream stream;
  stream.Write(binary.data(), static_cast<int>(binary.size()));
  EXPECT_EQ(TextRoundTrip("BL", [&](TFIBXSQLVAR& p) { p.LoadFromStream(stream); }), binary);
  // A blob id goes over as an id.
  ISC_QUAD id = CreateBlob(db_->Library(), db_->Handle(), &tr_, "by id");
  int row = Store("BL", [&](TFIBXSQLVAR& p) { p.SetAsQuad(id); });
  Load("BL", row, [&](const TFIBXSQLVAR& read) {
    ISC_QUAD stored = read.AsQuad();
    EXPECT_TRUE(stored.gds_quad_high != 0 || stored.gds_quad_low != 0);
    EXPECT_EQ(ReadBlob(db_->Library(), db_->Handle(), &tr_, stored), "by id");
    EXPECT_EQ(read.AsVariant(), Variant("by id"));
  });
}

TEST_F(DescriptorEngineTest, FirebirdBooleansReadAndWrite) {
  int yes = Store("BO", [](TFIBXSQLVAR& p) {
    EXPECT_EQ(p.DescribedType(), kSQLFBBoolean);
    p.SetAsBoolean(true);
  });
  Load("BO", yes, [](const TFIBXSQLVAR& read) {
    EXPECT_EQ(read.SQLType(), kSQLFBBoolean);
    EXPECT_TRUE(read.AsBoolean());
    EXPECT_EQ(read.AsVariant(), Variant(true));
    EXPECT_EQ(read.AsInteger(), 1);
  });
  EXPECT_EQ(RoundTrip("BO", [](TFIBXSQLVAR& p) { p.SetAsVariant(Variant(false)); }),
            Variant(false));
}

TEST_F(DescriptorEngineTest, UntypedParametersTakeANullOrAValue) {
  TestStatement select(*db_, &tr_);
  select.Prepare("SELECT 1 FROM RDB$DATABASE WHERE ? IS NULL");
  EXPECT_EQ(select.Params()[0].DescribedType(), kSQLNull);
  select.Params()[0].SetIsNull(true);
  select.Execute();
  EXPECT_TRUE(select.Fetch());
  select.Params()[0].SetAsInteger(5);
  select.Execute();
  EXPECT_FALSE(select.Fetch());
}

TEST_F(DescriptorEngineTest, EveryTypeStoresNull) {
  for (const char* column : {"S", "I", "B", "N2", "N4", "S1", "D3", "F", "DP", "DT", "TM", "TS",
                             "C", "V", "CO", "VO", "BL", "BT", "BO", "AI", "AV"}) {
    SCOPED_TRACE(column);
    int id = Store(column, [](TFIBXSQLVAR& p) { p.SetIsNull(true); });
    Load(column, id, [](const TFIBXSQLVAR& read) {
      EXPECT_TRUE(read.IsNull());
      EXPECT_TRUE(classlib::VarIsNull(read.AsVariant()));
      EXPECT_EQ(read.AsString(), "");
      EXPECT_FALSE(read.AsBoolean() && read.SQLType() != kSQLFBBoolean);
    });
  }
  // An empty text makes a number or date NULL.
  for (const char* column : {"I", "N2", "DP", "DT", "TS"}) {
    SCOPED_TRACE(column);
    int id = Store(column, [](TFIBXSQLVAR& p) { p.SetAsString(""); });
    Load(column, id, [](const TFIBXSQLVAR& read) { EXPECT_TRUE(read.IsNull()); });
  }
}

TEST_F(DescriptorEngineTest, ArraysGoThroughTheirParameter) {
  Variant numbers = classlib::VarArrayCreate({1, 5}, classlib::varVariant);
  for (int i = 1; i <= 5; ++i) classlib::VarArrayPut(numbers, Variant(i * -100), {i});
  int id = Store("AI", [&](TFIBXSQLVAR& p) { p.SetAsVariant(numbers); });
  Load("AI", id, [&](const TFIBXSQLVAR& read) {
    EXPECT_EQ(read.AsString(), "(ARRAY)");
    TpZODArray array(db_->Library(), db_->Handle(), &tr_, "T", "AI");
    Variant back = array.Read(read.AsQuad(), &tr_);
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(classlib::VarArrayGet(back, {i}), Variant(i * -100));
  });
  Variant words = classlib::VarArrayOf({Variant("one"), Variant(""), Variant("three")});
  id = Store("AV", [&](TFIBXSQLVAR& p) { p.SetAsVariant(words); });
  Load("AV", id, [&](const TFIBXSQLVAR& read) {
    TpZODArray array(db_->Library(), db_->Handle(), &tr_, "T", "AV");
    Variant back = array.Read(read.AsQuad(), &tr_);
    EXPECT_EQ(classlib::VarToStr(classlib::VarArrayGet(back, {1})), "one");
    EXPECT_EQ(classlib::VarToStr(classlib::VarArrayGet(back, {2})), "");
    EXPECT_EQ(classlib::VarToStr(classlib::VarArrayGet(back, {3})), "three");
  });
}

TEST_F(DescriptorEngineTest, ParametersOfOneNameShareTheValue) {
  TestStatement select(*db_, &tr_);
  select.Prepare("SELECT CAST(? AS INTEGER) + CAST(? AS INTEGER) FROM RDB$DATABASE WHERE ? = 2",
                 {"A", "B", "A"});
  select.Param("B").SetAsInteger(40);
  select.Params()[0].SetAsInteger(2);
  EXPECT_EQ(select.Params()[2].AsInteger(), 2);
  select.Execute();
  ASSERT_TRUE(select.Fetch());
  EXPECT_EQ(select.Column(0).AsInteger(), 42);
}

TEST_F(DescriptorEngineTest, ResultColumnsAreNullUntilARowIsFetched) {
  int id = Store("I", [](TFIBXSQLVAR& p) { p.SetAsInteger(9); });
  TestStatement select(*db_, &tr_);
  select.Prepare("SELECT I FROM T WHERE ID = ?");
  select.Params()[0].SetAsInteger(id);
  select.Execute();
  EXPECT_TRUE(select.Column(0).IsNull());
  ASSERT_TRUE(select.Fetch());
  EXPECT_EQ(select.Column(0).AsInteger(), 9);
}

TEST_F(DescriptorEngineTest, ARecordKeyIsCopiedNoLongerThanDescribed) {
  int id = Store("I", [](TFIBXSQLVAR& p) { p.SetAsInteger(1); });
  std::string key;
  Load("RDB$DB_KEY", id, [&](const TFIBXSQLVAR& read) { key = read.AsString(); });
  ASSERT_EQ(key.size(), 8u);
  TestStatement select(*db_, &tr_);
  select.Prepare("SELECT ID FROM T WHERE RDB$DB_KEY = ?", {"DB_KEY"});
  // Bytes past the key's length are dropped, not written past its buffer.
  select.Param("DB_KEY").SetAsString(key + std::string(64, '!'));
  EXPECT_EQ(select.Param("DB_KEY").Size(), 8);
  select.Execute();
  ASSERT_TRUE(select.Fetch());
  EXPECT_EQ(select.Column(0).AsInteger(), id);
}

TEST_F(DescriptorEngineTest, AssignCopiesValuesAndBlobContents) {
  int source_row = Store("BT", [](TFIBXSQLVAR& p) { p.SetAsString("blob text"); });
  TestStatement select(*db_, &tr_);
  select.Prepare("SELECT BT, N2, TS FROM T WHERE ID = ?");
  select.Params()[0].SetAsInteger(source_row);
  select.Execute();
  ASSERT_TRUE(select.Fetch());
  // Blob into blob: a new blob with the same contents; NULL stays NULL.
  int copy = Store("BL", [&](TFIBXSQLVAR& p) { p.Assign(select.Column(0)); });
  EXPECT_EQ(TextRoundTrip("BL", [&](TFIBXSQLVAR& p) { p.Assign(select.Column(0)); }), "blob text");
  Load("BL", copy, [](const TFIBXSQLVAR& read) { EXPECT_EQ(read.AsString(), "blob text"); });
  // Blob into text: the contents as text.
  EXPECT_EQ(TextRoundTrip("V", [&](TFIBXSQLVAR& p) { p.Assign(select.Column(0)); }), "blob text");
  int null_copy = Store("N2", [&](TFIBXSQLVAR& p) {
    p.SetAsInteger(1);
    p.Assign(select.Column(1));
  });
  Load("N2", null_copy, [](const TFIBXSQLVAR& read) { EXPECT_TRUE(read.IsNull()); });
}

}  // namespace
}  // namespace fib
