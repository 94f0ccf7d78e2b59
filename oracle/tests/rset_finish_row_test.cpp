// Finishing fetched rows: a result whose every column is defined into the
// record takes the quick way for rows without a null or a cut value, and
// gives the values the general way gives (the same columns beside a
// buffered one), nulls, fixed CHAR trimming and RAW lengths included, also
// when the select list changes between two opens of one record set.
#include <cstring>

#include "dacore/driver_props.h"
#include "oracle/tests/rset_fixture.h"

namespace oracle::testing {
namespace {

using namespace dacore;

class FinishRowTest : public RecordSetTest {
 protected:
  static constexpr const char* kColumns =
      "I NUMBER(9); F NUMBER(10,2); S VARCHAR2(20); C CHAR(6); D DATE; R RAW(4)";
  static constexpr const char* kRows =
      "42|-12.5|short|abc   |2024-02-29 13:45:07|0A0B0C\n"
      "<null>|1.25|<null>|x|<null>|<null>\n"
      "7|<null>|text|<null>|1999-12-31 23:59:59|01020304\n"
      "-1|0|<null>|<null>|0001-01-01 00:00:00|FF\n"
      "<null>|<null>|<null>|<null>|<null>|<null>";
  static constexpr const char* kFields[] = {"I", "F", "S", "C", "D", "R"};

  void Script(const std::string& sql, const std::string& columns, const std::string& rows) {
    fetch_->ScriptQuery(sql, columns);
    fetch_->AddRows(sql, rows);
  }
  static std::string WithHeapColumn() {
    std::string rows;
    for (const char* at = kRows; *at;) {
      const char* end = std::strchr(at, '\n');
      const std::string line = end ? std::string(at, end) : std::string(at);
      rows += line + "|heap " + std::to_string(rows.size()) + "\n";
      at = end ? end + 1 : at + line.size();
    }
    rows.pop_back();
    return rows;
  }
  // Every value of every row as GetFieldByNo reads it, in a form that
  // compares: "<null>", a number, a text, or a RAW's length and bytes.
  std::vector<std::string> Read(TOCIRecordSet& record_set) {
    std::vector<std::string> values;
    std::vector<uint8_t> value(64);
    record_set.SetToBegin();
    for (record_set.GetNextRecord(nullptr); !record_set.GetEOF(); record_set.GetNextRecord(nullptr)) {
      for (const char* name : kFields) {
        const TFieldDesc& field = *record_set.FieldByName(name);
        bool blank = false;
        std::fill(value.begin(), value.end(), 0xEE);
        record_set.GetFieldByNo(field.FieldNo(), ItemRecord(record_set.CurrentItem()), value.data(), blank);
        values.push_back(blank ? "<null>" : Format(field, value.data()));
      }
    }
    return values;
  }
  static std::string Format(const TFieldDesc& field, const uint8_t* value) {
    switch (field.DataType()) {
      case dtInt32: {
        int32_t n;
        std::memcpy(&n, value, sizeof n);
        return std::to_string(n);
      }
      case dtFloat: case dtDateTime: {
        double d;
        std::memcpy(&d, value, sizeof d);
        return std::to_string(d);
      }
      case dtString: return "'" + std::string(reinterpret_cast<const char*>(value)) + "'";
      case dtVarBytes: {
        uint16_t length;
        std::memcpy(&length, value, sizeof length);
        return std::to_string(length) + ":" + std::string(reinterpret_cast<const char*>(value) + 2, length);
      }
      default: return "type " + std::to_string(field.DataType());
    }
  }
};

TEST_F(FinishRowTest, QuickRowsReadAsRowsFinishedTheGeneralWay) {
  Connect();
  const std::string plain = "select i, f, s, c, d, r from t";
  const std::string buffered = "select i, f, s, c, d, r, h from t";
  Script(plain, kColumns, kRows);
  Script(buffered, std::string(kColumns) + "; H VARCHAR2(100)", WithHeapColumn());
  for (const bool trim : {false, true}) {
    auto record_set = NewRecordSet(plain, 2);  // blocks that mix quick and general rows
    record_set->SetProp(prFlatBuffers, false);
    record_set->SetTrimFixedChars(trim);
    record_set->Open();
    const std::vector<std::string> quick = Read(*record_set);
    // The same record set on the select list with a heap column: a new plan.
    record_set->Close();
    record_set->UnPrepare();
    record_set->SetSQL(buffered);
    record_set->Open();
    ASSERT_EQ(record_set->FieldByName("H")->DataType(), dtHeapString) << "the premise: a buffered column";
    const std::vector<std::string> general = Read(*record_set);
    EXPECT_EQ(quick, general) << "trim " << trim;
    ASSERT_EQ(quick.size(), 30u);
    EXPECT_EQ(quick[0], "42");
    EXPECT_EQ(quick[3], trim ? "'abc'" : "'abc   '");
    EXPECT_EQ(quick[5], std::string("3:\x0A\x0B\x0C"));
    EXPECT_EQ(quick[6], "<null>");
    EXPECT_EQ(quick[11], "<null>");
    EXPECT_EQ(quick[17], "4:" + std::string("\x01\x02\x03\x04"));
    EXPECT_EQ(quick[23], "1:\xFF");
    EXPECT_EQ(std::vector<std::string>(quick.end() - 6, quick.end()), std::vector<std::string>(6, "<null>"));
    // And back: the plain list plans anew once more.
    record_set->Close();
    record_set->UnPrepare();
    record_set->SetSQL(plain);
    record_set->Open();
    EXPECT_EQ(Read(*record_set), quick);
  }
}

}  // namespace
}  // namespace oracle::testing

namespace oracle::testing {
namespace {

// The quick way tests a row's indicators and clears its null bytes in words
// (a last word over the one before where there are eight bytes or more): a
// null in the last column is seen and a value in it is not taken for null,
// whatever the column count, also in item memory that a result of nulls
// left to the pool before.
TEST_F(FinishRowTest, NullsInTheLastColumnAtEveryWidthOfTheQuickTest) {
  Connect();
  for (const int count : {1, 2, 3, 4, 5, 7, 8, 9, 13}) {
    std::string columns, nulls, values, mixed;
    for (int c = 0; c < count; ++c) {
      columns += (c ? "; N" : "N") + std::to_string(c) + " NUMBER(9)";
      nulls += c ? "|<null>" : "<null>";
      values += (c ? "|" : "") + std::to_string(c + 1);
      mixed += c + 1 < count ? std::to_string(c + 1) + "|" : "<null>";
    }
    const std::string of_nulls = "select n from nulls" + std::to_string(count);
    const std::string of_values = "select n from mixed" + std::to_string(count);
    Script(of_nulls, columns, nulls + "\n" + nulls + "\n" + nulls);
    Script(of_values, columns, values + "\n" + mixed + "\n" + values);
    for (const std::string& sql : {of_nulls, of_values}) {
      auto record_set = NewRecordSet(sql, 3);
      record_set->Open();
      int row = 0;
      for (record_set->GetNextRecord(nullptr); !record_set->GetEOF(); record_set->GetNextRecord(nullptr), ++row) {
        for (int c = 0; c < count; ++c) {
          const bool null = sql == of_nulls || (row == 1 && c == count - 1);
          const classlib::Variant value = Value(*record_set, "N" + std::to_string(c));
          ASSERT_EQ(classlib::VarIsNull(value), null) << sql << " row " << row << " column " << c;
          if (!null) {
            EXPECT_EQ(value.AsInteger(), c + 1) << sql << " row " << row << " column " << c;
          }
        }
      }
      EXPECT_EQ(row, 3) << sql;
    }
  }
}

}  // namespace
}  // namespace oracle::testing
