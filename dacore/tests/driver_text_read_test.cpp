// Texts read by field number from a driver's record set follow the
// connection's ConvertEOL as it is at each read: switched on and off while
// the rows are read, on another connection, on a replaced command, with no
// connection; trimming, nulls, full-length and wide texts read as before.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/variant.h"
#include "classlib/codepage.h"
#include "dacore/driver_props.h"
#include "dacore/tests/driver_script_fixture.h"

namespace dacore {
namespace {

using classlib::Variant;
using testing::ScriptAnswer;
using testing::TScriptCommand;
using testing::TScriptConnection;
using testing::TScriptRecordSet;

class DriverTextReadTest : public ::testing::Test {
 protected:
  DriverTextReadTest() {
    record_set.SetConnection(&connection);
    connection.Connect("");
    ScriptAnswer answer;
    answer.columns = {{"S", dtString, 11, 10}, {"W", dtWideString, 12, 5}};
    answer.rows = {{Variant("a\nb  "), Variant(classlib::WideString(u"\u0416\ny "))},
                   {Variant(), Variant()},
                   {Variant("0123456789"), Variant(classlib::WideString(u"\u0416\u0417\u0418\u0419\u041A"))}};
    connection.answers.push_back(answer);
    record_set.SetSQL("select s, w from t");
    record_set.Open();
    record_set.SetToBegin();
    record_set.GetNextRecord(nullptr);
  }
  void Next() { record_set.GetNextRecord(nullptr); }
  // A value of the current row as GetFieldByNo gives it, "<null>" for a null.
  std::string Text() {
    std::vector<char> value(64, 'x');
    bool blank = false;
    record_set.GetFieldByNo(1, ItemRecord(record_set.CurrentItem()), value.data(), blank);
    return blank ? "<null>" : value.data();
  }
  std::u16string Wide() {
    std::vector<char16_t> value(32, u'x');
    bool blank = false;
    record_set.GetFieldByNo(2, ItemRecord(record_set.CurrentItem()), value.data(), blank);
    return blank ? u"<null>" : value.data();
  }

  TScriptConnection connection;
  TScriptRecordSet record_set;
};

TEST_F(DriverTextReadTest, LineEndsFollowTheConnectionsOptionWhileRowsAreRead) {
  EXPECT_EQ(Text(), "a\nb  ");
  EXPECT_EQ(Wide(), u"\u0416\ny ");
  connection.SetProp(prConvertEOL, true);
  EXPECT_TRUE(record_set.GetConnectionFlag());
  EXPECT_EQ(Text(), "a\r\nb  ");
  EXPECT_EQ(Wide(), u"\u0416\r\ny ");
  connection.SetProp(prConvertEOL, false);
  EXPECT_EQ(Text(), "a\nb  ");
  EXPECT_EQ(Wide(), u"\u0416\ny ");
}

TEST_F(DriverTextReadTest, TheOptionIsThatOfTheConnectionTheCommandHasNow) {
  TScriptConnection other;
  other.ConvertEOL = true;
  record_set.SetConnection(&other);
  EXPECT_EQ(Text(), "a\r\nb  ");
  record_set.SetConnection(nullptr);
  EXPECT_FALSE(record_set.GetConnectionFlag());
  EXPECT_EQ(Text(), "a\nb  ");
  // A command put in place of the first one brings its own connection.
  auto command = std::make_unique<TScriptCommand>();
  command->SetConnection(&other);
  record_set.SetCommand(std::move(command));
  EXPECT_EQ(Text(), "a\r\nb  ");
  record_set.GetCommand()->SetConnection(&connection);
  EXPECT_EQ(Text(), "a\nb  ");
}

TEST_F(DriverTextReadTest, TrimmingNullsAndFullLengthTextsReadAsBefore) {
  record_set.SetTrimVarChars(true);
  EXPECT_EQ(Text(), "a\nb");
  EXPECT_EQ(Wide(), u"\u0416\ny");
  connection.SetProp(prConvertEOL, true);
  EXPECT_EQ(Text(), "a\r\nb");  // expanded, then trimmed
  connection.SetProp(prConvertEOL, false);
  record_set.SetTrimVarChars(false);
  Next();
  EXPECT_EQ(Text(), "<null>");
  EXPECT_EQ(Wide(), u"<null>");
  Next();
  EXPECT_EQ(Text(), "0123456789");
  EXPECT_EQ(Wide(), u"\u0416\u0417\u0418\u0419\u041A");
}

}  // namespace
}  // namespace dacore
