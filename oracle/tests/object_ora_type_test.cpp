#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "oracle/object_names.h"
#include "oracle/tests/object_fixture.h"
#include "oracle/value_data_types.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

using ::testing::ElementsAre;


class OraTypeTest : public ObjectTest {};

TEST(OraNames, QuoteNormalizeAndUnquote) {
  EXPECT_EQ(QuoteOraName("a.B"), "\"a\".\"B\"");
  EXPECT_EQ(NormalizeOraName(" scott . person_t "), "\"SCOTT\".\"PERSON_T\"");
  EXPECT_EQ(NormalizeOraName("\"Mixed.Case\".x"), "\"Mixed.Case\".\"X\"");
  EXPECT_TRUE(IsQuotedName("\"A\""));
  EXPECT_FALSE(IsQuotedName("\""));
  EXPECT_EQ(UnquoteName("\"A b\""), "A b");
  EXPECT_EQ(UnquoteName("A"), "A");
}

// The layer's offsets are where a C program's structures put the values.
TEST_F(OraTypeTest, LayoutMatchesTheCStructures) {
  DeclareTypes();
  TypeRef person(Describe("scott.person_t"));
  ASSERT_EQ(person->GetAttributeCount(), 9);
  const std::size_t offsets[] = {offsetof(PersonT, name),   offsetof(PersonT, age),   offsetof(PersonT, born),
                                 offsetof(PersonT, address), offsetof(PersonT, phones), offsetof(PersonT, lines),
                                 offsetof(PersonT, shape),  offsetof(PersonT, big),   offsetof(PersonT, code)};
  const std::size_t indicators[] = {offsetof(PersonInd, name),   offsetof(PersonInd, age),
                                    offsetof(PersonInd, born),   offsetof(PersonInd, address),
                                    offsetof(PersonInd, phones), offsetof(PersonInd, lines),
                                    offsetof(PersonInd, shape),  offsetof(PersonInd, big),
                                    offsetof(PersonInd, code)};
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(person->GetAttributes(i)->Name());
    EXPECT_EQ(person->GetAttributes(i)->Offset(), static_cast<int>(offsets[i]));
    EXPECT_EQ(person->GetAttributes(i)->IndicatorOffset(), static_cast<int>(indicators[i]));
    EXPECT_EQ(person->GetAttributes(i)->AttributeNo(), i + 1);
  }
  EXPECT_EQ(person->InstanceSize(), sizeof(PersonT));
  EXPECT_EQ(person->IndicatorSize(), sizeof(PersonInd));
  EXPECT_TRUE(person->Aligned());
  EXPECT_TRUE(person->Valid());
  auto* address = static_cast<TOraType*>(person->GetAttributes(3)->ObjectType());
  EXPECT_EQ(address->InstanceSize(), sizeof(AddressT));
  EXPECT_EQ(address->IndicatorSize(), sizeof(AddressInd));
}

// VARCHAR2(10), NUMBER(5), DATE: a pointer, a NUMBER after it, a DATE after that.
TEST_F(OraTypeTest, StringNumberDateOffsets) {
  struct Plain {
    OCIString* s;
    OCINumber n;
    OCIDate d;
  };
  Start();
  DeclareType("SCOTT", "PLAIN_T", OCI_TYPECODE_OBJECT, true, 0, 0, sizeof(Plain), 8);
  DeclareAttribute("SCOTT.PLAIN_T", "S", SQLT_CHR, 10, 0, 0, "", offsetof(Plain, s), 2);
  DeclareAttribute("SCOTT.PLAIN_T", "N", SQLT_NUM, 22, 5, 0, "", offsetof(Plain, n), 4);
  DeclareAttribute("SCOTT.PLAIN_T", "D", SQLT_DAT, 7, 0, 0, "", offsetof(Plain, d), 6);
  TypeRef type(Describe("SCOTT.PLAIN_T"));
  EXPECT_EQ(type->GetAttributes(0)->Offset(), 0);
  EXPECT_EQ(type->GetAttributes(1)->Offset(), 8);
  EXPECT_EQ(type->GetAttributes(2)->Offset(), 30);
  EXPECT_EQ(type->GetAttributes(2)->IndicatorOffset(), 6);
  EXPECT_EQ(type->IndicatorSize(), 8);
  EXPECT_EQ(type->InstanceSize(), sizeof(Plain));
}

TEST_F(OraTypeTest, AttributeDataTypes) {
  DeclareTypes();
  TypeRef person(Describe("SCOTT.PERSON_T"));
  auto type_of = [&](const char* name) { return person->AttributeByName(name)->DataType(); };
  EXPECT_EQ(type_of("NAME"), dacore::dtString);
  EXPECT_EQ(person->AttributeByName("NAME")->Length(), 10);
  EXPECT_EQ(person->AttributeByName("NAME")->Size(), 11);
  EXPECT_EQ(type_of("AGE"), dacore::dtInt32);   // NUMBER(5)
  EXPECT_EQ(type_of("BIG"), dacore::dtFloat);   // NUMBER(10) with the default limits
  EXPECT_EQ(type_of("BORN"), dacore::dtDateTime);
  EXPECT_EQ(type_of("ADDRESS"), dacore::dtObject);
  EXPECT_EQ(type_of("PHONES"), dacore::dtArray);
  EXPECT_EQ(type_of("LINES"), dacore::dtTable);
  EXPECT_EQ(person->AttributeByName("CODE")->Length(), 8);  // RAW(4) as hexadecimal text
  EXPECT_EQ(type_of("ADDRESS.ZIP"), dacore::dtInt32);
  EXPECT_EQ(type_of("lines[7].text"), dacore::dtString);
  auto* phones = static_cast<TOraType*>(person->AttributeByName("PHONES")->ObjectType());
  EXPECT_EQ(phones->Size(), 3);
  EXPECT_EQ(phones->GetAttributes(0)->Name(), "ELEMENT");
  // The unconstrained NUMBER of the non-final SHAPE_T holds any value.
  auto* shape = static_cast<TOraType*>(person->AttributeByName("SHAPE")->ObjectType());
  EXPECT_FALSE(shape->Final());
  EXPECT_EQ(shape->AttributeByName("AREA")->DataType(), dacore::dtFloat);
}

TEST_F(OraTypeTest, LargeIntegerLimitMakesNumber10AnInt64) {
  DeclareTypes();
  LargeIntPrecision = 18;
  TypeRef person(Describe("SCOTT.PERSON_T"));
  LargeIntPrecision = 0;
  EXPECT_EQ(person->AttributeByName("BIG")->DataType(), dacore::dtInt64);
}

TEST_F(OraTypeTest, DescribeCallsAndTheDescribeHandleFreed) {
  DeclareTypes();
  TypeRef address(Describe("scott.address_t"));
  EXPECT_THAT(ArgumentsOf("OCITypeByName"), ElementsAre("schema=SCOTT type=ADDRESS_T"));
  EXPECT_THAT(ArgumentsOf("OCIDescribeAny"), ElementsAre("name=\"SCOTT\".\"ADDRESS_T\" otype=1 level=0 ptype=6"));
  EXPECT_THAT(ArgumentsOf("OCIParamGet"), ElementsAre("htype=53 pos=1", "htype=53 pos=2", "htype=53 pos=3"));
  EXPECT_THAT(ArgumentsOf("OCIHandleAlloc"), ElementsAre("type=7"));
  EXPECT_THAT(ArgumentsOf("OCIHandleFree"), ElementsAre("type=7"));
  EXPECT_EQ(address->Name(), "\"SCOTT\".\"ADDRESS_T\"");
}

TEST_F(OraTypeTest, RegistryFindsSharesAndClearsTypes) {
  DeclareTypes();
  const int before = TOraType::TypeCount();
  TypeRef person(Describe("SCOTT.PERSON_T"));
  // The nested types were described once each and are held by their attributes.
  EXPECT_EQ(TOraType::TypeCount(), before + 6);
  EXPECT_EQ(TOraType::FindType(svc_ctx_, "scott.person_t"), person.get());
  EXPECT_EQ(TOraType::FindType(nullptr, "scott.person_t"), nullptr);
  EXPECT_EQ(static_cast<TOraType*>(person->AttributeByName("LINES[0]")->ObjectType()),
            TOraType::FindType(svc_ctx_, "SCOTT.LINE_T"));

  TOraType::ClearTypes(svc_ctx_, true);
  EXPECT_FALSE(person->Valid());
  EXPECT_EQ(person->GetAttributeCount(), 9);
  person->InitTypeDescriptor(svc_ctx_);
  EXPECT_TRUE(person->Valid());

  TOraType::ClearTypes(svc_ctx_, false);
  // Only the type we still hold survives, without its attributes.
  EXPECT_EQ(TOraType::TypeCount(), before + 1);
  EXPECT_EQ(person->GetAttributeCount(), 0);
  person.reset();
  EXPECT_EQ(TOraType::TypeCount(), before);
}

TEST_F(OraTypeTest, Failures) {
  DeclareTypes(8, 1);
  EXPECT_EQ(MessageOf([&] { TypeRef(Describe("SCOTT.NO_SUCH_T")); }),
            "ORA-04043: object NO_SUCH_T does not exist");
  EXPECT_EQ(MessageOf([&] { TypeRef(new TOraType(nullptr, "SCOTT.PERSON_T")); }), "OCISvcCtx is not defined");
  DeclareType("SCOTT", "STAMPED_T", OCI_TYPECODE_OBJECT, true, 0, 0, 8, 4);
  DeclareAttribute("SCOTT.STAMPED_T", "AT", SQLT_TIMESTAMP, 0, 0, 0, "", 0, 2);
  EXPECT_EQ(MessageOf([&] { TypeRef(Describe("SCOTT.STAMPED_T")); }), "Data type is not supported");
  DeclareType("SCOTT", "ODD_T", OCI_TYPECODE_OBJECT, true, 0, 0, 8, 4);
  DeclareAttribute("SCOTT.ODD_T", "X", 9999, 0, 0, 0, "", 0, 2);
  EXPECT_EQ(MessageOf([&] { TypeRef(Describe("SCOTT.ODD_T")); }), "Unknown data type");
  // A failed description leaves nothing in the registry.
  EXPECT_EQ(TOraType::FindType(svc_ctx_, "SCOTT.ODD_T"), nullptr);
}

}  // namespace
}  // namespace oracle::testing
