// Filter expressions over a store with a field of every kind and NULLs:
// comparisons, LIKE patterns, NULL tests, the case and partial-compare
// flags, dates written as text, and the texts that are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "classlib/bcd.h"
#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "dacore/filter_node.h"
#include "dacore/tests/store_fixture.h"

namespace dacore {
namespace {

using classlib::Variant;

const std::vector<TestField> kFields{
    {"S", dtString, 21, 20},       {"I8", dtInt8, 1},           {"I16", dtInt16, 2},
    {"I32", dtInt32, 4},           {"F", dtFloat, 8},           {"D", dtDate, 8},
    {"T", dtTime, 8},              {"DT", dtDateTime, 8},       {"U16", dtUInt16, 2},
    {"B", dtBoolean, 2},           {"I64", dtInt64, 8},         {"CUR", dtCurrency, 8},
    {"M", dtMemo, sizeof(void*)},  {"V", dtVariant, sizeof(void*)}, {"HS", dtHeapString, sizeof(void*), 20},
    {"U32", dtUInt32, 4},          {"WS", dtWideString, 42, 20}, {"HWS", dtHeapWideString, sizeof(void*), 20},
    {"BCD", dtBcd, 8},             {"FB", dtFmtBcd, sizeof(classlib::TBcd)}, {"G", dtGuid, 39, 38},
    {"Order Date", dtDate, 8},
};

class FilterTest : public ::testing::Test {
 protected:
  FilterTest() : store_(kFields) {
    store_.SetEmptyStrAsValue(true);
    store_.Open();
    const classlib::TDateTime d1 = classlib::EncodeDate(2003, 2, 1), d2 = classlib::EncodeDate(2010, 5, 6);
    Add({"Alpha", 1, 10, 100, 1.5, Variant::FromDate(d1), Variant::FromDate(0.25), Variant::FromDate(d1 + 0.5), 7,
         true, 1000LL, 2.5, "memo one", 5, "heap a", 70u, u"Wide", u"wide heap", classlib::Currency(3), "1.25",
         "{A}", Variant::FromDate(d1)});
    Add({"beta", -1, -10, 200, -0.5, Variant::FromDate(d2), Variant::FromDate(0.75), Variant::FromDate(d2), 8, false,
         -5LL, 9.75, "memo two", "text", "heap b", 80u, u"Other", u"", classlib::Currency(-1), "-2", "{B}",
         Variant::FromDate(d2)});
    std::vector<Variant> nulls(kFields.size(), classlib::Null());
    Add(nulls);
    std::vector<Variant> empty = nulls;
    empty[0] = "";
    empty[14] = "";
    Add(empty);
  }

  void Add(const std::vector<Variant>& values) {
    TRecBuf rec = store_.AllocRecBuf();
    store_.InitRecord(rec);
    store_.CreateComplexFields(rec, true);
    for (size_t i = 0; i < values.size(); ++i) store_.PutFieldAsVariant(static_cast<int>(i) + 1, rec, values[i]);
    store_.InternalAppend(rec);
    TData::FreeRecBuf(rec);
  }

  // The record numbers of the rows the filter lets through.
  std::vector<int> Visible(const std::string& filter) {
    store_.SetFilterText(filter);
    std::vector<int> rows;
    int row = 0;
    for (ItemHeader* it = store_.FirstItem(); it; it = it->next) {
      ++row;
      if (it->order != 0) rows.push_back(row);
    }
    EXPECT_EQ(store_.GetRecordCount(), static_cast<int>(rows.size())) << filter;
    return rows;
  }

  std::string Error(const std::string& filter) {
    try {
      store_.SetFilterText(filter);
    } catch (const classlib::EDatabaseError& e) {
      return e.Message();
    }
    return "no error";
  }

  using Rows = std::vector<int>;
  TTestStore store_;
};

TEST_F(FilterTest, EveryFieldTypeComparesAndTestsNull) {
  EXPECT_EQ(Visible("S = 'Alpha'"), Rows{1});
  EXPECT_EQ(Visible("I8 < 0"), Rows{2});
  EXPECT_EQ(Visible("I16 >= 10"), Rows{1});
  EXPECT_EQ(Visible("I32 > 150"), Rows{2});
  EXPECT_EQ(Visible("F = 1.5"), Rows{1});
  EXPECT_EQ(Visible("F < -0.1"), Rows{2});
  EXPECT_EQ(Visible("D > '01/01/2005'"), Rows{2});
  EXPECT_EQ(Visible("T < '12:00:00'"), Rows{1});
  EXPECT_EQ(Visible("DT = '02/01/2003 12:00:00'"), Rows{1});
  EXPECT_EQ(Visible("U16 <> 7"), (Rows{2, 3, 4})) << "NULL differs from every value";
  EXPECT_EQ(Visible("B = TRUE"), Rows{1});
  EXPECT_EQ(Visible("I64 < 0"), Rows{2});
  EXPECT_EQ(Visible("CUR > 5"), Rows{2});
  EXPECT_EQ(Visible("M LIKE '%two'"), Rows{2});
  EXPECT_EQ(Visible("V = 5"), Rows{1});
  EXPECT_EQ(Visible("HS = 'heap b'"), Rows{2});
  EXPECT_EQ(Visible("U32 >= 80"), Rows{2});
  EXPECT_EQ(Visible("WS = 'Wide'"), Rows{1});
  EXPECT_EQ(Visible("HWS LIKE 'wide%'"), Rows{1});
  EXPECT_EQ(Visible("BCD < 0"), Rows{2});
  EXPECT_EQ(Visible("FB > 1"), Rows{1});
  EXPECT_EQ(Visible("G = '{B}'"), Rows{2});
  EXPECT_EQ(Visible("[Order Date] > '02/01/2003'"), Rows{2});
  for (const TestField& f : kFields) {
    const std::string name = f.name.find(' ') == std::string::npos ? f.name : "[" + f.name + "]";
    EXPECT_EQ(Visible(name + " IS NULL"), (f.name == "S" || f.name == "HS" ? Rows{3} : Rows{3, 4})) << f.name;
    EXPECT_EQ(Visible(name + " IS NULL AND (" + name + " > 0 OR " + name + " <= 0)"), Rows{})
        << "ordering with a NULL is false";
  }
}

TEST_F(FilterTest, NullTestsReadTheNullFlagNotTheText) {
  // Row 4 holds empty texts: values, not NULLs.
  EXPECT_EQ(Visible("S IS NULL"), Rows{3});
  EXPECT_EQ(Visible("S = NULL"), Rows{3});
  EXPECT_EQ(Visible("S IS NOT NULL"), (Rows{1, 2, 4}));
  EXPECT_EQ(Visible("HS IS NOT NULL AND HS = ''"), Rows{4});
  // A NULL field on the right of a text is never turned into text.
  EXPECT_EQ(Visible("'x' = S"), Rows{});
  EXPECT_EQ(Visible("'x' <> S"), (Rows{1, 2, 3, 4}));
}

TEST_F(FilterTest, PatternsCaseAndPartialCompare) {
  EXPECT_EQ(Visible("S = 'A*'"), Rows{1});
  EXPECT_EQ(Visible("S LIKE '_et_'"), Rows{2});
  EXPECT_EQ(Visible("S LIKE 'a%'"), Rows{});
  EXPECT_EQ(Visible("S <> 'A%'"), (Rows{2, 3, 4}));
  store_.SetFilterCaseInsensitive(true);
  EXPECT_EQ(Visible("S LIKE 'a%'"), Rows{1});
  EXPECT_EQ(Visible("S = 'BETA'"), Rows{2});
  store_.SetFilterCaseInsensitive(false);
  store_.SetFilterNoPartialCompare(true);
  EXPECT_EQ(Visible("S = 'A*'"), Rows{});
  store_.SetFilterNoPartialCompare(false);
  EXPECT_TRUE(FilterPatternMatch("Smith", "S*h"));
  EXPECT_TRUE(FilterPatternMatch("", "%*"));
  EXPECT_FALSE(FilterPatternMatch("Smith", "S_h"));
  EXPECT_TRUE(FilterPatternMatch("aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "%a%a%a%a%a%a%a%a%a%a%b"));
  EXPECT_FALSE(FilterPatternMatch(std::string(5000, 'a'), "%a%a%a%a%a%a%a%a%a%a%b"));
}

TEST_F(FilterTest, GrammarOfLogicSignsAndLiterals) {
  EXPECT_EQ(Visible("NOT (I32 = 100) AND I32 IS NOT NULL"), Rows{2});
  EXPECT_EQ(Visible("I32 = 100 OR I32 = 200 AND S = 'x'"), Rows{1});
  EXPECT_EQ(Visible("I8 = -1"), Rows{2});
  EXPECT_EQ(Visible("I8 = - 1"), Rows{2});
  EXPECT_EQ(Visible("I8 = +1"), Rows{1});
  EXPECT_EQ(Visible("TRUE"), (Rows{1, 2, 3, 4}));
  EXPECT_EQ(Visible("FALSE OR TRUE = B"), Rows{1});
  EXPECT_EQ(Visible("M = 'memo one' AND S = 'Alpha'"), Rows{1});
  EXPECT_EQ(Visible(""), (Rows{1, 2, 3, 4}));
  EXPECT_FALSE(store_.HasFilter());
  TTestStore quotes({{"S", dtString, 21, 20}});
  quotes.Open();
  TRecBuf rec = quotes.AllocRecBuf();
  quotes.InitRecord(rec);
  quotes.PutFieldAsVariant(1, rec, "it's");
  quotes.InternalAppend(rec);
  TData::FreeRecBuf(rec);
  quotes.SetFilterText("S = 'it''s'");
  EXPECT_EQ(quotes.GetRecordCount(), 1);
}

TEST_F(FilterTest, BadTextsRaiseAndLeaveNoFilter) {
  const std::string illegal = "Illegal filter expression";
  for (const char* text : {"I32 > 1 OR", "I32 > 1 )", "I32 = - 'x'", "I32 IS 5", "I32 IS NOT", "(I32 = 1",
                           "I32 1", "= 1", "I32 = [S", "S = \x01", "S."}) {
    EXPECT_EQ(Error(text), illegal) << text;
    EXPECT_FALSE(store_.HasFilter()) << text;
  }
  EXPECT_EQ(Error("NOSUCH = 1"), "Field NOSUCH not found");
  EXPECT_EQ(Error(std::string(300, '(') + "I32 = 1" + std::string(300, ')')), illegal);
  std::string chain = "I32 = 1";
  for (int i = 0; i < 1500; ++i) chain += " OR I32 = 1";
  EXPECT_EQ(Error(chain), illegal);
  EXPECT_EQ(Error(std::string(100, '(') + "I32 = 100" + std::string(100, ')')), "no error");
  EXPECT_EQ(store_.GetRecordCount(), 1);
}

// A store that reads every field the general way, so that its filters
// compare Variants only.
class VariantReadStore : public TTestStore {
 public:
  using TTestStore::TTestStore;

 protected:
  TFieldRead PlanFieldRead(const TFieldDesc&) const override { return TFieldRead::kGeneral; }
};

// Number fields compared with numbers or NULL are decided from the record's
// bytes; both stores must let the same rows through, at the edges of every
// type's range and of a double's precision, and a NaN still refuses to be
// ordered.
TEST(FilterDirectTest, NumberComparisonsDecideAsTheVariantsDo) {
  const std::vector<TestField> fields{{"I8", dtInt8, 1},   {"I8W", dtInt8, 2},  {"I16", dtInt16, 2},
                                      {"I32", dtInt32, 4}, {"U16", dtUInt16, 2}, {"U32", dtUInt32, 4},
                                      {"I64", dtInt64, 8}, {"F", dtFloat, 8},    {"CUR", dtCurrency, 8}};
  const double kNull = 1e300;
  const std::vector<double> values{kNull, 0, -1, 1, 2.5, 127, -128, 255, 65535, 4294967295.0, -0.0, 1e18,
                                   9007199254740993.0};
  TTestStore direct(fields);
  VariantReadStore variants(fields);
  for (TTestStore* store : {static_cast<TTestStore*>(&direct), static_cast<TTestStore*>(&variants)}) {
    store->Open();
    for (size_t r = 0; r < values.size(); ++r) {
      TestRecord rec(*store);
      for (int f = 1; f <= static_cast<int>(fields.size()); ++f) {
        const double v = values[(r + static_cast<size_t>(f)) % values.size()];
        const TDataType t = fields[static_cast<size_t>(f) - 1].type;
        const int8_t i8 = static_cast<int8_t>(v);
        const int16_t i16 = static_cast<int16_t>(v);
        const int32_t i32 = static_cast<int32_t>(v);
        const uint16_t u16 = static_cast<uint16_t>(v < 0 ? 0 : v);
        const uint32_t u32 = static_cast<uint32_t>(v < 0 ? 0 : v);
        const int64_t i64 = v == 9007199254740993.0 ? int64_t{9007199254740993} : static_cast<int64_t>(v);
        const void* value = t == dtInt8 && fields[static_cast<size_t>(f) - 1].size == 1 ? static_cast<const void*>(&i8)
                            : t == dtInt8 || t == dtInt16                            ? &i16
                            : t == dtInt32                                           ? &i32
                            : t == dtUInt16                                          ? &u16
                            : t == dtUInt32                                          ? &u32
                            : t == dtInt64                                           ? static_cast<const void*>(&i64)
                                                                                     : &v;
        store->PutFieldByNo(f, rec.buf(), v == kNull ? nullptr : value);
      }
      store->InternalAppend(rec.buf());
    }
  }
  auto visible = [](TTestStore& store, const std::string& filter) {
    store.SetFilterText(filter);
    std::vector<int> rows;
    int row = 0;
    for (ItemHeader* it = store.FirstItem(); it; it = it->next, ++row)
      if (it->order != 0) rows.push_back(row);
    return rows;
  };
  for (const TestField& field : fields) {
    const std::string n = field.name;
    EXPECT_TRUE(TFilterExpression(n + " > 1", direct).Root()->direct) << n;
    EXPECT_FALSE(TFilterExpression(n + " > 1", variants).Root()->direct) << n;
    for (const std::string& filter :
         {n + " = 0", n + " <> 0", n + " > -1", "0 < " + n, n + " >= 2.5", "2.5 >= " + n, n + " <= 127",
          n + " LIKE 1", n + " = NULL", "NULL = " + n, n + " IS NOT NULL", "-1 <> " + n,
          "NOT (" + n + " < 1) AND " + n + " <> 4294967295", n + " = 9007199254740992", n + " < -0.0"}) {
      const std::vector<int> expected = visible(variants, filter);
      EXPECT_EQ(visible(direct, filter), expected) << filter;
    }
  }
  EXPECT_FALSE(TFilterExpression("I32 = 'x'", direct).Root()->direct) << "a text stays with the Variants";
  EXPECT_FALSE(TFilterExpression("I32 = TRUE", direct).Root()->direct);

  // A NaN orders as the store sorts it: it equals no number, differs from
  // every one and follows them all; both stores decide alike.
  const double nan = std::nan("");
  for (TTestStore* store : {static_cast<TTestStore*>(&direct), static_cast<TTestStore*>(&variants)}) {
    store->SetFilterText("");
    TestRecord nan_rec(*store);
    store->PutFieldByNo(8, nan_rec.buf(), &nan);
    store->InternalAppend(nan_rec.buf());
  }
  const int nan_row = static_cast<int>(values.size());
  const std::string big = "1000000000000000000";  // the largest number of the rows
  const std::vector<std::pair<std::string, bool>> nan_cases{
      {"F = 1", false},     {"F <> 1", true},         {"F > 0", true},         {"F < 0", false},
      {"F >= " + big, true}, {"F <= " + big, false}, {"NOT (F > -1)", false}, {"-1 < F", true}};
  for (const auto& [filter, nan_shown] : nan_cases) {
    const std::vector<int> expected = visible(variants, filter);
    EXPECT_EQ(visible(direct, filter), expected) << filter;
    EXPECT_EQ(std::find(expected.begin(), expected.end(), nan_row) != expected.end(), nan_shown) << filter;
  }
  EXPECT_EQ(visible(direct, "F > " + big), std::vector<int>{nan_row});
}

}  // namespace
}  // namespace dacore
