// Object columns fetched through the record set: each record holds a value
// of the column's type whose instance the client fills, read back through
// its attributes; nothing stays in the object cache once the record set
// is gone.
#include <cstring>
#include <vector>

#include "dacore/util_memory.h"
#include "oracle/object_ora_object.h"
#include "oracle/tests/object_fixture.h"
#include "oracle/tests/rset_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;

class ObjectColumnTest : public RecordSetTest {
 protected:
  static constexpr const char* kSql = "select id, addr from people";

  void ScriptPeople() {
    objects_.DeclareSampleTypes();
    fetch_->ScriptQuery(kSql, "ID NUMBER(9); ADDR OBJECT");
    fetch_->AddRows(kSql,
                    "1|STREET=Main St,CITY=Oslo,ZIP=1234\n"
                    "2|<null>\n"
                    "3|CITY=Bergen,ZIP=5003");
  }
  // The value object a record holds for the ADDR column.
  static TOraObject* AddressIn(TOCIRecordSet& record_set, dacore::TRecBuf rec) {
    return static_cast<TOraObject*>(
        dacore::LoadUnaligned<void*>(static_cast<uint8_t*>(rec) + record_set.FieldByName("ADDR")->Offset()));
  }
  static TOraObject* Address(TOCIRecordSet& record_set) {
    return AddressIn(record_set, dacore::ItemRecord(record_set.CurrentItem()));
  }
  bool AddressIsNull(TOCIRecordSet& record_set) {
    return record_set.GetNull(record_set.FieldByName("ADDR")->FieldNo(), dacore::ItemRecord(record_set.CurrentItem()));
  }
  ObjectControl objects_;
};

TEST_F(ObjectColumnTest, EachRecordHoldsItsObjectReadThroughTheAttributes) {
  Connect();
  ScriptPeople();
  {
    auto record_set = NewRecordSet(kSql, 2);
    standin_->ClearLog();
    record_set->Open();
    record_set->GetNextRecord(nullptr);
    ASSERT_FALSE(AddressIsNull(*record_set));
    TOraObject* address = Address(*record_set);
    EXPECT_EQ(address->GetOraType()->Name(), "\"SCOTT\".\"ADDRESS_T\"");
    EXPECT_EQ(address->AttrAsString("STREET"), "Main St");
    EXPECT_EQ(address->AttrAsString("CITY"), "Oslo");
    EXPECT_EQ(address->AttrAsInteger("ZIP"), 1234);

    record_set->GetNextRecord(nullptr);
    EXPECT_TRUE(AddressIsNull(*record_set));
    EXPECT_TRUE(Address(*record_set)->GetIsNull());

    record_set->GetNextRecord(nullptr);
    TOraObject* third = Address(*record_set);
    EXPECT_NE(third, address) << "every record has a value of its own";
    EXPECT_TRUE(third->AttrIsNull("STREET"));
    EXPECT_EQ(third->AttrAsString("CITY"), "Bergen");
    EXPECT_EQ(third->AttrAsInteger("ZIP"), 5003);

    // The value column is defined as an object of its type in each block.
    EXPECT_THAT(Calls("OCIDefineByPos pos=2"), ElementsAre("OCIDefineByPos pos=2 type=108 size=8 mode=0",
                                                          "OCIDefineByPos pos=2 type=108 size=8 mode=0"));
    EXPECT_THAT(Calls("OCIDefineObject"),
                ElementsAre("OCIDefineObject pos=2 type=SCOTT.ADDRESS_T", "OCIDefineObject pos=2 type=SCOTT.ADDRESS_T"));
    EXPECT_TRUE(Calls("object row").empty()) << "every row reached an instance of the cache";
  }
  EXPECT_EQ(objects_.LiveObjects(), 0) << "the records' instances are freed with them";
}

TEST_F(ObjectColumnTest, ACopiedRecordHasAnObjectOfItsOwn) {
  Connect();
  ScriptPeople();
  {
    auto record_set = NewRecordSet(kSql);
    record_set->Open();
    record_set->GetNextRecord(nullptr);
    std::vector<uint8_t> copy(static_cast<size_t>(record_set->RecordSize()));
    dacore::TRecBuf source = dacore::ItemRecord(record_set->CurrentItem());
    std::memcpy(copy.data(), source, copy.size());
    record_set->CopyComplexFields(source, copy.data(), true);
    TOraObject* copied = AddressIn(*record_set, copy.data());
    ASSERT_NE(copied, Address(*record_set));
    copied->SetAttrAsString("CITY", "Tromso");
    EXPECT_EQ(Address(*record_set)->AttrAsString("CITY"), "Oslo");
    EXPECT_EQ(copied->AttrAsString("STREET"), "Main St");
    record_set->FreeComplexFields(copy.data(), true);
  }
  EXPECT_EQ(objects_.LiveObjects(), 0);
}

TEST_F(ObjectColumnTest, ReferenceColumnsAreStillRefused) {
  Connect();
  fetch_->ScriptQuery("select r from refs", "R REF");
  fetch_->AddRows("select r from refs", "x");
  auto record_set = NewRecordSet("select r from refs");
  EXPECT_EQ(MessageOf([&] { record_set->Open(); }), "Data type is not supported");
}

}  // namespace
}  // namespace oracle::testing
