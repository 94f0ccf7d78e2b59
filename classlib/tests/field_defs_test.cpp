// Field definitions, the fields made from them, and persistent fields that
// must match their columns.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "classlib/field_defs.h"
#include "classlib/field_misc.h"
#include "classlib/field_numeric.h"
#include "classlib/field_string.h"
#include "classlib/fields.h"
#include "testing/dataset_test_table.h"

namespace classlib::testing {
namespace {

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "no error";
}

TEST(FieldDefs, AddFindAndUpdated) {
  TestTable table;
  TFieldDefs& defs = table.FieldDefs();
  defs.Add("ID", ftInteger, 0, true);
  TFieldDef* name = defs.Add("NAME", ftString, 30);
  EXPECT_EQ(defs.Count(), 2);
  EXPECT_EQ(defs.Find("name"), name);
  EXPECT_EQ(name->FieldNo(), 2);
  EXPECT_TRUE(defs.Items(0)->Required());
  EXPECT_EQ(ErrorOf([&] { defs.Find("NONE"); }), "Field 'NONE' not found");
  EXPECT_EQ(ErrorOf([&] { defs.Add("id", ftString); }), "Duplicate field name 'id'");

  defs.SetUpdated(true);
  name->SetSize(40);
  EXPECT_FALSE(defs.Updated());

  defs.BeginUpdate();
  name->SetAttributes({faReadonly, faFixed});
  defs.EndUpdate();
  EXPECT_TRUE(name->Attributes().Contains(faFixed));
  EXPECT_FALSE(name->Required());
}

// An object inside an object: its attributes are found by their full name
// and listed after their parents, at every depth.
TEST(FieldDefs, FieldsOfAnObjectInsideAnObjectAreFoundByTheirFullName) {
  TestTable table;
  TFieldDef* doc = table.FieldDefs().Add("DOC", ftADT);
  doc->ChildDefs().Add("TITLE", ftString, 20);
  TFieldDef* note = doc->ChildDefs().Add("NOTE", ftADT);
  note->ChildDefs().Add("TEXT", ftString, 40);
  doc->CreateField(&table);
  TField* text = table.FindField("doc.note.text");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->FullName(), "DOC.NOTE.TEXT");
  std::vector<std::string> names;
  for (TField* field : table.FieldList()) names.push_back(field->FullName());
  EXPECT_EQ(names, (std::vector<std::string>{"DOC", "DOC.TITLE", "DOC.NOTE", "DOC.NOTE.TEXT"}));
}

TEST(FieldDefs, ObjectDefinitionsMakeFieldsWithChildren) {
  TestTable table;
  TFieldDef* address = table.FieldDefs().Add("ADDR", ftADT);
  address->ChildDefs().Add("CITY", ftString, 20);
  address->ChildDefs().Add("ZIP", ftInteger);
  TFieldDef* locked = table.FieldDefs().Add("CODE", ftString, 5);
  locked->SetAttributes({faReadonly});

  auto* adt = static_cast<TADTField*>(address->CreateField(&table));
  ASSERT_EQ(adt->ClassName(), "TADTField");
  EXPECT_EQ(adt->FieldCount(), 2);
  EXPECT_EQ(adt->Fields()[0]->FullName(), "ADDR.CITY");
  EXPECT_EQ(adt->Fields()[0]->ParentField(), adt);
  EXPECT_EQ(table.FindField("addr.zip"), adt->Fields()[1]);
  EXPECT_EQ(table.FieldCount(), 1);
  EXPECT_EQ(table.FieldList().size(), 3u);

  TField* code = locked->CreateField(&table);
  EXPECT_TRUE(code->ReadOnly());
  EXPECT_EQ(code->Size(), 5);
  EXPECT_EQ(code->Index(), 1);
  code->SetIndex(0);
  EXPECT_EQ(table.Fields()[0], code);

  // Deleting a field takes it out of its list; deleting a parent, its children.
  delete adt;
  EXPECT_EQ(table.FieldCount(), 1);
  EXPECT_EQ(table.FindField("ADDR.CITY"), nullptr);
}

TEST(FieldDefs, DefaultFieldsComeAndGoWithTheCursor) {
  TestTable table;
  table.AddColumn("ID", ftInteger);
  table.AddColumn("SECRET", ftString, 5);
  table.Open();
  EXPECT_EQ(table.FieldCount(), 2);
  table.Close();
  EXPECT_EQ(table.FieldCount(), 0);  // default fields go with the cursor
  EXPECT_EQ(table.GetFieldNames(), (std::vector<std::string>{"ID", "SECRET"}));
}

TEST(FieldDefs, PersistentFieldsMustMatchTheirColumns) {
  TestTable table;
  table.AddColumn("ID", ftInteger);
  auto* wrong = new TStringField(&table);
  wrong->SetFieldName("ID");
  wrong->SetDataSet(&table);
  EXPECT_EQ(ErrorOf([&] { table.Open(); }),
            "Type mismatch for field 'ID', expecting: String actual: Integer");
  EXPECT_FALSE(table.Active());
  delete wrong;

  auto* missing = new TStringField(&table);
  missing->SetFieldName("NOPE");
  missing->SetDataSet(&table);
  EXPECT_EQ(ErrorOf([&] { table.Open(); }), "Field 'NOPE' not found");
  delete missing;

  auto* right = new TIntegerField(&table);
  right->SetFieldName("ID");
  right->SetDataSet(&table);
  table.Open();
  EXPECT_EQ(right->FieldNo(), 1);
  EXPECT_EQ(ErrorOf([&] { right->SetDataSet(nullptr); }),
            "Cannot perform this operation on an open dataset");
  auto* other = new TIntegerField(&table);
  other->SetFieldName("id");
  EXPECT_EQ(ErrorOf([&] {
              table.Close();
              other->SetDataSet(&table);
            }),
            "Duplicate field name 'id'");
}

}  // namespace
}  // namespace classlib::testing
