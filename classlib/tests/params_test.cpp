#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "classlib/component.h"
#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "classlib/params.h"
#include "classlib/stream.h"
#include "testing/message_of.h"

namespace classlib {
namespace {

// ---- Typed views

TEST(ParamValues, TypedSettersSetTheirTypeAndConvertOnRead) {
  TParam p(nullptr);
  p.SetAsInteger(42);
  EXPECT_EQ(p.DataType(), ftInteger);
  EXPECT_EQ(p.AsString(), "42");
  EXPECT_DOUBLE_EQ(p.AsFloat(), 42.0);
  EXPECT_EQ(p.AsLargeInt(), 42);

  p.SetAsLargeInt(int64_t{1} << 40);
  EXPECT_EQ(p.DataType(), ftLargeint);
  EXPECT_EQ(p.AsLargeInt(), int64_t{1} << 40);

  p.SetAsFloat(2.5);
  EXPECT_EQ(p.DataType(), ftFloat);
  EXPECT_EQ(p.AsCurrency(), Currency::FromScaled(25000));

  p.SetAsCurrency(Currency::FromScaled(12345));
  EXPECT_EQ(p.DataType(), ftCurrency);
  EXPECT_DOUBLE_EQ(p.AsFloat(), 1.2345);
  p.SetAsBCD(Currency::FromInt(7));
  EXPECT_EQ(p.DataType(), ftBCD);
  EXPECT_EQ(p.AsBCD(), Currency::FromInt(7));

  p.SetAsBoolean(true);
  EXPECT_EQ(p.DataType(), ftBoolean);
  EXPECT_EQ(p.AsString(), "True");
  p.SetAsBoolean(false);
  EXPECT_EQ(p.AsString(), "False");

  p.SetAsString("17");
  EXPECT_EQ(p.DataType(), ftString);
  EXPECT_EQ(p.AsInteger(), 17);
  p.SetAsMemo("memo");
  EXPECT_EQ(p.DataType(), ftMemo);
  p.SetAsBlob(std::string("a\0b", 3));
  EXPECT_EQ(p.DataType(), ftBlob);
  EXPECT_EQ(p.AsBlob(), std::string("a\0b", 3));
}

TEST(ParamValues, TextThatIsNoNumberRaisesOnNumericRead) {
  TParam p(nullptr);
  p.SetAsString("abc");
  EXPECT_THROW(p.AsInteger(), EVariantError);
  EXPECT_THROW(p.AsFloat(), EVariantError);
  EXPECT_EQ(p.AsString(), "abc");
}

TEST(ParamValues, NarrowIntegersRefuseValuesOutOfRangeAndKeepTheOldValue) {
  TParam p(nullptr);
  p.SetAsSmallInt(-32768);
  EXPECT_EQ(p.DataType(), ftSmallint);
  EXPECT_EQ(p.AsSmallInt(), -32768);
  EXPECT_THROW(p.SetAsSmallInt(32768), EVariantError);
  EXPECT_EQ(p.AsSmallInt(), -32768);

  p.SetAsWord(65535);
  EXPECT_EQ(p.DataType(), ftWord);
  EXPECT_EQ(p.AsWord(), 65535);
  EXPECT_THROW(p.SetAsWord(-1), EVariantError);
  EXPECT_EQ(p.DataType(), ftWord);
}

TEST(ParamValues, FixedKindsOfTextKeepTheirType) {
  TParam p(nullptr);
  p.SetDataType(ftFixedChar);
  p.SetAsString("abc");
  EXPECT_EQ(p.DataType(), ftFixedChar);
  p.SetDataType(ftFixedWideChar);
  p.SetAsWideString(u"\u0436");
  EXPECT_EQ(p.DataType(), ftFixedWideChar);
  EXPECT_EQ(p.AsWideString(), u"\u0436");
  p.SetAsWideString(u"x");
  EXPECT_EQ(p.DataType(), ftFixedWideChar);
  p.SetDataType(ftUnknown);
  p.SetAsWideString(u"x");
  EXPECT_EQ(p.DataType(), ftWideString);
}

TEST(ParamValues, DatesTimesAndTimeStamps) {
  TParam p(nullptr);
  TDateTime when = EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 30, 250);
  p.SetAsDate(EncodeDate(2024, 2, 29));
  EXPECT_EQ(p.DataType(), ftDate);
  p.SetAsTime(EncodeTime(13, 45, 30, 250));
  EXPECT_EQ(p.DataType(), ftTime);
  p.SetAsDateTime(when);
  EXPECT_EQ(p.DataType(), ftDateTime);
  EXPECT_DOUBLE_EQ(p.AsDateTime(), when);

  TSQLTimeStamp ts = p.AsSQLTimeStamp();
  EXPECT_EQ(ts.Year, 2024);
  EXPECT_EQ(ts.Month, 2);
  EXPECT_EQ(ts.Day, 29);
  EXPECT_EQ(ts.Hour, 13);
  EXPECT_EQ(ts.Second, 30);

  TParam q(nullptr);
  q.SetAsSQLTimeStamp(ts);
  EXPECT_EQ(q.DataType(), ftTimeStamp);
  EXPECT_EQ(q.AsSQLTimeStamp(), ts);
  EXPECT_NEAR(q.AsDateTime(), when, 1e-8);
}

TEST(ParamValues, FMTBcdKeepsItsDigits) {
  TParam p(nullptr);
  p.SetAsFMTBCD(StrToBCD("12345678901234567890.125"));
  EXPECT_EQ(p.DataType(), ftFMTBcd);
  EXPECT_EQ(BcdCompare(p.AsFMTBCD(), StrToBCD("12345678901234567890.125")), 0);
}

TEST(ParamValues, BytesRoundTripThroughAByteArray) {
  TParam p(nullptr);
  std::vector<uint8_t> bytes = {0, 1, 0xFF, 0x80};
  p.SetAsBytes(bytes);
  EXPECT_EQ(p.DataType(), ftVarBytes);
  EXPECT_TRUE(VarIsArray(p.Value()));
  EXPECT_EQ(p.AsBytes(), bytes);
  EXPECT_EQ(p.AsString(), std::string("\0\1\xFF\x80", 4));
  EXPECT_EQ(p.GetDataSize(), 6);  // 16-bit length, then the bytes

  p.SetDataType(ftBytes);
  p.SetAsBytes({});
  EXPECT_EQ(p.DataType(), ftBytes);
  EXPECT_TRUE(p.AsBytes().empty());
}

// ---- Null, bound and type inference

TEST(ParamValues, NullParameterReadsAsZeroOfEveryKind) {
  TParam p(nullptr);
  EXPECT_TRUE(p.IsNull());
  EXPECT_FALSE(p.Bound());
  EXPECT_EQ(p.AsInteger(), 0);
  EXPECT_EQ(p.AsString(), "");
  EXPECT_FALSE(p.AsBoolean());
  EXPECT_DOUBLE_EQ(p.AsDateTime(), 0.0);
  EXPECT_TRUE(p.AsBytes().empty());

  p.SetAsInteger(5);
  EXPECT_TRUE(p.Bound());
  p.Clear();
  EXPECT_TRUE(p.IsNull());
  EXPECT_TRUE(p.Bound());  // a cleared parameter still binds: as NULL
  EXPECT_EQ(p.DataType(), ftInteger);
}

TEST(ParamValues, UnknownTypeIsTakenFromTheValueOnlyOnce) {
  struct Case {
    Variant value;
    TFieldType type;
  } cases[] = {
      {Variant(int16_t{3}), ftSmallint},   {Variant(int32_t{3}), ftInteger},
      {Variant(3LL), ftLargeint},          {Variant(1.5), ftFloat},
      {Variant(Currency::FromInt(1)), ftBCD}, {Variant::FromDate(1.0), ftDateTime},
      {Variant(true), ftBoolean},          {Variant("s"), ftString},
      {Variant(u"w"), ftWideString},
  };
  for (const Case& c : cases) {
    TParam p(nullptr);
    p.SetValue(c.value);
    EXPECT_EQ(p.DataType(), c.type) << VarTypeAsText(VarType(c.value));
  }
  TParam p(nullptr);
  p.SetValue(Null());
  EXPECT_EQ(p.DataType(), ftUnknown);
  EXPECT_TRUE(p.Bound());
  p.SetValue(Variant(1.5));
  p.SetValue(Variant("x"));
  EXPECT_EQ(p.DataType(), ftFloat);
  p.SetValue(Variant());
  EXPECT_FALSE(p.Bound());
}

TEST(ParamValues, SettingTheTypeConvertsTheValueOrDropsIt) {
  TParam p(nullptr);
  p.SetAsString("42");
  p.SetDataType(ftInteger);
  EXPECT_EQ(VarType(p.Value()), varInteger);
  EXPECT_EQ(p.AsInteger(), 42);
  p.SetDataType(ftFloat);
  EXPECT_EQ(VarType(p.Value()), varDouble);

  p.SetAsString("not a number");
  p.SetDataType(ftInteger);
  EXPECT_TRUE(p.IsNull());

  // Values without a scalar kind (bytes) stay as they are.
  p.SetAsBytes({1, 2});
  p.SetDataType(ftBlob);
  EXPECT_EQ(p.AsBytes(), (std::vector<uint8_t>{1, 2}));
}

// A parameter that keeps the value itself, as data-access layers do for
// blobs: the typed setters must reach it through the virtual members.
class RecordingParam : public TParam {
 public:
  explicit RecordingParam(TCollection* c) : TParam(c) {}
  std::vector<std::string> calls;
  void SetDataType(TFieldType type) override {
    calls.push_back("type " + std::to_string(type));
    TParam::SetDataType(type);
  }
  void SetValue(const Variant& value) override {
    calls.push_back("value " + VarToStr(value));
    TParam::SetValue(value);
  }
};

TEST(ParamValues, TypedSettersGoThroughTheVirtualTypeAndValueSetters) {
  RecordingParam p(nullptr);
  p.SetAsInteger(1);
  p.SetAsInteger(2);
  p.SetAsString("x");
  EXPECT_EQ(p.calls, (std::vector<std::string>{"type 3", "value 1", "value 2", "type 1",
                                               "value x"}));
}

// ---- Sizes

TEST(ParamValues, DataSizeFollowsTheBufferFormOfTheType) {
  TParam p(nullptr);
  EXPECT_THROW(p.GetDataSize(), EDatabaseError);
  p.SetAsString("abc");
  EXPECT_EQ(p.GetDataSize(), 4);
  p.SetAsWideString(u"abc");
  EXPECT_EQ(p.GetDataSize(), 8);
  p.SetAsBoolean(true);
  EXPECT_EQ(p.GetDataSize(), 2);
  p.SetAsDate(1.0);
  EXPECT_EQ(p.GetDataSize(), 4);
  p.SetAsBCD(Currency::FromInt(1));
  EXPECT_EQ(p.GetDataSize(), 8);
  p.SetAsBlob("12345");
  EXPECT_EQ(p.GetDataSize(), 5);
  p.SetDataType(ftADT);
  EXPECT_THROW(p.GetDataSize(), EDatabaseError);
}

// ---- Blobs

TEST(ParamBlobs, StreamIsReadWholeFromItsStart) {
  TParam p(nullptr);
  p.SetName("Doc");
  TStringStream stream(std::string("head\0tail", 9));
  stream.Seek(0, soFromEnd);
  p.LoadFromStream(stream, ftBlob);
  EXPECT_EQ(p.DataType(), ftBlob);
  EXPECT_EQ(p.AsBlob(), std::string("head\0tail", 9));
  EXPECT_TRUE(p.Bound());

  TStringStream wide(std::string("A\0\x36\x04", 4));  // "A", then U+0436
  p.LoadFromStream(wide, ftWideMemo);
  EXPECT_EQ(p.DataType(), ftWideMemo);
  EXPECT_EQ(p.AsWideString(), u"A\u0436");

  EXPECT_THROW(p.LoadFromStream(stream, ftString), EDatabaseError);
  EXPECT_EQ(p.DataType(), ftWideMemo);
}

TEST(ParamBlobs, FileAndBufferSources) {
  TParam p(nullptr);
  std::string path = ::testing::TempDir() + "param_blob.bin";
  {
    TFileStream out(path, fmCreate);
    out.WriteBuffer("file bytes", 10);
  }
  p.LoadFromFile(path, ftMemo);
  EXPECT_EQ(p.DataType(), ftMemo);
  EXPECT_EQ(p.AsMemo(), "file bytes");
  std::remove(path.c_str());
  EXPECT_THROW(p.LoadFromFile(path, ftBlob), EFOpenError);

  const char raw[] = {'x', '\0', 'y'};
  p.SetBlobData(raw, 3);
  EXPECT_EQ(p.DataType(), ftBlob);
  EXPECT_EQ(p.AsBlob(), std::string(raw, 3));
  p.SetBlobData(nullptr, 0);
  EXPECT_EQ(p.AsBlob(), "");
  EXPECT_THROW(p.SetBlobData(raw, -1), EDatabaseError);
}

// ---- Copying between parameters

TEST(ParamAssign, CopiesTypeValueAndNameButKeepsAKnownDirection) {
  TParam src(nullptr);
  src.SetName("Amount");
  src.SetParamType(ptInputOutput);
  src.SetAsCurrency(Currency::FromInt(3));
  src.SetSize(8);
  src.SetPrecision(18);
  src.SetNumericScale(4);

  TParam dst(nullptr);
  dst.Assign(&src);
  EXPECT_EQ(dst.Name(), "Amount");
  EXPECT_EQ(dst.DataType(), ftCurrency);
  EXPECT_EQ(dst.AsCurrency(), Currency::FromInt(3));
  EXPECT_EQ(dst.ParamType(), ptInputOutput);
  EXPECT_EQ(dst.Size(), 8);
  EXPECT_EQ(dst.Precision(), 18);
  EXPECT_EQ(dst.NumericScale(), 4);
  EXPECT_TRUE(dst.IsEqual(&src));

  TParam out(nullptr);
  out.SetParamType(ptOutput);
  src.Clear();
  out.SetAsInteger(9);
  out.Assign(&src);
  EXPECT_EQ(out.ParamType(), ptOutput);
  EXPECT_TRUE(out.IsNull());
  EXPECT_FALSE(out.IsEqual(&src));  // directions differ

  TParams other;
  EXPECT_THROW(dst.Assign(&other), EConvertError);
}

TEST(ParamAssign, EqualityLooksAtValueTypeAndBinding) {
  TParam a(nullptr), b(nullptr);
  EXPECT_TRUE(a.IsEqual(&b));
  a.SetAsInteger(1);
  b.SetAsInteger(1);
  EXPECT_TRUE(a.IsEqual(&b));
  b.SetAsInteger(2);
  EXPECT_FALSE(a.IsEqual(&b));
  b.SetAsFloat(1.0);
  EXPECT_FALSE(a.IsEqual(&b));  // same number, other type
  a.SetAsBytes({1, 2});
  b.SetAsBytes({1, 2});
  EXPECT_TRUE(a.IsEqual(&b));
  b.SetAsBytes({1, 3});
  EXPECT_FALSE(a.IsEqual(&b));
  EXPECT_FALSE(a.IsEqual(nullptr));
}

// ---- The parameter list

TEST(Params, LookupByNameIgnoresCaseAndNamesTheMissingOne) {
  TParams params;
  TParam* id = params.CreateParam(ftInteger, "ID", ptInput);
  params.CreateParam(ftString, "Name", ptInput);
  EXPECT_EQ(params.FindParam("id"), id);
  EXPECT_EQ(params.ParamByName("iD"), id);
  EXPECT_EQ(params.FindParam("missing"), nullptr);
  EXPECT_EQ(testing::MessageOf<EDatabaseError>([&] { params.ParamByName("missing"); }),
            "Parameter 'missing' not found");

  TComponent query(nullptr);
  query.SetName("Query1");
  TParams owned(&query);
  EXPECT_EQ(testing::MessageOf<EDatabaseError>([&] { owned.ParamByName("X"); }),
            "Query1: Parameter 'X' not found");
}

TEST(Params, CreateAddAndRemove) {
  TParams params;
  TParam* p = params.CreateParam(ftDate, "D", ptOutput);
  EXPECT_EQ(params.Count(), 1);
  EXPECT_EQ(params[0], p);
  EXPECT_EQ(p->DataType(), ftDate);
  EXPECT_EQ(p->ParamType(), ptOutput);
  EXPECT_EQ(p->DisplayName(), "D");

  auto* loose = new TParam(nullptr);
  loose->SetName("L");
  params.AddParam(loose);
  EXPECT_EQ(params.ParamByName("l"), loose);
  params.RemoveParam(loose);
  EXPECT_EQ(params.FindParam("L"), nullptr);
  EXPECT_EQ(loose->Collection(), nullptr);
  delete loose;
  EXPECT_EQ(params.Count(), 1);
}

TEST(Params, ParamValuesRoundTripOneOrSeveral) {
  TParams params;
  params.CreateParam(ftInteger, "A", ptInput);
  params.CreateParam(ftString, "B", ptInput);
  params.CreateParam(ftFloat, "C", ptInput);

  params.SetParamValues("a", Variant(int32_t{5}));
  EXPECT_EQ(params.ParamValues("A").AsInteger(), 5);

  params.SetParamValues("C; A ;B", VarArrayOf({Variant(2.5), Variant(int32_t{7}), Variant("t")}));
  EXPECT_DOUBLE_EQ(params.ParamByName("C")->AsFloat(), 2.5);
  EXPECT_EQ(params.ParamByName("A")->AsInteger(), 7);
  EXPECT_EQ(params.ParamByName("B")->AsString(), "t");

  Variant values = params.ParamValues("B;A");
  ASSERT_TRUE(VarIsArray(values));
  EXPECT_EQ(VarArrayLowBound(values, 1), 0);
  EXPECT_EQ(VarArrayHighBound(values, 1), 1);
  EXPECT_EQ(VarArrayGet(values, {0}).AsString(), "t");
  EXPECT_EQ(VarArrayGet(values, {1}).AsInteger(), 7);

  EXPECT_THROW(params.ParamValues("A;Z"), EDatabaseError);
  EXPECT_THROW(params.SetParamValues("A;B", Variant(int32_t{1})), EVariantError);
  EXPECT_THROW(params.SetParamValues("A;B;C", VarArrayOf({Variant(1), Variant(2)})),
               EVariantError);
}

TEST(Params, ParamListKeepsTheOrderOfTheNames) {
  TParams params;
  TParam* a = params.CreateParam(ftInteger, "A", ptInput);
  TParam* b = params.CreateParam(ftInteger, "B", ptInput);
  std::vector<TParam*> list;
  params.GetParamList(list, "B;;A;");
  EXPECT_EQ(list, (std::vector<TParam*>{b, a}));
  EXPECT_THROW(params.GetParamList(list, "A;Q"), EDatabaseError);
}

TEST(Params, AssignValuesCopiesOnlyMatchingNames) {
  TParams target, source;
  target.CreateParam(ftInteger, "A", ptInput);
  target.CreateParam(ftInteger, "B", ptInput)->SetAsInteger(2);
  source.CreateParam(ftString, "a", ptInput)->SetAsString("new");
  source.CreateParam(ftString, "Z", ptInput)->SetAsString("skipped");

  target.AssignValues(&source);
  EXPECT_EQ(target.Count(), 2);
  EXPECT_EQ(target.ParamByName("A")->AsString(), "new");
  EXPECT_EQ(target.ParamByName("A")->DataType(), ftString);
  EXPECT_EQ(target.ParamByName("B")->AsInteger(), 2);
}

TEST(Params, AssignCopiesTheWholeListAndIsEqualComparesIt) {
  TParams a, b;
  a.CreateParam(ftInteger, "A", ptInput)->SetAsInteger(1);
  a.CreateParam(ftString, "B", ptOutput);
  EXPECT_FALSE(a.IsEqual(&b));
  b.Assign(&a);
  ASSERT_EQ(b.Count(), 2);
  EXPECT_TRUE(a.IsEqual(&b));
  b[1]->SetAsString("changed");
  EXPECT_FALSE(a.IsEqual(&b));
}

TEST(Params, ParamRefIsTheFirstParameterOfTheName) {
  TParams params;
  TParam* first = params.CreateParam(ftInteger, "X", ptInput);
  TParam* again = params.CreateParam(ftInteger, "x", ptInput);
  TParam* unnamed = params.CreateParam(ftInteger, "", ptInput);
  EXPECT_EQ(again->ParamRef(), first);
  EXPECT_EQ(first->ParamRef(), first);
  EXPECT_EQ(unnamed->ParamRef(), unnamed);
  TParam loose(nullptr);
  loose.SetName("X");
  EXPECT_EQ(loose.ParamRef(), &loose);
}

}  // namespace
}  // namespace classlib
