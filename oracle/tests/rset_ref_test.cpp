// REF and MLSLABEL columns fetched through the record set. Every record
// owns the REF the fetch made for it; an edit copy owns a REF of its own;
// nothing stays in the object cache once the record set and the objects
// are gone. A label is fetched as the server's bytes and reads as Null.
#include <string>

#include "dacore/util_memory.h"
#include "oracle/object_ora_ref.h"
#include "oracle/tests/object_fixture.h"
#include "oracle/tests/rset_fixture.h"
#include "oracle/value_data_types.h"

namespace oracle::testing {
namespace {

using ::testing::ElementsAre;

class RefColumnTest : public RecordSetTest {
 protected:
  static constexpr const char* kSql = "select id, home from people";

  void TearDown() override {
    oslo_.reset();
    bergen_.reset();
    RecordSetTest::TearDown();
  }
  // Two addresses on the server and rows whose REFs lead to them.
  void ScriptPeople() {
    objects_.DeclareSampleTypes();
    oslo_ = NewAddress("Oslo");
    bergen_ = NewAddress("Bergen");
    fetch_->ScriptQuery(kSql, "ID NUMBER(9); HOME REF SCOTT.ADDRESS_T");
    fetch_->AddRows(kSql, "1|" + HexOf(*oslo_) + "\n2|<null>\n3|" + HexOf(*bergen_));
  }
  ObjectRef NewAddress(const std::string& city) {
    TOraType* type = new TOraType(connection_->GetSvcCtx(), "scott.address_t");
    ObjectRef address(new TOraObject(type));
    type->Release();
    address->AllocObject();
    address->SetAttrAsString("CITY", city);
    return address;
  }
  // The text a REF to that object shows.
  std::string HexOf(TOraObject& object) {
    TOraRef* ref = new TOraRef(object.GetOraType());
    ref->SetOCISvcCtx(connection_->GetSvcCtx());
    ref->SetOCIRef(object.GetObjectRef());
    std::string hex = ref->AsHex();
    ref->Release();
    return hex;
  }
  static TOraRef* Home(TOCIRecordSet& record_set, dacore::TRecBuf rec) {
    return static_cast<TOraRef*>(
        dacore::LoadUnaligned<void*>(static_cast<uint8_t*>(rec) + record_set.FieldByName("HOME")->Offset()));
  }
  static dacore::TRecBuf Current(TOCIRecordSet& record_set) { return dacore::ItemRecord(record_set.CurrentItem()); }

  ObjectControl objects_;
  ObjectRef oslo_, bergen_;
};

TEST_F(RefColumnTest, EachRecordOwnsTheRefItsRowMade) {
  Connect();
  ScriptPeople();
  const int server_objects = objects_.LiveObjects();
  {
    auto record_set = NewRecordSet(kSql, 2);
    standin_->ClearLog();
    record_set->Open();
    record_set->GetNextRecord(nullptr);
    TOraRef* first = Home(*record_set, Current(*record_set));
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(record_set->GetNull(2, Current(*record_set)));
    EXPECT_EQ(first->AsHex(), HexOf(*oslo_));
    first->Pin();
    EXPECT_EQ(first->AttrAsString("CITY"), "Oslo");
    first->Unpin();

    record_set->GetNextRecord(nullptr);
    EXPECT_TRUE(record_set->GetNull(2, Current(*record_set)));
    EXPECT_TRUE(Home(*record_set, Current(*record_set))->GetIsNull());
    EXPECT_EQ(Home(*record_set, Current(*record_set))->GetOCIRef(), nullptr) << "a null row keeps no REF";

    record_set->GetNextRecord(nullptr);
    TOraRef* third = Home(*record_set, Current(*record_set));
    EXPECT_NE(third->GetOCIRef(), first->GetOCIRef());
    third->Pin();
    EXPECT_EQ(third->AttrAsString("CITY"), "Bergen");
    third->Unpin();

    // Defined as a REF of the column's type in each block; the client made
    // a REF for each row that has one.
    EXPECT_THAT(Calls("OCIDefineByPos pos=2"), ElementsAre("OCIDefineByPos pos=2 type=110 size=8 mode=0",
                                                          "OCIDefineByPos pos=2 type=110 size=8 mode=0"));
    EXPECT_THAT(Calls("OCIDefineObject"),
                ElementsAre("OCIDefineObject pos=2 type=SCOTT.ADDRESS_T", "OCIDefineObject pos=2 type=SCOTT.ADDRESS_T"));
    EXPECT_THAT(Calls("ref"), ElementsAre("ref row=0 made", "ref row=2 made"));
    EXPECT_EQ(objects_.LiveObjects(), server_objects + 2);
    standin_->ClearLog();
  }
  EXPECT_EQ(Calls("OCIObjectFree").size(), 2u) << "each record freed the REF it owned";
  EXPECT_EQ(objects_.LiveObjects(), server_objects);
  EXPECT_EQ(objects_.Pins(), 0);
}

TEST_F(RefColumnTest, AnEditCopyHasARefOfItsOwn) {
  Connect();
  ScriptPeople();
  const int server_objects = objects_.LiveObjects();
  {
    auto record_set = NewRecordSet(kSql);
    record_set->Open();
    record_set->GetNextRecord(nullptr);
    TOraRef* row = Home(*record_set, Current(*record_set));
    const dacore::TFieldDesc& field = *record_set->FieldByName("HOME");
    standin_->ClearLog();
    auto* copy = static_cast<TOraRef*>(record_set->OwnEditedValue(field, row));
    ASSERT_NE(copy, row);
    EXPECT_NE(copy->GetOCIRef(), row->GetOCIRef());
    EXPECT_EQ(copy->AsHex(), row->AsHex());
    EXPECT_THAT(Calls("OCIRefAssign"), ElementsAre("OCIRefAssign target=new"));
    // Clearing the copy, as a cancelled edit would drop it, leaves the row's REF.
    copy->Clear();
    EXPECT_FALSE(row->GetIsNull());
    copy->Release();
    row->Pin();
    EXPECT_EQ(row->AttrAsString("CITY"), "Oslo");
    row->Unpin();
  }
  EXPECT_EQ(objects_.LiveObjects(), server_objects);
}

TEST_F(RefColumnTest, ARefToAnObjectThatIsGoneReadsAsNull) {
  Connect();
  ScriptPeople();
  oslo_.reset();  // the first row's object no longer exists
  auto record_set = NewRecordSet(kSql);
  record_set->Open();
  record_set->GetNextRecord(nullptr);
  TOraRef* home = Home(*record_set, Current(*record_set));
  EXPECT_FALSE(home->GetIsNull());
  home->Pin();
  EXPECT_TRUE(home->GetIsNull()) << "the failed pin marks the REF invalid instead of raising";
}

TEST_F(RecordSetTest, LabelColumnsAreFetchedAndReadAsNull) {
  Connect();
  const std::string sql = "select id, lbl from secrets";
  fetch_->ScriptQuery(sql, "ID NUMBER(9); LBL MLSLABEL");
  fetch_->AddRows(sql, "1|TOP\n2|<null>");
  auto record_set = NewRecordSet(sql);
  standin_->ClearLog();
  record_set->Open();
  EXPECT_EQ(record_set->FieldByName("LBL")->DataType(), dtLabel);
  EXPECT_THAT(Calls("OCIDefineByPos pos=2"), ElementsAre("OCIDefineByPos pos=2 type=106 size=255 mode=0"));
  record_set->GetNextRecord(nullptr);
  EXPECT_FALSE(record_set->GetNull(2, dacore::ItemRecord(record_set->CurrentItem())));
  EXPECT_TRUE(classlib::VarIsNull(Value(*record_set, "LBL")));
  EXPECT_EQ(Value(*record_set, "ID").AsInteger(), 1);
  record_set->GetNextRecord(nullptr);
  EXPECT_TRUE(record_set->GetNull(2, dacore::ItemRecord(record_set->CurrentItem())));
}

}  // namespace
}  // namespace oracle::testing
