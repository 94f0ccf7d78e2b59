// Macros: scanning references into the list, expanding them, the change
// notices an owner hears, and the older stored "Data" form.
#include "dacore/macro_macros.h"

#include <gtest/gtest.h>

#include <vector>

#include "classlib/exceptions.h"

namespace dacore {
namespace {

class CountingOwner : public TMacrosOwner {
 public:
  bool IgnoresMacroChange(const std::string& reference) const override {
    return ignore_unless_in.find(reference) == std::string::npos && !ignore_unless_in.empty();
  }
  void MacroChanged() override { ++macro_changes; }
  void MacrosUpdated() override { ++updates; }

  std::string ignore_unless_in;  // empty: nothing is ignored
  int macro_changes = 0;
  int updates = 0;
};

std::vector<std::string> Names(const TMacros& macros) {
  std::vector<std::string> names;
  for (int i = 0; i < macros.Count(); ++i) names.push_back(macros.Items(i)->Name());
  return names;
}

TEST(Macros, ScanFindsEachNameOnceAndSkipsLiteralsAndComments) {
  TMacros macros;
  macros.Scan("SELECT &cols FROM &tab WHERE x = '&lit' /* &note */ AND &COLS > 0 & 5");
  EXPECT_EQ(Names(macros), (std::vector<std::string>{"cols", "tab"}));
  macros.Scan("SELECT 1 FROM dual");
  EXPECT_EQ(macros.Count(), 0);
}

TEST(Macros, KeywordsQualifyAsNamesAndRescanKeepsValues) {
  TMacros macros;
  macros.Scan("SELECT * FROM t &and &where");
  ASSERT_EQ(Names(macros), (std::vector<std::string>{"and", "where"}));
  macros.MacroByName("WHERE")->SetValue("WHERE a = 1");
  macros.MacroByName("and")->SetActive(false);
  macros.Scan("SELECT * FROM t2 &where &and");
  EXPECT_EQ(macros.FindMacro("where")->Value(), "WHERE a = 1");
  EXPECT_FALSE(macros.FindMacro("and")->Active());
}

// A dialect whose names may start with a digit (its first option is set).
class DigitNamesParser : public TParser {
 public:
  using TParser::TParser;
  bool IsParserOption16() override { return true; }
};

TEST(Macros, DialectNamesMayStartWithDigits) {
  TMacros plain;
  plain.Scan("SELECT &1 FROM &1abc");
  EXPECT_EQ(plain.Count(), 0);
  TMacros dialect;
  dialect.SetParserClass([](const std::string& text) { return std::make_unique<DigitNamesParser>(text); });
  dialect.Scan("SELECT &1 FROM &1abc");
  EXPECT_EQ(Names(dialect), (std::vector<std::string>{"1", "1abc"}));
  dialect.MacroByName("1abc")->SetValue("t");
  EXPECT_EQ(dialect.Expand("SELECT &1 FROM &1abc"), "SELECT  FROM t");
}

TEST(Macros, ExpandKeepsSpacingAndDropsInactiveOrEmptyMacros) {
  TMacros macros;
  const std::string sql = "SELECT &cols\n  FROM t  &cond&tail ORDER BY 1";
  macros.Scan(sql);
  macros.MacroByName("cols")->SetValue("a, b");
  macros.MacroByName("cond")->SetValue("WHERE a > 0");
  macros.MacroByName("cond")->SetActive(false);
  EXPECT_EQ(macros.Expand(sql), "SELECT a, b\n  FROM t   ORDER BY 1");
  macros.MacroByName("cond")->SetActive(true);
  EXPECT_EQ(macros.Expand(sql), "SELECT a, b\n  FROM t  WHERE a > 0 ORDER BY 1");
  EXPECT_EQ(macros.Expand("x & 1 &unknown"), "x & 1 &unknown");
}

TEST(Macros, RescanningTheSameTextSendsNoNotice) {
  CountingOwner owner;
  TMacros macros(nullptr, &owner);
  macros.Scan("SELECT &a, &b FROM t");
  EXPECT_EQ(owner.updates, 1);
  macros.Scan("SELECT &a,&b FROM other");
  EXPECT_EQ(owner.updates, 1);
  macros.Scan("SELECT &b, &a FROM t");
  EXPECT_EQ(owner.updates, 2);
}

TEST(Macros, SettersNotifyUnlessUnchangedOrIgnoredByTheOwner) {
  CountingOwner owner;
  TMacros macros(nullptr, &owner);
  macros.Scan("SELECT &a FROM &b");
  TMacro* a = macros.MacroByName("a");
  a->SetValue("x");
  a->SetValue("x");
  a->SetActive(true);
  EXPECT_EQ(owner.macro_changes, 1);
  owner.ignore_unless_in = "SELECT &b";
  a->SetValue("y");
  EXPECT_EQ(owner.macro_changes, 1);
  macros.MacroByName("b")->SetValue("t");
  EXPECT_EQ(owner.macro_changes, 2);
}

TEST(Macros, MacroByNameNamesTheMissingMacro) {
  TMacros macros;
  try {
    macros.MacroByName("nope");
    FAIL() << "no error";
  } catch (const classlib::EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Macro nope not found");
  }
}

// ---- The stored "Data" form ---------------------------------------------------

std::vector<uint8_t> Entry(const std::string& name, const std::string& value) {
  std::vector<uint8_t> out{static_cast<uint8_t>(name.size())};
  out.insert(out.end(), name.begin(), name.end());
  out.push_back(static_cast<uint8_t>(value.size() & 0xFF));
  out.push_back(static_cast<uint8_t>(value.size() >> 8));
  out.insert(out.end(), value.begin(), value.end());
  return out;
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) {
  to.insert(to.end(), bytes.begin(), bytes.end());
}

TEST(MacroData, OldestFormSetsValuesAndLeavesActivity) {
  TMacros macros;
  macros.Scan("&a &b");
  macros.MacroByName("b")->SetActive(false);
  std::vector<uint8_t> data{1};
  Append(data, Entry("B", "two"));
  Append(data, Entry("a", "one"));
  macros.ReadData(data);
  EXPECT_EQ(macros.MacroByName("a")->Value(), "one");
  EXPECT_EQ(macros.MacroByName("b")->Value(), "two");
  EXPECT_TRUE(macros.MacroByName("a")->Active());
  EXPECT_FALSE(macros.MacroByName("b")->Active());
}

TEST(MacroData, MarkedFormReadsActivityBytes) {
  TMacros macros;
  macros.Scan("&a &b");
  std::vector<uint8_t> data{100, 7};
  Append(data, Entry("a", "one"));
  data.push_back(0);
  Append(data, Entry("b", ""));
  data.push_back(5);
  macros.ReadData(data);
  EXPECT_FALSE(macros.MacroByName("a")->Active());
  EXPECT_TRUE(macros.MacroByName("b")->Active());
}

TEST(MacroData, UnknownNameRaisesAndEmptyListReadsNothing) {
  TMacros macros;
  std::vector<uint8_t> data{1};
  Append(data, Entry("x", "v"));
  EXPECT_NO_THROW(macros.ReadData(data));
  macros.Scan("&a");
  EXPECT_THROW(macros.ReadData(data), classlib::EDatabaseError);
}

// A value over 1000 bytes is read whole, so the next entry is still found.
TEST(MacroData, LongValueIsReadWholeAndShortDataRaises) {
  TMacros macros;
  macros.Scan("&a &b");
  const std::string long_value(1500, 'v');
  std::vector<uint8_t> data{1};
  Append(data, Entry("a", long_value));
  Append(data, Entry("b", "after"));
  macros.ReadData(data);
  EXPECT_EQ(macros.MacroByName("a")->Value(), long_value);
  EXPECT_EQ(macros.MacroByName("b")->Value(), "after");

  data.resize(data.size() - 2);
  EXPECT_THROW(macros.ReadData(data), classlib::EReadError);
  EXPECT_THROW(macros.ReadData({}), classlib::EReadError);
  std::vector<uint8_t> cut{100};
  EXPECT_THROW(macros.ReadData(cut), classlib::EReadError);
}

}  // namespace
}  // namespace dacore
