// Object and collection columns fetched through the record set: each
// record holds a value of the column's type whose instance the client
// fills, read back through its attributes or elements; nothing stays in the
// object cache once the record set is gone.
#include <cstring>
#include <vector>

#include "dacore/util_memory.h"
#include "oracle/object_ora_array.h"
#include "oracle/object_ora_object.h"
#include "oracle/object_ora_xml.h"
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
  // The value object a record holds for a column.
  static TOraObject* ValueIn(TOCIRecordSet& record_set, dacore::TRecBuf rec, const std::string& column) {
    return static_cast<TOraObject*>(
        dacore::LoadUnaligned<void*>(static_cast<uint8_t*>(rec) + record_set.FieldByName(column)->Offset()));
  }
  static TOraObject* AddressIn(TOCIRecordSet& record_set, dacore::TRecBuf rec) {
    return ValueIn(record_set, rec, "ADDR");
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

TEST_F(ObjectColumnTest, AttributesBecomeFieldsReadThroughTheObject) {
  Connect();
  objects_.DeclareSampleTypes();
  const std::string sql = "select id, addr, note from people";
  fetch_->ScriptQuery(sql, "ID NUMBER(9); ADDR OBJECT; NOTE VARCHAR2(10)");
  fetch_->AddRows(sql, "1|STREET=Main St,CITY=Oslo,ZIP=1234|first\n2|<null>|second");
  {
    auto record_set = NewRecordSet(sql);
    standin_->ClearLog();
    record_set->Open();
    std::vector<std::string> names;
    for (int i = 0; i < record_set->GetFieldCount(); ++i) {
      const dacore::TFieldDesc* field = record_set->Fields().GetItems(i);
      names.push_back(field->ActualName());
      EXPECT_EQ(field->FieldNo(), i + 1);
    }
    EXPECT_THAT(names, ElementsAre("ID", "ADDR", "NOTE", "ADDR.STREET", "ADDR.CITY", "ADDR.ZIP"));
    EXPECT_EQ(record_set->FieldByName("CITY")->ParentField(), record_set->FieldByName("ADDR"));
    // The column after the object keeps its place in the select list.
    EXPECT_THAT(Calls("OCIDefineByPos pos=3"), ElementsAre("OCIDefineByPos pos=3 type=5 size=11 mode=0"));
    EXPECT_TRUE(Calls("OCIDefineByPos pos=4").empty()) << "attribute fields are not columns";
    record_set->GetNextRecord(nullptr);
    EXPECT_EQ(Value(*record_set, "CITY").AsString(), "Oslo");
    EXPECT_EQ(Value(*record_set, "ZIP").AsInteger(), 1234);
    EXPECT_EQ(Value(*record_set, "NOTE").AsString(), "first");
    record_set->GetNextRecord(nullptr);
    EXPECT_EQ(Value(*record_set, "NOTE").AsString(), "second");
    EXPECT_TRUE(classlib::VarIsNull(Value(*record_set, "STREET"))) << "a null object has null attributes";
  }
  EXPECT_EQ(objects_.LiveObjects(), 0);
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

TEST_F(ObjectColumnTest, CollectionColumnsHoldTheirElementsPerRecord) {
  Connect();
  objects_.DeclareSampleTypes();
  objects_.DeclareType("SCOTT", "CODES_T", OCI_TYPECODE_NAMEDCOLLECTION, true, OCI_TYPECODE_TABLE, 0,
                       sizeof(OCINumber), sizeof(OCIInd));
  objects_.DeclareAttribute("SCOTT.CODES_T", "", SQLT_NUM, 22, 5, 0, "", 0, 0);
  const std::string sql = "select phones, codes from lists";
  fetch_->ScriptQuery(sql, "PHONES OBJECT SCOTT.PHONES_T; CODES OBJECT SCOTT.CODES_T");
  fetch_->AddRows(sql, "555-1,555-2|7,8,9\n<null>|10");
  {
    auto record_set = NewRecordSet(sql);
    standin_->ClearLog();
    record_set->Open();
    record_set->GetNextRecord(nullptr);
    dacore::TRecBuf rec = dacore::ItemRecord(record_set->CurrentItem());
    auto* phones = dynamic_cast<TOraArray*>(ValueIn(*record_set, rec, "PHONES"));
    auto* codes = dynamic_cast<TOraNestTable*>(ValueIn(*record_set, rec, "CODES"));
    ASSERT_NE(phones, nullptr) << "a VARRAY column holds an array value";
    ASSERT_NE(codes, nullptr) << "a nested-table column holds a nested table";
    EXPECT_EQ(phones->GetSize(), 2);
    EXPECT_EQ(phones->ItemAsString(1), "555-2");
    EXPECT_EQ(codes->GetSize(), 3);
    EXPECT_EQ(codes->ItemAsInteger(2), 9);

    record_set->GetNextRecord(nullptr);
    rec = dacore::ItemRecord(record_set->CurrentItem());
    EXPECT_TRUE(record_set->GetNull(record_set->FieldByName("PHONES")->FieldNo(), rec));
    auto* next_codes = dynamic_cast<TOraNestTable*>(ValueIn(*record_set, rec, "CODES"));
    ASSERT_NE(next_codes, nullptr);
    EXPECT_EQ(next_codes->GetSize(), 1);
    EXPECT_EQ(next_codes->ItemAsInteger(0), 10);
    EXPECT_THAT(Calls("OCIDefineObject"), ElementsAre("OCIDefineObject pos=1 type=SCOTT.PHONES_T",
                                                     "OCIDefineObject pos=2 type=SCOTT.CODES_T"));
    EXPECT_TRUE(Calls("object row").empty());
  }
  EXPECT_EQ(objects_.LiveObjects(), 0);
}

TEST_F(ObjectColumnTest, XmlColumnsHoldAValuePerRecordReadThroughAStream) {
  Connect();
  objects_.DeclareType("SYS", "XMLTYPE", OCI_TYPECODE_OPAQUE, true, 0, 0, sizeof(void*), sizeof(OCIInd));
  const std::string sql = "select id, doc from docs";
  fetch_->ScriptQuery(sql, "ID NUMBER(5); DOC OBJECT SYS.XMLTYPE");
  fetch_->AddRows(sql, "1|<a>first</a>\n2|<null>\n3|<b/>");
  {
    auto record_set = NewRecordSet(sql);
    standin_->ClearLog();
    record_set->Open();
    record_set->GetNextRecord(nullptr);
    auto* first = dynamic_cast<TOraXML*>(ValueIn(*record_set, dacore::ItemRecord(record_set->CurrentItem()), "DOC"));
    ASSERT_NE(first, nullptr) << "an XML column holds an XML value";
    EXPECT_FALSE(first->GetIsNull());
    EXPECT_EQ(first->AsString(), "<a>first</a>");
    EXPECT_EQ(Calls("OCIPStreamFromXMLType").size(), 1u) << "the text is read on demand";
    record_set->GetNextRecord(nullptr);
    auto* second = dynamic_cast<TOraXML*>(ValueIn(*record_set, dacore::ItemRecord(record_set->CurrentItem()), "DOC"));
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->GetIsNull());
    EXPECT_TRUE(record_set->GetNull(2, dacore::ItemRecord(record_set->CurrentItem())));
    record_set->GetNextRecord(nullptr);
    auto* third = dynamic_cast<TOraXML*>(ValueIn(*record_set, dacore::ItemRecord(record_set->CurrentItem()), "DOC"));
    EXPECT_EQ(third->AsString(), "<b/>");
    EXPECT_THAT(Calls("OCIDefineObject"), ElementsAre("OCIDefineObject pos=2 type=SYS.XMLTYPE"));
  }
  EXPECT_EQ(objects_.LiveObjects(), 0);
}

}  // namespace
}  // namespace oracle::testing
