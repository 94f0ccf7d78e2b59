// Collections and REFs shown as data sets of their own, on the stand-in's
// object cache: the elements of nested tables and VARRAYs as records (the
// 0-based element indexes on the call log), a sparse nested table counted
// by its records, object elements through their attributes, and the object
// behind a REF updated in place; a cancelled edit of either leaves the value
// as it was.
#include <string>
#include <vector>

#include "classlib/field.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/nested_ora_nested_table.h"
#include "oracle/nested_record_stores.h"
#include "oracle/tests/object_value_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class NestedTableTest : public ObjectValueTest {
 protected:
  static std::vector<std::string> Texts(TOraNestedTable& nested, const std::string& field) {
    std::vector<std::string> texts;
    for (nested.First(); !nested.Eof(); nested.Next()) texts.push_back(nested.FieldByName(field)->AsString());
    return texts;
  }
};

TEST_F(NestedTableTest, SparseNestedTableIsCountedByItsRecords) {
  TableRef words(NewValue<TOraNestTable>("SCOTT.WORDS_T"));
  const std::vector<std::string> initial = {"a", "b", "c", "d"};
  for (int i = 0; i < 4; ++i) words->SetItemAsString(i, initial[static_cast<size_t>(i)]);
  words->DeleteItem(2);
  standin_->ClearLog();
  {
    TOraNestedTable nested;
    nested.SetTable(words.get());
    nested.Open();
    EXPECT_EQ(nested.RecordCount(), 3) << "the deleted third element is no record, nor counted";
    EXPECT_EQ(Texts(nested, "ELEMENT"), (std::vector<std::string>{"a", "b", "d"}));
    // The element indexes are the call interface's, from 0: the records
    // carry 0, 1 and 3.
    EXPECT_THAT(ArgumentsOf("OCITableNext"),
                ElementsAre("index=-1 next=0", "index=0 next=1", "index=1 next=3", "index=3 next=-1"));

    nested.First();
    nested.Next();
    nested.Delete();
    EXPECT_THAT(ArgumentsOf("OCITableDelete"), ElementsAre("index=1"));
    EXPECT_EQ(words->GetSize(), 2);
    EXPECT_EQ(nested.RecordCount(), 2);
    EXPECT_EQ(Texts(nested, "ELEMENT"), (std::vector<std::string>{"a", "d"}));

    // The record of the fourth element writes element 3, the index a path
    // selector "[3]" names as well.
    nested.Last();
    nested.Edit();
    nested.FieldByName("ELEMENT")->SetAsString("D");
    nested.Post();
    EXPECT_EQ(words->ItemAsString(3), "D");
    nested.Append();
    nested.FieldByName("ELEMENT")->SetAsString("e");
    nested.Post();
    EXPECT_EQ(words->ItemAsString(4), "e") << "appended after the last place, deleted ones included";
    EXPECT_EQ(words->GetSize(), 3);
    EXPECT_EQ(nested.RecordCount(), 3);
  }
  EXPECT_EQ(words->RefCount(), 1) << "the data set let the table go";
}

TEST_F(NestedTableTest, VarrayGrowsThroughAppendedRecords) {
  ArrayRef nums(NewValue<TOraArray>("SCOTT.NUMS_T"));
  for (int i = 0; i < 3; ++i) nums->SetItemAsInteger(i, i + 1);
  TOraNestedTable nested;
  nested.SetTable(nums.get());
  nested.Open();
  ASSERT_EQ(nested.RecordCount(), 3);
  for (int value : {4, 5, 6}) {
    nested.Append();
    nested.FieldByName("ELEMENT")->SetAsInteger(value);
    nested.Post();
  }
  EXPECT_EQ(nums->GetSize(), 6) << "the VARRAY grew past its first size";
  EXPECT_EQ(nums->ItemAsInteger(5), 6);
  nested.First();
  nested.Edit();
  nested.FieldByName("ELEMENT")->Clear();
  nested.Post();
  EXPECT_TRUE(nums->ItemIsNull(0));
  EXPECT_EQ(MessageOf([&] { nested.Delete(); }), "Elements of a VARRAY cannot be deleted");
  EXPECT_EQ(nums->GetSize(), 6);
  nested.Close();
}

TEST_F(NestedTableTest, ObjectElementsShowTheirAttributes) {
  TypeRef type(Describe("SCOTT.LINES_T"));
  auto* lines = new TOraNestTable(type.get());
  TableRef held(lines);
  lines->AllocObject();
  lines->ItemAsObject(0)->SetAttrAsString("TEXT", "first");
  lines->ItemAsObject(0)->SetAttrAsInteger("NO", 1);
  lines->ItemAsObject(1)->SetAttrAsString("TEXT", "second");
  lines->ItemAsObject(1)->SetAttrAsInteger("NO", 2);
  {
    TOraNestedTable nested;
    nested.SetTable(lines);
    nested.Open();
    EXPECT_EQ(Texts(nested, "TEXT"), (std::vector<std::string>{"first", "second"}));
    nested.Last();
    EXPECT_EQ(nested.FieldByName("NO")->AsInteger(), 2);
    nested.Edit();
    nested.FieldByName("TEXT")->SetAsString("changed");
    nested.Post();
    EXPECT_EQ(lines->ItemAsObject(1)->AttrAsString("TEXT"), "changed");
    nested.Append();
    nested.FieldByName("TEXT")->SetAsString("third");
    nested.FieldByName("NO")->SetAsInteger(3);
    nested.Post();
    EXPECT_EQ(nested.RecordCount(), 3);
    EXPECT_EQ(nested.FieldByName("TEXT")->AsString(), "third") << "the record shows the new element";
  }
  ASSERT_EQ(lines->GetSize(), 3);
  EXPECT_EQ(lines->ItemAsObject(2)->AttrAsString("TEXT"), "third");
  EXPECT_EQ(lines->ItemAsObject(2)->AttrAsInteger("NO"), 3);
}

// An object element is edited on a copy: a cancel leaves the element as it
// was, a post writes it, and the record shows the element itself again, so
// a later edit and cancel take back only their own change.
TEST_F(NestedTableTest, CancelledEditOfAnObjectElementLeavesItAsItWas) {
  TypeRef type(Describe("SCOTT.LINES_T"));
  auto* lines = new TOraNestTable(type.get());
  TableRef held(lines);
  lines->AllocObject();
  lines->ItemAsObject(0)->SetAttrAsString("TEXT", "first");
  lines->ItemAsObject(1)->SetAttrAsString("TEXT", "second");
  {
    TOraNestedTable nested;
    nested.SetTable(lines);
    nested.Open();
    nested.Last();
    nested.Edit();
    nested.FieldByName("TEXT")->SetAsString("changed");
    nested.Cancel();
    EXPECT_EQ(lines->ItemAsObject(1)->AttrAsString("TEXT"), "second");
    EXPECT_EQ(nested.FieldByName("TEXT")->AsString(), "second");

    nested.Edit();
    nested.FieldByName("TEXT")->SetAsString("posted");
    nested.Post();
    EXPECT_EQ(lines->ItemAsObject(1)->AttrAsString("TEXT"), "posted");
    nested.Edit();
    nested.FieldByName("TEXT")->SetAsString("again");
    nested.Cancel();
    EXPECT_EQ(Texts(nested, "TEXT"), (std::vector<std::string>{"first", "posted"}));
    EXPECT_EQ(lines->ItemAsObject(1)->AttrAsString("TEXT"), "posted");
  }
  EXPECT_EQ(lines->RefCount(), 1) << "the data set let the table go";
}

TEST_F(NestedTableTest, MissingValueOrReferenceIsRefused) {
  TOraNestedTable nested;
  nested.SetName("Lines");
  EXPECT_EQ(MessageOf([&] { nested.Open(); }), "Lines: Missing DataSetField property");
  TRefData store;
  EXPECT_EQ(MessageOf([&] { store.Prepare(); }), "Reference is not defined");
}

// ---- The object behind a REF ----------------------------------------------------------

class RefDataTest : public ObjectValueTest {
 protected:
  void SetUp() override {
    ObjectValueTest::SetUp();
    person_.reset(NewPerson());
    person_->SetAttrAsString("NAME", "Ann");
    standin_->ClearLog();
  }
  void TearDown() override {
    person_.reset();
    ObjectValueTest::TearDown();
  }
  ObjectRef person_;
};

TEST_F(RefDataTest, PostedRecordUpdatesTheObjectAndKeepsTheReference) {
  OraRefRef ref(new TOraRef(person_->GetOraType()));
  ref->SetOCIRef(person_->GetObjectRef());
  const std::string identity = ref->AsHex();
  {
    TOraNestedTable nested;
    nested.SetRef(ref.get());
    nested.Open();
    ASSERT_EQ(nested.RecordCount(), 1);
    classlib::TField* name = nested.FieldByName("REF.NAME");
    EXPECT_EQ(name->AsString(), "Ann");
    EXPECT_EQ(MessageOf([&] { nested.Delete(); }), "A reference shows one object: its record cannot be deleted");
    EXPECT_EQ(nested.RecordCount(), 1);
    standin_->ClearLog();
    nested.Edit();
    name->SetAsString("Bob");
    nested.Post();
    EXPECT_THAT(ArgumentsOf("OCIObjectMarkUpdate"), ElementsAre("type=SCOTT.PERSON_T"));
    EXPECT_THAT(ArgumentsOf("OCIObjectFlush"), ElementsAre("type=SCOTT.PERSON_T"));
    EXPECT_THAT(ArgumentsOf("OCIObjectMarkDelete"), IsEmpty()) << "an update never deletes the object";
    EXPECT_EQ(name->AsString(), "Bob");
  }
  EXPECT_EQ(Pins(), 0) << "closing unpins what the data set pinned";
  EXPECT_EQ(ref->AsHex(), identity) << "the REF still names the same object";
  EXPECT_EQ(person_->AttrAsString("NAME"), "Bob");
}

// The object behind a REF is edited in the object cache: a cancel writes
// back what it held when the edit began and neither marks nor flushes it;
// a later edit that is posted is written as before.
TEST_F(RefDataTest, CancelledEditLeavesTheObjectAsItWas) {
  OraRefRef ref(new TOraRef(person_->GetOraType()));
  ref->SetOCIRef(person_->GetObjectRef());
  {
    TOraNestedTable nested;
    nested.SetRef(ref.get());
    nested.Open();
    classlib::TField* name = nested.FieldByName("REF.NAME");
    nested.Edit();
    name->SetAsString("Bob");
    nested.Cancel();
    EXPECT_EQ(name->AsString(), "Ann");
    EXPECT_EQ(person_->AttrAsString("NAME"), "Ann");
    EXPECT_THAT(ArgumentsOf("OCIObjectMarkUpdate"), IsEmpty());
    EXPECT_THAT(ArgumentsOf("OCIObjectFlush"), IsEmpty());

    nested.Edit();
    name->SetAsString("Cid");
    nested.Post();
    EXPECT_THAT(ArgumentsOf("OCIObjectFlush"), ElementsAre("type=SCOTT.PERSON_T"));
    EXPECT_EQ(person_->AttrAsString("NAME"), "Cid");
  }
  EXPECT_EQ(Pins(), 0);
}

// The object a posted record flushes takes its LOB attributes' data.
TEST_F(RefDataTest, PostedRecordFlushesTheObjectsLobsAsTemporaryLobs) {
  objects_.DeclareDocumentTypes();
  ObjectRef doc(NewValue<TOraObject>("SCOTT.DOC_T"));
  OraRefRef ref(new TOraRef(doc->GetOraType()));
  ref->SetOCIRef(doc->GetObjectRef());
  TOraNestedTable nested;
  nested.SetRef(ref.get());
  nested.Open();
  ref->AttrAsLob("BODY")->SetAsString("hello");
  standin_->ClearLog();
  nested.Edit();
  nested.FieldByName("REF.TITLE")->SetAsString("memo");
  nested.Post();
  EXPECT_THAT(standin_->LogOf("flushed"), ElementsAre("flushed {TITLE=memo,BODY=TEMP(hello),DATA=NULL,NOTE=NULL}"))
      << "a LOB nobody wrote stays as it was";
  EXPECT_EQ(nested.FieldByName("REF.TITLE")->AsString(), "memo");
}

TEST_F(RefDataTest, NullReferenceOpensEmpty) {
  OraRefRef ref(new TOraRef(person_->GetOraType()));
  TOraNestedTable nested;
  nested.SetRef(ref.get());
  nested.Open();
  EXPECT_TRUE(nested.IsEmpty());
  EXPECT_EQ(nested.RecordCount(), 0);
}

}  // namespace
}  // namespace oracle::testing
