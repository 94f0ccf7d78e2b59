#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "oracle/tests/object_value_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class OraRefTest : public ObjectValueTest {
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
  // A REF value of PERSON_T leading to person_.
  TOraRef* RefToPerson() {
    auto* ref = new TOraRef(person_->GetOraType());
    ref->SetOCIRef(person_->GetObjectRef());
    return ref;
  }

  ObjectRef person_;
};

// An update through a REF writes the object it leads to and flushes it:
// the REF still names the same object afterwards, and nothing is deleted.
TEST_F(OraRefTest, UpdateKeepsTheReferenceIdentity) {
  OraRefRef ref(RefToPerson());
  const std::string identity = ref->AsHex();
  ASSERT_FALSE(identity.empty());
  EXPECT_FALSE(ref->GetIsNull());
  ref->Pin();
  EXPECT_EQ(ref->GetInstance(), person_->GetInstance());
  ref->SetAttrAsString("NAME", "Bob");
  ref->Flush();
  ref->Unpin();
  EXPECT_EQ(ref->GetInstance(), nullptr);
  EXPECT_EQ(Pins(), 0);
  EXPECT_THAT(ArgumentsOf("OCIObjectFlush"), ElementsAre("type=SCOTT.PERSON_T"));
  EXPECT_THAT(ArgumentsOf("OCIObjectMarkDelete"), IsEmpty());

  EXPECT_EQ(ref->AsHex(), identity);
  ref->Pin();
  EXPECT_EQ(ref->AttrAsString("NAME"), "Bob");
  ref->Unpin();
  EXPECT_EQ(person_->AttrAsString("NAME"), "Bob");
}

TEST_F(OraRefTest, AssignCopiesOrClears) {
  OraRefRef ref(RefToPerson());
  OraRefRef copy(new TOraRef(person_->GetOraType()));
  EXPECT_TRUE(copy->GetIsNull());
  EXPECT_EQ(copy->AsHex(), "");
  copy->Assign(*ref);
  EXPECT_THAT(ArgumentsOf("OCIRefAssign"), ElementsAre("target=new"));
  EXPECT_NE(copy->GetOCIRef(), ref->GetOCIRef()) << "the copy has a REF of its own";
  EXPECT_EQ(copy->AsHex(), ref->AsHex());
  copy->Assign(*ref);
  EXPECT_THAT(ArgumentsOf("OCIRefAssign"), ElementsAre("target=new", "target=given"));

  // Assigning a null REF clears the target.
  OraRefRef empty(new TOraRef(person_->GetOraType()));
  copy->Assign(*empty);
  EXPECT_TRUE(copy->GetIsNull());
  EXPECT_EQ(copy->GetOCIRef(), nullptr);
  EXPECT_THAT(ArgumentsOf("OCIRefClear"), ElementsAre(""));
}

TEST_F(OraRefTest, UnpinnableReferenceReadsAsNull) {
  OraRefRef empty(new TOraRef(person_->GetOraType()));
  EXPECT_EQ(MessageOf([&] { empty->Pin(); }), "OCIRef is not assigned");

  // A copy of the REF outlives the object it leads to.
  OraRefRef ref(RefToPerson());
  OraRefRef copy(new TOraRef(person_->GetOraType()));
  copy->Assign(*ref);
  ref.reset();
  person_->FreeObject();
  EXPECT_FALSE(copy->GetIsNull());
  copy->Pin();  // reported through the null state, not raised
  EXPECT_TRUE(copy->Invalid());
  EXPECT_TRUE(copy->GetIsNull());
  EXPECT_EQ(copy->GetInstance(), nullptr);
  copy->SetIsNull(true);
  EXPECT_FALSE(copy->Invalid());
}

// A REF attribute is a child value over the stored REF; the object is
// pinned through it, not embedded in the parent.
TEST_F(OraRefTest, ReferenceAttributeLeadsToItsObject) {
  TypeRef type(Describe("SCOTT.EMP_T"));
  ObjectRef other(new TOraObject(type.get()));
  other->AllocObject();
  ObjectRef emp(new TOraObject(type.get()));
  emp->AllocObject();
  static_cast<EmpT*>(emp->GetInstance())->boss = person_->GetObjectRef();
  static_cast<EmpInd*>(emp->GetIndicator())->boss = OCI_IND_NOTNULL;

  auto* boss = dynamic_cast<TOraRef*>(emp->AttrAsObject("BOSS"));
  ASSERT_NE(boss, nullptr);
  EXPECT_EQ(boss->GetOCIRef(), person_->GetObjectRef());
  boss->Pin();
  EXPECT_EQ(boss->AttrAsString("NAME"), "Ann");
  boss->Unpin();

  // Moved onto another instance, the child follows that instance's REF.
  emp->ReplaceInstance(other->GetInstance(), other->GetIndicator());
  EXPECT_EQ(boss->GetOCIRef(), nullptr);
  EXPECT_TRUE(boss->GetIsNull());
}

}  // namespace
}  // namespace oracle::testing
