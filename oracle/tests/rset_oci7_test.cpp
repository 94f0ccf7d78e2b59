// Record sets in the older call style on the stand-in: the select list
// described column by column with odescr on the parsed cursor (no
// describe-only execute), blocks defined with their skips and fetched with
// ofen, the end told by the end code, and LONG columns read one row at a
// time through ogetpi and osetpi.
#include <string>

#include "dacore/blob.h"
#include "oracle/call_state.h"
#include "oracle/tests/rset_fixture.h"
#include "oracle/value_data_types.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using ::testing::ElementsAre;

class Oci7RecordSetTest : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    Connect(kOci7);
  }
  std::string TextOf(TOCIRecordSet& record_set, const std::string& field) {
    return classlib::VarToStr(Value(record_set, field));
  }
};

TEST_F(Oci7RecordSetTest, ColumnsAreDescribedOnTheParsedCursor) {
  const std::string sql = "select id, name, price, born, code from items";
  fetch_->ScriptQuery(sql, "ID NUMBER(9) NOT NULL; NAME VARCHAR2(40); PRICE NUMBER(10,2); BORN DATE; CODE RAW(4)");
  auto record_set = NewRecordSet(sql);
  record_set->Prepare();
  std::vector<std::string> described;
  for (int i = 0; i < record_set->GetFieldCount(); ++i) {
    const dacore::TFieldDesc& field = *record_set->Fields().GetItems(i);
    described.push_back(field.Name() + ":" + std::to_string(field.DataType()));
  }
  EXPECT_THAT(described, ElementsAre("ID:" + std::to_string(dacore::dtInt32), "NAME:" + std::to_string(dacore::dtString),
                                     "PRICE:" + std::to_string(dacore::dtFloat),
                                     "BORN:" + std::to_string(dacore::dtDateTime),
                                     "CODE:" + std::to_string(dacore::dtVarBytes)));
  EXPECT_TRUE(record_set->FieldByName("ID")->Required());
  // One describe a column and one past the last; nothing executed to describe.
  EXPECT_THAT(Calls("odescr"), ElementsAre("odescr pos=1", "odescr pos=2", "odescr pos=3", "odescr pos=4",
                                           "odescr pos=5", "odescr pos=6"));
  EXPECT_TRUE(Calls("oexn").empty());
  EXPECT_TRUE(Calls("OCIParamGet").empty());
}

TEST_F(Oci7RecordSetTest, RowsComeInBlocksOfFetchRows) {
  const std::string sql = "select id, name, born from items";
  fetch_->ScriptQuery(sql, "ID NUMBER(9); NAME VARCHAR2(10); BORN DATE");
  fetch_->GenerateRows(sql, 7);
  auto record_set = NewRecordSet(sql, 3);
  standin_->ClearLog();
  record_set->Open();
  record_set->FetchAll();
  EXPECT_EQ(record_set->GetRecordCount(), 7);
  EXPECT_THAT(Calls("ofen"), ElementsAre("ofen rows=3", "ofen rows=3", "ofen rows=3"));
  EXPECT_THAT(Calls("  answers"), ElementsAre("  answers 0", "  answers 0", "  answers 4"));
  // Each block is defined at the item stride, straight into the records.
  const auto defines = Calls("odefinps");
  ASSERT_EQ(defines.size(), 9u);
  EXPECT_EQ(defines[0].rfind("odefinps op=0 pos=1 type=3 size=4 skip=", 0), 0u) << defines[0];
  EXPECT_EQ(defines[1].rfind("odefinps op=0 pos=2 type=5 size=11 skip=", 0), 0u) << defines[1];
  EXPECT_EQ(defines[2].rfind("odefinps op=0 pos=3 type=12 size=7 skip=", 0), 0u) << defines[2];
  EXPECT_EQ(record_set->Command().GetCursorState(), csCancelled) << "the end of the rows ends the cursor";

  record_set->SetToBegin();
  record_set->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "ID").AsInteger(), 0);
  EXPECT_EQ(TextOf(*record_set, "NAME"), "name-0");
  for (int i = 1; i < 7; ++i) record_set->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "ID").AsInteger(), 6);
  EXPECT_EQ(TextOf(*record_set, "NAME"), "name-6");
}

TEST_F(Oci7RecordSetTest, ExactMultipleNeedsAnEmptyFetch) {
  const std::string sql = "select id from items";
  fetch_->ScriptQuery(sql, "ID NUMBER(9)");
  fetch_->GenerateRows(sql, 4);
  auto record_set = NewRecordSet(sql, 2);
  standin_->ClearLog();
  record_set->Open();
  record_set->FetchAll();
  EXPECT_EQ(record_set->GetRecordCount(), 4);
  EXPECT_THAT(Calls("ofen"), ElementsAre("ofen rows=2", "ofen rows=2", "ofen rows=2"));
  EXPECT_THAT(Calls("  answers"), ElementsAre("  answers 0", "  answers 0", "  answers 4"));
}

TEST_F(Oci7RecordSetTest, LongColumnsComeARowAtATimeInPieces) {
  const std::string sql = "select id, body from notes";
  fetch_->ScriptQuery(sql, "ID NUMBER(9); BODY LONG");
  const std::string big(dacore::DefaultPieceSize() + 10, 'x');
  fetch_->AddRows(sql, "1|short\n2|" + big + "\n3|<null>");
  auto record_set = NewRecordSet(sql, 25);
  standin_->ClearLog();
  record_set->Open();
  EXPECT_TRUE(record_set->RowByRow());
  record_set->FetchAll();
  EXPECT_EQ(record_set->GetRecordCount(), 3);
  // The LONG column is defined piecewise with its context; ordinary ones as one row.
  EXPECT_EQ(Calls("odefinps").front(), "odefinps op=0 pos=1 type=3 size=4 skip=0 ind=0");
  EXPECT_EQ(Calls("odefinps")[1].rfind("odefinps op=1 pos=2 type=8 size=", 0), 0u) << Calls("odefinps")[1];
  EXPECT_EQ(Calls("ofen").size(), 0u) << "one row a call";
  // Row 2's value takes two pieces: each asked for, given a buffer, filled.
  EXPECT_TRUE(InOrder(Calls(), {"ofetch", "  answers -3130", "ogetpi", "osetpi piece=1 len=" +
                                std::to_string(dacore::DefaultPieceSize()), "ofetch", "piece row=1 col=2 bytes=" +
                                std::to_string(dacore::DefaultPieceSize()), "  answers -3130", "ogetpi", "osetpi piece=2 len=" +
                                std::to_string(dacore::DefaultPieceSize()), "ofetch", "piece row=1 col=2 bytes=10"}));

  record_set->SetToBegin();
  record_set->GetNextRecord(nullptr);
  EXPECT_EQ(TextOf(*record_set, "BODY"), "short");
  record_set->GetNextRecord(nullptr);
  EXPECT_EQ(TextOf(*record_set, "BODY"), big);
  record_set->GetNextRecord(nullptr);
  EXPECT_TRUE(record_set->GetNull(2, dacore::ItemRecord(record_set->CurrentItem())));
}

TEST_F(Oci7RecordSetTest, TypesBeyondTheOlderInterfaceAreRefused) {
  const std::string sql = "select doc from docs";
  fetch_->ScriptQuery(sql, "DOC CLOB");
  auto record_set = NewRecordSet(sql);
  EXPECT_EQ(classlib::testing::MessageOf([&] { record_set->Open(); }), "Data type is not supported");
}

}  // namespace
}  // namespace oracle::testing
