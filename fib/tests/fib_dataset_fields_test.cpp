// Field values written into a record buffer and read back in their column's
// stored form, old values, the data set as a source of parameters, fetch
// events, and a detail that waits for its master to stop scrolling.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "classlib/data_link.h"
#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/field_defs.h"
#include "classlib/fields.h"
#include "dataset_fixture.h"
#include "fib/base/errors.h"
#include "fib/statements/conditions.h"
#include "fib/statements/fib_base_params.h"
#include "fib/statements/fib_query.h"
#include "fib/statements/xsqlvar.h"
#include "platform/clock.h"
#include "platform/plain_message_loop.h"

namespace fib {
namespace {

class DataSetFieldsTest : public fib_test::DataSetTest {
 protected:
  DataSetFieldsTest() {
    Run("create table ACC (ID integer not null primary key, NAME varchar(30), "
        "CODE char(4), AMOUNT numeric(18,2), RATE numeric(9,2), SMALL smallint, "
        "DAY_ date, STAMP timestamp)");
    for (int id = 1; id <= 5; ++id)
      Run("insert into ACC values (" + std::to_string(id) + ", 'name " + std::to_string(id) +
          "', 'C" + std::to_string(id) + "', " + std::to_string(id) + "0.25, 1.5, " +
          std::to_string(id) + ", '2020-01-0" + std::to_string(id) + "', null)");
  }

  // An editable data set of ACC (the update text only makes it editable).
  std::unique_ptr<TFIBDataSet> OpenAcc(const std::string& sql = "select * from ACC order by ID") {
    auto ds = NewDataSet("Acc", sql);
    ds->UpdateSQL().SetText("update ACC set NAME = :NAME where ID = :OLD_ID");
    ds->Open();
    return ds;
  }
};

TEST_F(DataSetFieldsTest, WrittenValuesReadBackInTheirColumnsForm) {
  auto ds = OpenAcc();
  ds->Edit();
  ASSERT_EQ(ds->State(), classlib::dsEdit);
  ds->FieldByName("NAME")->SetAsString("changed name");
  ds->FieldByName("CODE")->SetAsString("XY");
  ds->FieldByName("AMOUNT")->SetAsString("1234567.89");
  ds->FieldByName("RATE")->SetAsFloat(3.14159);  // a two-decimal column keeps 3.14
  ds->FieldByName("SMALL")->SetAsInteger(-7);
  ds->FieldByName("DAY_")->SetAsDateTime(classlib::EncodeDate(1999, 12, 31));
  ds->FieldByName("STAMP")->SetAsDateTime(classlib::EncodeDate(2000, 1, 1) +
                                          classlib::EncodeTime(12, 0, 0, 0));
  EXPECT_TRUE(ds->Modified());
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "changed name");
  EXPECT_EQ(ds->FieldByName("CODE")->AsString(), "XY");
  EXPECT_EQ(ds->FieldByName("AMOUNT")->AsString(), "1234567.89");
  EXPECT_DOUBLE_EQ(ds->FieldByName("RATE")->AsFloat(), 3.14);
  EXPECT_EQ(ds->FieldByName("SMALL")->AsInteger(), -7);
  EXPECT_EQ(ds->FieldByName("DAY_")->AsDateTime(), classlib::EncodeDate(1999, 12, 31));
  EXPECT_DOUBLE_EQ(ds->FieldByName("STAMP")->AsDateTime(), classlib::EncodeDate(2000, 1, 1) + 0.5);

  // The cached record is the old version.
  EXPECT_EQ(ds->FieldByName("NAME")->OldValue().AsString(), "name 1");
  EXPECT_EQ(ds->FieldByName("AMOUNT")->OldValue().AsString(), "10.25");
  EXPECT_EQ(ds->UpdateStatus(), classlib::usUnmodified);
}

// While browsing, fields read their values straight from the record: each
// must read as the data set's own GetFieldData gives it, in both forms.
TEST_F(DataSetFieldsTest, DirectReadsGiveWhatTheDataSetReads) {
  Run("update ACC set NAME = 'padded  ', STAMP = '2021-02-03 04:05:06.7' where ID = 2");
  Run("update ACC set NAME = null, AMOUNT = null, DAY_ = null where ID = 3");
  auto ds = OpenAcc();
  for (const char* name : {"ID", "AMOUNT", "SMALL", "DAY_", "STAMP", "NAME"})
    EXPECT_GE(ds->FieldByName(name)->DirectSlot().offset, 0) << name;
  for (; !ds->Eof(); ds->Next()) {
    for (classlib::TField* field : ds->Fields().List()) {
      for (bool native : {true, false}) {
        std::vector<uint8_t> direct(static_cast<size_t>(field->DataSize()) + 8, 0xAA);
        std::vector<uint8_t> through = direct;
        EXPECT_EQ(field->GetData(direct.data(), native),
                  ds->GetFieldData(field, through.data(), native)) << field->FieldName();
        EXPECT_EQ(direct, through) << field->FieldName() << " native " << native;
      }
    }
  }
  ds->First();
  ds->Next();
  classlib::TField* name = ds->FieldByName("NAME");
  EXPECT_EQ(name->AsString(), "padded");
  // Trimming is the data set's option, and may change while it is open.
  TpZODDsOptions options = ds->Options();
  options.Exclude(poTrimCharFields);
  ds->SetOptions(options);
  EXPECT_EQ(name->AsString(), "padded  ");
  ds->Next();
  EXPECT_TRUE(name->IsNull());
  EXPECT_EQ(name->AsString(), "");
  EXPECT_TRUE(ds->FieldByName("AMOUNT")->IsNull());
  // An edit reads the edited record, old values the cached one.
  ds->Edit();
  name->SetAsString("edited");
  EXPECT_EQ(name->AsString(), "edited");
  EXPECT_TRUE(classlib::VarIsNull(name->OldValue()));
  ds->Cancel();
  EXPECT_TRUE(name->IsNull());
}

// What a field's typed views give, doubles by their bits and failures by
// their message, so that two ways of reading compare exactly.
std::vector<std::string> TypedViews(classlib::TField* field) {
  std::vector<std::string> views;
  auto add = [&views](auto read) {
    try {
      views.push_back(read());
    } catch (const classlib::Exception& error) {
      views.push_back(std::string("raised ") + error.what());
    }
  };
  auto bits = [](double value) {
    uint64_t word;
    std::memcpy(&word, &value, sizeof word);
    return std::to_string(word);
  };
  add([&] { return std::string(field->IsNull() ? "null" : "value"); });
  add([&] { return field->AsString(); });
  switch (field->DataType()) {
    case classlib::ftString: break;
    case classlib::ftDateTime:
      add([&] { return bits(field->AsDateTime()); });
      add([&] { return bits(field->AsFloat()); });
      break;
    default:
      add([&] { return bits(field->AsFloat()); });
      add([&] { return std::to_string(field->AsLargeInt()); });
      add([&] { return std::to_string(field->AsInteger()); });
      break;
  }
  return views;
}

// The typed getters read a browsed record's values themselves: each view
// must equal the one read through the data set, at the edges of the
// calendar, of exact doubles and of the columns' widths, and for NULLs.
TEST_F(DataSetFieldsTest, TypedViewsReadDirectlyAsThroughTheDataSet) {
  Run("create table EDGE (ID integer, STAMP timestamp, AMOUNT numeric(18,2), MONEY numeric(18,4), "
      "BIG bigint, RATIO double precision, NAME varchar(20), CODE char(16))");
  Run("insert into EDGE values (1, '0001-01-01 00:00:00', 90071992547409.92, 123456789012.3456, "
      "9223372036854775807, 1e300, 'twelve chars', 'ab')");
  Run("insert into EDGE values (2, '1899-12-29 23:59:59.999', 9999999999999999.99, -0.0001, "
      "-9223372036854775808, -0.0, '', '')");
  Run("insert into EDGE values (3, '1899-12-30 00:00:00', -0.01, 0, -1, 2.5e-300, ' lead, then 19', 'abcdef')");
  Run("insert into EDGE values (4, '1899-12-30 00:00:00.001', 0.07, 922337203685477.5807, 0, 0.1, 'x  ', null)");
  Run("insert into EDGE values (5, '9999-12-31 23:59:59.999', -90071992547409.93, 1, 2147483648, "
      "-1e-5, null, 'z')");
  // A text ends at a zero byte the server sends inside it.
  Run("insert into EDGE values (6, '2024-02-29 12:34:56.789', 1.5, 2.5, 3, 4.5, "
      "'Row' || ascii_char(0) || ' name 6', 'c6')");
  Run("insert into EDGE values (7, null, null, null, null, null, null, null)");
  auto ds = NewDataSet("Edge", "select * from EDGE order by ID");
  ds->Open();
  for (const char* name : {"ID", "STAMP", "AMOUNT", "MONEY", "BIG", "RATIO", "NAME", "CODE"})
    EXPECT_GE(ds->FieldByName(name)->DirectSlot().offset, 0) << name;
  EXPECT_TRUE(ds->FieldByName("STAMP")->DirectSlot().standard_convert);
  int rows = 0;
  for (; !ds->Eof(); ds->Next(), ++rows) {
    for (classlib::TField* field : ds->Fields().List()) {
      const std::vector<std::string> direct = TypedViews(field);
      const classlib::TField::TDirectSlot slot = field->DirectSlot();
      field->ClearDirectSlot();
      const std::vector<std::string> through = TypedViews(field);
      field->SetDirectSlot(slot);
      EXPECT_EQ(direct, through) << field->FieldName() << " row " << rows + 1;
    }
  }
  EXPECT_EQ(rows, 7);
  ds->First();
  EXPECT_EQ(ds->FieldByName("STAMP")->AsDateTime(), classlib::EncodeDate(1, 1, 1));
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "twelve chars");
  EXPECT_EQ(ds->FieldByName("AMOUNT")->AsFloat(), 90071992547409.92);
  ds->Next();
  EXPECT_DOUBLE_EQ(ds->FieldByName("STAMP")->AsDateTime(), -(1 + classlib::EncodeTime(23, 59, 59, 999)));
  ds->Last();
  EXPECT_EQ(ds->FieldByName("STAMP")->AsDateTime(), 0);
  EXPECT_TRUE(ds->FieldByName("STAMP")->IsNull());
  EXPECT_EQ(ds->FieldByName("AMOUNT")->AsFloat(), 0);
}

// Every field's typed views as they read now, and again with the field's
// direct slot taken away, so that the data set reads every value.
void ExpectViewsAsThroughTheDataSet(TFIBDataSet& ds, const std::string& where) {
  for (classlib::TField* field : ds.Fields().List()) {
    const std::vector<std::string> direct = TypedViews(field);
    const classlib::TField::TDirectSlot slot = field->DirectSlot();
    field->ClearDirectSlot();
    const std::vector<std::string> through = TypedViews(field);
    field->SetDirectSlot(slot);
    EXPECT_EQ(direct, through) << field->FieldName() << " " << where;
  }
}

// The getters read only browsed records themselves: while a record is
// edited or inserted, while calculated fields are computed, and once the
// data set is closed, every view reads as the data set's own read gives it.
TEST_F(DataSetFieldsTest, TypedViewsReadAsTheDataSetDoesInEveryState) {
  Run("create table STATES (ID integer not null primary key, STAMP timestamp, "
      "AMOUNT numeric(18,2), BIG bigint, RATIO double precision, NAME varchar(20))");
  Run("insert into STATES values (1, '2024-02-29 12:34:56.789', 1.25, 3000000021, 0.5, 'Row name 1')");
  Run("insert into STATES values (2, null, null, null, null, null)");
  auto ds = NewDataSet("States", "select * from STATES order by ID");
  ds->UpdateSQL().SetText("update STATES set NAME = :NAME where ID = :OLD_ID");
  ds->InsertSQL().SetText("insert into STATES (ID) values (:ID)");
  ds->Prepare();
  for (int i = 0; i < ds->FieldDefs().Count(); ++i) ds->FieldDefs()[i]->CreateField(ds.get());
  // Calculated twins of the integer, the decimal and the date-time.
  const std::vector<std::string> twinned = {"ID", "AMOUNT", "STAMP"};
  for (const std::string& name : twinned)
    ds->FieldDefs().Find(name)->CreateField(ds.get(), nullptr, "CALC_" + name)->SetFieldKind(classlib::fkCalculated);
  int calculations = 0;
  ds->SetOnCalcFields(classlib::TDataSetNotifyEvent::Function([&](classlib::TDataSet* set) {
    ++calculations;
    ExpectViewsAsThroughTheDataSet(*ds, "while calculating");
    for (const std::string& name : twinned) {
      classlib::TField* source = set->FieldByName(name);
      classlib::TField* twin = set->FieldByName("CALC_" + name);
      if (source->IsNull())
        twin->Clear();
      else
        twin->SetAsFloat(source->AsFloat() * 2);
    }
  }));
  ds->Open();
  EXPECT_GT(calculations, 0);
  EXPECT_EQ(ds->FieldByName("CALC_ID")->AsInteger(), 2);
  EXPECT_EQ(ds->FieldByName("CALC_AMOUNT")->AsFloat(), 2.5);

  for (; !ds->Eof(); ds->Next()) ExpectViewsAsThroughTheDataSet(*ds, "browsing");
  ds->First();
  ds->Edit();
  ds->FieldByName("ID")->SetAsInteger(7);
  ds->FieldByName("AMOUNT")->SetAsFloat(-3.75);
  ds->FieldByName("BIG")->SetAsLargeInt(-5);
  ds->FieldByName("STAMP")->SetAsDateTime(classlib::EncodeDate(1999, 12, 31));
  ds->FieldByName("NAME")->SetAsString("edited");
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 7);
  EXPECT_EQ(ds->FieldByName("AMOUNT")->AsFloat(), -3.75);
  ExpectViewsAsThroughTheDataSet(*ds, "edited");
  EXPECT_EQ(ds->FieldByName("ID")->OldValue().AsString(), "1");
  ds->Cancel();
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
  ds->Insert();
  ExpectViewsAsThroughTheDataSet(*ds, "inserted");
  ds->FieldByName("AMOUNT")->SetAsString("0.07");
  ExpectViewsAsThroughTheDataSet(*ds, "inserted and written");
  ds->Cancel();

  // A slot handed to a calculated field is not read: its value is computed.
  ds->First();
  classlib::TField* calc_amount = ds->FieldByName("CALC_AMOUNT");
  calc_amount->SetDirectSlot(ds->FieldByName("AMOUNT")->DirectSlot());
  EXPECT_EQ(calc_amount->AsFloat(), 2.5);
  calc_amount->ClearDirectSlot();
  ds->Close();
  ExpectViewsAsThroughTheDataSet(*ds, "closed");
}

TEST_F(DataSetFieldsTest, EmptyTextBecomesNullAndNullClears) {
  auto ds = OpenAcc();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("");
  EXPECT_TRUE(ds->FieldByName("NAME")->IsNull());
  ds->FieldByName("AMOUNT")->Clear();
  EXPECT_TRUE(ds->FieldByName("AMOUNT")->IsNull());
  ds->FieldByName("AMOUNT")->SetAsInteger(5);
  EXPECT_EQ(ds->FieldByName("AMOUNT")->AsString(), "5");
}

TEST_F(DataSetFieldsTest, ANotNullColumnKeepsAnEmptyText) {
  Run("create table NN (ID integer, NAME varchar(10) not null)");
  Run("insert into NN values (1, 'x')");
  auto ds = NewDataSet("NN", "select ID, NAME from NN");
  ds->UpdateSQL().SetText("update NN set NAME = :NAME where ID = :OLD_ID");
  ds->Open();
  ds->Edit();
  ds->FieldByName("NAME")->SetAsString("");
  EXPECT_FALSE(ds->FieldByName("NAME")->IsNull());
  EXPECT_EQ(ds->FieldByName("NAME")->AsString(), "");
}

TEST_F(DataSetFieldsTest, WritesNeedAnEditState) {
  auto ds = OpenAcc();
  try {
    ds->FieldByName("NAME")->SetAsString("x");
    FAIL() << "a browse-state write went through";
  } catch (const EFIBClientError& e) {
    EXPECT_EQ(e.SQLCode(), 42);
  }
  // Without an update text the data set cannot be edited at all.
  auto read_only = NewDataSet("ReadOnly", "select * from ACC");
  read_only->Open();
  EXPECT_FALSE(read_only->CanModify());
  EXPECT_THROW(read_only->Edit(), classlib::EDatabaseError);
  EXPECT_EQ(read_only->State(), classlib::dsBrowse);
}

TEST_F(DataSetFieldsTest, TheDataSetFillsParametersByName) {
  auto ds = OpenAcc();
  ds->Next();
  int index = -1;
  EXPECT_TRUE(ds->FieldExist("NAME", index));
  EXPECT_EQ(ds->FieldValue(index, false).AsString(), "name 2");
  EXPECT_FALSE(ds->FieldExist("NOPE", index));
  auto query = NewQuery("Lookup", "select NAME from ACC where ID = :ID and CODE = :OLD_CODE");
  ISQLObject* sources[] = {ds.get()};
  AssignSQLObjectParams(*query, sources);
  EXPECT_EQ(query->ParamByName("ID").AsInteger(), 2);
  EXPECT_EQ(query->ParamByName("OLD_CODE").AsString(), "C2");
  query->ExecQuery();
  EXPECT_EQ(query->FieldByName("NAME").AsString(), "name 2");
  query->Close();
}

TEST_F(DataSetFieldsTest, FetchEventsSeeEveryRowAndMayStop) {
  auto ds = NewDataSet("Acc", "select ID from ACC order by ID");
  std::vector<int> fetched;
  ds->AfterFetchRecord = TFetchRecordEvent::Function([&](TFIBQuery* query, int index, bool& stop) {
    EXPECT_EQ(query, ds->QSelect());
    fetched.push_back(index);
    stop = index == 2;  // the third row is the last one wanted
  });
  ds->Open();
  ds->Last();
  EXPECT_EQ(fetched, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(ds->RecordCount(), 3);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 3);
}

TEST_F(DataSetFieldsTest, FetchingMoreRowsKeepsThePosition) {
  auto ds = OpenAcc();
  ds->Next();
  const int before = ds->CacheRecordCount();
  EXPECT_EQ(ds->FetchNext(1), 1);
  EXPECT_EQ(ds->CacheRecordCount(), before + 1);
  ds->FetchAll();
  EXPECT_EQ(ds->CacheRecordCount(), 5);
  EXPECT_EQ(ds->FetchNext(3), 0);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 2);
  EXPECT_TRUE(ds->IsSequenced());
}

TEST_F(DataSetFieldsTest, FetchAllOptionReadsEveryRowAtOpen) {
  auto ds = NewDataSet("Acc", "select ID from ACC");
  ds->SetOptions(ds->Options() + TpZODDsOptions{poFetchAll});
  ds->Open();
  EXPECT_EQ(ds->CacheRecordCount(), 5);
  EXPECT_EQ(ds->FieldByName("ID")->AsInteger(), 1);
}

TEST_F(DataSetFieldsTest, AStatementThatIsNoSelectRunsAndLeavesNoRecords) {
  auto ds = NewDataSet("Exec", "update ACC set SMALL = 0 where ID = 1");
  ds->Open();
  EXPECT_TRUE(ds->IsEmpty());
  ds->Close();
  tr_->Commit();
  auto check = OpenAcc("select SMALL from ACC where ID = 1");
  EXPECT_EQ(check->FieldByName("SMALL")->AsInteger(), 0);
}

TEST_F(DataSetFieldsTest, ControlsReportTheirSwitch) {
  auto ds = OpenAcc();
  int disabled = 0;
  int enabled = 0;
  ds->OnDisableControls = classlib::TDataSetNotifyEvent::Function([&](classlib::TDataSet*) { ++disabled; });
  ds->OnEnableControls = classlib::TDataSetNotifyEvent::Function([&](classlib::TDataSet*) { ++enabled; });
  ds->DisableControls();
  ds->DisableControls();
  ds->EnableControls();
  EXPECT_EQ(disabled, 1);
  EXPECT_EQ(enabled, 0);
  ds->EnableControls();
  EXPECT_EQ(enabled, 1);
}

TEST_F(DataSetFieldsTest, ADetailWaitsForItsMasterToStopScrolling) {
  platform::ManualClock clock;
  platform::PlainMessageLoop loop(&clock);
  platform::MessageLoop::SetCurrent(&loop);
  {
    auto master = OpenAcc("select ID from ACC order by ID");
    classlib::TDataSource source(&form_);
    source.SetDataSet(master.get());
    auto detail = NewDataSet("Detail", "select NAME from ACC where ID = :ID");
    detail->SetDetailConditions({dcWaitEndMasterScroll});
    detail->SetDataSource(&source);
    detail->Open();
    EXPECT_EQ(detail->FieldByName("NAME")->AsString(), "name 1");
    master->Next();
    master->Next();
    // Still the first master record's detail: the change waits.
    EXPECT_EQ(detail->FieldByName("NAME")->AsString(), "name 1");
    EXPECT_TRUE(detail->MasterRefreshDue());
    clock.Advance(std::chrono::milliseconds(200));
    loop.ProcessMessages();
    EXPECT_EQ(detail->FieldByName("NAME")->AsString(), "name 1");
    clock.Advance(std::chrono::milliseconds(150));
    loop.ProcessMessages();
    EXPECT_EQ(detail->FieldByName("NAME")->AsString(), "name 3");
    EXPECT_FALSE(detail->MasterRefreshDue());

    // Editing while the change still waits edits the master's new record.
    detail->UpdateSQL().SetText("update ACC set NAME = :NAME where ID = :OLD_ID");
    master->Next();
    EXPECT_EQ(detail->FieldByName("NAME")->AsString(), "name 3");
    detail->Edit();
    EXPECT_EQ(detail->State(), classlib::dsEdit);
    EXPECT_EQ(detail->FieldByName("NAME")->AsString(), "name 4");
  }
  platform::MessageLoop::SetCurrent(nullptr);
}

TEST_F(DataSetFieldsTest, AClosedDetailOpensWithItsMasterOnlyWhenForced) {
  auto master = OpenAcc("select ID from ACC order by ID");
  classlib::TDataSource source(&form_);
  source.SetDataSet(master.get());
  auto detail = NewDataSet("Detail", "select NAME from ACC where ID = :ID");
  detail->SetDataSource(&source);
  master->Close();
  master->Open();
  EXPECT_FALSE(detail->Active());
  detail->SetDetailConditions({dcForceOpen});
  master->Close();
  master->Open();
  master->Next();
  ASSERT_TRUE(detail->Active());
  EXPECT_EQ(detail->FieldByName("NAME")->AsString(), "name 2");
}

}  // namespace
}  // namespace fib

namespace fib {
namespace {

TEST_F(DataSetFieldsTest, ConditionsNarrowTheSelectAndGoAgain) {
  auto ds = NewDataSet("Acc", "select ID from ACC where ID > 1 order by ID");
  ds->Conditions().AddCondition("Small", "ID < 4", true);
  ds->Conditions().AddCondition("Off", "ID = 99", false);
  ds->Conditions().Apply();
  ds->Open();
  std::vector<int> ids;
  for (; !ds->Eof(); ds->Next()) ids.push_back(ds->FieldByName("ID")->AsInteger());
  EXPECT_EQ(ids, (std::vector<int>{2, 3}));
  ds->Close();
  ds->Conditions().Cancel();
  EXPECT_EQ(ds->SelectSQL().Text(), "select ID from ACC where ID > 1 order by ID\r\n");
  ds->Open();
  ds->Last();
  EXPECT_EQ(ds->RecordCount(), 4);
}

}  // namespace
}  // namespace fib
