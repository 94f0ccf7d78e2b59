// Text fields against their record slots: zero-terminated bytes, the row
// key in hexadecimal, UTF-8 on UNICODE_FSS connections, and wide text kept
// as UTF-8.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "classlib/codepage.h"
#include "classlib/exceptions.h"
#include "classlib/variant.h"
#include "fib/tests/fib_fields_table.h"

namespace fib::testing {
namespace {

using classlib::ftString;
using classlib::ftWideString;

class StringFields : public ::testing::Test {
 protected:
  void Open() {
    table.Open();
    table.Append();
  }
  TFIBStringField* Text(const char* name) {
    return static_cast<TFIBStringField*>(table.FieldByName(name));
  }
  // The slot's bytes exactly as the record holds them.
  std::string Raw(const char* name) {
    std::string bytes(static_cast<std::size_t>(table.FieldByName(name)->DataSize()), '\0');
    EXPECT_TRUE(table.GetFieldData(table.FieldByName(name), bytes.data()));
    return bytes;
  }
  void WriteRaw(const char* name, const std::string& bytes) {
    std::string slot(static_cast<std::size_t>(table.FieldByName(name)->DataSize()), '\0');
    std::memcpy(slot.data(), bytes.data(), bytes.size());
    table.SetFieldData(table.FieldByName(name), slot.data());
  }

  FibFieldsTable table;
};

TEST_F(StringFields, TextStopsAtTheFirstZeroByteAndNullDiffersFromEmpty) {
  table.AddColumn("S", ftString, 6, TFIBColumnInfo{448, 0, 0, 7});
  Open();
  TFIBStringField* s = Text("S");
  EXPECT_TRUE(s->IsNull());
  EXPECT_EQ(s->AsString(), "");
  EXPECT_TRUE(classlib::VarIsNull(s->AsVariant()));

  WriteRaw("S", std::string("ab\0cd", 5));
  EXPECT_EQ(s->AsString(), "ab");
  WriteRaw("S", std::string("\0xyz", 4));
  EXPECT_FALSE(s->IsNull());
  EXPECT_EQ(s->AsString(), "");
  EXPECT_EQ(s->AsVariant().AsString(), "");

  s->SetAsString("hello");
  EXPECT_EQ(Raw("S"), std::string("hello\0\0", 7));
  EXPECT_EQ(s->AsVariant().AsString(), "hello");
  s->Clear();
  EXPECT_TRUE(s->IsNull());
}

TEST_F(StringFields, LongTextIsCutToTheSlotAndAnySizeIsAccepted) {
  table.AddColumn("S", ftString, 3, TFIBColumnInfo{448, 0, 0, 4});
  Open();
  TFIBStringField* s = Text("S");
  s->SetAsString("abcdefgh");
  EXPECT_EQ(s->AsString(), "abc");
  EXPECT_EQ(s->LastWrittenLength(), 8);
  s->SetAsString("");
  EXPECT_FALSE(s->IsNull());
  EXPECT_EQ(s->LastWrittenLength(), 0);

  TFIBStringField loose(nullptr);
  EXPECT_NO_THROW(loose.SetSize(32000));
  EXPECT_EQ(loose.Size(), 32000);
  EXPECT_THROW(loose.SetSize(-1), classlib::EDatabaseError);
}

TEST_F(StringFields, RowKeyShowsItsWordsInLowerCaseHex) {
  table.AddColumn("DB_KEY", ftString, 8, TFIBColumnInfo{452, 0, 1, 8}, true);
  table.AddColumn("PLAIN", ftString, 8, TFIBColumnInfo{452, 0, 1, 8});
  Open();
  EXPECT_TRUE(Text("DB_KEY")->IsDBKey());
  EXPECT_FALSE(Text("PLAIN")->IsDBKey());
  EXPECT_EQ(Text("DB_KEY")->AsString(), "");

  // Words are taken in memory order, each read as a little-endian integer.
  const std::string key("\x81\x00\x00\x00\xAB\xCD\xEF\x01", 8);
  WriteRaw("DB_KEY", key);
  WriteRaw("PLAIN", key);
  EXPECT_EQ(Text("DB_KEY")->AsString(), "0000008101efcdab");
  EXPECT_EQ(Text("DB_KEY")->AsString().size(), 16u);
  EXPECT_EQ(Text("PLAIN")->AsString(), "\x81");
}

TEST_F(StringFields, UnicodeConnectionsCarryUtf8ForTextCharacterSets) {
  table.AddColumn("U", ftString, 12, TFIBColumnInfo{448, 0, 3, 13});
  table.AddColumn("N", ftString, 12, TFIBColumnInfo{448, 0, 0, 13});
  table.unicode = true;
  Open();
  const std::string ansi = classlib::Utf8ToCp1251("Привет");
  ASSERT_EQ(ansi.size(), 6u);

  Text("U")->SetAsString(ansi);
  EXPECT_EQ(Raw("U").substr(0, 12), "Привет");
  EXPECT_EQ(Text("U")->LastWrittenLength(), 12);
  EXPECT_EQ(Text("U")->AsString(), ansi);

  // Character set NONE keeps the bytes as they are.
  Text("N")->SetAsString(ansi);
  EXPECT_EQ(Raw("N").substr(0, 6), ansi);
  EXPECT_EQ(Text("N")->AsString(), ansi);
}

TEST_F(StringFields, Utf8CutNeverSplitsACharacter) {
  table.AddColumn("U", ftString, 5, TFIBColumnInfo{448, 0, 3, 6});
  table.unicode = true;
  Open();
  // Three two-byte characters do not fit five bytes: two of them do.
  Text("U")->SetAsString(classlib::Utf8ToCp1251("жжж"));
  EXPECT_EQ(Text("U")->AsString(), classlib::Utf8ToCp1251("жж"));
  EXPECT_EQ(FitText("abc", 2, false), "ab");
}

TEST_F(StringFields, EmptyStringToNullFollowsThePrepareOptions) {
  table.AddColumn("S", ftString, 4, TFIBColumnInfo{448, 0, 0, 5});
  table.options = TpPrepareOptions{psSetEmptyStrToNull};
  table.Open();
  EXPECT_TRUE(Text("S")->EmptyStrToNull());
  table.Close();
  table.options = TpPrepareOptions{};
  table.Open();
  EXPECT_FALSE(Text("S")->EmptyStrToNull());
}

TEST_F(StringFields, AFieldMovedToAnotherDataSetAsksThatOne) {
  table.AddColumn("K", ftString, 8, TFIBColumnInfo{452, 0, 1, 8}, true);
  table.options = TpPrepareOptions{psSetEmptyStrToNull};
  classlib::testing::TestTable plain;  // knows nothing of row keys
  TFIBStringField key(nullptr);
  key.SetFieldName("K");
  key.SetSize(8);

  key.SetDataSet(&table);
  EXPECT_TRUE(key.IsDBKey());
  EXPECT_TRUE(key.EmptyStrToNull());
  key.SetDataSet(&plain);
  EXPECT_FALSE(key.IsDBKey());
  key.SetDataSet(nullptr);
  EXPECT_FALSE(key.IsDBKey());
  key.SetDataSet(&table);
  EXPECT_TRUE(key.IsDBKey());
  key.SetDataSet(nullptr);
}

TEST_F(StringFields, WideTextIsKeptAsUtf8) {
  table.AddColumn("W", ftWideString, 4, TFIBColumnInfo{448, 0, 3, 13});
  Open();
  auto* w = table.FieldByName("W");
  EXPECT_EQ(w->DataSize(), 13);
  EXPECT_TRUE(classlib::VarIsNull(w->AsVariant()));

  w->SetAsWideString(u"Ёлка");
  EXPECT_EQ(Raw("W"), std::string("Ёлка") + std::string(5, '\0'));
  EXPECT_EQ(w->AsWideString(), u"Ёлка");
  EXPECT_EQ(w->AsString(), classlib::Utf8ToCp1251("Ёлка"));
  EXPECT_EQ(w->AsVariant().AsOleStr(), u"Ёлка");

  // Three-byte characters: four of them fill twelve bytes, the fifth is cut.
  w->SetAsWideString(u"€€€€€");
  EXPECT_EQ(w->AsWideString(), u"€€€€");
}

}  // namespace
}  // namespace fib::testing
