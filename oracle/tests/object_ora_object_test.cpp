#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "classlib/datetime.h"
#include "oracle/call_entries.h"
#include "oracle/call_entries_objects.h"
#include "oracle/call_entries_values.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/object_path.h"
#include "oracle/value_interval.h"
#include "oracle/value_timestamp.h"
#include "oracle/tests/object_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;


class OraObjectTest : public ObjectTest {
 protected:
  void SetUp() override {
    ObjectTest::SetUp();
    DeclareTypes();
    person_.reset(NewPerson());
    standin_->ClearLog();
  }
  void TearDown() override {
    person_.reset();
    EXPECT_EQ(LiveObjects(), 0) << "the object cache still holds values";
    ObjectTest::TearDown();
  }
  char* At(std::size_t offset) { return reinterpret_cast<char*>(Person(person_.get())) + offset; }
  OCIInd* IndicatorAt(std::size_t offset) {
    return reinterpret_cast<OCIInd*>(reinterpret_cast<char*>(PersonIndicators(person_.get())) + offset);
  }

  ObjectRef person_;
};

TEST_F(OraObjectTest, AllocationAndFreeGoThroughTheCache) {
  ObjectRef other(new TOraObject(person_->GetOraType()));
  EXPECT_EQ(other->GetInstance(), nullptr);
  other->AllocObject();
  EXPECT_THAT(ArgumentsOf("OCIObjectNew"), ElementsAre("typecode=108 type=SCOTT.PERSON_T duration=10 value=1"));
  EXPECT_THAT(ArgumentsOf("OCIObjectGetInd"), ElementsAre(""));
  EXPECT_TRUE(other->OwnsInstance());
  EXPECT_FALSE(other->GetIsNull());
  other->FreeObject();
  EXPECT_THAT(ArgumentsOf("OCIObjectFree"), ElementsAre("flags=0"));
  EXPECT_EQ(other->GetInstance(), nullptr);
  EXPECT_EQ(other->GetIndicator(), nullptr);
}

TEST_F(OraObjectTest, ChecksBeforeUse) {
  ObjectRef untyped(new TOraObject());
  EXPECT_EQ(MessageOf([&] { untyped->AllocObject(); }), "Type of object must be defined");
  ObjectRef manual(new TOraObject(person_->GetOraType()));
  manual->SetAutoAlloc(false);
  EXPECT_EQ(MessageOf([&] { manual->AttrAsString("NAME"); }), "Object is not allocated");
  person_->SetCached(true);
  EXPECT_EQ(MessageOf([&] { person_->Pin(); }), "Object is cached");
  EXPECT_EQ(MessageOf([&] { person_->Flush(); }), "Object is cached");
  person_->SetCached(false);
}

// Reads find values where the C structures hold them.
TEST_F(OraObjectTest, PathsAddressTheCStructures) {
  TAttributePlace place = person_->GetAttribute("address.city");
  EXPECT_EQ(place.value, At(offsetof(PersonT, address) + offsetof(AddressT, city)));
  EXPECT_EQ(reinterpret_cast<char*>(place.indicator_ptr),
            reinterpret_cast<char*>(IndicatorAt(offsetof(PersonInd, address) + offsetof(AddressInd, city))));
  EXPECT_EQ(place.indicator, OCI_IND_NULL);
  EXPECT_EQ(person_->GetAttribute("BORN").value, At(offsetof(PersonT, born)));
  EXPECT_EQ(person_->GetAttribute("Big").value, At(offsetof(PersonT, big)));
  // A collection attribute leads to the collection the instance points at.
  EXPECT_EQ(person_->GetAttribute("PHONES").value, Person(person_.get())->phones);
}

TEST_F(OraObjectTest, ScalarValuesRoundTrip) {
  person_->SetAttrAsString("name", "Ann");
  person_->SetAttrAsInteger("AGE", 42);
  person_->SetAttrAsFloat("BIG", 1234567890.5);
  const classlib::TDateTime born = classlib::EncodeDate(1980, 2, 29) + classlib::EncodeTime(13, 14, 15, 0);
  person_->SetAttrAsDateTime("BORN", born);
  person_->SetAttrAsInteger("ADDRESS.ZIP", 12345);
  EXPECT_EQ(person_->AttrAsString("NAME"), "Ann");
  EXPECT_EQ(person_->AttrAsInteger("AGE"), 42);
  EXPECT_EQ(person_->AttrAsLargeInt("AGE"), 42);
  EXPECT_DOUBLE_EQ(person_->AttrAsFloat("BIG"), 1234567890.5);
  EXPECT_DOUBLE_EQ(person_->AttrAsDateTime("BORN"), born);
  EXPECT_EQ(person_->AttrAsInteger("address.zip"), 12345);
  EXPECT_FALSE(person_->AttrIsNull("ADDRESS"));  // a value inside makes it present
  EXPECT_THAT(ArgumentsOf("OCIObjectSetAttr"),
              ElementsAre("names=NAME null=0", "names=AGE null=0", "names=BIG null=0", "names=BORN null=0",
                          "names=ADDRESS.ZIP null=0"));
  // The written date is the 7 fields a C program reads.
  const OCIDate& date = Person(person_.get())->born;
  EXPECT_EQ(date.OCIDateYYYY, 1980);
  EXPECT_EQ(date.OCIDateDD, 29);
  EXPECT_EQ(date.OCIDateTime.OCITimeSS, 15);
  // The temporary strings of the writes were freed: one for each string attribute remains.
  EXPECT_THAT(ArgumentsOf("OCIStringResize"), ElementsAre("size=0"));
}

TEST_F(OraObjectTest, NullAttributesReadAsEmpty) {
  EXPECT_TRUE(person_->AttrIsNull("NAME"));
  EXPECT_EQ(person_->AttrAsString("NAME"), "");
  EXPECT_EQ(person_->AttrAsInteger("AGE"), 0);
  EXPECT_EQ(person_->AttrAsDateTime("BORN"), 0);
  person_->SetAttrAsInteger("AGE", 7);
  person_->SetAttrIsNull("AGE", true);
  EXPECT_TRUE(person_->AttrIsNull("AGE"));
  EXPECT_EQ(person_->AttrAsInteger("AGE"), 0);
  person_->SetAttrIsNull("AGE", false);
  EXPECT_EQ(person_->AttrAsInteger("AGE"), 7);
  // A null object makes everything in it null.
  person_->SetIsNull(true);
  EXPECT_TRUE(person_->AttrIsNull("AGE"));
}

TEST_F(OraObjectTest, WrongTypesAndNames) {
  EXPECT_EQ(MessageOf([&] { person_->AttrAsInteger("NAME"); }), "Cannot convert type to OCINumber");
  EXPECT_EQ(MessageOf([&] { person_->SetAttrAsString("AGE", "x"); }), "Cannot convert type to OCIString");
  EXPECT_EQ(MessageOf([&] { person_->AttrAsDateTime("AGE"); }), "Cannot convert type to OCIDate");
  EXPECT_EQ(MessageOf([&] { person_->AttrAsString("NOPE"); }), "Invalid attribute name");
  EXPECT_EQ(MessageOf([&] { person_->GetAttribute("PHONES[1"); }), "Invalid attribute name");
  EXPECT_EQ(MessageOf([&] { person_->GetAttribute("NAME.X"); }), "Invalid attribute name");
  EXPECT_EQ(MessageOf([&] { person_->GetAttribute("ADDRESS..CITY"); }), "Invalid attribute name");
  EXPECT_EQ(MessageOf([&] { person_->GetAttribute("PHONES[x]"); }), "Invalid attribute name");
  EXPECT_EQ(MessageOf([&] { person_->AttrAsObject("NAME"); }), "Cannot convert type to Object");
}

// A "]" outside a selector is no part of a name.
TEST(AttributePathTest, StrayClosingBracketsAreRefused) {
  for (const char* path : {"]", "X]", "ADDRESS.CITY]", "A]B", "PHONES[1]]", "PHONES[1]X"})
    EXPECT_EQ(MessageOf([&] { ParseAttributePath(path); }), "Invalid attribute name") << path;
  const std::vector<TPathStep> steps = ParseAttributePath("phones[1].x");
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0].name, "PHONES");
  EXPECT_EQ(steps[1].index, 1);
  EXPECT_EQ(steps[2].name, "X");
}

// PHONES holds two numbers; index 2 (the third) does not exist yet.
TEST_F(OraObjectTest, WritingPastTheEndAppendsNullElements) {
  person_->SetAttrAsString("PHONES[0]", "111");
  person_->SetAttrAsString("PHONES[1]", "222");
  EXPECT_THAT(ArgumentsOf("OCICollAppend"), ElementsAre("size=1", "size=2"));
  TAttributePlace missing = person_->GetAttribute("PHONES[2]");
  EXPECT_EQ(missing.value, nullptr);
  EXPECT_EQ(missing.indicator, OCI_IND_NULL);
  standin_->ClearLog();

  person_->SetAttrAsString("PHONES[2]", "333");
  EXPECT_THAT(ArgumentsOf("OCICollAppend"), ElementsAre("size=3"));
  EXPECT_THAT(ArgumentsOf("OCICollAssignElem"), ElementsAre("index=2 null=0"));
  EXPECT_EQ(person_->AttrAsString("PHONES[2]"), "333");
  EXPECT_EQ(person_->AttrAsString("phones[0]"), "111");
  // The VARRAY's limit is the stand-in's to enforce.
  EXPECT_THAT(MessageOf([&] { person_->SetAttrAsString("PHONES[4]", "x"); }), ::testing::HasSubstr("ORA-22165"));
}

TEST_F(OraObjectTest, WritingIntoAnElementOfObjects) {
  person_->SetAttrAsString("LINES[1].TEXT", "second");
  // Element 0 was appended null; element 1 is present with one attribute set.
  EXPECT_THAT(ArgumentsOf("OCICollAppend"), ElementsAre("size=1", "size=2"));
  EXPECT_THAT(ArgumentsOf("OCIObjectGetAttr"), ElementsAre("names=LINES"));
  EXPECT_THAT(ArgumentsOf("OCIObjectSetAttr"), ElementsAre("names=TEXT null=0"));
  EXPECT_TRUE(person_->AttrIsNull("LINES[0].TEXT"));
  EXPECT_EQ(person_->AttrAsString("LINES[1].TEXT"), "second");
  EXPECT_TRUE(person_->AttrIsNull("LINES[1].NO"));
  // The element's text sits where LineT puts it.
  void* element = nullptr;
  void* indicator = nullptr;
  boolean exists = 0;
  ASSERT_EQ(OCICollGetElem(hOCIEnv, hOCIError, Person(person_.get())->lines, 1, &exists, &element, &indicator),
            OCI_SUCCESS);
  EXPECT_EQ(person_->GetAttribute("LINES[1].TEXT").value, &static_cast<LineT*>(element)->text);
}

// A non-final object is held by pointer: the write fetches it first.
TEST_F(OraObjectTest, NonFinalObjectsAreFetchedBeforeWriting) {
  TOraType* shape_type = TOraType::FindType(svc_ctx_, "SCOTT.SHAPE_T");
  void* shape = nullptr;
  ASSERT_EQ(OCIObjectNew(hOCIEnv, hOCIError, svc_ctx_, OCI_TYPECODE_OBJECT, shape_type->TDO(), nullptr,
                         OCI_DURATION_SESSION, 1, &shape),
            OCI_SUCCESS);
  Person(person_.get())->shape = static_cast<ShapeT*>(shape);
  PersonIndicators(person_.get())->shape = OCI_IND_NOTNULL;
  standin_->ClearLog();
  person_->SetAttrAsFloat("SHAPE.AREA", 2.5);
  EXPECT_THAT(ArgumentsOf("OCIObjectGetAttr"), ElementsAre("names=SHAPE"));
  EXPECT_THAT(ArgumentsOf("OCIObjectSetAttr"), ElementsAre("names=AREA null=0"));
  EXPECT_DOUBLE_EQ(person_->AttrAsFloat("shape.area"), 2.5);
  EXPECT_EQ(person_->GetAttribute("SHAPE.AREA").value, &static_cast<ShapeT*>(shape)->area);
}

// LEVEL_0 holds V NUMBER(5); LEVEL_k holds N LEVEL_(k-1), embedded.
TEST_F(OraObjectTest, PathsLongerThanTheNameArrayAreRefused) {
  DeclareType("SCOTT", "LEVEL_0", OCI_TYPECODE_OBJECT, true, 0, 0, sizeof(OCINumber), 2 * sizeof(OCIInd));
  DeclareAttribute("SCOTT.LEVEL_0", "V", SQLT_NUM, 22, 5, 0, "", 0, sizeof(OCIInd));
  for (int level = 1; level <= 31; ++level) {
    const std::string name = "LEVEL_" + std::to_string(level);
    const std::string inner = "SCOTT.LEVEL_" + std::to_string(level - 1);
    DeclareType("SCOTT", name.c_str(), OCI_TYPECODE_OBJECT, true, 0, 0, sizeof(OCINumber),
                (level + 2) * sizeof(OCIInd));
    DeclareAttribute(("SCOTT." + name).c_str(), "N", SQLT_NTY, 0, 0, 0, inner.c_str(), 0, sizeof(OCIInd));
  }
  auto path_of = [](int names) {
    std::string path;
    for (int i = 1; i < names; ++i) path += "N.";
    return path + "V";
  };
  ObjectRef deepest(new TOraObject());
  deepest->AllocObject(svc_ctx_, "SCOTT.LEVEL_30");
  deepest->SetAttrAsInteger(path_of(31), 5);  // 31 names: the most one write takes
  EXPECT_EQ(deepest->AttrAsInteger(path_of(31)), 5);
  EXPECT_EQ(deepest->GetOraType()->InstanceSize(), sizeof(OCINumber));

  ObjectRef deeper(new TOraObject());
  deeper->AllocObject(svc_ctx_, "SCOTT.LEVEL_31");
  standin_->ClearLog();
  EXPECT_EQ(MessageOf([&] { deeper->SetAttrAsInteger(path_of(32), 6); }),
            "Attribute path is too long: at most 31 names can be written");
  EXPECT_TRUE(ArgumentsOf("OCIObjectSetAttr").empty());
  // Reads walk the layout and have no such limit.
  EXPECT_TRUE(deeper->AttrIsNull(path_of(32)));
}

TEST_F(OraObjectTest, ChildObjectsAreEmbedded) {
  TOraObject* address = person_->AttrAsObject("ADDRESS");
  EXPECT_EQ(address, person_->AttrAsObject("address"));
  EXPECT_EQ(address->GetInstance(), &Person(person_.get())->address);
  EXPECT_EQ(address->GetIndicator(), &PersonIndicators(person_.get())->address);
  address->SetAttrAsString("CITY", "Oslo");
  EXPECT_EQ(person_->AttrAsString("ADDRESS.CITY"), "Oslo");
  EXPECT_FALSE(address->OwnsInstance());
}

TEST_F(OraObjectTest, RecordStoreFields) {
  int32_t age = 33;
  person_->SetAttributeValue("AGE", &age);
  char name[11] = "Bob";
  person_->SetAttributeValue("NAME", name);
  double msecs = classlib::TimeStampToMSecs(classlib::DateTimeToTimeStamp(classlib::EncodeDate(2001, 1, 2)));
  person_->SetAttributeValue("BORN", &msecs);

  bool blank = true;
  int32_t age_out = 0;
  person_->GetAttributeValue("AGE", &age_out, blank);
  EXPECT_FALSE(blank);
  EXPECT_EQ(age_out, 33);
  char name_out[11] = {};
  person_->GetAttributeValue("NAME", name_out, blank);
  EXPECT_STREQ(name_out, "Bob");
  double msecs_out = 0;
  person_->GetAttributeValue("BORN", &msecs_out, blank);
  EXPECT_DOUBLE_EQ(msecs_out, msecs);
  person_->GetAttributeValue("ADDRESS.STREET", name_out, blank);
  EXPECT_TRUE(blank);
  void* handle = nullptr;
  person_->GetAttributeValue("ADDRESS", &handle, blank);
  EXPECT_EQ(handle, person_->AttrAsObject("ADDRESS")->GetObjectHandle());
  person_->SetAttributeValue("AGE", nullptr);
  EXPECT_TRUE(person_->AttrIsNull("AGE"));
}

TEST_F(OraObjectTest, StringsLongerThanTheAttributeAreCutForTheRecord) {
  // The cache may hold more than the declared length (a server-side value).
  person_->SetAttrAsString("NAME", "Bartholomew the Long");
  char record[11];
  std::memset(record, 'x', sizeof record);
  bool blank = true;
  person_->GetAttributeValue("NAME", record, blank);
  EXPECT_EQ(std::string(record), "Bartholome");
}

TEST_F(OraObjectTest, PinsCopiesAndFlushes) {
  person_->SetAttrAsString("NAME", "Eve");
  person_->Pin();
  EXPECT_EQ(Pins(), 1);
  EXPECT_THAT(ArgumentsOf("OCIObjectPin"), ElementsAre("type=SCOTT.PERSON_T pin=3 duration=10 lock=1"));
  person_->Unpin();
  EXPECT_EQ(Pins(), 0);
  person_->Flush();
  person_->MarkDelete();
  EXPECT_THAT(ArgumentsOf("OCIObjectFlush"), ElementsAre("type=SCOTT.PERSON_T"));

  ObjectRef copy(new TOraObject(person_->GetOraType()));
  copy->Assign(*person_);
  EXPECT_EQ(copy->AttrAsString("NAME"), "Eve");
  person_->SetAttrAsString("NAME", "Changed");
  EXPECT_EQ(copy->AttrAsString("NAME"), "Eve");  // a copy, not a shared string
}

}  // namespace
}  // namespace oracle::testing

namespace oracle::testing {
namespace {

// SCOTT.DOC_T: BODY CLOB, STAMP TIMESTAMP, SPAN INTERVAL DAY TO SECOND.
struct DocT {
  OCILobLocator* body;
  OCIDateTime* stamp;
  OCIInterval* span;
};
struct DocInd {
  OCIInd self, body, stamp, span;
};

class OraObjectChildTest : public ObjectTest {};

// LOB and date-time attributes become value objects over what the instance points at.
TEST_F(OraObjectChildTest, LobAndDateTimeAttributesBecomeValueObjects) {
  Start();
  DeclareType("SCOTT", "DOC_T", OCI_TYPECODE_OBJECT, true, 0, 0, sizeof(DocT), sizeof(DocInd));
  DeclareAttribute("SCOTT.DOC_T", "BODY", SQLT_CLOB, 0, 0, 0, "", offsetof(DocT, body), offsetof(DocInd, body));
  DeclareAttribute("SCOTT.DOC_T", "STAMP", SQLT_TIMESTAMP, 0, 0, 0, "", offsetof(DocT, stamp),
                   offsetof(DocInd, stamp));
  DeclareAttribute("SCOTT.DOC_T", "SPAN", SQLT_INTERVAL_DS, 0, 0, 0, "", offsetof(DocT, span),
                   offsetof(DocInd, span));
  void* locator = nullptr;
  void* stamp = nullptr;
  ASSERT_EQ(OCIDescriptorAlloc(hOCIEnv, &locator, OCI_DTYPE_LOB, 0, nullptr), OCI_SUCCESS);
  ASSERT_EQ(OCIDescriptorAlloc(hOCIEnv, &stamp, OCI_DTYPE_TIMESTAMP, 0, nullptr), OCI_SUCCESS);
  values_->AttachLob(locator, 2, "hello");
  ASSERT_EQ(OCIDateTimeConstruct(hOCIEnv, hOCIError, static_cast<OCIDateTime*>(stamp), 2020, 5, 6, 7, 8, 9, 0,
                                 nullptr, 0),
            OCI_SUCCESS);
  {
    ObjectRef doc(new TOraObject());
    doc->AllocObject(svc_ctx_, "scott.doc_t");
    auto* instance = static_cast<DocT*>(doc->GetInstance());
    auto* indicators = static_cast<DocInd*>(doc->GetIndicator());
    instance->body = static_cast<OCILobLocator*>(locator);
    instance->stamp = static_cast<OCIDateTime*>(stamp);
    indicators->body = indicators->stamp = OCI_IND_NOTNULL;

    EXPECT_EQ(doc->AttrAsLob("BODY")->GetAsString(), "hello");
    EXPECT_EQ(doc->AttrAsLob("body")->GetOCILobLocator(), locator);
    int year = 0, month = 0, day = 0;
    doc->AttrAsTimeStamp("STAMP")->GetDate(year, month, day);
    EXPECT_EQ(year * 10000 + month * 100 + day, 20200506);
    EXPECT_TRUE(doc->AttrAsInterval("SPAN")->IsNull());
    EXPECT_EQ(MessageOf([&] { doc->AttrAsLob("STAMP"); }), "Cannot convert type to Lob");
    EXPECT_EQ(MessageOf([&] { doc->AttrAsTimeStamp("SPAN"); }), "Cannot convert type to TimeStamp");
  }
  // The children borrowed the descriptors: they are still the test's to free.
  EXPECT_EQ(OCIDescriptorFree(locator, OCI_DTYPE_LOB), OCI_SUCCESS);
  EXPECT_EQ(OCIDescriptorFree(stamp, OCI_DTYPE_TIMESTAMP), OCI_SUCCESS);
  EXPECT_EQ(LiveObjects(), 0);
}

TEST_F(OraObjectChildTest, IntegersBeyond32BitsAreRefused) {
  DeclareTypes();
  ObjectRef person(NewPerson());
  person->SetAttrAsFloat("BIG", 3e9);
  EXPECT_EQ(person->AttrAsLargeInt("BIG"), 3000000000LL);
  EXPECT_THAT(MessageOf([&] { person->AttrAsInteger("BIG"); }), ::testing::HasSubstr("exceeds 32 bits"));
}

}  // namespace
}  // namespace oracle::testing

namespace oracle::testing {
namespace {

TEST_F(OraObjectChildTest, ReplacedInstancesCarryTheirChildrenAlong) {
  DeclareTypes();
  ObjectRef first(NewPerson());
  ObjectRef second(NewPerson());
  second->SetAttrAsString("ADDRESS.CITY", "Bergen");
  ObjectRef view(new TOraObject(first->GetOraType()));
  view->ReplaceInstance(first->GetInstance(), first->GetIndicator());
  TOraObject* address = view->AttrAsObject("ADDRESS");
  EXPECT_EQ(address->GetInstance(), &Person(first.get())->address);

  view->ReplaceInstance(second->GetInstance(), second->GetIndicator());
  EXPECT_FALSE(view->OwnsInstance());
  EXPECT_EQ(view->AttrAsObject("ADDRESS"), address);  // the same child, moved
  EXPECT_EQ(address->GetInstance(), &Person(second.get())->address);
  EXPECT_EQ(address->AttrAsString("CITY"), "Bergen");
  view.reset();  // borrowed instances are left to their owners
  EXPECT_EQ(second->AttrAsString("ADDRESS.CITY"), "Bergen");
}

}  // namespace
}  // namespace oracle::testing
