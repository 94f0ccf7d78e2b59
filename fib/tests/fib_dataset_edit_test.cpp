// Editing a buffered data set on the embedded engine: edits, inserts and
// deletes through the modify statements, their OLD_/NEW_ parameters, a
// failing statement, refreshing a row another connection changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "classlib/data_link.h"
#include "classlib/field.h"
#include "fib/base/errors.h"
#include "fib/statements/fib_query.h"
#include "people_fixture.h"
#include "testing/message_of.h"

namespace fib {
namespace {

using classlib::testing::MessageOf;
using classlib::Variant;

class DataSetEditTest : public fib_test::PeopleTest {};

TEST_F(DataSetEditTest, EditPostsThroughTheUpdateStatementWithOldAndNewValues) {
  auto ds = People();
  ds->Open();
  ds->Next();
  ds->Edit();
  // The key itself changes: the statement finds the row by its old value.
  ds->FieldByName("ID")->SetAsInteger(22);
  ds->FieldByName("NAME")->SetAsString("Boris Petrov");
  ds->Post();
  EXPECT_EQ(ds->State(), classlib::dsBrowse);
  EXPECT_EQ(Id(*ds), 22);
  tr_->Commit();
  EXPECT_EQ(Committed("select NAME from PEOPLE where ID = 22").AsString(), "Boris Petrov");
  EXPECT_TRUE(classlib::VarIsNull(Committed("select NAME from PEOPLE where ID = 2")));
}

// A field's new value set while editing or inserting is the edit itself;
// in browse mode it is still refused.
TEST_F(DataSetEditTest, ANewValueSetWhileEditingOrInsertingIsWritten) {
  auto ds = People();
  ds->Open();
  EXPECT_EQ(MessageOf([&] { ds->FieldByName("SCORE")->SetNewValue(Variant(1)); }),
            "DataSet not in Edit or Insert mode.(Form1.People)");
  ds->Edit();
  ds->FieldByName("SCORE")->SetNewValue(Variant(11));
  EXPECT_EQ(ds->FieldByName("SCORE")->AsInteger(), 11);
  EXPECT_EQ(ds->FieldByName("SCORE")->OldValue().AsInteger(), 10);
  ds->Post();
  ds->Append();
  ds->FieldByName("ID")->SetNewValue(Variant(4));
  ds->FieldByName("NAME")->SetNewValue(Variant("Gleb"));
  ds->Post();
  tr_->Commit();
  EXPECT_EQ(Committed("select SCORE from PEOPLE where ID = 1").AsInteger(), 11);
  EXPECT_EQ(Committed("select NAME from PEOPLE where ID = 4").AsString(), "Gleb");
}

TEST_F(DataSetEditTest, AutoCommitKeepsTheCursorOfTheSharedTransaction) {
  auto ds = People();
  ds->SetAutoCommit(true);
  ds->Open();
  ds->Edit();
  ds->FieldByName("SCORE")->SetAsInteger(11);
  ds->Post();
  // Committed without a word from the program, and the data set reads on.
  EXPECT_EQ(Committed("select SCORE from PEOPLE where ID = 1").AsInteger(), 11);
  EXPECT_TRUE(tr_->Active());
  EXPECT_EQ(Rows(*ds), (std::vector<std::string>{"1:Anna", "2:Boris", "3:Vera"}));
}

TEST_F(DataSetEditTest, ARowTheRefreshNoLongerFindsLeavesTheDataSet) {
  auto ds = People();
  ds->SetOptions(ds->Options() + TpZODDsOptions{poRefreshDeletedRecord});
  ds->Open();
  ds->Next();
  ds->Edit();
  // The refresh looks for the old key, which the update changed.
  ds->FieldByName("ID")->SetAsInteger(22);
  ds->Post();
  EXPECT_EQ(ds->State(), classlib::dsBrowse);
  EXPECT_EQ(ds->RecordCount(), 2);
  EXPECT_EQ(Rows(*ds), (std::vector<std::string>{"1:Anna", "3:Vera"}));
  tr_->Commit();
  EXPECT_EQ(Committed("select NAME from PEOPLE where ID = 22").AsString(), "Boris");
}

TEST_F(DataSetEditTest, AnInsertIntoAPartlyReadResultShowsTheRowOnce) {
  for (int id = 10; id < 300; ++id)
    Run("insert into PEOPLE values (" + std::to_string(id) + ", 'P', null, null)");
  // The order follows the key's index, so the open cursor reads rows as it
  // walks the index, the new one beyond those read included.
  auto ds = People();
  ds->Open();
  ASSERT_LT(ds->RecordCount(), 50);
  ds->Insert();
  ds->FieldByName("ID")->SetAsInteger(100000);
  ds->FieldByName("NAME")->SetAsString("Last");
  ds->Post();
  int seen = 0;
  ds->First();
  while (!ds->Eof()) {
    if (Id(*ds) == 100000) ++seen;
    ds->Next();
  }
  EXPECT_EQ(seen, 1);
  EXPECT_EQ(ds->RecordCount(), 3 + 290 + 1);
}

TEST_F(DataSetEditTest, QuestionMarksInsideLiteralsAreNoParameters) {
  auto ds = People();
  ds->UpdateSQL().SetText(
      "update PEOPLE set NOTE = 'why? :NAME' || ?NEW_NOTE, NAME = ?NAME where ID = ?OLD_ID");
  ds->Open();
  ds->Edit();
  ds->FieldByName("NOTE")->SetAsString("!");
  ds->FieldByName("NAME")->SetAsString("Anya");
  ds->Post();
  tr_->Commit();
  EXPECT_EQ(Committed("select NOTE from PEOPLE where ID = 1").AsString(), "why? :NAME!");
  EXPECT_EQ(Committed("select NAME from PEOPLE where ID = 1").AsString(), "Anya");
}

TEST_F(DataSetEditTest, InsertAndAppendPlaceTheRecordAndWriteIt) {
  auto ds = People();
  ds->Open();
  // An open cursor walking the key's index would meet the new row again.
  ds->FetchAll();
  ds->Next();  // on 2
  ds->Insert();
  ds->FieldByName("ID")->SetAsInteger(15);
  ds->FieldByName("NAME")->SetAsString("Gleb");
  ds->Post();
  EXPECT_EQ(Id(*ds), 15);
  ds->Append();
  ds->FieldByName("ID")->SetAsInteger(40);
  ds->FieldByName("NAME")->SetAsString("Yana");
  ds->Post();
  EXPECT_EQ(Id(*ds), 40);
  EXPECT_EQ(ds->RecordCount(), 5);
  EXPECT_EQ(Rows(*ds), (std::vector<std::string>{"1:Anna", "15:Gleb", "2:Boris", "3:Vera",
                                                  "40:Yana"}));
  tr_->Commit();
  EXPECT_EQ(Committed("select count(*) from PEOPLE").AsInteger(), 5);
  EXPECT_EQ(Committed("select NAME from PEOPLE where ID = 15").AsString(), "Gleb");
}

TEST_F(DataSetEditTest, InsertIntoAnEmptyDataSet) {
  Run("delete from PEOPLE");
  auto ds = People();
  ds->Open();
  ds->Insert();
  ds->FieldByName("ID")->SetAsInteger(5);
  ds->FieldByName("NAME")->SetAsString("Only");
  ds->Post();
  EXPECT_EQ(ds->RecordCount(), 1);
  EXPECT_EQ(Rows(*ds), (std::vector<std::string>{"5:Only"}));
}

TEST_F(DataSetEditTest, CancelledInsertsLeaveTheCursorWhereItWas) {
  auto ds = People();
  ds->Open();
  ds->Next();
  ds->Insert();
  ds->FieldByName("ID")->SetAsInteger(15);
  ds->Cancel();
  EXPECT_EQ(Id(*ds), 2);
  ds->Append();
  ds->Cancel();
  EXPECT_EQ(Id(*ds), 3);
  EXPECT_EQ(ds->RecordCount(), 3);
  EXPECT_EQ(Rows(*ds), (std::vector<std::string>{"1:Anna", "2:Boris", "3:Vera"}));
}

TEST_F(DataSetEditTest, ReturnedValuesReachTheRecord) {
  Run("create table ITEMS (ID integer generated by default as identity primary key, "
      "NAME varchar(20), CREATED_BY varchar(20) default 'server')");
  auto ds = NewDataSet("Items", "select ID, NAME, CREATED_BY from ITEMS order by ID");
  ds->InsertSQL().SetText(
      "insert into ITEMS (NAME) values (?NAME) returning ID, CREATED_BY");
  ds->Open();
  ds->Append();
  ds->FieldByName("NAME")->SetAsString("first");
  ds->Post();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
  EXPECT_EQ(ds->FieldByName("CREATED_BY")->AsString(), "server");
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "first");
}

// The way the updater fills binary columns: edit, write the blob, post.
TEST_F(DataSetEditTest, BlobsWrittenInAnEditReachTheServerOrComeBackOnCancel) {
  Run("create table DOCS (ID integer not null primary key, BODY blob sub_type 0)");
  Run("insert into DOCS values (1, null)");
  Run("insert into DOCS values (2, null)");
  auto ds = NewDataSet("Docs", "select ID, BODY from DOCS order by ID");
  ds->UpdateSQL().SetText("update DOCS set BODY = ?BODY where ID = ?OLD_ID");
  ds->RefreshSQL().SetText("select ID, BODY from DOCS where ID = ?OLD_ID");
  ds->Open();
  ds->Edit();
  ds->FieldByName("BODY")->SetAsString(std::string(70000, 'b') + "end");
  ds->Post();
  EXPECT_EQ(ds->FieldByName("BODY")->AsString().size(), 70003u);
  ds->Next();
  ds->Edit();
  ds->FieldByName("BODY")->SetAsString("draft");
  ds->Cancel();
  EXPECT_TRUE(ds->FieldByName("BODY")->IsNull());
  tr_->Commit();
  EXPECT_EQ(Committed("select octet_length(BODY) from DOCS where ID = 1").AsInteger(), 70003);
  EXPECT_TRUE(classlib::VarIsNull(Committed("select BODY from DOCS where ID = 2")));
}

TEST_F(DataSetEditTest, DeleteRunsTheDeleteStatementAndHidesTheRecord) {
  auto ds = People();
  ds->Open();
  ds->Next();
  ds->Delete();
  EXPECT_EQ(ds->RecordCount(), 2);
  EXPECT_EQ(Id(*ds), 3);
  EXPECT_EQ(Rows(*ds), (std::vector<std::string>{"1:Anna", "3:Vera"}));
  tr_->Commit();
  EXPECT_EQ(Committed("select count(*) from PEOPLE").AsInteger(), 2);
}

TEST_F(DataSetEditTest, ARefreshAfterDeleteThatFindsNothingHidesOnlyThatRecord) {
  auto ds = People();
  ds->SetOptions(ds->Options() + TpZODDsOptions{poRefreshAfterDelete, poRefreshDeletedRecord});
  // A grid keeps several records in the data set's buffers.
  classlib::TDataSource source(&form_);
  source.SetDataSet(ds.get());
  classlib::TDataLink grid;
  grid.SetDataSource(&source);
  grid.SetBufferCount(5);
  ds->Open();
  ds->Next();
  ds->Delete();
  EXPECT_EQ(ds->RecordCount(), 2);
  EXPECT_EQ(Rows(*ds), (std::vector<std::string>{"1:Anna", "3:Vera"}));
}

// The process's data-change hook hears a data set's change before the
// controls linked to it do.
std::vector<std::string>* hook_log = nullptr;

class LoggingLink : public classlib::TDataLink {
 protected:
  void DataSetChanged() override {
    if (hook_log != nullptr) hook_log->push_back("link");
  }
};

TEST_F(DataSetEditTest, TheDataChangeHookHearsTheChangeBeforeTheControls) {
  std::vector<std::string> log;
  hook_log = &log;
  SetDataSetChangeHook([](TFIBCustomDataSet& data_set, intptr_t) {
    hook_log->push_back("hook " + data_set.Name());
  });
  auto ds = People();
  classlib::TDataSource source(&form_);
  source.SetDataSet(ds.get());
  LoggingLink grid;
  grid.SetDataSource(&source);
  ds->Open();
  log.clear();
  ds->Refresh();
  SetDataSetChangeHook(nullptr);
  hook_log = nullptr;
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], "hook People");
  EXPECT_EQ(log[1], "link");
}

TEST_F(DataSetEditTest, MasterParametersTakeTheMastersFields) {
  Run("create table PHONES (PERSON_ID integer not null, PHONE varchar(20) not null)");
  Run("insert into PHONES values (2, '222')");
  auto master = People();
  classlib::TDataSource source(&form_);
  source.SetDataSet(master.get());
  auto detail = NewDataSet(
      "Phones", "select PERSON_ID, PHONE from PHONES where PERSON_ID = ?MAS_ID order by PHONE");
  detail->InsertSQL().SetText("insert into PHONES (PERSON_ID, PHONE) values (?MAS_ID, ?PHONE)");
  detail->DeleteSQL().SetText(
      "delete from PHONES where PERSON_ID = ?MAS_ID and PHONE = ?OLD_PHONE");
  detail->SetDataSource(&source);
  master->Open();
  master->Next();  // Boris
  detail->Open();
  EXPECT_EQ(detail->RecordCount(), 1);
  detail->Append();
  detail->FieldByName("PHONE")->SetAsString("223");
  detail->Post();
  detail->First();
  detail->Delete();  // 222
  tr_->Commit();
  EXPECT_EQ(Committed("select count(*) from PHONES where PERSON_ID = 2").AsInteger(), 1);
  EXPECT_EQ(Committed("select PHONE from PHONES where PERSON_ID = 2").AsString(), "223");
}

TEST_F(DataSetEditTest, AFailingStatementKeepsTheEditAndTheCache) {
  auto ds = People();
  ds->Open();
  ds->Edit();
  ds->FieldByName("ID")->SetAsInteger(2);  // the primary key refuses it
  EXPECT_THROW(ds->Post(), EFIBError);
  EXPECT_EQ(ds->State(), classlib::dsEdit);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 2);
  ds->Cancel();
  EXPECT_EQ(Id(*ds), 1);

  // A refused insert must leave no slot behind in the cache: the rows
  // fetched afterwards keep their places.
  ds->Close();
  ds->Open();
  ds->Insert();
  ds->FieldByName("ID")->SetAsInteger(3);
  ds->FieldByName("NAME")->SetAsString("Twin");
  EXPECT_THROW(ds->Post(), EFIBError);
  ds->Cancel();
  EXPECT_EQ(Rows(*ds), (std::vector<std::string>{"1:Anna", "2:Boris", "3:Vera"}));
  EXPECT_EQ(ds->RecordCount(), 3);
}

TEST_F(DataSetEditTest, RefreshReadsWhatAnotherConnectionCommitted) {
  tr_->TRParams().SetText("write\nisc_tpb_nowait\nrec_version\nread_committed");
  auto ds = People();
  ds->Open();
  ds->Next();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Boris");
  // The other connection's statement commits on its own.
  observer_->QueryValue("update PEOPLE set NAME = 'Boris II', SCORE = 99 where ID = 2", 0);
  ds->Refresh();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Boris II");
  EXPECT_EQ(ds->FieldByName("SCORE")->AsInteger(), 99);
  ds->Prior();
  ds->Next();
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "Boris II");
}

// Several hundred rows with texts too long to be kept inline: what each
// record shows must stay its own through edits, cancels, old values, NULLs,
// deletes and inserts, wherever the cache keeps the texts.
TEST_F(DataSetEditTest, ManyRowsKeepTheirValuesThroughEditsDeletesAndInserts) {
  auto name_of = [](int id) { return "Person number " + std::to_string(id) + ", long"; };
  for (int id = 10; id < 310; ++id)
    Run("insert into PEOPLE values (" + std::to_string(id) + ", '" + name_of(id) + "', " +
        (id % 3 == 0 ? std::string("null") : "'note " + std::to_string(id) + "'") + ", " +
        std::to_string(id) + ")");
  auto ds = People();
  ds->Open();
  ds->FetchAll();
  ASSERT_EQ(ds->RecordCount(), 303);
  classlib::TField* name = ds->FieldByName("NAME");
  classlib::TField* note = ds->FieldByName("NOTE");
  // Every row as fetched: the first three are the fixture's.
  auto expect_rows = [&](const std::vector<int>& ids, const std::string& changed) {
    ds->First();
    for (int id : ids) {
      ASSERT_FALSE(ds->Eof());
      ASSERT_EQ(Id(*ds), id);
      if (id < 10) {
        ds->Next();
        continue;
      }
      EXPECT_EQ(name->AsString(), id == 206 ? changed : name_of(id)) << id;
      EXPECT_EQ(note->IsNull(), id % 3 == 0 || id == 206) << id;
      if (!note->IsNull()) {
        EXPECT_EQ(note->AsString(), "note " + std::to_string(id));
      }
      ds->Next();
    }
    EXPECT_TRUE(ds->Eof());
  };

  ds->SetRecNo(200);
  ASSERT_EQ(Id(*ds), 206);
  ds->Edit();
  name->SetAsString("Changed in an edit, cancelled");
  EXPECT_EQ(name->AsString(), "Changed in an edit, cancelled");
  EXPECT_EQ(name->OldValue().AsString(), name_of(206));
  ds->Cancel();
  EXPECT_EQ(name->AsString(), name_of(206));
  EXPECT_EQ(note->AsString(), "note 206");

  ds->Edit();
  name->SetAsString("Changed, posted and reread");
  note->Clear();
  ds->Post();
  std::vector<int> ids = {1, 2, 3};
  for (int id = 10; id < 310; ++id) ids.push_back(id);
  expect_rows(ids, "Changed, posted and reread");

  ds->SetRecNo(150);
  ASSERT_EQ(Id(*ds), 156);
  ds->Delete();
  EXPECT_EQ(Id(*ds), 157);
  EXPECT_EQ(name->AsString(), name_of(157));
  ids.erase(std::find(ids.begin(), ids.end(), 156));

  ds->SetRecNo(100);
  ds->Insert();
  ds->FieldByName("ID")->SetAsInteger(5000);
  name->SetAsString("Inserted in the middle");
  ds->Post();
  EXPECT_EQ(name->AsString(), "Inserted in the middle");
  EXPECT_TRUE(note->IsNull());
  ds->Next();
  EXPECT_EQ(Id(*ds), 106);
  ds->Prior();
  ds->Prior();
  EXPECT_EQ(Id(*ds), 105);
  EXPECT_EQ(name->AsString(), name_of(105));
  EXPECT_EQ(ds->RecordCount(), 303);
}

}  // namespace
}  // namespace fib
