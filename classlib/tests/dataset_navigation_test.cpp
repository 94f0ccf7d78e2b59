#include <gtest/gtest.h>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "testing/dataset_test_table.h"

namespace classlib::testing {
namespace {

// A table with ID (integer) and NAME (string) holding rows 1..n.
std::unique_ptr<TestTable> MakeTable(int rows, int buffer_count = 1) {
  auto table = std::make_unique<TestTable>();
  table->AddColumn("ID", ftInteger);
  table->AddColumn("NAME", ftString, 20);
  table->Open();
  if (buffer_count > 1) table->SetBufferCount(buffer_count);
  for (int i = 1; i <= rows; ++i) {
    table->Append();
    table->FieldByName("ID")->SetAsInteger(i);
    table->FieldByName("NAME")->SetAsString("row" + std::to_string(i));
    table->Post();
  }
  table->First();
  return table;
}

int CurrentId(TestTable& table) { return table.FieldByName("ID")->AsInteger(); }

TEST(DataSetNavigation, EmptyTableIsAtBothEnds) {
  auto table = MakeTable(0);
  EXPECT_TRUE(table->Bof());
  EXPECT_TRUE(table->Eof());
  EXPECT_TRUE(table->IsEmpty());
  EXPECT_EQ(table->MoveBy(1), 0);
  table->Next();
  table->Prior();
  table->Last();
  EXPECT_TRUE(table->Bof());
  EXPECT_TRUE(table->Eof());
  EXPECT_EQ(table->RecordCount(), 0);
  EXPECT_TRUE(table->FieldByName("ID")->IsNull());
}

TEST(DataSetNavigation, SingleRecordHitsEndsOnEveryMove) {
  auto table = MakeTable(1);
  EXPECT_TRUE(table->Bof());
  EXPECT_FALSE(table->Eof());
  EXPECT_EQ(CurrentId(*table), 1);
  table->Next();
  EXPECT_TRUE(table->Eof());
  EXPECT_FALSE(table->Bof());
  EXPECT_EQ(CurrentId(*table), 1);
  table->Prior();
  EXPECT_TRUE(table->Bof());
  EXPECT_EQ(CurrentId(*table), 1);
  table->Last();
  EXPECT_TRUE(table->Eof());
  EXPECT_FALSE(table->Bof());
}

TEST(DataSetNavigation, ManyRecordsWalkBothWays) {
  for (int buffers : {1, 3, 10}) {
    SCOPED_TRACE(buffers);
    auto table = MakeTable(7, buffers);
    std::vector<int> seen;
    while (!table->Eof()) {
      seen.push_back(CurrentId(*table));
      table->Next();
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(CurrentId(*table), 7);
    seen.clear();
    table->Last();
    while (!table->Bof()) {
      seen.push_back(CurrentId(*table));
      table->Prior();
    }
    EXPECT_EQ(seen, (std::vector<int>{7, 6, 5, 4, 3, 2, 1}));
    EXPECT_EQ(table->RecNo(), 1);
  }
}

TEST(DataSetNavigation, MoveByAnswersTheDistanceMoved) {
  auto table = MakeTable(5, 2);
  EXPECT_EQ(table->MoveBy(3), 3);
  EXPECT_EQ(CurrentId(*table), 4);
  EXPECT_EQ(table->MoveBy(10), 1);
  EXPECT_TRUE(table->Eof());
  EXPECT_EQ(table->MoveBy(-10), -4);
  EXPECT_TRUE(table->Bof());
  EXPECT_EQ(CurrentId(*table), 1);
}

TEST(DataSetNavigation, RecNoAndRecordCount) {
  auto table = MakeTable(4);
  EXPECT_EQ(table->RecordCount(), 4);
  table->SetRecNo(3);
  EXPECT_EQ(CurrentId(*table), 3);
  EXPECT_EQ(table->RecNo(), 3);
  table->Last();
  EXPECT_EQ(table->RecNo(), 4);
}

TEST(DataSetNavigation, BookmarksSurviveInsertsAndDeletes) {
  auto table = MakeTable(5, 3);
  table->MoveBy(2);  // id 3
  TBookmark mark = table->GetBookmark();
  ASSERT_FALSE(mark.empty());

  table->First();
  table->Insert();
  table->FieldByName("ID")->SetAsInteger(100);
  table->Post();
  table->Last();
  table->Delete();  // id 5
  table->First();
  table->Delete();  // the inserted 100

  ASSERT_TRUE(table->BookmarkValid(mark));
  table->GotoBookmark(mark);
  EXPECT_EQ(CurrentId(*table), 3);

  TBookmark other = table->GetBookmark();
  table->First();
  TBookmark first = table->GetBookmark();
  EXPECT_EQ(table->CompareBookmarks(first, other), -1);
  EXPECT_EQ(table->CompareBookmarks(other, other), 0);
  EXPECT_EQ(table->CompareBookmarks(TBookmark{}, other), 1);

  table->GotoBookmark(mark);
  table->Delete();
  EXPECT_FALSE(table->BookmarkValid(mark));
  EXPECT_THROW(table->GotoBookmark(mark), EDatabaseError);
}

TEST(DataSetNavigation, InsertPlacesTheRecordBeforeTheCurrentOne) {
  auto table = MakeTable(3);
  table->Next();  // id 2
  table->Insert();
  table->FieldByName("ID")->SetAsInteger(9);
  table->Post();
  EXPECT_EQ(CurrentId(*table), 9);
  std::vector<int> order;
  for (table->First(); !table->Eof(); table->Next()) order.push_back(CurrentId(*table));
  EXPECT_EQ(order, (std::vector<int>{1, 9, 2, 3}));
}

TEST(DataSetNavigation, ClosedDataSetRefusesNavigation) {
  auto table = MakeTable(2);
  table->Close();
  EXPECT_FALSE(table->Active());
  try {
    table->Next();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Cannot perform this operation on a closed dataset");
  }
  // Rows outlive a close; reopening shows them again with fresh fields.
  table->Open();
  EXPECT_EQ(table->RecordCount(), 2);
  EXPECT_EQ(CurrentId(*table), 1);
}

TEST(DataSetNavigation, FieldLookupByName) {
  auto table = MakeTable(1);
  EXPECT_EQ(table->FindField("name"), table->FieldByName("NAME"));
  EXPECT_EQ(table->FindField("missing"), nullptr);
  try {
    table->FieldByName("missing");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'missing' not found");
  }
  std::vector<TField*> list;
  table->GetFieldList(list, "NAME; ID");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->FieldName(), "NAME");
  EXPECT_EQ(list[1]->FieldName(), "ID");
  EXPECT_EQ(table->FieldByName("ID")->FieldNo(), 1);
  EXPECT_EQ(table->FieldByName("NAME")->Index(), 1);
}

}  // namespace
}  // namespace classlib::testing
