// The extended data set on the embedded engine: generated statements run by
// Post and Delete, records that changed nothing, the separate blob update,
// defaults and generator keys, locking and counting on the server.
#include "fib/zod/zod_dataset.h"

#include <gtest/gtest.h>

#include <cmath>

#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "classlib/field.h"
#include "classlib/field_blob.h"
#include "classlib/field_numeric.h"
#include "classlib/stream.h"
#include "fib/base/errors.h"
#include "fib/statements/auto_update_options.h"
#include "fib/statements/fib_transaction.h"
#include "fib/zod/zod_dataset_messages.h"
#include "fib_query_fixture.h"

namespace fib {
namespace {

using fib_test::QueryTest;

class ZODDataSetTest : public QueryTest {
 protected:
  ZODDataSetTest() {
    Run("create table PEOPLE (ID integer not null primary key, NAME varchar(40) "
        "default 'Hello World', NOTE blob sub_type 1, BORN date default 'TOMORROW', "
        "WHO varchar(31) default USER, TOTAL computed by (ID * 2), CITY_ID integer, "
        "SALARY numeric(10, 2))");
    Run("create table CITY (ID integer not null primary key, TITLE varchar(20))");
    Run("create table WRITES (N integer, SEQ integer)");
    Run("create generator GEN_WRITES");
    Run("create trigger WRITES_BI for WRITES before insert as begin "
        "new.SEQ = gen_id(GEN_WRITES, 1); end");
    Run("create generator GEN_PEOPLE_ID");
    Run("create trigger PEOPLE_AU for PEOPLE after update as begin "
        "insert into WRITES (N) values (new.ID); end");
    Run("insert into CITY values (7, 'Tula')");
    Run("insert into PEOPLE (ID, NAME, NOTE, CITY_ID) values (1, 'Ann', 'first note', 7)");
    Run("insert into PEOPLE (ID, NAME, CITY_ID) values (2, 'Bob', 7)");
    data_set_ = std::make_unique<TpZODDataSet>(&form_);
    data_set_->SetName("DS");
    data_set_->SetDatabase(db_.get());
    data_set_->SetTransaction(tr_.get());
    data_set_->SetAutoCommit(true);
  }

  TpZODDataSet& Open(const std::string& select, bool only_modified = false) {
    classlib::TStringList lines;
    lines.SetText(select);
    data_set_->SetSelectSQL(lines);
    TAutoUpdateOptions& options = data_set_->AutoUpdateOptions();
    options.SetUpdateTableName("PEOPLE");
    options.SetKeyFields("ID");
    options.SetAutoReWriteSqls(true);
    options.SetCanChangeSQLs(true);
    options.SetUpdateOnlyModifiedFields(only_modified);
    data_set_->Open();
    return *data_set_;
  }

  classlib::Variant Value(const std::string& sql) { return db_->QueryValue(sql, 0); }
  int Writes() { return Value("select count(*) from WRITES").AsInteger(); }
  classlib::TField& F(const char* name) { return *data_set_->FieldByName(name); }

  std::unique_ptr<TpZODDataSet> data_set_;
};

TEST_F(ZODDataSetTest, GeneratedTextsCarryEditsInsertsAndDeletesToTheServer) {
  TpZODDataSet& ds = Open("select ID, NAME, NOTE, CITY_ID from PEOPLE order by ID");
  EXPECT_NE(ds.UpdateSQL().Text().find("where PEOPLE.ID=?OLD_ID"), std::string::npos)
      << ds.UpdateSQL().Text();
  EXPECT_NE(ds.DeleteSQL().Text().find("Delete from PEOPLE"), std::string::npos);

  ds.Edit();
  F("NAME").SetAsString("Anna");
  ds.Post();
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 1").AsString(), "Anna");

  ds.Append();
  F("ID").SetAsInteger(5);
  F("NAME").SetAsString("Eve");
  ds.Post();
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 5").AsString(), "Eve");

  ds.First();
  ds.Next();
  ASSERT_EQ(F("ID").AsInteger(), 2);
  ds.Delete();
  EXPECT_EQ(Value("select count(*) from PEOPLE where ID = 2").AsInteger(), 0);
}

TEST_F(ZODDataSetTest, AnEditThatChangesNothingSendsNothing) {
  TpZODDataSet& ds = Open("select ID, NAME, CITY_ID from PEOPLE order by ID", true);
  ds.Edit();
  F("NAME").SetAsString("Ann");  // the value it already had
  ds.Post();
  EXPECT_TRUE(IsNoAction(ds.UpdateSQL().Text())) << ds.UpdateSQL().Text();
  EXPECT_EQ(Writes(), 0);

  ds.Edit();
  F("CITY_ID").SetAsInteger(8);
  ds.Post();
  EXPECT_EQ(ds.UpdateSQL().Text().find("NAME"), std::string::npos) << ds.UpdateSQL().Text();
  EXPECT_EQ(Writes(), 1);
  EXPECT_EQ(Value("select CITY_ID from PEOPLE where ID = 1").AsInteger(), 8);
}

TEST_F(ZODDataSetTest, ABlobChangedAloneRunsOnlyTheBlobUpdate) {
  data_set_->AutoUpdateOptions().SetSeparateBlobUpdate(true);
  TpZODDataSet& ds = Open("select ID, NAME, NOTE from PEOPLE order by ID", true);
  ds.Edit();
  F("NOTE").SetAsString("a much longer second note");
  ds.Post();
  EXPECT_TRUE(IsNoAction(ds.UpdateSQL().Text())) << ds.UpdateSQL().Text();
  ASSERT_NE(ds.SeparateBlobUpdateObject(), nullptr);
  EXPECT_TRUE(ds.SeparateBlobUpdateObject()->Active());
  EXPECT_NE(ds.SeparateBlobUpdateObject()->SQL().Text().find("NOTE=?NEW_NOTE"),
            std::string::npos);
  EXPECT_EQ(Value("select NOTE from PEOPLE where ID = 1").AsString(),
            "a much longer second note");
  EXPECT_EQ(Writes(), 1);  // one statement: the blob update
}

TEST_F(ZODDataSetTest, KeyFieldsOfAnotherTableRaise65072) {
  classlib::TStringList lines;
  lines.SetText("select P.ID, P.NAME, C.ID as CID from PEOPLE P join CITY C on C.ID = P.CITY_ID");
  data_set_->SetSelectSQL(lines);
  data_set_->AutoUpdateOptions().SetUpdateTableName("PEOPLE");
  data_set_->AutoUpdateOptions().SetKeyFields("CID");
  data_set_->Open();
  try {
    data_set_->GenerateSQLText("PEOPLE", "CID", bmAllFields, mtkRefresh);
    FAIL();
  } catch (const classlib::Exception& error) {
    EXPECT_EQ(error.Message(), "Form1.DS: unable to generate RefreshSQL because fields for "
                               "\"PEOPLE\" do not exist in dataset.");
  }
}

TEST_F(ZODDataSetTest, NewRecordsTakeDefaultsAsWrittenAndGeneratorKeys) {
  data_set_->AutoUpdateOptions().SetWhenGetGenID(wgOnNewRecord);
  data_set_->AutoUpdateOptions().SetGeneratorName("GEN_PEOPLE_ID");
  Run("set generator GEN_PEOPLE_ID to 40");
  TpZODDataSet& ds = Open("select ID, NAME, BORN, WHO from PEOPLE");
  ds.Append();
  EXPECT_EQ(F("ID").AsInteger(), 41);
  EXPECT_EQ(F("NAME").AsString(), "Hello World");
  EXPECT_EQ(F("BORN").AsDateTime(), std::floor(classlib::Now()) + 1);
  EXPECT_EQ(F("WHO").AsString(), "SYSDBA");
  ds.Post();
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 41").AsString(), "Hello World");
}

TEST_F(ZODDataSetTest, NewRecordsTakeTheSelectsParameterValues) {
  TAutoUpdateOptions& options = data_set_->AutoUpdateOptions();
  options.SetAutoParamsToFields(true);
  options.SetUpdateTableName("PEOPLE");
  options.SetAutoReWriteSqls(true);
  classlib::TStringList lines;
  lines.SetText("select P.ID, P.NAME, P.CITY_ID from PEOPLE P where P.CITY_ID = :CITY");
  data_set_->SetSelectSQL(lines);
  data_set_->Prepare();
  data_set_->QSelect()->ParamByName("CITY").SetAsInteger(7);
  data_set_->Open();
  EXPECT_EQ(options.ParamsToFieldsLinks().Text(), "CITY_ID=CITY\r\n");
  data_set_->Append();
  EXPECT_EQ(F("CITY_ID").AsInteger(), 7);
  data_set_->Cancel();
}

TEST_F(ZODDataSetTest, KeysBeforePostComeOnlyWhenPosting) {
  data_set_->AutoUpdateOptions().SetWhenGetGenID(wgBeforePost);
  data_set_->AutoUpdateOptions().SetGeneratorName("GEN_PEOPLE_ID");
  Run("set generator GEN_PEOPLE_ID to 10");
  TpZODDataSet& ds = Open("select ID, NAME from PEOPLE");
  ds.Append();
  EXPECT_TRUE(F("ID").IsNull());
  F("NAME").SetAsString("Zed");
  ds.Post();
  EXPECT_EQ(F("ID").AsInteger(), 11);
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 11").AsString(), "Zed");
}

TEST_F(ZODDataSetTest, LockingRowsOthersDeletedOrHold) {
  // Locks are taken in a read-committed transaction that never waits.
  TFIBTransaction update(&form_);
  update.SetDefaultDatabase(db_.get());
  update.TRParams().SetText("write\r\nread_committed\r\nrec_version\r\nnowait");
  data_set_->SetUpdateTransaction(&update);
  TpZODDataSet& ds = Open("select ID, NAME from PEOPLE order by ID");
  EXPECT_EQ(ds.LockRecord(false), lsSuccess);
  EXPECT_EQ(Writes(), 0);  // not committed: the dummy update is still ours
  update.Rollback();

  // Another connection deletes the first row.
  auto other = NewDatabase();
  other->Connect();
  TFIBTransaction other_tr(nullptr);
  other_tr.SetDefaultDatabase(other.get());
  other_tr.TRParams().SetText("write\r\nread_committed\r\nrec_version\r\nnowait");
  TFIBQuery statement(nullptr);
  statement.SetDatabase(other.get());
  statement.SetTransaction(&other_tr);
  other_tr.StartTransaction();
  statement.SQL().SetText("delete from PEOPLE where ID = 1");
  statement.ExecQuery();
  other_tr.Commit();
  EXPECT_EQ(ds.LockRecord(false), lsNotExist);
  try {
    ds.LockRecord(true);
    FAIL();
  } catch (const classlib::Exception& error) {
    EXPECT_EQ(error.Message(), "Error of record updating:Record does not exist");
  }
  update.Rollback();

  // It holds the second row in a change of its own.
  ds.Next();
  ASSERT_EQ(F("ID").AsInteger(), 2);
  other_tr.StartTransaction();
  statement.SQL().SetText("update PEOPLE set NAME = 'Bobby' where ID = 2");
  statement.ExecQuery();
  EXPECT_EQ(ds.LockRecord(false), lsDeadLock);
  update.Rollback();
  // A handler may change the message and let the caller go on quietly.
  ds.OnLockError = TLockErrorEvent::Function(
      [](classlib::TDataSet*, TLockStatus status, std::string& message,
         classlib::TDataAction& action) {
        EXPECT_EQ(status, lsDeadLock);
        EXPECT_EQ(message, "Error of record updating:Deadlock detected");
        action = classlib::daAbort;
      });
  EXPECT_THROW(ds.LockRecord(true), classlib::EAbort);
  update.Rollback();
  other_tr.Rollback();
}

TEST_F(ZODDataSetTest, NothingToLockWithWithoutAnUpdateText) {
  classlib::TStringList lines;
  lines.SetText("select ID, NAME from PEOPLE");
  data_set_->SetSelectSQL(lines);
  data_set_->Open();
  try {
    data_set_->LockRecord(true);
    FAIL();
  } catch (const classlib::Exception& error) {
    EXPECT_EQ(error.Message(), "Unable to lock record. Update query is empty");
  }
}

TEST_F(ZODDataSetTest, CountingOnTheServer) {
  TpZODDataSet& ds = Open("select ID, NAME from PEOPLE where NAME <> '?' -- not the odd ones");
  EXPECT_EQ(ds.GetRecordCountBySQL(), 2);
  ds.OnAskRecordCount = TOnGetSQLTextProc::Function(
      [](TFIBCustomDataSet*, std::string& sql) { sql = "select 42 from RDB$DATABASE"; });
  EXPECT_EQ(ds.GetRecordCountBySQL(), 42);
  ds.OnAskRecordCount = {};
  tr_->Commit();
  EXPECT_EQ(ds.GetRecordCountBySQL(), 0);  // no active transaction

  // Asked at open, the server's count stands before the rows are fetched.
  for (int id = 10; id < 20; ++id)
    Run("insert into PEOPLE (ID, NAME) values (" + std::to_string(id) + ", 'n')");
  ds.SetPrepareOptions(TpPrepareOptions(ds.PrepareOptions()).Include(psAskRecordCount));
  tr_->StartTransaction();
  ds.Open();
  EXPECT_LT(ds.CacheRecordCount(), 12);
  EXPECT_EQ(ds.RecordCount(), 12);
  ds.Delete();
  EXPECT_EQ(ds.RecordCount(), 11);
}

TEST_F(ZODDataSetTest, FieldsTakeTheirRulesFromTheMetadata) {
  data_set_->SetPrepareOptions(TpPrepareOptions{pfSetRequiredFields, pfSetReadOnlyFields,
                                                pfImportDefaultValues, psCanEditComputedFields});
  TpZODDataSet& ds = Open("select P.ID, P.NAME, P.TOTAL, P.SALARY, C.TITLE from PEOPLE P "
                          "join CITY C on C.ID = P.CITY_ID");
  EXPECT_TRUE(F("ID").Required());
  EXPECT_FALSE(F("NAME").Required());
  EXPECT_TRUE(F("TITLE").ReadOnly());  // another table's column
  EXPECT_FALSE(F("NAME").ReadOnly());
  EXPECT_FALSE(F("TOTAL").ReadOnly());
  auto* salary = dynamic_cast<classlib::TNumericField*>(&F("SALARY"));
  ASSERT_NE(salary, nullptr);
  EXPECT_EQ(salary->DisplayFormat(), "#,##0.00");
  EXPECT_EQ(F("NAME").DefaultExpression(), "'Hello World'");
  ds.Close();
  // Without computed columns being editable, being computed is what counts.
  ds.SetPrepareOptions(TpPrepareOptions{pfSetReadOnlyFields});
  ds.Open();
  EXPECT_TRUE(F("TOTAL").ReadOnly());
  EXPECT_FALSE(F("NAME").ReadOnly());
}

TEST_F(ZODDataSetTest, UpdateObjectsRunAroundTheDataSetsStatement) {
  TpZODUpdateObject before(&form_), after(&form_);
  before.SQL().SetText("insert into WRITES (N) values (-?ID)");
  after.SQL().SetText("insert into WRITES (N) values (100 + ?ID)");
  after.SetExecuteOrder(oeAfterDefault);
  before.SetDataSet(data_set_.get());
  after.SetDataSet(data_set_.get());
  TpZODDataSet& ds = Open("select ID, NAME from PEOPLE order by ID");
  ds.Edit();
  F("NAME").SetAsString("Anne");
  ds.Post();
  EXPECT_TRUE(ds.ModifyStatementRan());
  auto order = NewQuery("Order", "select N from WRITES order by SEQ");
  order->ExecQuery();
  std::vector<int> seen;
  for (; !order->Eof(); order->Next()) seen.push_back(order->Fields(0).AsInteger());
  order->Close();
  EXPECT_EQ(seen, (std::vector<int>{-1, 1, 101}));  // before, trigger, after
}

TEST_F(ZODDataSetTest, CachedUpdatesAreAppliedRecordByRecord) {
  data_set_->SetAutoCommit(false);
  TpZODDataSet& ds = Open("select ID, NAME from PEOPLE order by ID");
  ds.SetCachedUpdates(true);
  ds.Edit();
  F("NAME").SetAsString("Anne");
  ds.Post();
  ds.Next();
  ds.Delete();
  EXPECT_TRUE(ds.UpdatesPending());
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 1").AsString(), "Ann");
  ds.ApplyUpdates();
  tr_->CommitRetaining();
  EXPECT_FALSE(ds.UpdatesPending());
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 1").AsString(), "Anne");
  EXPECT_EQ(Value("select count(*) from PEOPLE where ID = 2").AsInteger(), 0);
}

TEST_F(ZODDataSetTest, AFailedCachedChangeIsOfferedToOnUpdateError) {
  data_set_->SetAutoCommit(false);
  TpZODDataSet& ds = Open("select ID, NAME from PEOPLE order by ID");
  ds.SetCachedUpdates(true);
  ds.Append();
  F("ID").SetAsInteger(1);  // taken
  F("NAME").SetAsString("Twin");
  ds.Post();
  ds.First();
  ds.Edit();
  F("NAME").SetAsString("Anne");
  ds.Post();
  int offered = 0;
  ds.OnUpdateError = TFIBUpdateErrorEvent::Function(
      [&](classlib::TDataSet*, classlib::EDatabaseError&, classlib::TUpdateKind kind,
          classlib::TUpdateAction& action) {
        EXPECT_EQ(kind, classlib::ukInsert);
        ++offered;
        action = classlib::uaSkip;
      });
  ds.ApplyUpdates();
  EXPECT_EQ(offered, 1);
  EXPECT_TRUE(ds.UpdatesPending());  // the skipped insert waits
  tr_->CommitRetaining();
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 1").AsString(), "Anne");

  // Without a handler the failure reaches the caller.
  ds.OnUpdateError = {};
  EXPECT_THROW(ds.ApplyUpdates(), EFIBError);
}

TEST_F(ZODDataSetTest, VisibleRecordNumbersSkipFilteredRecords) {
  Run("insert into PEOPLE (ID, NAME) values (3, 'Cid')");
  TpZODDataSet& ds = Open("select ID, NAME from PEOPLE order by ID");
  ds.SetOptions(TpZODDsOptions(ds.Options()).Include(poVisibleRecno));
  ds.SetFilter("NAME <> 'Bob'");
  ds.SetFiltered(true);
  ds.Last();
  EXPECT_EQ(F("ID").AsInteger(), 3);
  EXPECT_EQ(ds.RecNo(), 2);
  EXPECT_EQ(ds.RecordCount(), 2);
  // The user's handler is the second stage.
  ds.SetOnFilterRecord(classlib::TFilterRecordEvent::Function(
      [](classlib::TDataSet* data_set, bool& accept) {
        accept = data_set->FieldByName("ID")->AsInteger() != 3;
      }));
  ds.First();
  EXPECT_EQ(ds.RecordCount(), 1);
}

// The filter reads dates written in a format of their own; a filter that
// does not compile is refused when it is set, and the one before stays.
TEST_F(ZODDataSetTest, FiltersReadDatesAndRefuseMalformedTexts) {
  Run("update PEOPLE set BORN = '2005-01-31' where ID = 2");
  TpZODDataSet& ds = Open("select ID, BORN from PEOPLE order by ID");
  ds.SetFilter("DATE('31.01.2005', 'dd.mm.yyyy') = BORN");
  ds.SetFiltered(true);
  ds.First();
  EXPECT_EQ(F("ID").AsInteger(), 2);
  ds.Next();
  EXPECT_TRUE(ds.Eof());
  EXPECT_THROW(ds.SetFilter("ID = = 2"), classlib::Exception);
  EXPECT_EQ(ds.Filter(), "DATE('31.01.2005', 'dd.mm.yyyy') = BORN");
  ds.Last();
  EXPECT_EQ(F("ID").AsInteger(), 2);
  // Closed, the text is checked all the same.
  ds.Close();
  EXPECT_THROW(ds.SetFilter("(ID"), classlib::Exception);
  ds.SetFilter("ID = 1");
  ds.Open();
  EXPECT_EQ(F("ID").AsInteger(), 1);
}

TEST_F(ZODDataSetTest, WrittenTextsCarryABlobLoadedIntoAField) {
  // The way the updater fills binary columns: its own texts, edit, post.
  classlib::TStringList update;
  update.SetText("update PEOPLE set NOTE = :NOTE where ID = :ID");
  data_set_->SetUpdateSQL(update);
  classlib::TStringList select;
  select.SetText("select ID, NOTE from PEOPLE where ID = 1");
  data_set_->SetSelectSQL(select);
  data_set_->Open();
  std::string bytes(70000, 'x');
  bytes[0] = '\0';
  classlib::TMemoryStream content;
  content.Write(bytes.data(), static_cast<int>(bytes.size()));
  content.SetPosition(0);
  data_set_->Edit();
  dynamic_cast<classlib::TBlobField&>(F("NOTE")).LoadFromStream(content);
  data_set_->Post();
  auto check = NewQuery("Check", "select NOTE from PEOPLE where ID = 1");
  check->ExecQuery();
  EXPECT_EQ(check->Fields(0).AsString(), bytes);
  check->Close();
  tr_->Commit();
}

// A row a protected edit locked and posted stays locked by the transaction:
// a later edit in the same transaction does not lock it again, until a
// commit ends the lock. Every lock is a dummy update, which
// the row's update trigger counts in WRITES.
TEST_F(ZODDataSetTest, AProtectedEditLocksARowOncePerTransaction) {
  data_set_->SetAutoCommit(false);
  data_set_->SetOptions(TpZODDsOptions(data_set_->Options()).Include(poProtectedEdit));
  TpZODDataSet& ds = Open("select ID, NAME, CITY_ID from PEOPLE order by ID", true);
  auto writes = [&] {
    return db_->QueryValue("select count(*) from WRITES", 0, {}, tr_.get()).AsInteger();
  };
  ds.Edit();  // lock
  F("NAME").SetAsString("Anne");
  ds.Post();  // update
  EXPECT_EQ(writes(), 2);
  EXPECT_EQ(ds.UpdateStatus(), classlib::usModified);
  ds.Edit();  // no second lock
  F("NAME").SetAsString("Annie");
  ds.Post();
  EXPECT_EQ(writes(), 3);

  tr_->CommitRetaining();  // the lock ends with the commit
  EXPECT_EQ(ds.UpdateStatus(), classlib::usUnmodified);
  ds.Edit();
  F("NAME").SetAsString("Ann");
  ds.Post();
  EXPECT_EQ(writes(), 5);
  tr_->Commit();
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 1").AsString(), "Ann");
}

TEST_F(ZODDataSetTest, ProtectedEditLocksTheRowAndNamesEveryField) {
  data_set_->SetOptions(TpZODDsOptions(data_set_->Options()).Include(poProtectedEdit));
  TpZODDataSet& ds = Open("select ID, NAME, CITY_ID from PEOPLE order by ID", true);
  EXPECT_TRUE(ds.UpdateSQL().Text().empty());
  ds.Edit();
  // The texts a lock needs were written in full.
  EXPECT_NE(ds.UpdateSQL().Text().find("CITY_ID=?NEW_CITY_ID"), std::string::npos)
      << ds.UpdateSQL().Text();
  EXPECT_FALSE(ds.RefreshSQL().Text().empty());

  // Another connection that will not wait cannot change the row now.
  auto other = NewDatabase();
  other->Connect();
  TFIBTransaction other_tr(nullptr);
  other_tr.SetDefaultDatabase(other.get());
  other_tr.TRParams().SetText("write\r\nread_committed\r\nrec_version\r\nnowait");
  TFIBQuery statement(nullptr);
  statement.SetDatabase(other.get());
  statement.SetTransaction(&other_tr);
  statement.SQL().SetText("update PEOPLE set NAME = 'Other' where ID = 1");
  other_tr.StartTransaction();
  EXPECT_THROW(statement.ExecQuery(), EFIBError);
  other_tr.Rollback();

  F("NAME").SetAsString("Anne");
  ds.Post();
  EXPECT_EQ(Value("select NAME from PEOPLE where ID = 1").AsString(), "Anne");
}

}  // namespace
}  // namespace fib
