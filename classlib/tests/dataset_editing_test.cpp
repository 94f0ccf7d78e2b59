#include <gtest/gtest.h>

#include "classlib/field.h"
#include "testing/dataset_test_table.h"

namespace classlib::testing {
namespace {

std::unique_ptr<TestTable> MakeTable(int rows) {
  auto table = std::make_unique<TestTable>();
  table->AddColumn("ID", ftInteger);
  table->AddColumn("NAME", ftString, 10);
  table->Open();
  for (int i = 1; i <= rows; ++i) {
    table->Append();
    table->FieldByName("ID")->SetAsInteger(i);
    table->FieldByName("NAME")->SetAsString("n" + std::to_string(i));
    table->Post();
  }
  table->First();
  return table;
}

// Records every data-set event by name.
struct EventLog {
  std::vector<std::string> names;

  TDataSetNotifyEvent Note(const std::string& name) {
    return TDataSetNotifyEvent::Function([this, name](TDataSet*) { names.push_back(name); });
  }
  void Attach(TestTable& t) {
    t.SetBeforeInsert(Note("BeforeInsert"));
    t.SetAfterInsert(Note("AfterInsert"));
    t.SetBeforeEdit(Note("BeforeEdit"));
    t.SetAfterEdit(Note("AfterEdit"));
    t.SetBeforePost(Note("BeforePost"));
    t.SetAfterPost(Note("AfterPost"));
    t.SetBeforeCancel(Note("BeforeCancel"));
    t.SetAfterCancel(Note("AfterCancel"));
    t.SetBeforeDelete(Note("BeforeDelete"));
    t.SetAfterDelete(Note("AfterDelete"));
    t.SetBeforeScroll(Note("BeforeScroll"));
    t.SetAfterScroll(Note("AfterScroll"));
    t.SetOnNewRecord(Note("OnNewRecord"));
    t.SetBeforeOpen(Note("BeforeOpen"));
    t.SetAfterOpen(Note("AfterOpen"));
    t.SetBeforeClose(Note("BeforeClose"));
    t.SetAfterClose(Note("AfterClose"));
    t.SetBeforeRefresh(Note("BeforeRefresh"));
    t.SetAfterRefresh(Note("AfterRefresh"));
  }
  std::vector<std::string> Take() { return std::exchange(names, {}); }
};

using Names = std::vector<std::string>;

TEST(DataSetEditing, EventsFireInThePlatformOrder) {
  auto table = MakeTable(2);
  EventLog log;
  log.Attach(*table);

  table->Edit();
  EXPECT_EQ(table->State(), dsEdit);
  table->FieldByName("NAME")->SetAsString("x");
  table->Post();
  EXPECT_EQ(log.Take(), (Names{"BeforeEdit", "AfterEdit", "BeforePost", "AfterPost"}));

  table->Edit();
  table->Cancel();
  EXPECT_EQ(log.Take(), (Names{"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel"}));

  table->Insert();
  EXPECT_EQ(table->State(), dsInsert);
  table->Cancel();
  EXPECT_EQ(log.Take(), (Names{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert",
                               "AfterScroll", "BeforeCancel", "BeforeScroll", "AfterCancel",
                               "AfterScroll"}));

  table->Append();
  table->FieldByName("ID")->SetAsInteger(3);
  table->Post();
  EXPECT_EQ(log.Take(), (Names{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert",
                               "AfterScroll", "BeforePost", "AfterPost"}));

  table->Delete();
  EXPECT_EQ(log.Take(), (Names{"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));

  table->Refresh();
  table->Close();
  table->Open();
  EXPECT_EQ(log.Take(), (Names{"BeforeRefresh", "AfterRefresh", "BeforeClose", "AfterClose",
                               "BeforeOpen", "AfterOpen", "AfterScroll"}));
}

TEST(DataSetEditing, PostStoresAndCancelRestores) {
  auto table = MakeTable(2);
  table->Edit();
  table->FieldByName("NAME")->SetAsString("changed");
  EXPECT_TRUE(table->Modified());
  EXPECT_EQ(table->FieldByName("NAME")->OldValue().AsString(), "n1");
  EXPECT_EQ(table->FieldByName("NAME")->NewValue().AsString(), "changed");
  table->Cancel();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "n1");

  table->Edit();
  table->FieldByName("NAME")->SetAsString("kept");
  table->Post();
  table->Last();
  table->First();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "kept");
  EXPECT_EQ(table->RecordCount(), 2);
}

TEST(DataSetEditing, MovingAwayPostsChangesAndDropsAnUntouchedNewRecord) {
  auto table = MakeTable(2);
  table->Edit();
  table->FieldByName("NAME")->SetAsString("moved");
  table->Next();
  EXPECT_EQ(table->State(), dsBrowse);
  table->First();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "moved");

  table->Append();
  table->First();
  EXPECT_EQ(table->StoredRows(), 2);
}

TEST(DataSetEditing, NewRecordDefaultsDoNotCountAsChanges) {
  auto table = MakeTable(0);
  table->SetOnNewRecord(TDataSetNotifyEvent::Function(
      [](TDataSet* ds) { ds->FieldByName("NAME")->SetAsString("default"); }));
  table->Append();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "default");
  EXPECT_FALSE(table->Modified());
  table->FieldByName("ID")->SetAsInteger(1);
  table->Post();
  EXPECT_EQ(table->StoredRows(), 1);
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "default");
}

TEST(DataSetEditing, FailingPostRetriesAbortsOrFails) {
  auto table = MakeTable(1);
  int calls = 0;
  TDataAction answer = daRetry;
  table->SetOnPostError(TDataSetErrorEvent::Function(
      [&](TDataSet*, EDatabaseError& error, TDataAction& action) {
        ++calls;
        EXPECT_STREQ(error.what(), "Key violation");
        EXPECT_EQ(action, daFail);
        action = answer;
      }));

  // Retry until the store accepts.
  table->fail_posts = 2;
  table->Edit();
  table->FieldByName("NAME")->SetAsString("retried");
  table->Post();
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "retried");

  // Abort: the silent exception, and the edit stays open.
  calls = 0;
  answer = daAbort;
  table->fail_posts = 1;
  table->Edit();
  table->FieldByName("NAME")->SetAsString("aborted");
  EXPECT_THROW(table->Post(), EAbort);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(table->State(), dsEdit);
  table->Cancel();

  // Fail: the original error goes on.
  answer = daFail;
  table->fail_posts = 1;
  table->Edit();
  table->FieldByName("NAME")->SetAsString("failed");
  EXPECT_THROW(table->Post(), EDatabaseError);
  EXPECT_EQ(table->State(), dsEdit);
  table->Post();
  EXPECT_EQ(table->FieldByName("NAME")->AsString(), "failed");
}

TEST(DataSetEditing, EditAndDeleteErrorsGoThroughTheirEvents) {
  auto table = MakeTable(2);
  int edit_calls = 0, delete_calls = 0;
  table->SetOnEditError(TDataSetErrorEvent::Function(
      [&](TDataSet*, EDatabaseError&, TDataAction& action) {
        ++edit_calls;
        action = daRetry;
      }));
  table->SetOnDeleteError(TDataSetErrorEvent::Function(
      [&](TDataSet*, EDatabaseError&, TDataAction& action) {
        ++delete_calls;
        action = daAbort;
      }));
  table->fail_edits = 1;
  table->Edit();
  EXPECT_EQ(edit_calls, 1);
  EXPECT_EQ(table->State(), dsEdit);
  table->Cancel();

  table->fail_deletes = 1;
  EXPECT_THROW(table->Delete(), EAbort);
  EXPECT_EQ(delete_calls, 1);
  EXPECT_EQ(table->StoredRows(), 2);
}

TEST(DataSetEditing, WritesAreCheckedAgainstStateAndRules) {
  auto table = MakeTable(1);
  TField* name = table->FieldByName("NAME");
  try {
    name->SetAsString("x");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Dataset not in edit or insert mode");
  }
  EXPECT_THROW(table->Post(), EDatabaseError);

  name->SetReadOnly(true);
  table->Edit();
  try {
    name->SetAsString("x");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'NAME' cannot be modified");
  }
  table->Cancel();
  name->SetReadOnly(false);

  name->SetRequired(true);
  table->Append();
  table->FieldByName("ID")->SetAsInteger(5);
  try {
    table->Post();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'NAME' must have a value");
  }
  table->Cancel();

  table->read_only = true;
  try {
    table->Edit();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Cannot modify a read-only dataset");
  }
}

TEST(DataSetEditing, ValidateSeesTheNewValueAndMayRefuseIt) {
  auto table = MakeTable(1);
  TField* id = table->FieldByName("ID");
  std::vector<int> seen;
  id->SetOnValidate(TFieldNotifyEvent::Function([&](TField* f) {
    seen.push_back(f->AsInteger());
    if (f->AsInteger() < 0) throw EDatabaseError("negative");
  }));
  int changes = 0;
  id->SetOnChange(TFieldNotifyEvent::Function([&](TField*) { ++changes; }));
  table->Edit();
  id->SetAsInteger(7);
  EXPECT_THROW(id->SetAsInteger(-1), EDatabaseError);
  EXPECT_EQ(id->AsInteger(), 7);
  EXPECT_EQ(seen, (std::vector<int>{7, -1}));
  EXPECT_EQ(changes, 1);
}

TEST(DataSetEditing, DeleteOnEmptyTableAndInsertIntoEmpty) {
  auto table = MakeTable(0);
  try {
    table->Delete();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Cannot perform this operation on an empty dataset");
  }
  // Edit on an empty table inserts.
  table->Edit();
  EXPECT_EQ(table->State(), dsInsert);
  table->FieldByName("ID")->SetAsInteger(1);
  table->Post();
  EXPECT_EQ(table->RecordCount(), 1);
  table->Delete();
  EXPECT_TRUE(table->IsEmpty());
  EXPECT_TRUE(table->Eof());
}

}  // namespace
}  // namespace classlib::testing
