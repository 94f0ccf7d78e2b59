// Data-type codes, field lookup, expansion of object fields and the
// unique-name step.
#include <gtest/gtest.h>

#include <set>

#include "classlib/ansistr.h"
#include "dacore/field_expand.h"
#include "dacore/field_unique_names.h"
#include "object_types_fixture.h"
#include "testing/message_of.h"

namespace dacore {
namespace {

using classlib::testing::MessageOf;

TEST(DataTypesTest, MapsCodesToFieldTypes) {
  EXPECT_EQ(DataTypeToFieldType(dtHeapString), classlib::ftString);
  EXPECT_EQ(DataTypeToFieldType(dtUInt32), classlib::ftLargeint);
  EXPECT_EQ(DataTypeToFieldType(dtHeapVarBytes), classlib::ftVarBytes);
  EXPECT_EQ(DataTypeToFieldType(dtWideMemo), classlib::ftWideMemo);
  EXPECT_EQ(MessageOf<classlib::EDatabaseError>([] { DataTypeToFieldType(31); }), "Unknown data type");
  EXPECT_TRUE(IsBlobDataType(dtWideMemo));
  EXPECT_FALSE(IsBlobDataType(dtVariant));
  EXPECT_TRUE(IsComplexDataType(dtHeapWideString));
  EXPECT_FALSE(IsComplexDataType(dtObject));
}

TFieldDesc* AddField(TFieldDescs& fields, const std::string& name, TDataType type = dtString,
                     uint16_t field_no = 0) {
  TFieldDesc* field = fields.Add(std::make_unique<TFieldDesc>());
  field->SetName(name);
  field->SetActualName(name);
  field->SetDataType(type);
  field->SetFieldNo(field_no ? field_no : static_cast<uint16_t>(fields.Count()));
  return field;
}

class ObjectFieldsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AddField(fields, "ID", dtInt32);
    person = AddField(fields, "PERSON", dtObject);
    person->SetObjectType(types.person);
    person->SetReadOnly(true);
    AddField(fields, "NAME");
    InitObjectFields(fields, types.person, person);
  }

  std::vector<std::string> ActualNames() const {
    std::vector<std::string> names;
    for (int i = 0; i < fields.Count(); ++i) names.push_back(fields.GetItems(i)->ActualName());
    return names;
  }

  testing::PersonTypes types;
  TFieldDescs fields;
  TFieldDesc* person = nullptr;
};

TEST_F(ObjectFieldsTest, ExpandsAttributesAndArrayElements) {
  // ID PERSON NAME, then NAME ADDR (STREET CITY) ITEMS ([0] (Name QTY) ... [4]) NEXT.
  ASSERT_EQ(fields.Count(), 3 + 4 + 2 + 5 * 3);
  EXPECT_EQ(ActualNames()[3], "PERSON.NAME");
  EXPECT_EQ(ActualNames()[5], "PERSON.ADDR.STREET");
  EXPECT_EQ(ActualNames()[8], "PERSON.ITEMS[0]");
  EXPECT_EQ(ActualNames()[9], "PERSON.ITEMS[0].Name");
  EXPECT_EQ(ActualNames().back(), "PERSON.NEXT");  // references are not expanded

  const TFieldDesc* street = fields.GetItems(5);
  EXPECT_EQ(street->Name(), "STREET");
  EXPECT_EQ(street->Length(), 40);
  EXPECT_TRUE(street->Fixed());
  EXPECT_EQ(street->Size(), 0);
  EXPECT_TRUE(street->ReadOnly());  // from the root
  EXPECT_EQ(street->ParentField(), fields.GetItems(4));
  EXPECT_EQ(fields.GetItems(8)->Name(), "[0]");
  EXPECT_EQ(fields.GetItems(8)->DataType(), dtObject);
  EXPECT_EQ(fields.GetItems(8)->ObjectType(), types.item);
  for (int i = 0; i < fields.Count(); ++i) EXPECT_EQ(fields.GetItems(i)->FieldNo(), i + 1);
}

TEST_F(ObjectFieldsTest, FindsTopLevelFieldsFirstAndPathsByActualName) {
  EXPECT_EQ(fields.FindField("name"), fields.GetItems(2));  // top-level, not PERSON.NAME
  EXPECT_EQ(fields.FindField("person.name"), fields.GetItems(3));
  EXPECT_EQ(fields.FindField("STREET"), fields.GetItems(5));
  EXPECT_EQ(fields.FindField("Person.Items[1].qty"), fields.FindField("PERSON.ITEMS[1].QTY"));
  EXPECT_EQ(fields.FindField("PERSON.ITEMS[1].QTY")->Name(), "QTY");
  EXPECT_EQ(fields.FindField("ADDR.STREET"), nullptr);  // paths start at the root
  EXPECT_EQ(MessageOf<classlib::EDatabaseError>([&] { fields.FieldByName("nope"); }),
            "Field nope not found");
  EXPECT_TRUE(fields.HasFieldTypes({dtArray, dtBlob}));
  EXPECT_FALSE(fields.HasFieldTypes({dtBlob, dtMemo}));
  EXPECT_EQ(MessageOf<classlib::EListError>([&] { fields.GetItems(fields.Count()); }),
            "List index out of bounds (24)");
}

TEST_F(ObjectFieldsTest, PathsBelowTheRootLeadToTheAttributes) {
  const TFieldDesc* qty = fields.FindField("PERSON.ITEMS[3].QTY");
  EXPECT_EQ(RootField(qty), person);
  EXPECT_EQ(AttributePath(*qty), "ITEMS[3].QTY");
  EXPECT_EQ(person->ObjectType()->FindAttribute(AttributePath(*qty)), types.item->GetAttributes(1));
  const TFieldDesc* street = fields.FindField("PERSON.ADDR.STREET");
  EXPECT_EQ(person->ObjectType()->FindAttribute(AttributePath(*street)), types.address->GetAttributes(0));

  TFieldDescs arrays;
  TFieldDesc* list = AddField(arrays, "LIST", dtArray);
  InitObjectFields(arrays, types.item_list, list);
  const TFieldDesc* name = arrays.FindField("LIST[2].Name");
  ASSERT_NE(name, nullptr);
  EXPECT_EQ(AttributePath(*name), "[2].Name");
  EXPECT_EQ(types.item_list->FindAttribute(AttributePath(*name)), types.item->GetAttributes(0));
}

TEST(ObjectFieldsExpansionTest, ArraysAreCappedAtAHundredElementsOrOne) {
  int destroyed = 0;
  auto* big = new testing::CountedType(&destroyed);
  big->SetName("BIG");
  big->SetDataType(dtArray);
  big->SetSize(150);
  testing::AddAttribute(big, "ELEMENT", dtInt32);

  TFieldDescs fields;
  TFieldDesc* root = AddField(fields, "A", dtArray);
  InitObjectFields(fields, big, root);
  EXPECT_EQ(fields.Count(), 1 + 100);
  EXPECT_EQ(fields.GetItems(100)->Name(), "[99]");

  TFieldDescs one;
  TFieldExpansion how;
  how.OneElementArrays = true;
  how.ChildFieldName = [](int index) { return "E" + std::to_string(index); };
  root = AddField(one, "A", dtArray);
  InitObjectFields(one, big, root, how);
  ASSERT_EQ(one.Count(), 2);
  EXPECT_EQ(one.GetItems(1)->Name(), "E0");
  EXPECT_EQ(one.GetItems(1)->ActualName(), "A[0]");
  big->Release();
  EXPECT_EQ(destroyed, 1);
}

std::vector<std::string> Names(const TFieldDescs& fields) {
  std::vector<std::string> names;
  for (int i = 0; i < fields.Count(); ++i) names.push_back(fields.GetItems(i)->Name());
  return names;
}

TEST(UniqueNamesTest, RepeatedNamesGetNumbersInFieldOrder) {
  TFieldDescs fields;
  AddField(fields, "X", dtString, 3);
  AddField(fields, "x", dtString, 1);
  AddField(fields, "ID", dtString, 4);
  AddField(fields, "X", dtString, 2);
  MakeUniqueFieldNames(fields);
  EXPECT_EQ(Names(fields), (std::vector<std::string>{"X_2", "x", "ID", "X_1"}));
  EXPECT_TRUE(fields.GetItems(0)->HasDuplicateName());
  EXPECT_FALSE(fields.GetItems(2)->HasDuplicateName());
}

TEST(UniqueNamesTest, NamelessFieldsAndCollisionsWithExistingNames) {
  TFieldDescs fields;
  for (const char* name : {"ID", "name", "NAME", "", "Name", "", "_0", "NAME_1"}) AddField(fields, name);
  MakeUniqueFieldNames(fields);
  EXPECT_EQ(Names(fields), (std::vector<std::string>{"ID", "name", "NAME_1", "_0", "Name_2", "_1",
                                                      "_0_1", "NAME_1_1"}));
  std::set<std::string> unique;
  for (const auto& name : Names(fields)) unique.insert(classlib::AnsiUpperCase(name));
  EXPECT_EQ(unique.size(), 8u);
}

TEST(UniqueNamesTest, OnlyTopLevelFieldsAreRenamed) {
  testing::PersonTypes types;
  TFieldDescs fields;
  TFieldDesc* person = AddField(fields, "PERSON", dtObject);
  AddField(fields, "NAME");
  InitObjectFields(fields, types.person, person);
  AddField(fields, "PERSON");
  MakeUniqueFieldNames(fields);
  EXPECT_EQ(fields.GetItems(1)->Name(), "NAME");
  EXPECT_EQ(fields.GetItems(2)->Name(), "NAME");  // PERSON.NAME keeps its name
  EXPECT_EQ(fields.GetItems(fields.Count() - 1)->Name(), "PERSON_1");
}

}  // namespace
}  // namespace dacore
