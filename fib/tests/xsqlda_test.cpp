// Descriptor areas described by hand, the way the client library fills them,
// without a server: naming, lookup, conversions and the NULL rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "classlib/codepage.h"
#include "classlib/numconv.h"
#include "fib/base/errors.h"
#include "fib/base/sql_types.h"
#include "fib/statements/xsqlda.h"
#include "fib/statements/xsqlda_owner.h"

namespace fib {
namespace {

using classlib::Variant;

class FakeOwner : public TXSQLOwner {
 public:
  IIBClientLibrary* ClientLibrary() override { return nullptr; }
  isc_db_handle* DBHandle() override { return nullptr; }
  isc_tr_handle* TRHandle() override { return nullptr; }
  bool HasDatabase() const override { return true; }
  int SQLDialect() const override { return dialect; }
  bool UpperOldNames() const override { return upper_old_names; }
  bool IsUTF8Connection() const override { return utf8; }
  bool TrimCharFields() const override { return false; }
  int RecordCount() const override { return record_count; }
  bool IsExecProcedure() const override { return exec_procedure; }
  std::string FullName() const override { return "Owner"; }
  void MacroValueChanged() override { ++macro_changes; }

  int dialect = 3;
  bool upper_old_names = false;
  int record_count = 1;
  bool exec_procedure = false;
  int macro_changes = 0;
  bool utf8 = false;
};

struct Described {
  int type;  // with the nullable bit
  int length;
  int scale = 0;
  std::string alias = {};
};

// Fills the area as a describe would, then lets the vector take it over.
void Describe(TFIBXSQLDA& vector, const std::vector<Described>& items) {
  vector.Resize(static_cast<int>(items.size()));
  for (size_t i = 0; i < items.size(); ++i) {
    XSQLVAR& raw = vector.AsXSQLDA()->sqlvar[i];
    raw.sqltype = static_cast<short>(items[i].type);
    raw.sqllen = static_cast<short>(items[i].length);
    raw.sqlscale = static_cast<short>(items[i].scale);
    std::memcpy(raw.aliasname, items[i].alias.data(), items[i].alias.size());
    raw.aliasname_length = static_cast<short>(items[i].alias.size());
  }
  vector.Initialize();
}

template <typename T>
void Put(TFIBXSQLVAR& var, T value) {
  std::memcpy(var.Data()->sqldata, &value, sizeof value);
}

std::string ErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const EFIBError& e) {
    return e.Msg();
  }
  return "(no error)";
}

TEST(XSQLDA, ItemsLiveInsideTheArea) {
  TFIBXSQLDA vector(nullptr, false);
  vector.Resize(2);
  vector.Resize(40);
  EXPECT_EQ(vector.Count(), 40);
  EXPECT_EQ(vector.AsXSQLDA()->sqln, 40);
  EXPECT_EQ(vector.AsXSQLDA()->sqld, 40);
  EXPECT_EQ(vector.AsXSQLDA()->version, SQLDA_VERSION1);
  for (int i : {0, 39}) EXPECT_EQ(vector[i].Data(), &vector.AsXSQLDA()->sqlvar[i]);
  vector.Resize(3);
  EXPECT_EQ(vector[2].Data(), &vector.AsXSQLDA()->sqlvar[2]);
  EXPECT_EQ(ErrorText([&] { vector.Vars(3); }), "XSQLDA index out of range.");
  EXPECT_EQ(ErrorText([&] { vector.Vars(-1); }), "XSQLDA index out of range.");
}

TEST(XSQLDA, ColumnsAreNamedUniquelyFromTheirAliases) {
  TFIBXSQLDA columns(nullptr, false);
  std::string long_alias(31, 'L');
  Describe(columns, {{kSQLLong, 4, 0, "ID"}, {kSQLLong, 4, 0, "ID"}, {kSQLLong, 4, 0, ""},
                     {kSQLLong, 4, 0, long_alias}, {kSQLLong, 4, 0, long_alias}});
  EXPECT_EQ(columns[0].Name(), "ID");
  EXPECT_EQ(columns[1].Name(), "ID1");
  EXPECT_EQ(columns[2].Name(), "F_3");
  EXPECT_EQ(columns[3].Name(), long_alias);
  EXPECT_EQ(columns[4].Name(), std::string(30, 'L') + "1");
  EXPECT_EQ(columns[4].AliasName(), columns[4].Name());
  EXPECT_EQ(columns.ByName("ID1"), &columns[1]);
}

TEST(XSQLDA, NamesAreFoundByTheServersCaseRules) {
  FakeOwner owner;
  TFIBXSQLDA params(&owner, true);
  params.Resize(2);
  params.SetItemName(0, "total", false);
  params.SetItemName(1, "MixEd", true);
  EXPECT_EQ(params[0].Name(), "TOTAL");
  EXPECT_EQ(params.ByName("TOTAL"), &params[0]);
  EXPECT_EQ(params.ByName("\"MixEd\""), &params[1]);
  EXPECT_EQ(params.ByName("MixEd"), &params[1]);
  // Dialect 3 keeps case unless the database folds old names.
  EXPECT_EQ(params.ByName("total"), nullptr);
  owner.upper_old_names = true;
  EXPECT_EQ(params.ByName("total"), &params[0]);
  owner.upper_old_names = false;
  owner.dialect = 1;
  EXPECT_EQ(params.ByName("toTal"), &params[0]);
  EXPECT_EQ(params.ByName("mixed"), nullptr);
  EXPECT_EQ(params.ByName("other"), nullptr);
}

TEST(XSQLDA, UnknownTypesAreRefused) {
  TFIBXSQLDA columns(nullptr, false);
  EXPECT_EQ(ErrorText([&] { Describe(columns, {{998, 4}}); }), "Unknown SQL Data type (998).");
  EXPECT_THROW(Describe(columns, {{0, 0}}), EFIBClientError);
  // An untyped parameter is allowed and reads as NULL until written.
  TFIBXSQLDA params(nullptr, true);
  Describe(params, {{0, 0}, {kSQLNull + 1, 0}, {kSQLFBBoolean + 1, 1}});
  EXPECT_TRUE(params[0].IsNull());
  params[0].SetIsNull(true);
  EXPECT_EQ(params[0].SQLType(), kSQLText);
  EXPECT_TRUE(params[0].IsNullable());
}

TEST(XSQLVAR, ScaledIntegersReadExactly) {
  TFIBXSQLDA columns(nullptr, false);
  Describe(columns, {{kSQLInt64, 8, -2}, {kSQLLong, 4, 0}, {kSQLLong, 4, -1}, {kSQLShort, 2, -3}});
  Put<int64_t>(columns[0], 12345);
  EXPECT_EQ(columns[0].AsString(), "123.45");
  EXPECT_EQ(columns[0].AsInteger(), 123);
  EXPECT_EQ(columns[0].AsInt64(), 123);
  EXPECT_DOUBLE_EQ(columns[0].AsDouble(), 123.45);
  Put<int64_t>(columns[0], -5);
  EXPECT_EQ(columns[0].AsString(), "-0.05");
  EXPECT_EQ(columns[0].AsInteger(), 0);
  EXPECT_EQ(columns[0].AsInt64(), 0);
  Put<int32_t>(columns[1], -7);
  EXPECT_EQ(columns[1].AsString(), "-7");
  EXPECT_EQ(columns[1].AsVariant().VType(), classlib::varInteger);
  Put<int32_t>(columns[2], -7);
  EXPECT_EQ(columns[2].AsString(), classlib::FloatToStr(-0.7));
  EXPECT_EQ(columns[2].AsVariant().VType(), classlib::varDouble);
  Put<int16_t>(columns[3], 1500);
  EXPECT_FALSE(columns[3].AsBoolean());
  EXPECT_EQ(columns[3].AsInteger(), 1);
}

TEST(XSQLVAR, ConversionsThatCannotHoldTheValueFail) {
  TFIBXSQLDA columns(nullptr, false);
  Describe(columns, {{kSQLTimeStamp, 8}, {kSQLInt64, 8}, {kSQLInt64, 8, -2}, {kSQLDouble, 8},
                     {kSQLBoolean, 2}, {kSQLText, 4}});
  EXPECT_EQ(ErrorText([&] { columns[0].AsInteger(); }), "Invalid data conversion.");
  EXPECT_THROW(columns[0].AsQuad(), EFIBClientError);
  // Past 32 bits an integer is an error, not a wrapped value.
  Put<int64_t>(columns[1], int64_t{3000000000});
  EXPECT_THROW(columns[1].AsInteger(), EFIBClientError);
  Put<int64_t>(columns[2], int64_t{300000000000});
  EXPECT_THROW(columns[2].AsInteger(), EFIBClientError);
  Put<int64_t>(columns[2], int64_t{-214748364800});
  EXPECT_EQ(columns[2].AsInteger(), INT32_MIN);
  Put<double>(columns[3], 1e10);
  EXPECT_THROW(columns[3].AsInteger(), EFIBClientError);
  EXPECT_EQ(columns[3].AsInt64(), int64_t{10000000000});
  Put<int16_t>(columns[4], 1);
  EXPECT_TRUE(columns[4].AsBoolean());
  EXPECT_DOUBLE_EQ(columns[4].AsDouble(), 1.0);
  EXPECT_THROW(columns[4].AsInt64(), EFIBClientError);
  // Four bytes hold no GUID.
  std::memcpy(columns[5].Data()->sqldata, "abcd", 4);
  EXPECT_THROW(columns[5].AsGuid(), EFIBClientError);
}

TEST(XSQLVAR, CurrencyAndDecimalsRoundHalfToEven) {
  FakeOwner owner;
  TFIBXSQLDA columns(&owner, false);
  Describe(columns, {{kSQLInt64, 8, -6}, {kSQLInt64, 8, -2}});
  Put<int64_t>(columns[0], 1234550);
  EXPECT_EQ(columns[0].AsCurrency(), classlib::Currency::FromScaled(12346));
  Put<int64_t>(columns[0], -1234650);
  EXPECT_EQ(columns[0].AsCurrency(), classlib::Currency::FromScaled(-12346));
  EXPECT_EQ(classlib::BCDToStr(columns[0].AsBCD()), "-1.23465");
  Put<int64_t>(columns[1], INT64_MAX);
  EXPECT_THROW(columns[1].AsCurrency(), EFIBClientError);
  EXPECT_EQ(classlib::BCDToStr(columns[1].AsBCD()), "92233720368547758.07");
}

TEST(XSQLVAR, NullRules) {
  FakeOwner owner;
  TFIBXSQLDA columns(&owner, false);
  Describe(columns, {{kSQLLong + 1, 4}, {kSQLVarying + 1, 10}});
  Put<int32_t>(columns[0], 5);
  EXPECT_FALSE(columns[0].IsNull());
  *columns[0].Data()->sqlind = -1;
  EXPECT_TRUE(columns[0].IsNull());
  EXPECT_EQ(columns[0].AsInteger(), 0);
  EXPECT_EQ(columns[0].AsString(), "");
  EXPECT_TRUE(classlib::VarIsNull(columns[0].AsVariant()));
  *columns[0].Data()->sqlind = 0;
  // Nothing fetched yet: no value, except for the outputs of a procedure.
  owner.record_count = 0;
  columns.RowStateChanged();
  EXPECT_TRUE(columns[0].IsNull());
  owner.exec_procedure = true;
  columns.RowStateChanged();
  EXPECT_EQ(columns[0].AsInteger(), 5);
}

TEST(XSQLVAR, ParameterTypesFollowTheWrittenValue) {
  FakeOwner owner;
  TFIBXSQLDA params(&owner, true);
  Describe(params, {{kSQLLong + 1, 4}, {kSQLVarying + 1, 10}, {kSQLDate + 1, 4}});
  TFIBXSQLVAR& number = params[0];
  number.SetAsString("");
  EXPECT_TRUE(number.IsNull());
  number.SetAsString("1,5");
  EXPECT_EQ(number.SQLType(), kSQLText);
  EXPECT_EQ(number.AsString(), "1.5");
  EXPECT_TRUE(number.Modified());
  params[1].SetAsString("");
  EXPECT_FALSE(params[1].IsNull());
  EXPECT_EQ(params[1].AsString(), "");
  // Text taken from the item's own buffer survives its refilling (the
  // VARCHAR keeps its length in the first two bytes).
  params[1].SetAsString("abcdef");
  params[1].SetAsString(std::string_view(params[1].Data()->sqldata + 3, 4));
  EXPECT_EQ(params[1].AsString(), "bcde");
  params[2].SetAsVariant(Variant::FromDate(classlib::EncodeDate(2001, 2, 3) + 0.5));
  EXPECT_EQ(params[2].SQLType(), kSQLTimeStamp);
  EXPECT_EQ(params[2].AsDateTime(), classlib::EncodeDate(2001, 2, 3));

  number.SetAsExtended(123.456L);
  EXPECT_EQ(number.SQLType(), kSQLInt64);
  EXPECT_EQ(number.SQLScale(), -15);
  EXPECT_EQ(number.AsString(), "123.456");
  number.SetAsCurrency(classlib::Currency::FromScaled(-15));
  EXPECT_EQ(number.SQLScale(), -4);
  EXPECT_EQ(number.AsString(), "-0.0015");
  number.SetAsVariant(Variant(uint32_t{4000000000u}));
  EXPECT_EQ(number.SQLType(), kSQLInt64);
  EXPECT_EQ(number.AsInt64(), 4000000000);
  EXPECT_EQ(ErrorText([&] { number.SetAsVariant(Variant::FromError(1)); }), "Not permitted.");
  Variant target(5);
  EXPECT_THROW(number.SetAsVariant(Variant::Reference(&target)), EFIBClientError);
  EXPECT_THROW(number.SetAsVariant(Variant::FromObject(nullptr)), EFIBClientError);

  // Below dialect 3 there is no INT64 to send.
  owner.dialect = 1;
  number.SetAsExtended(123.456L);
  EXPECT_EQ(number.SQLType(), kSQLDouble);
  number.SetAsCurrency(classlib::Currency::FromScaled(-15));
  EXPECT_EQ(number.SQLType(), kSQLDouble);
  EXPECT_DOUBLE_EQ(number.AsDouble(), -0.0015);
}

// Values the described type holds exactly go in that type, so the server
// copies them; the others keep the written value's own type.
TEST(XSQLVAR, ExactValuesTravelInTheDescribedType) {
  FakeOwner owner;
  TFIBXSQLDA params(&owner, true);
  Describe(params, {{kSQLInt64 + 1, 8, -2}, {kSQLShort + 1, 2, -1}, {kSQLVarying + 1, 6},
                    {kSQLLong + 1, 4}});
  TFIBXSQLVAR& amount = params[0];
  amount.SetAsDouble(1.25);
  EXPECT_EQ(amount.SQLType(), kSQLInt64);
  EXPECT_EQ(amount.SQLScale(), -2);
  EXPECT_EQ(amount.AsDouble(), 1.25);
  EXPECT_EQ(amount.AsString(), "1.25");
  amount.SetAsDouble(-12.5);
  EXPECT_EQ(amount.SQLType(), kSQLInt64);
  EXPECT_EQ(amount.AsDouble(), -12.5);
  // A third decimal, infinity or NaN is left to the server's rounding.
  for (double value : {1.255, HUGE_VAL, double{NAN}, 1e300}) {
    amount.SetAsDouble(value);
    EXPECT_EQ(amount.SQLType(), kSQLDouble) << value;
  }
  TFIBXSQLVAR& small = params[1];
  small.SetAsDouble(3276.7);
  EXPECT_EQ(small.SQLType(), kSQLShort);
  EXPECT_EQ(small.AsDouble(), 3276.7);
  small.SetAsDouble(3276.8);  // past SMALLINT: the server reports the overflow
  EXPECT_EQ(small.SQLType(), kSQLDouble);
  params[3].SetAsDouble(-7);
  EXPECT_EQ(params[3].SQLType(), kSQLLong);
  EXPECT_EQ(params[3].AsInteger(), -7);

  TFIBXSQLVAR& name = params[2];
  name.SetAsString("abc");
  EXPECT_EQ(name.SQLType(), kSQLVarying);
  EXPECT_EQ(name.Size(), 6);
  EXPECT_EQ(name.AsString(), "abc");
  name.SetAsString("abcdefg");  // too long: the server reports the truncation
  EXPECT_EQ(name.SQLType(), kSQLText);
  EXPECT_EQ(name.AsString(), "abcdefg");
  name.SetAsString(std::string("a\0b", 3));
  EXPECT_EQ(name.AsString(), std::string("a\0b", 3));
}

TEST(XSQLVAR, ARedescribeKeepsAssignedValues) {
  TFIBXSQLDA params(nullptr, true);
  Describe(params, {{kSQLLong + 1, 4}, {kSQLLong + 1, 4}});
  params[0].SetAsString("12");
  params.Initialize();
  EXPECT_EQ(params[0].SQLType(), kSQLText);
  EXPECT_EQ(params[0].AsString(), "12");
  EXPECT_EQ(params[1].SQLType(), kSQLLong);
}

// Parameters that share a name share each value written to any of them; the
// vector finds them once and again only after its names or count changed.
TEST(XSQLVAR, NamesakesFollowTheNamesOfTheirVector) {
  TFIBXSQLDA params(nullptr, true);
  params.Resize(3);
  params.SetItemName(0, "A", false);
  params.SetItemName(1, "B", false);
  params.SetItemName(2, "a", false);
  params[0].SetAsInteger(5);
  EXPECT_EQ(params[2].AsInteger(), 5);
  EXPECT_TRUE(params[1].IsNull());
  params[2].SetAsInteger(6);
  EXPECT_EQ(params[0].AsInteger(), 6);

  // A renamed item joins the name at once.
  params.SetItemName(1, "A", false);
  params[0].SetAsString("x");
  EXPECT_EQ(params[1].AsString(), "x");
  EXPECT_EQ(params[2].AsString(), "x");

  // A new count and new names: the old namesakes are forgotten.
  params.Resize(2);
  params.SetItemName(0, "X", false);
  params.SetItemName(1, "A", false);
  params[1].SetAsInteger(9);
  EXPECT_EQ(params[1].AsInteger(), 9);
  EXPECT_NE(params[0].SQLType(), kSQLLong);
  params[0].SetIsNull(true);
  EXPECT_FALSE(params[1].IsNull());

  // Result columns never share values, whatever their names.
  TFIBXSQLDA columns(nullptr, false);
  Describe(columns, {{kSQLLong + 1, 4, 0, "C"}, {kSQLLong + 1, 4, 0, "C"}});
  columns[0].SetAsInteger(1);
  columns[1].SetAsInteger(2);
  EXPECT_EQ(columns[0].AsInteger(), 1);
}

// A value written again in the shape of the last one goes straight into
// the buffer; any change of shape, NULL, name or describe must still show.
TEST(XSQLVAR, RewritesInTheSameShapeKeepEverythingElseRight) {
  FakeOwner owner;
  TFIBXSQLDA params(&owner, true);
  Describe(params, {{kSQLLong + 1, 4}, {kSQLVarying + 1, 6}, {kSQLInt64 + 1, 8, -2}});
  TFIBXSQLVAR& number = params[0];
  number.SetAsInteger(1);
  number.SetIsNull(true);
  number.SetAsInteger(2);
  EXPECT_FALSE(number.IsNull());
  EXPECT_EQ(number.AsInteger(), 2);
  number.SetAsInt64(int64_t{1} << 40);
  EXPECT_EQ(number.SQLType(), kSQLInt64);
  number.SetAsInteger(3);
  EXPECT_EQ(number.SQLType(), kSQLLong);
  EXPECT_EQ(number.Size(), 4);
  EXPECT_EQ(number.AsInteger(), 3);

  // A shorter text after a longer one leaves no bytes of the longer behind.
  TFIBXSQLVAR& name = params[1];
  name.SetAsString("abcdef");
  name.SetAsString("xy");
  EXPECT_EQ(name.AsString(), "xy");
  EXPECT_EQ(std::string(name.Data()->sqldata, 8), std::string("\2\0xy\0\0\0\0", 8));
  name.SetAsString("toolong!");
  EXPECT_EQ(name.SQLType(), kSQLText);
  name.SetAsString("ab");
  EXPECT_EQ(name.SQLType(), kSQLVarying);
  EXPECT_EQ(name.AsString(), "ab");

  TFIBXSQLVAR& amount = params[2];
  amount.SetAsDouble(1.25);
  amount.SetAsDouble(1.0 / 3);
  EXPECT_EQ(amount.SQLType(), kSQLDouble);
  amount.SetAsDouble(2.5);
  EXPECT_EQ(amount.SQLType(), kSQLInt64);
  EXPECT_EQ(amount.AsDouble(), 2.5);

  // A describe that overwrites the record brings back what was written.
  number.SetAsInteger(7);
  number.SetAsInteger(8);
  XSQLVAR& raw = params.AsXSQLDA()->sqlvar[0];
  raw.sqltype = kSQLVarying + 1;
  raw.sqllen = 10;
  params.Initialize();
  EXPECT_EQ(number.SQLType(), kSQLLong);
  EXPECT_EQ(number.AsInteger(), 8);

  // An item that gets a namesake after many writes of its own shares the
  // next value written in the very same shape.
  params.SetItemName(0, "A", false);
  params.SetItemName(2, "A", false);
  for (int i = 0; i < 3; ++i) params[0].SetAsInteger(i);
  EXPECT_EQ(params[2].AsInteger(), 2);
  params.SetItemName(2, "B", false);
  params[0].SetAsInteger(9);
  EXPECT_EQ(params[2].AsInteger(), 2);
}

TEST(XSQLVAR, MacrosReportNewValues) {
  FakeOwner owner;
  TFIBXSQLDA params(&owner, true);
  params.Resize(1);
  params.SetItemName(0, "@WHERE", false);
  Describe(params, {{0, 0}});
  params[0].SetMacro(true, false);
  params[0].SetMacroPreviousValue(Variant("1=1"));
  params[0].SetAsString("1=1");
  EXPECT_EQ(owner.macro_changes, 0);
  // A macro keeps commas: it is SQL text, not a number.
  params[0].SetAsString("A IN (1,2)");
  EXPECT_EQ(owner.macro_changes, 1);
  EXPECT_EQ(params[0].AsString(), "A IN (1,2)");
}

TEST(XSQLVAR, UTF8ConnectionsEncodeParametersAndDecodeUnicodeColumns) {
  FakeOwner owner;
  owner.utf8 = true;
  TFIBXSQLDA params(&owner, true);
  Describe(params, {{kSQLVarying + 1, 40}});
  std::string ansi = classlib::Utf8ToCp1251("Ёж");
  params[0].SetAsString(ansi);
  EXPECT_EQ(params[0].SQLSubtype(), kCharsetUnicodeFSS);
  EXPECT_EQ(std::string(params[0].Data()->sqldata, params[0].Size()), "Ёж");
  // UNICODE_FSS text reads back decoded, and as wide text in a variant.
  EXPECT_EQ(params[0].AsString(), ansi);
  EXPECT_EQ(params[0].AsVariant().VType(), classlib::varOleStr);
  EXPECT_EQ(params[0].AsVariant().AsOleStr(), u"Ёж");
  // Wide text that the descriptor cannot hold is refused with the names.
  std::u16string wide(20000, u'ж');
  EXPECT_EQ(ErrorText([&] { params[0].SetAsVariant(Variant(wide)); }),
            "Owner. Value for WideString Parameter \"0\" too long");
}

TEST(XSQLVAR, BlobParametersWithoutAConnectionKeepTheirContents) {
  TFIBXSQLDA params(nullptr, true);
  Describe(params, {{kSQLBlob + 1, 8}, {kSQLBlob + 1, 8}, {kSQLArray + 1, 8}});
  EXPECT_EQ(params[0].AsString(), "(BLOB)");
  params[0].SetAsString(std::string(kMaxTextLength + 1, 'q'));
  EXPECT_TRUE(params[0].HasStream());
  EXPECT_EQ(params[0].AsString().size(), static_cast<size_t>(kMaxTextLength + 1));
  // A text source goes into a blob target as its contents.
  params[1].Assign(params[0]);
  EXPECT_EQ(params[1].AsString(), params[0].AsString());
  // Array ids are never copied.
  params[2].Assign(params[0]);
  EXPECT_FALSE(params[2].Modified());
  EXPECT_EQ(params[2].AsString(), "(ARRAY)");
  // A variant array given to a blob parameter is sent as its raw elements.
  Variant numbers = classlib::VarArrayCreate({0, 1}, classlib::varInteger);
  classlib::VarArrayPut(numbers, Variant(1), {0});
  classlib::VarArrayPut(numbers, Variant(-1), {1});
  params[1].SetAsVariant(numbers);
  EXPECT_EQ(params[1].AsString(), std::string("\1\0\0\0\xff\xff\xff\xff", 8));
}

}  // namespace
}  // namespace fib
