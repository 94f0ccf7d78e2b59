// Describing select lists on the stand-in: each server type's field
// description, the end of the list in both clients' answers, and columns
// described as texts.
#include "dacore/driver_props.h"
#include "oracle/error_ora.h"
#include "oracle/tests/rset_fixture.h"
#include "oracle/value_data_types.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;
using namespace dacore;

constexpr const char* kAllTypes = "select * from all_types";

class DescribeTest : public RecordSetTest {
 protected:
  // The fields of a described record set, one "NAME type size" text each.
  std::vector<std::string> Describe(TOCIRecordSet& record_set) {
    record_set.Prepare();
    std::vector<std::string> out;
    for (int i = 0; i < record_set.GetFieldCount(); ++i) {
      auto& field = static_cast<TOCIFieldDesc&>(*record_set.Fields().GetItems(i));
      out.push_back(field.Name() + " " + std::to_string(field.DataType()) + "/" +
                    std::to_string(field.SubDataType) + " " + std::to_string(field.Size()) +
                    (field.Required() ? " required" : ""));
    }
    return out;
  }
};

TEST_F(DescribeTest, ServerTypesBecomeFieldTypes) {
  Connect();
  connection_->EnableNumbers = true;
  fetch_->ScriptQuery(kAllTypes,
                      "N9 NUMBER(9) NOT NULL; N10 NUMBER(10); N20 NUMBER(20); N NUMBER; F FLOAT(126); F10 FLOAT(10);"
                      "N102 NUMBER(10,2); V31 VARCHAR2(31); V32 VARCHAR2(32); V4000 VARCHAR2(4000); C CHAR(10);"
                      "D DATE; T TIMESTAMP(3); L CLOB; NL NCLOB; B BLOB; R RAW(16); R40 RAW(40); LG LONG;"
                      "LR LONG RAW; YM INTERVAL YEAR(2) TO MONTH; BD BINARY_DOUBLE; RI ROWID; CD TYPE 25(12)");
  auto record_set = NewRecordSet(kAllTypes);
  record_set->SetProp(prLongStrings, false);
  record_set->SetProp(prFlatBuffers, false);
  const std::string slot = std::to_string(sizeof(void*));
  EXPECT_THAT(Describe(*record_set),
              ElementsAre("N9 4/0 4 required", "N10 5/0 8", "N20 115/0 " + slot, "N 115/0 " + slot,
                          "F 115/0 " + slot, "F10 5/0 8", "N102 5/0 8", "V31 1/0 32", "V32 20/0 " + slot,
                          "V4000 14/1 " + slot, "C 1/0 11", "D 8/0 8", "T 109/0 " + slot, "L 103/0 " + slot,
                          "NL 103/122 " + slot, "B 102/0 " + slot, "R 22/0 18", "R40 23/0 " + slot,
                          "LG 14/0 " + slot, "LR 13/0 " + slot, "YM 112/0 " + slot, "BD 5/119 8", "RI 1/100 19",
                          "CD 108/0 12"));
  auto& f = static_cast<TOCIFieldDesc&>(*record_set->FieldByName("F"));
  EXPECT_EQ(f.Length(), 38) << "FLOAT(126) holds 38 decimal digits";
  EXPECT_TRUE(record_set->FieldByName("C")->Fixed());
  EXPECT_EQ(record_set->FieldByName("T")->Scale(), 3) << "the fractional precision";

  // Described without fetching: a describe-only execute, then one parameter
  // get per column and one past the last.
  EXPECT_THAT(Calls("OCIStmtExecute"), ElementsAre("OCIStmtExecute iters=0 offset=0 mode=16"));
  EXPECT_EQ(Calls("OCIParamGet").size(), 25u);
  EXPECT_TRUE(Calls("OCIStmtFetch").empty());

  // Without the numbers option a large NUMBER is a float; with long strings
  // and flat buffers every text stays inline.
  connection_->EnableNumbers = false;
  auto plain = NewRecordSet(kAllTypes);
  const std::vector<std::string> fields = Describe(*plain);
  EXPECT_EQ(fields[2], "N20 5/0 8");
  EXPECT_EQ(fields[9], "V4000 1/0 4001");
}

TEST_F(DescribeTest, ListEndsOnEitherClientsAnswerAndFailsOnAnyOther) {
  Connect();
  fetch_->ScriptQuery("select a, b from t", "A NUMBER(5); B VARCHAR2(8)");
  fetch_->SetDescribeNoData(true);  // as the network client answers
  auto record_set = NewRecordSet("select a, b from t");
  record_set->Prepare();
  EXPECT_EQ(record_set->GetFieldCount(), 2);

  fetch_->SetDescribeNoData(false);
  standin_->InjectFault("OCIParamGet", 2, -1, 1000, "ORA-01000: maximum open cursors exceeded");
  auto failing = NewRecordSet("select a, b from t");
  try {
    failing->Prepare();
    ADD_FAILURE() << "a failed parameter get ended the list";
  } catch (const EOraError& e) {
    EXPECT_EQ(e.ErrorCode(), 1000);
  }
  EXPECT_FALSE(failing->Prepared());
}

TEST_F(DescribeTest, ColumnsAsTextsFollowTheSessionFormats) {
  Connect();
  fetch_->ScriptQuery("select d, n, r from t", "D DATE; N NUMBER(7,2); R RAW(6)");
  connection_->NlsParams[nlsDateFormat].Value = "DD.MM.YYYY";
  auto record_set = NewRecordSet("select d, n, r from t");
  record_set->GetCommand()->SetProp(prFieldsAsString, true);
  record_set->Prepare();
  EXPECT_EQ(record_set->FieldByName("D")->Length(), 10);
  EXPECT_EQ(record_set->FieldByName("N")->Length(), 10) << "precision + 3";
  EXPECT_EQ(static_cast<TOCIFieldDesc*>(record_set->FieldByName("N"))->SubDataType, stNumberText);
  EXPECT_EQ(record_set->FieldByName("R")->Length(), 12);

  connection_->NlsParams[nlsDateFormat].Value = "dd month yyyy";
  auto wide = NewRecordSet("select d, n, r from t");
  wide->GetCommand()->SetProp(prFieldsAsString, true);
  wide->Prepare();
  EXPECT_EQ(wide->FieldByName("D")->Length(), 13 + 7) << "MONTH is 7 wider";
}

TEST_F(DescribeTest, UnknownServerTypeIsRefused) {
  Connect();
  fetch_->ScriptQuery("select x from t", "X MYSTERY");
  auto record_set = NewRecordSet("select x from t");
  EXPECT_EQ(MessageOf([&] { record_set->Prepare(); }), "Data type is not supported");
}

}  // namespace
}  // namespace oracle::testing
