#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "classlib/datetime.h"
#include "oracle/call_entries_collections.h"
#include "oracle/call_state.h"
#include "oracle/error_ora.h"
#include "oracle/tests/object_value_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

using OraArrayTest = ObjectValueTest;

// Reads past the end change nothing; a write grows the VARRAY with null
// elements up to the index, beyond the three elements it started with.
TEST_F(OraArrayTest, VarrayGrowsPastItsFirstSize) {
  ArrayRef numbers(NewValue<TOraArray>("scott.nums_t"));
  numbers->SetSize(3);
  EXPECT_THAT(ArgumentsOf("OCICollAppend"), ElementsAre("size=1", "size=2", "size=3"));
  for (int i = 0; i < 3; ++i) numbers->SetItemAsInteger(i, 10 * (i + 1));
  standin_->ClearLog();

  EXPECT_EQ(numbers->ItemAsInteger(5), 0);
  EXPECT_TRUE(numbers->ItemIsNull(5));
  EXPECT_EQ(numbers->GetSize(), 3) << "a read must not grow the collection";
  EXPECT_THAT(ArgumentsOf("OCICollAppend"), IsEmpty());

  numbers->SetItemAsInteger(5, 7);
  EXPECT_EQ(numbers->GetSize(), 6);
  EXPECT_THAT(ArgumentsOf("OCICollAppend"), ElementsAre("size=4", "size=5", "size=6"));
  EXPECT_THAT(ArgumentsOf("OCICollAssignElem"), ElementsAre("index=5 null=0"));
  EXPECT_TRUE(numbers->ItemIsNull(3));
  EXPECT_TRUE(numbers->ItemIsNull(4));
  EXPECT_EQ(numbers->ItemAsInteger(5), 7);
  EXPECT_EQ(numbers->ItemAsLargeInt(2), 30);
  EXPECT_DOUBLE_EQ(numbers->ItemAsFloat(0), 10.0);
  EXPECT_FALSE(numbers->GetIsNull());

  // Past the VARRAY's limit nothing is appended.
  EXPECT_EQ(MessageOf([&] { numbers->SetItemAsInteger(10, 1); }),
            "Collection index 10 is beyond the VARRAY's limit of 10");
  EXPECT_EQ(numbers->GetSize(), 6);

  standin_->ClearLog();
  numbers->SetSize(2);
  EXPECT_THAT(ArgumentsOf("OCICollTrim"), ElementsAre("count=4"));
  EXPECT_EQ(numbers->ItemAsInteger(1), 20);
  numbers->SetSize(0);
  EXPECT_EQ(numbers->GetSize(), 0);
}

TEST_F(OraArrayTest, ElementTypesAreChecked) {
  ArrayRef numbers(NewValue<TOraArray>("SCOTT.NUMS_T"));
  EXPECT_EQ(MessageOf([&] { numbers->ItemAsString(0); }), "Cannot convert type to String");
  EXPECT_EQ(MessageOf([&] { numbers->SetItemAsDateTime(0, 1.0); }), "Cannot convert type to Date");
  EXPECT_EQ(MessageOf([&] { numbers->ItemAsObject(0); }), "Cannot convert type to Object");
  EXPECT_EQ(MessageOf([&] { numbers->ItemAsRef(0); }), "Cannot convert type to Reference");
  EXPECT_EQ(numbers->GetSize(), 0) << "a refused write appends nothing";

  TableRef words(NewValue<TOraNestTable>("SCOTT.WORDS_T"));
  EXPECT_EQ(MessageOf([&] { words->SetItemAsInteger(0, 1); }), "Cannot convert type to Integer");
  EXPECT_EQ(MessageOf([&] { words->ItemAsFloat(0); }), "Cannot convert type to Float");

  TypeRef person(Describe("SCOTT.PERSON_T"));
  EXPECT_EQ(MessageOf([&] { ArrayRef(new TOraArray(person.get()))->AllocObject(); }),
            "Type of object must be Array");
  TypeRef varray(Describe("SCOTT.NUMS_T"));
  EXPECT_EQ(MessageOf([&] { TableRef(new TOraNestTable(varray.get()))->AllocObject(); }),
            "Type of object must be Table");
}

TEST_F(OraArrayTest, StringsAndDatesRoundTrip) {
  TableRef words(NewValue<TOraNestTable>("SCOTT.WORDS_T"));
  words->SetItemAsString(1, "second");
  EXPECT_TRUE(words->ItemIsNull(0));
  EXPECT_EQ(words->ItemAsString(0), "");
  EXPECT_EQ(words->ItemAsString(1), "second");
  words->SetItemAsString(1, "2nd");
  EXPECT_EQ(words->ItemAsString(1), "2nd");
  words->SetItemIsNull(1, true);
  EXPECT_TRUE(words->ItemIsNull(1));
  words->SetItemIsNull(1, false);
  EXPECT_EQ(words->ItemAsString(1), "2nd") << "the element keeps its text while null";

  ArrayRef dates(NewValue<TOraArray>("SCOTT.DATES_T"));
  const classlib::TDateTime when = classlib::EncodeDate(2004, 2, 29) + classlib::EncodeTime(23, 59, 58, 0);
  dates->SetItemAsDateTime(2, when);
  EXPECT_DOUBLE_EQ(dates->ItemAsDateTime(2), when);
  EXPECT_EQ(dates->ItemAsDateTime(0), 0) << "a null element reads as date 0";
  EXPECT_EQ(dates->GetSize(), 3);
}

// Deleted elements keep their places: the others keep their indexes and
// the size counts only the elements that exist.
TEST_F(OraArrayTest, SparseNestedTableCountsItsElements) {
  TableRef words(NewValue<TOraNestTable>("SCOTT.WORDS_T"));
  const char* texts[] = {"a", "b", "c", "d", "e"};
  for (int i = 0; i < 5; ++i) words->SetItemAsString(i, texts[i]);
  standin_->ClearLog();
  words->DeleteItem(2);
  words->DeleteItem(0);
  EXPECT_THAT(ArgumentsOf("OCITableDelete"), ElementsAre("index=2", "index=0"));
  EXPECT_EQ(words->GetSize(), 3);
  EXPECT_THAT(ArgumentsOf("OCITableSize"), ElementsAre("size=3"));
  EXPECT_TRUE(words->ItemIsNull(2));
  EXPECT_EQ(words->ItemAsString(3), "d");
  EXPECT_EQ(words->ItemAsString(4), "e");
  EXPECT_THROW(words->DeleteItem(2), EOraError) << "an element is deleted once";

  // The next call skips deleted places and counts from 0 as well.
  auto next_after = [&](sb4 index) {
    sb4 next = -1;
    boolean exists = 0;
    EXPECT_EQ(OCITableNext(hOCIEnv, hOCIError, index, static_cast<OCIColl*>(words->GetInstance()), &next, &exists),
              OCI_SUCCESS);
    return exists ? next : -1;
  };
  EXPECT_EQ(next_after(-1), 1);
  EXPECT_EQ(next_after(1), 3);
  EXPECT_EQ(next_after(4), -1);

  // A write into a deleted place brings the element back without appending.
  standin_->ClearLog();
  words->SetItemAsString(2, "C");
  EXPECT_THAT(ArgumentsOf("OCICollAppend"), IsEmpty());
  EXPECT_EQ(words->GetSize(), 4);
  EXPECT_EQ(words->ItemAsString(2), "C");
}

TEST_F(OraArrayTest, AssignCopiesElements) {
  ArrayRef numbers(NewValue<TOraArray>("SCOTT.NUMS_T"));
  numbers->SetItemAsInteger(0, 5);
  numbers->SetItemAsInteger(1, 6);
  ArrayRef copy(NewValue<TOraArray>("SCOTT.NUMS_T"));
  copy->Assign(*numbers);
  EXPECT_THAT(ArgumentsOf("OCICollAssign"), ElementsAre("size=2"));
  EXPECT_EQ(copy->ItemAsInteger(1), 6);

  // A nested table is copied element by element: its existing elements, in order.
  TableRef words(NewValue<TOraNestTable>("SCOTT.WORDS_T"));
  for (int i = 0; i < 3; ++i) words->SetItemAsString(i, std::string(1, static_cast<char>('x' + i)));
  words->DeleteItem(1);
  TableRef target(NewValue<TOraNestTable>("SCOTT.WORDS_T"));
  target->SetItemAsString(3, "old");
  standin_->ClearLog();
  target->Assign(*words);
  EXPECT_THAT(ArgumentsOf("OCICollTrim"), ElementsAre("count=4"));
  EXPECT_THAT(ArgumentsOf("OCICollAppend"), ElementsAre("size=1", "size=2"));
  EXPECT_EQ(target->GetSize(), 2);
  EXPECT_EQ(target->ItemAsString(0), "x");
  EXPECT_EQ(target->ItemAsString(1), "z");
}

TEST_F(OraArrayTest, ObjectElementsAreChildValues) {
  TableRef lines(NewValue<TOraNestTable>("SCOTT.LINES_T"));
  TOraObject* line = lines->ItemAsObject(1);
  EXPECT_EQ(lines->GetSize(), 2);
  line->SetAttrAsString("TEXT", "hello");
  line->SetAttrAsInteger("NO", 2);
  EXPECT_EQ(lines->ItemAsObject(1), line) << "one child value an element";
  EXPECT_EQ(lines->ItemAsObject(1)->AttrAsString("TEXT"), "hello");

  ObjectRef loose(new TOraObject(line->GetOraType()));
  loose->AllocObject();
  loose->SetAttrAsString("TEXT", "first");
  lines->SetItemAsObject(0, *loose);
  EXPECT_EQ(lines->ItemAsObject(0)->AttrAsString("TEXT"), "first");
  EXPECT_EQ(lines->ItemAsObject(0)->AttrAsInteger("NO"), 0);
}

// Path selectors and element indexes are the call interface's 0-based
// index: PHONES[2] is ItemAs...(2), the third element, at both ends.
TEST_F(OraArrayTest, PathSelectorsAndItemIndexesAreOneNumber) {
  ObjectRef person(NewPerson());
  person->SetAttrAsString("PHONES[2]", "333");
  auto* phones = dynamic_cast<TOraArray*>(person->AttrAsObject("PHONES"));
  ASSERT_NE(phones, nullptr);
  EXPECT_EQ(phones->GetSize(), 3);
  EXPECT_EQ(phones->ItemAsString(2), "333");
  phones->SetItemAsString(0, "111");
  standin_->ClearLog();
  EXPECT_EQ(person->AttrAsString("PHONES[0]"), "111");
  EXPECT_THAT(ArgumentsOf("OCICollGetElem"), ElementsAre("index=0 exists=1"));

  person->SetAttrAsString("LINES[1].TEXT", "second");
  auto* lines = dynamic_cast<TOraNestTable*>(person->AttrAsObject("LINES"));
  ASSERT_NE(lines, nullptr);
  EXPECT_EQ(lines->ItemAsObject(1)->AttrAsString("TEXT"), "second");
  standin_->ClearLog();
  lines->DeleteItem(1);
  EXPECT_THAT(ArgumentsOf("OCITableDelete"), ElementsAre("index=1"));
  EXPECT_TRUE(person->AttrIsNull("LINES[1].TEXT"));
  EXPECT_EQ(lines->GetSize(), 1);
}

TEST_F(OraArrayTest, ObjectCopyRefillsNestedTables) {
  ObjectRef person(NewPerson());
  person->SetAttrAsString("LINES[0].TEXT", "one");
  person->SetAttrAsString("LINES[1].TEXT", "two");
  ObjectRef copy(NewPerson());
  standin_->ClearLog();
  copy->Assign(*person);
  EXPECT_THAT(ArgumentsOf("OCIObjectCopy"), ElementsAre("type=SCOTT.PERSON_T"));
  EXPECT_THAT(ArgumentsOf("OCICollAppend"), ElementsAre("size=1", "size=2"));
  EXPECT_EQ(copy->AttrAsString("LINES[1].TEXT"), "two");
}

}  // namespace
}  // namespace oracle::testing
