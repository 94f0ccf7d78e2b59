// Opening buffered data sets on the embedded engine: every column type read
// back, navigation both ways with bookmarks, blobs, a detail following its
// master, the ring of a uni-directional data set, fetch failures, and the
// parameters a record fills.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "classlib/data_link.h"
#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/field_blob.h"
#include "classlib/field_defs.h"
#include "classlib/stream.h"
#include "dataset_fixture.h"
#include "fib/base/errors.h"
#include "fib/dataset/fib_string_fields.h"
#include "fib/records/records_cache.h"
#include "fib/statements/fib_blob_stream.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/fib_transaction.h"
#include "fib/statements/xsqlvar.h"
#include "testing/message_of.h"

namespace fib {
namespace {

using classlib::testing::MessageOf;

class DataSetOpenTest : public fib_test::DataSetTest {
 protected:
  DataSetOpenTest() {
    Run("create table ITEMS (ID integer not null primary key, CODE char(4), "
        "TITLE varchar(30), LONGCODE char(20), PRICE numeric(18,2), RATE numeric(18,6), "
        "QTY smallint, WEIGHT double precision, RATIO float, BORN date, AT_TIME time, "
        "STAMP timestamp, NOTE blob sub_type 1, PIC blob, BIG bigint, FLAG boolean, "
        "DISCOUNT numeric(9,2))");
    Run("insert into ITEMS values (1, 'AB', 'First item', 'LONG CODE ONE', 12.34, 0.123456, "
        "7, 2.5, 0.25, '2024-02-29', '13:45:10.5000', '2001-02-03 04:05:06.7000', "
        "'memo text', null, 9000000000, true, -1.25)");
    Run("insert into ITEMS (ID, TITLE) values (2, '')");
    Run("insert into ITEMS (ID, CODE, TITLE, DISCOUNT) values (3, 'Z', 'Third', 3.5)");
  }

  std::unique_ptr<TFIBDataSet> OpenItems(const std::string& sql = "select * from ITEMS order by ID") {
    auto ds = NewDataSet("Items", sql);
    ds->Open();
    return ds;
  }

  void WriteBlob(int id, const std::string& bytes);
};

TEST_F(DataSetOpenTest, EveryColumnTypeReadsBack) {
  auto ds = OpenItems();
  ASSERT_TRUE(ds->Active());
  EXPECT_FALSE(ds->Eof());
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
  EXPECT_EQ(ds->FieldByName("CODE")->AsString(), "AB");  // trimmed
  EXPECT_EQ(ds->FieldByName("TITLE")->AsString(), "First item");
  EXPECT_EQ(ds->FieldByName("LONGCODE")->AsString(), "LONG CODE ONE");
  EXPECT_EQ(ds->FieldByName("PRICE")->AsString(), "12.34");
  EXPECT_DOUBLE_EQ(ds->FieldByName("RATE")->AsFloat(), 0.123456);
  EXPECT_EQ(ds->FieldByName("QTY")->AsInteger(), 7);
  EXPECT_DOUBLE_EQ(ds->FieldByName("WEIGHT")->AsFloat(), 2.5);
  EXPECT_DOUBLE_EQ(ds->FieldByName("RATIO")->AsFloat(), 0.25);
  EXPECT_EQ(ds->FieldByName("BORN")->AsDateTime(), classlib::EncodeDate(2024, 2, 29));
  EXPECT_NEAR(ds->FieldByName("AT_TIME")->AsDateTime(),
              classlib::EncodeTime(13, 45, 10, 500), 1e-9);
  EXPECT_NEAR(ds->FieldByName("STAMP")->AsDateTime(),
              classlib::EncodeDate(2001, 2, 3) + classlib::EncodeTime(4, 5, 6, 700), 1e-9);
  EXPECT_EQ(ds->FieldByName("NOTE")->AsString(), "memo text");
  EXPECT_TRUE(ds->FieldByName("PIC")->IsNull());
  EXPECT_EQ(ds->FieldByName("BIG")->AsLargeInt(), 9000000000);
  EXPECT_TRUE(ds->FieldByName("FLAG")->AsBoolean());
  EXPECT_DOUBLE_EQ(ds->FieldByName("DISCOUNT")->AsFloat(), -1.25);

  ds->Next();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 2);
  EXPECT_TRUE(ds->FieldByName("CODE")->IsNull());
  EXPECT_FALSE(ds->FieldByName("TITLE")->IsNull());  // an empty VARCHAR is not NULL
  EXPECT_EQ(ds->FieldByName("TITLE")->AsString(), "");
  EXPECT_TRUE(ds->FieldByName("PRICE")->IsNull());
  EXPECT_TRUE(ds->FieldByName("BORN")->IsNull());
  EXPECT_TRUE(ds->FieldByName("FLAG")->IsNull());
  EXPECT_TRUE(ds->FieldByName("NOTE")->IsNull());

  ds->Next();
  EXPECT_EQ(ds->FieldByName("CODE")->AsString(), "Z");
  ds->Next();
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(ds->RecordCount(), 3);
  ds->Close();
  EXPECT_FALSE(ds->Active());
}

TEST_F(DataSetOpenTest, NavigatesBothWaysAndReturnsToBookmarks) {
  for (int id = 4; id <= 60; ++id) Run("insert into ITEMS (ID) values (" + std::to_string(id) + ")");
  auto ds = OpenItems("select ID from ITEMS order by ID");
  classlib::TField* id = ds->FieldByName("ID");
  for (int i = 0; i < 9; ++i) ds->Next();
  EXPECT_EQ(id->AsInteger(), 10);
  EXPECT_EQ(ds->RecNo(), 10);
  const classlib::TBookmark ten = ds->GetBookmark();
  ds->Last();
  EXPECT_EQ(id->AsInteger(), 60);
  EXPECT_EQ(ds->RecordCount(), 60);
  const classlib::TBookmark last = ds->GetBookmark();
  for (int i = 0; i < 5; ++i) ds->Prior();
  EXPECT_EQ(id->AsInteger(), 55);
  ds->GotoBookmark(ten);
  EXPECT_EQ(id->AsInteger(), 10);
  EXPECT_TRUE(ds->BookmarkValid(ten));
  EXPECT_EQ(ds->CompareBookmarks(ten, last), -1);
  EXPECT_EQ(ds->CompareBookmarks(last, ten), 1);
  EXPECT_EQ(ds->CompareBookmarks(ten, ten), 0);
  EXPECT_EQ(ds->CompareBookmarks({}, {}), 0);
  EXPECT_EQ(ds->CompareBookmarks(ten, {}), -1);
  EXPECT_EQ(ds->CompareBookmarks({}, ten), 1);
  EXPECT_FALSE(ds->BookmarkValid({}));
  ds->First();
  EXPECT_TRUE(ds->Bof());
  EXPECT_EQ(id->AsInteger(), 1);
  ds->Prior();
  EXPECT_TRUE(ds->Bof());
  ds->SetRecNo(42);
  EXPECT_EQ(id->AsInteger(), 42);
  EXPECT_EQ(ds->MoveBy(-40), -40);
  EXPECT_EQ(id->AsInteger(), 2);
}

TEST_F(DataSetOpenTest, ReopensAfterItsTransactionWasCommitted) {
  auto ds = OpenItems();
  const int first_id = ds->FieldByName("ID")->AsInteger();
  tr_->Commit();  // closes the data set; its select stays prepared
  ASSERT_FALSE(ds->Active());
  ds->Open();  // starts the transaction again, as the first open did
  EXPECT_TRUE(tr_->Active());
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), first_id);
}

TEST_F(DataSetOpenTest, AnEmptyResultAnswersEofAtOnce) {
  auto ds = OpenItems("select * from ITEMS where ID < 0");
  EXPECT_TRUE(ds->Eof());
  EXPECT_TRUE(ds->Bof());
  EXPECT_EQ(ds->RecordCount(), 0);
  EXPECT_TRUE(ds->IsEmpty());
  EXPECT_TRUE(ds->FieldByName("ID")->IsNull());
  ds->Last();
  EXPECT_TRUE(ds->Eof());
}

void DataSetOpenTest::WriteBlob(int id, const std::string& bytes) {
  auto query = NewQuery("BlobWriter", "update ITEMS set PIC = :PIC where ID = :ID");
  query->ParamByName("PIC").SetAsString(bytes);
  query->ParamByName("ID").SetAsInteger(id);
  query->ExecQuery();
  tr_->Commit();
}

TEST_F(DataSetOpenTest, BlobsAreReadThroughStreams) {
  std::string bytes(70000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  WriteBlob(3, bytes);
  auto ds = OpenItems();
  classlib::TField* pic = ds->FieldByName("PIC");
  {
    // A NULL blob reads as nothing and cannot be written outside editing.
    std::unique_ptr<classlib::TStream> stream = ds->CreateBlobStream(pic, classlib::bmRead);
    char c;
    EXPECT_EQ(stream->Read(&c, 1), 0);
    EXPECT_EQ(stream->Size(), 0);
    EXPECT_EQ(MessageOf<EFIBClientError>([&] { stream->Write("x", 1); }), "Not editing.");
  }
  ds->Last();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);
  std::unique_ptr<classlib::TStream> stream = ds->CreateBlobStream(pic, classlib::bmRead);
  ASSERT_EQ(stream->Size(), static_cast<int64_t>(bytes.size()));
  std::string read(bytes.size(), '\0');
  EXPECT_EQ(stream->Read(read.data(), static_cast<int>(read.size())), static_cast<int>(read.size()));
  EXPECT_EQ(read, bytes);
  // The record keeps its stream: a second one sees the same content.
  EXPECT_EQ(ds->CreateBlobStream(pic, classlib::bmRead)->Size(), static_cast<int64_t>(bytes.size()));
  ds->First();
  EXPECT_EQ(ds->FieldByName("NOTE")->AsString(), "memo text");
}

TEST_F(DataSetOpenTest, ADetailFollowsItsMaster) {
  Run("create table PARTS (ITEM_ID integer, NAME varchar(20))");
  Run("insert into PARTS values (1, 'bolt')");
  Run("insert into PARTS values (1, 'nut')");
  Run("insert into PARTS values (3, 'gear')");
  auto master = OpenItems("select ID from ITEMS order by ID");
  classlib::TDataSource source(&form_);
  source.SetDataSet(master.get());
  auto detail = NewDataSet("Parts", "select NAME from PARTS where ITEM_ID = :MAS_ID order by NAME");
  detail->SetDataSource(&source);
  detail->Open();
  auto names = [&] {
    std::vector<std::string> list;
    for (detail->First(); !detail->Eof(); detail->Next())
      list.push_back(detail->FieldByName("NAME")->AsString());
    return list;
  };
  EXPECT_EQ(names(), (std::vector<std::string>{"bolt", "nut"}));
  master->Next();
  EXPECT_TRUE(names().empty());
  master->Next();
  EXPECT_EQ(names(), (std::vector<std::string>{"gear"}));
  EXPECT_FALSE(detail->MasterRefreshDue());
  master->Close();
  EXPECT_FALSE(detail->Active());  // the master closed

  detail->SetDetailConditions({dcIgnoreMasterClose});
  master->Open();
  detail->Open();
  master->Close();
  EXPECT_TRUE(detail->Active());
}

TEST_F(DataSetOpenTest, OpenDataSetsRefuseDefinitionChanges) {
  auto ds = OpenItems();
  auto code = [](const std::function<void()>& action) {
    try {
      action();
    } catch (const EFIBClientError& e) {
      return e.SQLCode();
    }
    return 0;
  };
  EXPECT_EQ(code([&] { ds->SelectSQL().SetText("select ID from ITEMS"); }), 28);
  // The data set's own words, not those of its statement.
  EXPECT_EQ(MessageOf([&] { ds->SelectSQL().SetText("select ID from ITEMS"); }),
            "Can't  change SelectSQL  because Form1.Items dataset open.");
  EXPECT_EQ(ds->SelectSQL().Text(), "select * from ITEMS order by ID\r\n");
  EXPECT_EQ(code([&] { ds->SetUniDirectional(true); }), 28);
  EXPECT_EQ(code([&] { ds->CacheModelOptions().SetBufferChunks(10); }), 28);
  EXPECT_EQ(code([&] { ds->SetDatabase(nullptr); }), 28);
  EXPECT_EQ(code([&] { ds->SetPrepareOptions(ds->PrepareOptions() + TpPrepareOptions{psUseLargeIntField}); }), 28);
  EXPECT_TRUE(ds->Active());
}

TEST_F(DataSetOpenTest, AUniDirectionalDataSetReusesItsRing) {
  for (int id = 4; id <= 100; ++id)
    Run("insert into ITEMS (ID, TITLE, LONGCODE) values (" + std::to_string(id) + ", 'T" +
        std::to_string(id) + "', 'CODE NUMBER " + std::to_string(id) + "')");
  auto ds = NewDataSet("Uni", "select ID, TITLE, LONGCODE from ITEMS order by ID");
  ds->SetUniDirectional(true);
  ds->CacheModelOptions().SetBufferChunks(8);
  ds->Open();
  int expected = 1;
  for (; !ds->Eof(); ds->Next(), ++expected) {
    ASSERT_EQ(ds->FieldByName("ID")->AsInteger(), expected);
    if (expected > 3) {
      ASSERT_EQ(ds->FieldByName("TITLE")->AsString(), "T" + std::to_string(expected));
      ASSERT_EQ(ds->FieldByName("LONGCODE")->AsString(), "CODE NUMBER " + std::to_string(expected));
    }
  }
  EXPECT_EQ(expected, 101);
  EXPECT_EQ(ds->RecordCount(), 8);
}

TEST_F(DataSetOpenTest, AFailingFetchIsRaisedByLast) {
  auto ds = OpenItems("select ID, 1 / (ID - 3) as Q from ITEMS order by ID");
  EXPECT_THROW(ds->Last(), EFIBInterBaseError);
  EXPECT_EQ(ds->CacheRecordCount(), 2);  // the rows read so far stay
}

// The limited cache reads the last window backwards; a row that fails to
// arrive there is raised as the full data set raises it, not taken for the
// end of the data.
TEST_F(DataSetOpenTest, AFailingFetchIsRaisedByLastOfTheLimitedCache) {
  Run("execute block as declare i integer = 4; begin while (i <= 300) do begin "
      "insert into ITEMS (ID) values (:i); i = i + 1; end end");
  auto ds = NewDataSet("Window", "select ID, 1 / (ID - 250) as Q from ITEMS order by ID");
  ds->CacheModelOptions().SetCacheModelKind(cmkLimitedBufferSize);
  ds->Open();  // the first window (rows 1 to 100) arrives whole
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
  EXPECT_THROW(ds->Last(), EFIBInterBaseError);
}

TEST_F(DataSetOpenTest, RetryAfterAFailedFetchShowsNoUnreadRecord) {
  auto ds = NewDataSet("Failing", "select ID, 1 / (ID - 3) as Q from ITEMS order by ID");
  int errors = 0;
  ds->OnGetRecordError = TGetRecordErrorEvent::Function(
      [&](classlib::TDataSet*, classlib::Exception&, classlib::TDataAction& action) {
        ++errors;
        action = classlib::daRetry;
      });
  ds->Open();
  ds->Next();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 2);
  ds->Next();  // the third row fails to arrive
  EXPECT_GE(errors, 1);
  EXPECT_TRUE(ds->Eof());
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(ds->RecordCount(), 2);
}

TEST_F(DataSetOpenTest, ARecordFillsTheParametersOfAStatement) {
  auto ds = OpenItems();
  auto update = NewQuery("Upd",
                         "update ITEMS set TITLE = :TITLE, RATE = :RATE, BORN = :BORN, "
                         "AT_TIME = :AT_TIME, STAMP = :STAMP "
                         "where ID = :OLD_ID and PRICE = :NEW_PRICE and CODE = :CODE");
  ds->SetModifyParams(*update, ds->GetActiveRecBuf());
  EXPECT_EQ(update->ParamByName("TITLE").AsString(), "First item");
  EXPECT_EQ(update->ParamByName("OLD_ID").AsInteger(), 1);
  EXPECT_DOUBLE_EQ(update->ParamByName("RATE").AsDouble(), 0.123456);
  EXPECT_EQ(update->ParamByName("NEW_PRICE").AsString(), "12.34");
  EXPECT_EQ(update->ParamByName("CODE").AsString(), "AB  ");  // a CHAR slot as stored
  EXPECT_EQ(update->ParamByName("BORN").AsDateTime(), classlib::EncodeDate(2024, 2, 29));
  EXPECT_NEAR(update->ParamByName("AT_TIME").AsDateTime(), classlib::EncodeTime(13, 45, 10, 500),
              1e-9);
  EXPECT_NEAR(update->ParamByName("STAMP").AsDateTime(),
              classlib::EncodeDate(2001, 2, 3) + classlib::EncodeTime(4, 5, 6, 700), 1e-9);
  EXPECT_THROW(ds->SetModifyParams(*update, nullptr), EFIBClientError);
  ds->Next();
  ds->SetModifyParams(*update, ds->GetActiveRecBuf());
  EXPECT_TRUE(update->ParamByName("BORN").IsNull());
  EXPECT_FALSE(update->ParamByName("TITLE").IsNull());
}

TEST_F(DataSetOpenTest, MarksInsideLiteralsAreNoParameters) {
  auto ds = OpenItems("select ID from ITEMS where TITLE <> 'what?' and CODE <> 'a?b' and ID > :MIN order by ID");
  EXPECT_EQ(ds->QSelect()->Params().Count(), 1);
  ds->Close();
  ds->QSelect()->Params()[0].SetAsInteger(1);
  ds->Open();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);  // row 2 has no CODE
}

TEST_F(DataSetOpenTest, TheServersFirstDayIsStoredExactly) {
  auto ds = OpenItems("select cast('1858-11-17' as date) as D0, "
                      "cast('1858-11-17 00:00:00' as timestamp) as T0 from RDB$DATABASE");
  EXPECT_EQ(ds->FieldByName("D0")->AsDateTime(), classlib::EncodeDate(1858, 11, 17));
  EXPECT_EQ(ds->FieldByName("T0")->AsDateTime(), classlib::EncodeDate(1858, 11, 17));
}

TEST_F(DataSetOpenTest, CalculatedFieldsKeepTheirAreaBesideLongTexts) {
  auto ds = NewDataSet("Calc", "select ID, LONGCODE from ITEMS order by ID");
  ds->Prepare();
  ds->FieldDefs()[0]->CreateField(ds.get());
  ds->FieldDefs()[1]->CreateField(ds.get());
  classlib::TField* twice = ds->FieldDefs()[0]->CreateField(ds.get(), nullptr, "TWICE");
  twice->SetFieldKind(classlib::fkCalculated);
  ds->SetOnCalcFields(classlib::TDataSetNotifyEvent::Function([&](classlib::TDataSet* data_set) {
    data_set->FieldByName("TWICE")->SetAsInteger(data_set->FieldByName("ID")->AsInteger() * 2);
  }));
  ds->Open();
  EXPECT_EQ(twice->AsInteger(), 2);
  EXPECT_EQ(ds->FieldByName("LONGCODE")->AsString(), "LONG CODE ONE");
  ds->Last();
  EXPECT_EQ(twice->AsInteger(), 6);
  ds->First();
  EXPECT_EQ(twice->AsInteger(), 2);
}

// OnCalcFields runs for each record a walk reads and never while calculated
// fields are disabled, whether or not the cache keeps their values.
TEST_F(DataSetOpenTest, CalculatedFieldsFollowTheirSwitchesDuringAWalk) {
  for (bool cached : {false, true}) {
    SCOPED_TRACE(cached);
    auto ds = NewDataSet("CalcWalk", "select ID from ITEMS order by ID");
    ds->Prepare();
    ds->FieldDefs()[0]->CreateField(ds.get());
    classlib::TField* twice = ds->FieldDefs()[0]->CreateField(ds.get(), nullptr, "TWICE");
    twice->SetFieldKind(classlib::fkCalculated);
    if (cached) ds->SetOptions(ds->Options() + TpZODDsOptions{poCacheCalcFields});
    int calls = 0;
    ds->SetOnCalcFields(classlib::TDataSetNotifyEvent::Function([&](classlib::TDataSet* data_set) {
      ++calls;
      data_set->FieldByName("TWICE")->SetAsInteger(data_set->FieldByName("ID")->AsInteger() * 2);
    }));
    ds->Open();
    EXPECT_EQ(twice->AsInteger(), 2);
    ds->DisableCalcFields();
    const int before = calls;
    ds->Next();
    EXPECT_EQ(calls, before) << "no calculation while disabled";
    EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 2);
    EXPECT_TRUE(twice->IsNull());
    ds->EnableCalcFields();
    EXPECT_EQ(twice->AsInteger(), 4) << "enabling again calculates the shown record";
    const int shown = calls;
    ds->Next();
    EXPECT_EQ(twice->AsInteger(), 6);
    EXPECT_EQ(calls, shown + 1) << "one calculation for the record the step reads";
  }
}

// With poCacheCalcFields a record's calculated values are computed once and
// kept with the record: walking back and forth shows them without asking
// OnCalcFields again.
TEST_F(DataSetOpenTest, CachedCalculatedFieldsComeBackWithTheirRecords) {
  auto ds = NewDataSet("CalcKept", "select ID from ITEMS order by ID");
  ds->Prepare();
  ds->FieldDefs()[0]->CreateField(ds.get());
  classlib::TField* twice = ds->FieldDefs()[0]->CreateField(ds.get(), nullptr, "TWICE");
  twice->SetFieldKind(classlib::fkCalculated);
  ds->SetOptions(ds->Options() + TpZODDsOptions{poCacheCalcFields});
  int calls = 0;
  ds->SetOnCalcFields(classlib::TDataSetNotifyEvent::Function([&](classlib::TDataSet* data_set) {
    ++calls;
    data_set->FieldByName("TWICE")->SetAsInteger(data_set->FieldByName("ID")->AsInteger() * 2);
  }));
  ds->Open();
  int rows = 0;
  for (ds->First(); !ds->Eof(); ds->Next(), ++rows)
    EXPECT_EQ(twice->AsInteger(), ds->FieldByName("ID")->AsInteger() * 2);
  const int computed = calls;
  EXPECT_EQ(computed, rows);
  ds->Last();
  EXPECT_EQ(twice->AsInteger(), ds->FieldByName("ID")->AsInteger() * 2);
  for (ds->First(); !ds->Eof(); ds->Next())
    EXPECT_EQ(twice->AsInteger(), ds->FieldByName("ID")->AsInteger() * 2) << "ID " << ds->FieldByName("ID")->AsInteger();
  for (ds->Last(); !ds->Bof(); ds->Prior())
    EXPECT_EQ(twice->AsInteger(), ds->FieldByName("ID")->AsInteger() * 2) << "ID " << ds->FieldByName("ID")->AsInteger();
  EXPECT_EQ(calls, computed) << "kept values are not computed again";
}

// Hears what a control would: each scroll with the record it lands on.
class ScrollLog : public classlib::TDataLink {
 public:
  std::vector<std::string>* log = nullptr;

 protected:
  void DataSetScrolled(int distance) override {
    log->push_back("scroll " + std::to_string(distance) + " to " +
                   DataSet()->FieldByName("ID")->AsString());
  }
  void DataSetChanged() override { log->push_back("changed"); }
  void CheckBrowseMode() override { ++browse_checks; }

 public:
  int browse_checks = 0;
};

// A walk with interleaved fetching tells links, scroll handlers and the
// calculated fields of every record in order, whether the ring holds one
// record or several, and holds back while controls are disabled.
TEST_F(DataSetOpenTest, AWalkTellsEveryScrollInOrder) {
  Run("create table WALK (ID integer, NAME varchar(30))");
  Run("execute block as declare i integer = 1; begin while (i <= 7) do begin "
      "insert into WALK values (:i, 'row ' || :i); i = i + 1; end end");
  for (int ring : {1, 3}) {
    SCOPED_TRACE(ring);
    auto ds = NewDataSet("Walk", "select ID, NAME from WALK order by ID");
    ds->Prepare();
    ds->FieldDefs()[0]->CreateField(ds.get());
    ds->FieldDefs()[1]->CreateField(ds.get());
    classlib::TField* twice = ds->FieldDefs()[0]->CreateField(ds.get(), nullptr, "TWICE");
    twice->SetFieldKind(classlib::fkCalculated);
    std::vector<std::string> log;
    ds->SetOnCalcFields(classlib::TDataSetNotifyEvent::Function([&](classlib::TDataSet* data_set) {
      data_set->FieldByName("TWICE")->SetAsInteger(data_set->FieldByName("ID")->AsInteger() * 2);
    }));
    auto note = [&](const char* what) {
      return classlib::TDataSetNotifyEvent::Function([&log, what](classlib::TDataSet* data_set) {
        log.push_back(what + data_set->FieldByName("ID")->AsString());
      });
    };
    ds->SetBeforeScroll(note("before "));
    ds->SetAfterScroll(note("after "));
    classlib::TDataSource source(nullptr);
    source.SetDataSet(ds.get());
    ScrollLog link;
    link.log = &log;
    link.SetBufferCount(ring);
    link.SetDataSource(&source);
    ds->Open();
    log.clear();
    classlib::TField* id = ds->FieldByName("ID");
    for (int expected = 1; !ds->Eof(); ++expected) {
      ASSERT_EQ(id->AsInteger(), expected);
      EXPECT_EQ(twice->AsInteger(), expected * 2);
      EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "row " + std::to_string(expected));
      log.push_back("read " + id->AsString());
      if (expected == 4) ds->DisableControls();
      ds->Next();
      if (expected == 5) ds->EnableControls();
    }
    // The ring is filled ahead at open: within it a step moves nothing.
    auto scroll = [ring](int moved_to) {
      const int distance = moved_to <= ring ? 0 : -1;
      return "scroll " + std::to_string(distance) + " to " + std::to_string(moved_to);
    };
    const std::vector<std::string> expected = {
        "read 1", "before 1", scroll(2), "after 2",
        "read 2", "before 2", scroll(3), "after 3",
        "read 3", "before 3", scroll(4), "after 4",
        "read 4", "before 4", "after 5",
        "read 5", "before 5", "after 6", "changed",
        "read 6", "before 6", scroll(7), "after 7",
        "read 7", "before 7", "scroll 0 to 7", "after 7"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(link.browse_checks, 5);
    EXPECT_EQ(ds->RecordCount(), 7);
  }
}

// Hears how far a walk scrolls the ring and how often it checks browsing.
class StepLog : public classlib::TDataLink {
public:
  int scrolled = 0;
  int scrolls = 0;
  int browse_checks = 0;

protected:
  void DataSetScrolled(int distance) override {
    scrolled += distance;
    ++scrolls;
  }
  void CheckBrowseMode() override { ++browse_checks; }
};

// Steps that nobody hears are not sent; a link that joins the walk half-way
// hears every later step, and single steps scroll its ring exactly as far
// as one longer move over the same records.
TEST_F(DataSetOpenTest, ALinkJoiningAWalkHearsSingleStepsAsOneLongerMove) {
  Run("create table STEPS (ID integer)");
  Run("execute block as declare i integer = 1; begin while (i <= 9) do begin "
      "insert into STEPS values (:i); i = i + 1; end end");
  struct Walk {
    int moved, id, rec_no, scrolled, scrolls, browse_checks;
    bool eof;
  };
  auto walk = [&](bool single_steps) {
    auto ds = NewDataSet("Steps", "select ID from STEPS order by ID");
    ds->Open();
    ds->Next();
    ds->Next();
    classlib::TDataSource source(nullptr);
    source.SetDataSet(ds.get());
    StepLog link;
    link.SetBufferCount(3);
    link.SetDataSource(&source);
    int moved = 0;
    if (single_steps) {
      for (int step = 0; step < 8; ++step)
        moved += ds->MoveBy(1);
    } else {
      moved = ds->MoveBy(8);
    }
    Walk result{moved, ds->FieldByName("ID")->AsInteger(), ds->RecNo(), link.scrolled,
                link.scrolls, link.browse_checks, ds->Eof()};
    link.SetDataSource(nullptr);
    return result;
  };
  const Walk steps = walk(true);
  const Walk move = walk(false);
  for (const Walk &w : {steps, move}) {
    EXPECT_EQ(w.moved, 6);
    EXPECT_EQ(w.id, 9);
    EXPECT_EQ(w.rec_no, 9);
    EXPECT_TRUE(w.eof);
  }
  EXPECT_EQ(steps.scrolled, move.scrolled);
  EXPECT_LT(move.scrolled, 0) << "the ring of 3 scrolled past its last record";
  // Each step checks browsing; a step at the end scrolls by nothing, and
  // one past it does not scroll at all.
  EXPECT_EQ(steps.browse_checks, 8);
  EXPECT_EQ(steps.scrolls, 7);
  EXPECT_EQ(move.browse_checks, 1);
  EXPECT_EQ(move.scrolls, 1);
}

TEST_F(DataSetOpenTest, ATransactionCommitClosesTheDataSet) {
  auto ds = OpenItems();
  int endings = 0;
  ds->TransactionEnding = classlib::TNotifyEvent::Function([&](classlib::TObject*) { ++endings; });
  tr_->CommitRetaining();
  EXPECT_TRUE(ds->Active());
  tr_->Commit();
  EXPECT_GE(endings, 1);
  EXPECT_FALSE(ds->Active());
}

}  // namespace
}  // namespace fib

namespace fib {
namespace {

TEST_F(DataSetOpenTest, TheCacheSeesEachBufferWithoutItsHeaderAndNoMore) {
  auto ds = NewDataSet("Geometry", "select ID, LONGCODE, TITLE, NOTE from ITEMS order by ID");
  ds->Prepare();
  for (int i = 0; i < ds->FieldDefs().Count(); ++i) ds->FieldDefs()[i]->CreateField(ds.get());
  classlib::TField* calc = ds->FieldDefs()[0]->CreateField(ds.get(), nullptr, "C");
  calc->SetFieldKind(classlib::fkCalculated);
  ds->SetOptions(ds->Options() + TpZODDsOptions{poCacheCalcFields});
  ds->Open();
  TRecordsCache* cache = ds->RecordsCache();
  ASSERT_NE(cache, nullptr);
  EXPECT_EQ(cache->BufferSize(), ds->RecordSize() - 5);
  EXPECT_LE(cache->ExpandedSize(), cache->BufferSize());
  EXPECT_EQ(cache->StringCount(), 0);  // LONGCODE and TITLE are short enough to stay inside
  ds->Last();
  ds->First();
  EXPECT_EQ(ds->FieldByName("LONGCODE")->AsString(), "LONG CODE ONE");
}

// Long texts narrow enough to stay in the record and wide ones kept in the
// string store, side by side: values, NULLs, edits that are cancelled and
// cached edits that are undone all read back what the row holds.
TEST_F(DataSetOpenTest, LongTextsInTheRecordAndInTheStringStoreKeepTheirRows) {
  Run("create table TEXTS (ID integer not null primary key, NEAR_V varchar(40), "
      "NEAR_C char(30), WIDE_V varchar(400), WIDE_C char(300))");
  const std::string full40(40, 'n');
  const std::string full400(400, 'w');
  Run("insert into TEXTS values (1, 'short one', 'fixed', 'a wide one', 'wide fixed')");
  Run("insert into TEXTS values (2, null, null, null, null)");
  Run("insert into TEXTS values (3, '" + full40 + "', 'x', '" + full400 + "', '')");
  auto ds = NewDataSet("Texts", "select ID, NEAR_V, NEAR_C, WIDE_V, WIDE_C from TEXTS order by ID");
  ds->UpdateSQL().SetText(
      "update TEXTS set NEAR_V = ?NEAR_V, NEAR_C = ?NEAR_C, WIDE_V = ?WIDE_V, WIDE_C = ?WIDE_C "
      "where ID = ?OLD_ID");
  ds->SetCachedUpdates(true);
  ds->Open();
  ASSERT_NE(ds->RecordsCache(), nullptr);
  EXPECT_EQ(ds->RecordsCache()->StringCount(), 2) << "only the wide columns use the string store";
  classlib::TField* near_v = ds->FieldByName("NEAR_V");
  classlib::TField* near_c = ds->FieldByName("NEAR_C");
  classlib::TField* wide_v = ds->FieldByName("WIDE_V");
  classlib::TField* wide_c = ds->FieldByName("WIDE_C");
  auto row = [&] {
    std::string text;
    for (classlib::TField* field : {near_v, near_c, wide_v, wide_c})
      text += (field->IsNull() ? std::string("<null>") : "[" + field->AsString() + "]");
    return text;
  };
  const std::string first = "[short one][fixed][a wide one][wide fixed]";
  EXPECT_EQ(row(), first) << "CHAR texts lose their trailing blanks";
  ds->Next();
  EXPECT_EQ(row(), "<null><null><null><null>");
  ds->Next();
  EXPECT_EQ(row(), "[" + full40 + "][x][" + full400 + "][]");

  // NULL to a value and back, then a value to NULL and back, by cancelling.
  ds->Prior();
  ds->Edit();
  near_v->SetAsString("set now");
  wide_v->SetAsString("wide set now");
  EXPECT_EQ(row(), "[set now]<null>[wide set now]<null>");
  ds->Cancel();
  EXPECT_EQ(row(), "<null><null><null><null>");
  ds->First();
  ds->Edit();
  near_v->Clear();
  wide_c->Clear();
  ds->Cancel();
  EXPECT_EQ(row(), first);

  // A shorter text over a longer one leaves nothing of the longer behind,
  // across moves, and undoing the cached edits brings every row back.
  ds->Last();
  ds->Edit();
  near_v->SetAsString("tiny");
  wide_v->SetAsString("small");
  ds->Post();
  ds->First();
  ds->Edit();
  near_c->SetAsString("changed");
  wide_c->Clear();
  ds->Post();
  ds->Last();
  EXPECT_EQ(row(), "[tiny][x][small][]");
  ds->First();
  EXPECT_EQ(row(), "[short one][changed][a wide one]<null>");
  ds->CancelUpdates();
  ds->First();
  EXPECT_EQ(row(), first);
  ds->Last();
  EXPECT_EQ(row(), "[" + full40 + "][x][" + full400 + "][]");
}

TEST_F(DataSetOpenTest, BlobStreamsAreKeptByHandlePerRecord) {
  WriteBlob(1, "one");
  WriteBlob(3, "three");
  auto ds = OpenItems();
  classlib::TField* pic = ds->FieldByName("PIC");
  EXPECT_EQ(ds->BlobStreamOf(ds->GetActiveRecBuf(), pic), nullptr);
  ds->CreateBlobStream(pic, classlib::bmRead);
  TFIBBlobStream* first = ds->BlobStreamOf(ds->GetActiveRecBuf(), pic);
  ASSERT_NE(first, nullptr);
  ds->Last();
  ds->CreateBlobStream(pic, classlib::bmRead);
  TFIBBlobStream* third = ds->BlobStreamOf(ds->GetActiveRecBuf(), pic);
  ASSERT_NE(third, nullptr);
  EXPECT_NE(first, third);
  EXPECT_EQ(third->AsString(), "three");
  ds->First();
  // The record written back to the cache still refers to its own stream.
  EXPECT_EQ(ds->BlobStreamOf(ds->GetActiveRecBuf(), pic), first);
  EXPECT_EQ(first->AsString(), "one");
}

TEST_F(DataSetOpenTest, UnicodeColumnsReadAsWideTextOnAUnicodeConnection) {
  Run("create table WIDE (ID integer, NAME varchar(10) character set UNICODE_FSS)");
  Run("insert into WIDE values (1, '\xcf\xf0\xe8\xe2\xe5\xf2')");  // "Privet" in Cyrillic, CP1251
  // A WIN1251 connection gets the text converted by the server.
  auto ansi = OpenItems("select NAME from WIDE");
  EXPECT_EQ(ansi->FieldByName("NAME")->DataType(), classlib::ftString);
  EXPECT_EQ(ansi->FieldByName("NAME")->AsString(), "\xcf\xf0\xe8\xe2\xe5\xf2");

  auto unicode_db = NewDatabase(&form_);
  unicode_db->DBParams().SetText("user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=UNICODE_FSS");
  TFIBTransaction unicode_tr(&form_);
  unicode_tr.SetDefaultDatabase(unicode_db.get());
  unicode_db->SetDefaultTransaction(&unicode_tr);
  unicode_db->Connect();
  TFIBDataSet ds(&form_);
  ds.SetDatabase(unicode_db.get());
  ds.SelectSQL().SetText("select NAME from WIDE");
  ds.Open();
  classlib::TField* name = ds.FieldByName("NAME");
  EXPECT_EQ(name->DataType(), classlib::ftWideString);
  EXPECT_EQ(name->AsWideString(), u"\u041f\u0440\u0438\u0432\u0435\u0442");
  EXPECT_EQ(name->AsString(), "\xcf\xf0\xe8\xe2\xe5\xf2");
  ds.Close();
  unicode_tr.Commit();
}

// On a UNICODE_FSS connection a WIN1251 column arrives as UTF-8 and reads
// back as ANSI; a column without a character set keeps its bytes, also when
// its field reads it straight from the record.
TEST_F(DataSetOpenTest, AnsiColumnsReadBackAsAnsiOnAUnicodeConnection) {
  Run("create table MIXED (ID integer, CYR varchar(20) character set WIN1251, "
      "RAW varchar(20) character set NONE)");
  Run("insert into MIXED values (1, '\xcf\xf0\xe8\xe2\xe5\xf2  ', 'abc')");
  Run("insert into MIXED values (2, null, '')");
  auto unicode_db = NewDatabase(&form_);
  unicode_db->DBParams().SetText("user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=UNICODE_FSS");
  TFIBTransaction unicode_tr(&form_);
  unicode_tr.SetDefaultDatabase(unicode_db.get());
  unicode_db->SetDefaultTransaction(&unicode_tr);
  unicode_db->Connect();
  TFIBDataSet ds(&form_);
  ds.SetDatabase(unicode_db.get());
  ds.SelectSQL().SetText("select ID, CYR, RAW from MIXED order by ID");
  ds.Open();
  classlib::TField* cyr = ds.FieldByName("CYR");
  classlib::TField* raw = ds.FieldByName("RAW");
  EXPECT_EQ(raw->DirectSlot().form & kDirectUnicodeConnection, kDirectUnicodeConnection);
  EXPECT_EQ(cyr->AsString(), "\xcf\xf0\xe8\xe2\xe5\xf2");
  EXPECT_EQ(raw->AsString(), "abc");
  ds.Next();
  EXPECT_TRUE(cyr->IsNull());
  EXPECT_EQ(cyr->AsString(), "");
  EXPECT_EQ(raw->AsString(), "");
  ds.Close();
  unicode_tr.Commit();
}

}  // namespace
}  // namespace fib

namespace fib {
namespace {

TEST_F(DataSetOpenTest, AStreamOutlivingItsRecordFailsPlainly) {
  WriteBlob(1, "one");
  auto ds = OpenItems();
  std::unique_ptr<classlib::TStream> stream =
      ds->CreateBlobStream(ds->FieldByName("PIC"), classlib::bmRead);
  EXPECT_EQ(stream->Size(), 3);
  ds->Close();
  EXPECT_THROW(stream->Size(), EFIBClientError);
  // Reopened, new streams take new handles: the old one still finds nothing.
  ds->Open();
  ds->CreateBlobStream(ds->FieldByName("PIC"), classlib::bmRead);
  char byte;
  EXPECT_THROW(stream->Read(&byte, 1), EFIBClientError);
}

}  // namespace
}  // namespace fib

namespace fib {
namespace {

TEST_F(DataSetOpenTest, ARecordIsRefreshedThroughTheRefreshStatement) {
  auto ds = NewDataSet("Items", "select ID, TITLE, PRICE from ITEMS order by ID");
  // PRICE comes back as another type: it must keep its cached value.
  ds->RefreshSQL().SetText(
      "select ID, TITLE, cast(PRICE * 2 as integer) as PRICE from ITEMS where ID = :ID");
  ds->Open();
  auto update = NewQuery("Rename", "update ITEMS set TITLE = 'Renamed' where ID = 1");
  update->ExecQuery();
  EXPECT_EQ(ds->FieldByName("TITLE")->AsString(), "First item");
  EXPECT_TRUE(ds->RefreshRecordThrough(ds->QRefresh()));
  ds->Resync({classlib::rmExact});
  EXPECT_EQ(ds->FieldByName("TITLE")->AsString(), "Renamed");
  EXPECT_EQ(ds->FieldByName("PRICE")->AsString(), "12.34");
  ds->Last();
  ds->Prior();
  ds->First();
  EXPECT_EQ(ds->FieldByName("TITLE")->AsString(), "Renamed");  // the cache holds it

  // No refresh text: a data set with records refuses.
  ds->RefreshSQL().Clear();
  try {
    ds->RefreshRecordThrough(ds->QRefresh());
    FAIL() << "refreshed without a statement";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 48);
  }
}

}  // namespace
}  // namespace fib

namespace fib {
namespace {

// Slots of the ring are stored again and again: a NULL or blank-padded row
// after a full one shows its own value, never the slot's earlier one.
TEST_F(DataSetOpenTest, EachRowOfTheRingShowsItsOwnNullsAndTrimmedTexts) {
  for (int id = 4; id <= 40; ++id) {
    const std::string n = std::to_string(id);
    if (id % 2 == 0)
      Run("insert into ITEMS (ID, CODE, TITLE, LONGCODE, PRICE, STAMP) values (" + n + ", 'C" + n +
          "', 'Title " + n + "', 'LONG " + n + "   ', " + n + ".5, '2020-01-01 10:00:00')");
    else
      Run("insert into ITEMS (ID) values (" + n + ")");
  }
  auto ds = NewDataSet("Uni", "select ID, CODE, TITLE, LONGCODE, PRICE, STAMP from ITEMS "
                              "where ID >= 4 order by ID");
  ds->SetUniDirectional(true);
  ds->CacheModelOptions().SetBufferChunks(8);
  ds->Open();
  int id = 4;
  for (; !ds->Eof(); ds->Next(), ++id) {
    SCOPED_TRACE(id);
    ASSERT_EQ(ds->FieldByName("ID")->AsInteger(), id);
    const std::string n = std::to_string(id);
    if (id % 2 == 0) {
      EXPECT_EQ(ds->FieldByName("CODE")->AsString(), "C" + n);
      EXPECT_EQ(ds->FieldByName("TITLE")->AsString(), "Title " + n);
      EXPECT_EQ(ds->FieldByName("LONGCODE")->AsString(), "LONG " + n);
      EXPECT_DOUBLE_EQ(ds->FieldByName("PRICE")->AsFloat(), id + 0.5);
      EXPECT_EQ(ds->FieldByName("STAMP")->AsDateTime(),
                classlib::EncodeDate(2020, 1, 1) + classlib::EncodeTime(10, 0, 0, 0));
    } else {
      for (const char* name : {"CODE", "TITLE", "LONGCODE", "PRICE", "STAMP"}) {
        EXPECT_TRUE(ds->FieldByName(name)->IsNull()) << name;
        EXPECT_EQ(ds->FieldByName(name)->AsString(), "") << name;
      }
    }
  }
  EXPECT_EQ(id, 41);
}

// A ring position reused for a later row holds none of the earlier row's
// text: long texts first, then short ones and NULLs over them, of every
// kind a text is kept in the record.
TEST_F(DataSetOpenTest, AUniDirectionalRingReusesRecordsWithoutOldTextBytes) {
  Run("create table RING (ID integer not null primary key, SHORT_V varchar(12), "
      "SHORT_C char(12), NEAR_V varchar(40), NEAR_C char(30))");
  auto text = [](int id, int length) {
    return std::string(static_cast<size_t>(length), static_cast<char>('a' + id % 26));
  };
  // Rows 1-4 fill the ring of 4 with full-width texts; 5-8 land on the same
  // records with shorter ones; 9-12 are NULL; 13-16 short again.
  for (int id = 1; id <= 16; ++id) {
    const std::string n = std::to_string(id);
    if (id >= 9 && id <= 12) {
      Run("insert into RING (ID) values (" + n + ")");
      continue;
    }
    const bool wide = id <= 4;
    Run("insert into RING values (" + n + ", '" + text(id, wide ? 12 : 2) + "', '" +
        text(id, wide ? 12 : 3) + "', '" + text(id, wide ? 40 : 4) + "', '" +
        text(id, wide ? 30 : 5) + "')");
  }
  auto ds = NewDataSet("Ring", "select ID, SHORT_V, SHORT_C, NEAR_V, NEAR_C from RING order by ID");
  ds->SetUniDirectional(true);
  ds->CacheModelOptions().SetBufferChunks(4);
  ds->Open();
  int id = 1;
  for (; !ds->Eof(); ds->Next(), ++id) {
    SCOPED_TRACE(id);
    ASSERT_EQ(ds->FieldByName("ID")->AsInteger(), id);
    const bool null = id >= 9 && id <= 12;
    const bool wide = id <= 4;
    const std::vector<std::pair<const char*, int>> columns = {
        {"SHORT_V", wide ? 12 : 2}, {"SHORT_C", wide ? 12 : 3},
        {"NEAR_V", wide ? 40 : 4}, {"NEAR_C", wide ? 30 : 5}};
    for (const auto& [name, length] : columns) {
      EXPECT_EQ(ds->FieldByName(name)->IsNull(), null) << name;
      EXPECT_EQ(ds->FieldByName(name)->AsString(), null ? "" : text(id, length)) << name;
    }
  }
  EXPECT_EQ(id, 17);
}

// Reopened over another select, the columns are stored by the new layout:
// a column that was a number is now a long text and the other way round.
TEST_F(DataSetOpenTest, AReopenStoresColumnsByTheirNewTypes) {
  auto ds = NewDataSet("Items", "select ID as A, TITLE as B from ITEMS order by ID");
  ds->Open();
  EXPECT_EQ(ds->FieldByName("A")->AsInteger(), 1);
  EXPECT_EQ(ds->FieldByName("B")->AsString(), "First item");
  ds->Close();
  ds->SelectSQL().SetText("select TITLE as A, ID as B, STAMP as C from ITEMS order by ID");
  ds->Open();
  EXPECT_EQ(ds->FieldByName("A")->AsString(), "First item");
  EXPECT_EQ(ds->FieldByName("B")->AsInteger(), 1);
  EXPECT_NEAR(ds->FieldByName("C")->AsDateTime(),
              classlib::EncodeDate(2001, 2, 3) + classlib::EncodeTime(4, 5, 6, 700), 1e-9);
  ds->Last();
  EXPECT_EQ(ds->FieldByName("A")->AsString(), "Third");
  EXPECT_EQ(ds->FieldByName("B")->AsInteger(), 3);
  EXPECT_TRUE(ds->FieldByName("C")->IsNull());
}

TEST_F(DataSetOpenTest, AUniDirectionalDataSetNeverShowsARecordItLost) {
  for (int id = 4; id <= 30; ++id) Run("insert into ITEMS (ID) values (" + std::to_string(id) + ")");
  auto ds = NewDataSet("Uni", "select ID from ITEMS order by ID");
  ds->SetUniDirectional(true);
  ds->CacheModelOptions().SetBufferChunks(8);
  ds->Open();
  while (ds->FieldByName("ID")->AsInteger() < 20) ds->Next();
  int steps = 0;
  while (!ds->Bof() && steps < 30) {
    ds->Prior();
    ++steps;
    // Every record shown is the one of its number, never a later row.
    ASSERT_EQ(ds->FieldByName("ID")->AsInteger(), ds->RecNo());
  }
  EXPECT_GE(ds->FieldByName("ID")->AsInteger(), 20 - 8);
  try {
    ds->First();
    FAIL() << "went back to a record the ring no longer holds";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 53);
  }
}

}  // namespace
}  // namespace fib

namespace fib {
namespace {

// An application that writes a value into a column of the select changes
// that column's type; the rows fetched after it must not read the column as
// the type the record keeps, and every other column arrives as before.
TEST_F(DataSetOpenTest, ASelectColumnRetypedByTheApplicationIsNotStored) {
  for (int id = 4; id <= 6; ++id)
    Run("insert into ITEMS (ID, TITLE, QTY) values (" + std::to_string(id) + ", 'T" +
        std::to_string(id) + "', " + std::to_string(id * 10) + ")");
  auto ds = OpenItems("select ID, TITLE, QTY from ITEMS order by ID");
  EXPECT_EQ(ds->FieldByName("QTY")->AsInteger(), 7);
  ds->QSelect()->FieldByName("QTY").SetAsString("retyped");
  ds->Last();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 6);
  EXPECT_EQ(ds->FieldByName("TITLE")->AsString(), "T6");
  // The record keeps what it held: a record never stored before holds zeros.
  EXPECT_EQ(ds->FieldByName("QTY")->AsInteger(), 0);
  ds->First();
  EXPECT_EQ(ds->FieldByName("QTY")->AsInteger(), 7);
}

}  // namespace
}  // namespace fib
