// The SQL data set on the SQLite test driver, end to end: rows of every
// mapped type fetched a few at a time, edits stored through generated
// statements and seen by a second session, parameters, engine errors as the
// layer's exception, Execute on queries and other statements, the use count
// of the connection, the text operations of the dialect and a master/detail
// link.
#include "dacore/dataset_component.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/datetime.h"
#include "classlib/field.h"
#include "classlib/field_defs.h"
#include "classlib/field_numeric.h"
#include "classlib/field_string.h"
#include "classlib/fields.h"
#include "classlib/stream.h"
#include "dacore/comp_connection.h"
#include "dacore/memds_xml.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"
#include "testing/message_of.h"
#include "testing/sqlite_driver/sqlite_driver_dataset.h"

namespace dacore::sqlite_tests {
namespace {

using classlib::EncodeDate;
using classlib::EncodeTime;
using classlib::testing::MessageOf;
using sqlite_driver::ESQLiteError;
using sqlite_driver::TSQLiteSession;

class DataSetTest : public SQLiteTest {
 protected:
  void SetUp() override {
    SQLiteTest::SetUp();
    session_ = Session();
    Exec(*session_,
         "CREATE TABLE T (ID INTEGER PRIMARY KEY, BIG BIGINT, SMALL SMALLINT, FLAG BOOLEAN, R REAL, "
         "N NUMERIC(10,2), S VARCHAR(20), TX TEXT, B BLOB, D DATE, TM TIME, DT DATETIME)");
    for (int id = 1; id <= 7; ++id)
      Exec(*session_, "INSERT INTO T VALUES (" + std::to_string(id) + ", " + std::to_string(id) +
                          "000000000000, -" + std::to_string(id) + ", " + std::to_string(id % 2) + ", " +
                          std::to_string(id) + ".5, " + std::to_string(id) + ".25, 'row " + std::to_string(id) +
                          "', 'text " + std::to_string(id) + "', X'00FF0" + std::to_string(id) +
                          "', '2024-02-0" + std::to_string(id) + " 00:00:00.000', '1899-12-30 10:2" +
                          std::to_string(id) + ":00.000', '2024-02-0" + std::to_string(id) +
                          " 13:14:15.000')");
    baseline_ = session_->ConnectCount();
  }

  std::unique_ptr<TSQLiteSession> session_;
  int baseline_ = 0;
};

TEST_F(DataSetTest, FetchesEveryRowOfEveryMappedTypeAFewAtATime) {
  auto data_set = Query(*session_, "SELECT * FROM T ORDER BY ID");
  data_set->SetFetchRows(3);
  data_set->Open();
  EXPECT_EQ(data_set->RowsAffected(), -1);
  ASSERT_EQ(data_set->FieldCount(), 12);
  int rows = 0;
  for (data_set->First(); !data_set->Eof(); data_set->Next()) ++rows;
  EXPECT_EQ(rows, 7);

  ASSERT_TRUE(data_set->Locate("ID", classlib::Variant(3), {}));
  const auto field = [&](const char* name) { return data_set->FieldByName(name); };
  EXPECT_EQ(field("BIG")->AsLargeInt(), 3000000000000LL);
  EXPECT_EQ(field("SMALL")->AsInteger(), -3);
  EXPECT_TRUE(field("FLAG")->AsBoolean());
  EXPECT_DOUBLE_EQ(field("R")->AsFloat(), 3.5);
  EXPECT_DOUBLE_EQ(field("N")->AsFloat(), 3.25);
  EXPECT_EQ(field("S")->AsString(), "row 3");
  EXPECT_EQ(field("TX")->AsString(), "text 3");
  EXPECT_EQ(field("B")->AsString(), std::string("\x00\xFF\x03", 3));
  EXPECT_EQ(field("D")->AsDateTime(), EncodeDate(2024, 2, 3));
  EXPECT_DOUBLE_EQ(field("TM")->AsDateTime(), EncodeTime(10, 23, 0, 0));
  EXPECT_DOUBLE_EQ(field("DT")->AsDateTime(), EncodeDate(2024, 2, 3) + EncodeTime(13, 14, 15, 0));
  EXPECT_EQ(field("S")->DataType(), classlib::ftString);
  EXPECT_EQ(field("B")->DataType(), classlib::ftBlob);

  data_set->Close();
  EXPECT_EQ(session_->ConnectCount(), baseline_);
}

TEST_F(DataSetTest, EditPostsAGeneratedUpdateOfTheChangedFieldsThatAnotherSessionSees) {
  auto data_set = Query(*session_, "SELECT ID, S, N, B FROM T");
  data_set->Open();
  ASSERT_TRUE(data_set->CanModify());
  ASSERT_TRUE(data_set->Locate("ID", classlib::Variant(2), {}));
  // A cancelled edit leaves the fetched blob as it came.
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("cancelled");
  data_set->Cancel();
  EXPECT_EQ(data_set->FieldByName("B")->AsString(), std::string("\x00\xFF\x02", 3));

  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("changed");
  data_set->Post();
  ASSERT_NE(data_set->UpdateStatement(stUpdate), nullptr);
  EXPECT_EQ(data_set->UpdateStatement(stUpdate)->SQL().Text(), "UPDATE T\r\nSET\r\n  S = ?\r\nWHERE\r\n  ID = ?\r\n");
  EXPECT_EQ(data_set->RowsAffected(), 1);
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), "changed");
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 2"), "changed");
  EXPECT_EQ(ReadElsewhere("SELECT count(*) FROM T WHERE S = 'changed'"), "1");

  // A blob edited alone is the only field the next statement sets.
  data_set->Edit();
  data_set->FieldByName("B")->SetAsString(std::string("new\0blob", 8));
  data_set->Post();
  EXPECT_EQ(data_set->UpdateStatement(stUpdate)->SQL().Text(), "UPDATE T\r\nSET\r\n  B = ?\r\nWHERE\r\n  ID = ?\r\n");
  EXPECT_EQ(ReadElsewhere("SELECT hex(B) FROM T WHERE ID = 2"), "6E657700626C6F62");

  // A key changed with the rest: the old key finds the row.
  data_set->Edit();
  data_set->FieldByName("ID")->SetAsInteger(20);
  data_set->FieldByName("N")->Clear();
  data_set->Post();
  EXPECT_EQ(ReadElsewhere("SELECT count(*) FROM T WHERE ID = 20 AND N IS NULL AND S = 'changed'"), "1");
  EXPECT_EQ(ReadElsewhere("SELECT count(*) FROM T WHERE ID = 2"), "0");

  // An edit that changes nothing runs no statement.
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("changed");
  data_set->Post();
  EXPECT_EQ(data_set->RowsAffected(), 1);
  data_set->Close();
  EXPECT_EQ(session_->ConnectCount(), baseline_);
}

TEST_F(DataSetTest, InsertsAndDeletesThroughGeneratedStatements) {
  auto data_set = Query(*session_, "SELECT ID, S, D FROM T ORDER BY ID");
  data_set->Open();
  data_set->Append();
  data_set->FieldByName("ID")->SetAsInteger(100);
  data_set->FieldByName("S")->SetAsString("appended");
  data_set->FieldByName("D")->SetAsDateTime(EncodeDate(2030, 1, 2));
  data_set->Post();
  EXPECT_EQ(data_set->UpdateStatement(stInsert)->SQL().Text(),
            "INSERT INTO T\r\n  (ID, S, D)\r\nVALUES\r\n  (?, ?, ?)\r\n");
  EXPECT_EQ(ReadElsewhere("SELECT S || ' ' || D FROM T WHERE ID = 100"), "appended 2030-01-02");
  EXPECT_EQ(data_set->RecordCount(), 8);

  ASSERT_TRUE(data_set->Locate("ID", classlib::Variant(5), {}));
  data_set->Delete();
  EXPECT_EQ(ReadElsewhere("SELECT count(*) FROM T WHERE ID = 5"), "0");
  EXPECT_EQ(ReadElsewhere("SELECT count(*) FROM T"), "7");
  EXPECT_EQ(data_set->RecordCount(), 7);
  data_set->Close();
  EXPECT_EQ(session_->ConnectCount(), baseline_);
}

TEST_F(DataSetTest, UserTextsTakeNewAndOldValuesByParameterName) {
  auto data_set = Query(*session_, "SELECT ID, S FROM T WHERE ID = :ID");
  data_set->ParamByName("ID")->SetAsInteger(3);
  data_set->SetSQLStatement(stUpdate, "UPDATE T SET ID = :ID, S = :S || :SUFFIX WHERE ID = :OLD_ID");
  data_set->Open();
  // A new record's old values are NULL.
  data_set->SetSQLStatement(stInsert, "INSERT INTO T (ID, S) VALUES (:ID, coalesce(:OLD_S, 'no old value'))");
  data_set->Append();
  data_set->FieldByName("ID")->SetAsInteger(40);
  data_set->FieldByName("S")->SetAsString("new");
  data_set->Post();
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 40"), "no old value");

  data_set->First();
  ASSERT_EQ(data_set->FieldByName("ID")->AsInteger(), 3);
  data_set->Edit();
  data_set->FieldByName("ID")->SetAsInteger(30);
  data_set->FieldByName("S")->SetAsString("moved");
  // SUFFIX is neither a field nor a parameter of the data set.
  EXPECT_EQ(MessageOf([&] { data_set->Post(); }), "Not found field corresponding parameter SUFFIX");
  EXPECT_EQ(data_set->State(), classlib::dsEdit);

  // A handler may fill it; every parameter must have a type then.
  data_set->BeforeUpdateExecute = TUpdateExecuteEvent::Function(
      [](classlib::TDataSet*, TStatementTypes types, TDAParams* params) {
        EXPECT_TRUE(types.Contains(stUpdate));
        params->ParamByName("SUFFIX")->SetAsString("!");
      });
  int after = 0;
  data_set->AfterUpdateExecute = TUpdateExecuteEvent::Function(
      [&](classlib::TDataSet*, TStatementTypes, TDAParams*) { ++after; });
  data_set->Post();
  EXPECT_EQ(after, 1);
  EXPECT_EQ(data_set->RowsAffected(), 1);
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 30"), "moved!");
  EXPECT_EQ(ReadElsewhere("SELECT count(*) FROM T WHERE ID = 3"), "0");

  data_set->BeforeUpdateExecute = TUpdateExecuteEvent::Function(
      [](classlib::TDataSet*, TStatementTypes, TDAParams* params) {
        params->ParamByName("SUFFIX")->SetDataType(classlib::ftUnknown);
      });
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("again");
  EXPECT_EQ(MessageOf([&] { data_set->Post(); }), "Unknown type of parameter SUFFIX");
  data_set->Cancel();
}

TEST_F(DataSetTest, AnUpdateObjectsTextsAndStatementsStoreTheEdits) {
  auto data_set = Query(*session_, "SELECT ID, S FROM T ORDER BY ID");
  TCustomDAUpdateSQL update(nullptr);
  update.ModifySQL().SetText("UPDATE T SET S = 'object ' || :S WHERE ID = :OLD_ID");
  auto insert = session_->CreateSQL();
  insert->SetAutoCommit(true);
  insert->SetSQL("INSERT INTO T (ID, S) VALUES (:ID, 'by statement')");
  update.SetStatementObject(stInsert, insert.get());
  data_set->SetUpdateObject(&update);
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("text");
  data_set->Post();
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 1"), "object text");
  data_set->Append();
  data_set->FieldByName("ID")->SetAsInteger(50);
  data_set->Post();
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 50"), "by statement");

  // An object without a text is refused.
  insert->SetSQL("");
  data_set->Append();
  data_set->FieldByName("ID")->SetAsInteger(51);
  EXPECT_EQ(MessageOf([&] { data_set->Post(); }),
            "SQL property of InsertObject, ModifyObject, DeleteObject or RefreshObject cannot be empty");
  data_set->Cancel();
  data_set->SetUpdateObject(nullptr);
}

TEST_F(DataSetTest, AnUpdateObjectWhoseStatementIsTheDataSetItselfIsRefused) {
  auto data_set = Query(*session_, "SELECT ID, S FROM T WHERE ID = 1");
  TCustomDAUpdateSQL update(nullptr);
  // Serving no data set yet, the object cannot tell that this one is its own.
  update.SetStatementObject(stUpdate, data_set.get());
  EXPECT_EQ(MessageOf([&] { data_set->SetUpdateObject(&update); }),
            "Circular references are not allowed between TCustomDADataset and TCustomDAUpdateSQL objects");
  EXPECT_EQ(data_set->UpdateObject(), nullptr);
  EXPECT_EQ(update.GetDataSet(), nullptr);

  // The post stores the row through its own statement and stays open.
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("stored");
  data_set->Post();
  EXPECT_TRUE(data_set->Active());
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), "stored");
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 1"), "stored");
}

// The data set's internal statement runs its own query: as a statement of
// its update object it is refused like the data set itself.
TEST_F(DataSetTest, AnUpdateObjectRefusesTheDataSetsOwnStatement) {
  const std::string circular =
      "Circular references are not allowed between TCustomDADataset and TCustomDAUpdateSQL objects";
  auto data_set = Query(*session_, "SELECT ID, S FROM T WHERE ID = 1");
  TCustomDAUpdateSQL update(nullptr);
  update.ModifySQL().SetText("UPDATE T SET S = 'object ' || :S WHERE ID = :OLD_ID");
  // Set while the object served no data set: the data set refuses the object.
  update.SetStatementObject(stUpdate, &data_set->Command());
  EXPECT_EQ(MessageOf([&] { data_set->SetUpdateObject(&update); }), circular);
  EXPECT_EQ(data_set->UpdateObject(), nullptr);
  update.SetStatementObject(stUpdate, nullptr);

  // Serving the data set, the object refuses it itself and keeps what it had.
  data_set->SetUpdateObject(&update);
  EXPECT_EQ(MessageOf([&] { update.SetStatementObject(stUpdate, &data_set->Command()); }), circular);
  EXPECT_EQ(update.ModifyObject(), nullptr);
  // Another data set's statement component is an ordinary statement object.
  auto statement = session_->CreateSQL();
  statement->SetAutoCommit(true);
  statement->SetSQL("UPDATE T SET S = 'by statement ' || :S WHERE ID = :OLD_ID");
  update.SetStatementObject(stUpdate, statement.get());
  EXPECT_EQ(update.ModifyObject(), statement.get());
  update.SetStatementObject(stUpdate, nullptr);

  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("text");
  data_set->Post();
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 1"), "object text");
  data_set->SetUpdateObject(nullptr);
}

TEST_F(DataSetTest, NumberRangeGivesNumericFieldsTheRangeOfTheirColumns) {
  auto data_set = Query(*session_, "SELECT ID, N FROM T WHERE ID = 1");
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("N")->SetAsFloat(1e9);
  data_set->Cancel();
  data_set->Close();

  data_set->Options().SetNumberRange(true);
  data_set->Open();
  auto* n = dynamic_cast<classlib::TFloatField*>(data_set->FieldByName("N"));
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->Precision(), 10);
  data_set->Edit();
  EXPECT_NE(MessageOf([&] { n->SetAsFloat(1e8); }).find("is not a valid value for field 'N'"), std::string::npos)
      << "NUMERIC(10,2) holds eight digits before the point";
  n->SetAsFloat(-99999999.5);
  data_set->Post();
  EXPECT_EQ(ReadElsewhere("SELECT N FROM T WHERE ID = 1"), "-99999999.5");
}

TEST_F(DataSetTest, CachedCalculatedFieldsAreComputedOncePerRecordUntilARecordChanges) {
  auto data_set = Query(*session_, "SELECT ID, S FROM T WHERE ID <= 3 ORDER BY ID");
  data_set->Prepare();
  for (int i = 0; i < data_set->FieldDefs().Count(); ++i) data_set->FieldDefs()[i]->CreateField(data_set.get());
  auto* label = new classlib::TStringField(data_set.get());
  label->SetSize(30);
  label->SetFieldName("LABEL");
  label->SetFieldKind(classlib::fkCalculated);
  label->SetDataSet(data_set.get());
  int calculations = 0;
  data_set->SetOnCalcFields(classlib::TDataSetNotifyEvent::Function([&](classlib::TDataSet*) {
    ++calculations;
    label->SetAsString(data_set->FieldByName("S")->AsString() + "#" + data_set->FieldByName("ID")->AsString());
  }));
  const auto walk = [&] {
    std::string labels;
    for (data_set->First(); !data_set->Eof(); data_set->Next()) labels += label->AsString() + ";";
    for (data_set->Last(); !data_set->Bof(); data_set->Prior()) labels += label->AsString() + ";";
    return labels;
  };

  data_set->Options().SetCacheCalcFields(true);
  data_set->Open();
  EXPECT_EQ(walk(), "row 1#1;row 2#2;row 3#3;row 3#3;row 2#2;row 1#1;");
  EXPECT_EQ(walk(), "row 1#1;row 2#2;row 3#3;row 3#3;row 2#2;row 1#1;");
  EXPECT_EQ(calculations, 3) << "once for each record";
  EXPECT_EQ(MessageOf([&] { data_set->Options().SetCacheCalcFields(false); }),
            "Cannot perform this operation on an open dataset");

  data_set->First();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("changed");
  data_set->Post();
  EXPECT_EQ(walk(), "changed#1;row 2#2;row 3#3;row 3#3;row 2#2;changed#1;") << "a change computes them again";
  calculations = 0;
  walk();
  EXPECT_EQ(calculations, 0) << "and keeps them again";

  data_set->Close();
  data_set->Options().SetCacheCalcFields(false);
  data_set->Open();
  walk();
  EXPECT_GE(calculations, 6) << "without the cache every read computes";
}

TEST_F(DataSetTest, TheUpdatingTableDecidesWhatIsStoredAndWhatMayChange) {
  Exec(*session_, "CREATE TABLE C (CID INTEGER PRIMARY KEY, PARENT INTEGER, NAME VARCHAR(10))");
  Exec(*session_, "INSERT INTO C VALUES (1, 1, 'child')");
  auto data_set = Query(*session_, "SELECT T.ID, T.S, C.CID, C.NAME FROM T JOIN C ON C.PARENT = T.ID");
  data_set->Options().SetSetFieldsReadOnly(true);
  data_set->Open();
  EXPECT_EQ(data_set->UpdatingTableInfo()->TableName(), "T");
  EXPECT_FALSE(data_set->FieldByName("S")->ReadOnly());
  EXPECT_TRUE(data_set->FieldByName("NAME")->ReadOnly());

  data_set->SetUpdatingTable("C");
  EXPECT_EQ(data_set->UpdatingTableInfo()->TableName(), "C");
  EXPECT_TRUE(data_set->FieldByName("S")->ReadOnly());
  data_set->Edit();
  data_set->FieldByName("NAME")->SetAsString("renamed");
  data_set->Post();
  EXPECT_EQ(data_set->UpdateStatement(stUpdate)->SQL().Text(),
            "UPDATE C\r\nSET\r\n  NAME = ?\r\nWHERE\r\n  CID = ?\r\n");
  EXPECT_EQ(ReadElsewhere("SELECT NAME FROM C WHERE CID = 1"), "renamed");

  EXPECT_EQ(MessageOf([&] { data_set->SetUpdatingTable("NOWHERE"); }),
            "Wrong UpdatingTable value - table NOWHERE is unknown");
  EXPECT_EQ(data_set->UpdatingTable(), "C");
  EXPECT_EQ(data_set->UpdatingTableInfo()->TableName(), "C");
}

TEST_F(DataSetTest, EditsWithoutAutoCommitWaitForTheConnectionsCommit) {
  auto data_set = Query(*session_, "SELECT ID, S FROM T WHERE ID = 1");
  data_set->SetAutoCommit(false);
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("pending");
  data_set->Post();
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 1"), "row 1");
  session_->Commit();
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 1"), "pending");
}

TEST_F(DataSetTest, CachedEditsAreStoredWhenApplied) {
  auto data_set = Query(*session_, "SELECT ID, S FROM T ORDER BY ID");
  data_set->SetCachedUpdates(true);
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("cached");
  data_set->Post();
  data_set->Last();
  data_set->Delete();
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 1"), "row 1");
  data_set->ApplyUpdates();
  data_set->CommitUpdates();
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 1"), "cached");
  EXPECT_EQ(ReadElsewhere("SELECT count(*) FROM T WHERE ID = 7"), "0");
}

TEST_F(DataSetTest, NamedAndQuotedParametersSelectRows) {
  Exec(*session_, "CREATE TABLE P (\"Key Name\" INTEGER PRIMARY KEY, V VARCHAR(10))");
  Exec(*session_, "INSERT INTO P VALUES (1, 'one'), (2, 'two')");
  auto data_set = Query(*session_, "SELECT V FROM P WHERE \"Key Name\" = :\"Key Name\" OR V = :v -- :no");
  ASSERT_EQ(data_set->Params().Count(), 2);
  EXPECT_EQ(data_set->Params().Items(0)->Name(), "Key Name");
  EXPECT_EQ(data_set->Params().Items(1)->Name(), "v");
  data_set->ParamByName("Key Name")->SetAsInteger(2);
  data_set->ParamByName("v")->SetAsString("none");
  data_set->Open();
  ASSERT_EQ(data_set->RecordCount(), 1);
  EXPECT_EQ(data_set->Fields().Fields(0)->AsString(), "two");
  data_set->Close();
  data_set->ParamByName("v")->SetAsString("one");
  data_set->Open();
  EXPECT_EQ(data_set->RecordCount(), 2);
}

TEST_F(DataSetTest, EngineErrorsSurfaceAsTheLayersExceptionWithTheEnginesText) {
  auto data_set = Query(*session_, "SELECT * FROM MISSING");
  const std::string open_error = MessageOf<EDAError>([&] { data_set->Open(); });
  EXPECT_NE(open_error.find("no such table: MISSING"), std::string::npos) << open_error;
  EXPECT_FALSE(data_set->Active());
  EXPECT_EQ(session_->ConnectCount(), baseline_);

  // A key that exists already: the insert fails, the record stays in insert.
  auto table = Query(*session_, "SELECT ID, S FROM T");
  table->Open();
  table->Append();
  table->FieldByName("ID")->SetAsInteger(1);
  const std::string post_error = MessageOf<EDAError>([&] { table->Post(); });
  EXPECT_NE(post_error.find("UNIQUE constraint failed: T.ID"), std::string::npos) << post_error;
  EXPECT_EQ(table->State(), classlib::dsInsert);
  table->Cancel();
  EXPECT_EQ(table->RecordCount(), 7);

  try {
    auto update = Query(*session_, "UPDATE T SET NOPE = 1");
    update->Execute();
    FAIL() << "no error";
  } catch (const ESQLiteError& e) {
    EXPECT_NE(e.Message().find("no such column: NOPE"), std::string::npos);
  }
  table->Close();
  EXPECT_EQ(session_->ConnectCount(), baseline_);
}

TEST_F(DataSetTest, ExecuteOpensQueriesAndCountsOtherStatements) {
  auto data_set = Query(*session_, "SELECT ID FROM T ORDER BY ID");
  data_set->Execute();
  EXPECT_TRUE(data_set->Active());
  EXPECT_EQ(data_set->Fields().Fields(0)->AsInteger(), 1);
  EXPECT_EQ(data_set->RowsAffected(), -1);
  EXPECT_EQ(session_->ConnectCount(), baseline_ + 1);  // the open cursor's use

  data_set->SetSQL("UPDATE T SET S = 'x' WHERE ID > :FROM_ID");
  EXPECT_FALSE(data_set->Active());
  data_set->ParamByName("FROM_ID")->SetAsInteger(4);
  data_set->Execute();
  EXPECT_FALSE(data_set->Active());
  EXPECT_EQ(data_set->RowsAffected(), 3);
  EXPECT_EQ(session_->ConnectCount(), baseline_);
  EXPECT_EQ(ReadElsewhere("SELECT count(*) FROM T WHERE S = 'x'"), "3");

  // Prepared first, a query is known before it runs.
  data_set->SetSQL("SELECT count(*) FROM T");
  data_set->Prepare();
  data_set->Execute();
  EXPECT_EQ(data_set->Fields().Fields(0)->AsInteger(), 7);
  data_set->Close();
  data_set->UnPrepare();
  EXPECT_EQ(session_->ConnectCount(), baseline_);
}

TEST_F(DataSetTest, SettingsThatShapeTheCursorWaitForItToClose) {
  auto data_set = Query(*session_, "SELECT ID FROM T ORDER BY ID");
  data_set->SetFetchRows(2);
  data_set->Open();
  data_set->SetFetchRows(2);  // the same value changes nothing
  EXPECT_NE(MessageOf([&] { data_set->SetFetchRows(3); }).find("open dataset"), std::string::npos);
  EXPECT_NE(MessageOf([&] { data_set->SetUniDirectional(true); }).find("open dataset"), std::string::npos);
  EXPECT_NE(MessageOf([&] { data_set->Options().SetLongStrings(false); }).find("open dataset"), std::string::npos);
  EXPECT_NE(MessageOf([&] { data_set->Options().SetFlatBuffers(true); }).find("open dataset"), std::string::npos);
  EXPECT_TRUE(data_set->Options().LongStrings());
  data_set->Options().SetTrimFixedChar(false);  // reaches the rows at once
  EXPECT_FALSE(data_set->RecordSet()->TrimFixedChars());
  EXPECT_EQ(data_set->FetchRows(), 2);
  EXPECT_FALSE(data_set->IRecordSet()->FetchDone());
  data_set->SetFetchAll(true);
  EXPECT_TRUE(data_set->IRecordSet()->FetchDone());
  EXPECT_EQ(data_set->RecordCount(), 7);
  EXPECT_EQ(data_set->Fields().Fields(0)->AsInteger(), 1);

  // A new text closes the data set and lets its statement go.
  data_set->SetSQL("SELECT S FROM T");
  EXPECT_FALSE(data_set->Active());
  EXPECT_FALSE(data_set->RecordSetPrepared());
  EXPECT_EQ(session_->ConnectCount(), baseline_);
}

TEST_F(DataSetTest, RefreshReadsTheRowsAgainAndStaysOnTheRecord) {
  auto data_set = Query(*session_, "SELECT ID, S FROM T ORDER BY ID");
  data_set->Open();
  ASSERT_TRUE(data_set->Locate("ID", classlib::Variant(4), {}));
  auto other = Session();
  Exec(*other, "UPDATE T SET S = 'elsewhere' WHERE ID = 4");
  Exec(*other, "DELETE FROM T WHERE ID = 1");
  int scrolled_to = 0;
  data_set->SetAfterScroll(classlib::TDataSetNotifyEvent::Function(
      [&](classlib::TDataSet* ds) { scrolled_to = ds->FieldByName("ID")->AsInteger(); }));
  data_set->Refresh();
  EXPECT_EQ(scrolled_to, 4);
  EXPECT_EQ(data_set->RecordCount(), 6);
  EXPECT_EQ(data_set->FieldByName("ID")->AsInteger(), 4);
  EXPECT_EQ(data_set->FieldByName("S")->AsString(), "elsewhere");
  EXPECT_EQ(data_set->RowsAffected(), -1);

  // The record gone, the first one is current.
  Exec(*other, "DELETE FROM T WHERE ID = 4");
  data_set->Refresh();
  EXPECT_EQ(data_set->FieldByName("ID")->AsInteger(), 2);
  data_set->Close();
  EXPECT_EQ(session_->ConnectCount(), baseline_);
}

TEST_F(DataSetTest, MemoLineEndsReadAsCRLFWithConvertEOLAndAreNoChange) {
  Exec(*session_, "UPDATE T SET TX = 'one' || char(10) || 'two' WHERE ID = 1");
  session_->SetConvertEOL(true);
  auto data_set = Query(*session_, "SELECT ID, S, TX FROM T WHERE ID = 1");
  data_set->Open();
  {
    auto stream = data_set->CreateBlobStream(data_set->FieldByName("TX"), classlib::bmRead);
    std::string text(static_cast<size_t>(stream->Size()), '\0');
    stream->Read(text.data(), static_cast<int>(text.size()));
    EXPECT_EQ(text, "one\r\ntwo");
  }
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("other");
  data_set->Post();
  EXPECT_EQ(data_set->UpdateStatement(stUpdate)->SQL().Text(), "UPDATE T\r\nSET\r\n  S = ?\r\nWHERE\r\n  ID = ?\r\n");
  EXPECT_EQ(MessageOf([&] { data_set->CreateBlobStream(data_set->FieldByName("S"), classlib::bmRead); }),
            "Field is not BLOB");
}

// A blob stream reads the open data set's active record. Kept past a Close,
// a re-open or the data set's end, it reads nothing and its end touches
// nothing that went with the data set (a written one included).
TEST_F(DataSetTest, BlobStreamKeptPastItsDataSetReadsNothingAndEndsQuietly) {
  Exec(*session_, "UPDATE T SET TX = 'kept' WHERE ID = 1");
  auto data_set = Query(*session_, "SELECT ID, S, TX FROM T WHERE ID = 1");
  data_set->Open();
  auto read = data_set->CreateBlobStream(data_set->FieldByName("TX"), classlib::bmRead);
  EXPECT_EQ(read->Size(), 4);
  data_set->Close();
  char byte = 0;
  EXPECT_EQ(read->Size(), 0);
  EXPECT_EQ(read->Read(&byte, 1), 0);
  data_set->Open();
  EXPECT_EQ(read->Read(&byte, 1), 0) << "a re-open gives the stream no new buffer";
  read.reset();

  data_set->Edit();
  auto written = data_set->CreateBlobStream(data_set->FieldByName("TX"), classlib::bmWrite);
  EXPECT_EQ(written->Write("new", 3), 3);
  auto kept = data_set->CreateBlobStream(data_set->FieldByName("TX"), classlib::bmRead);
  data_set.reset();
  EXPECT_EQ(written->Write("more", 4), 0);
  EXPECT_EQ(kept->Size(), 0);
  written.reset();
  kept.reset();
  auto check = Query(*session_, "SELECT TX FROM T WHERE ID = 1");
  check->Open();
  EXPECT_EQ(check->FieldByName("TX")->AsString(), "kept") << "the edit went with its data set, unposted";
}

// Texts read straight from the record follow the line-end and trimming
// options switched while the data set is open, at the next read: the
// connection's ConvertEOL and the data set's trimming both reach it.
TEST_F(DataSetTest, OptionsSwitchedWhileOpenHoldForTextsReadFromTheRecord) {
  Exec(*session_, "UPDATE T SET S = 'a' || char(10) || 'b  ' WHERE ID = 1");
  auto data_set = Query(*session_, "SELECT ID, S FROM T WHERE ID = 1");
  data_set->Open();
  classlib::TField* text = data_set->FieldByName("S");
  ASSERT_EQ(text->DirectSlot().form, classlib::TField::TDirectSlot::kTextForm);
  EXPECT_EQ(text->AsString(), "a\nb  ");
  session_->SetConvertEOL(true);
  EXPECT_EQ(text->AsString(), "a\r\nb  ");
  data_set->Options().SetTrimVarChar(true);
  EXPECT_EQ(text->AsString(), "a\r\nb");
  session_->SetConvertEOL(false);
  EXPECT_EQ(text->AsString(), "a\nb");
  data_set->Options().SetTrimVarChar(false);
  EXPECT_EQ(text->AsString(), "a\nb  ");
  // An edit and its cancel leave the rules as they were.
  data_set->Edit();
  data_set->Cancel();
  EXPECT_EQ(text->AsString(), "a\nb  ");
}

TEST_F(DataSetTest, ADataSetOutlivesItsConnection) {
  auto session = Session();
  auto data_set = Query(*session, "SELECT ID, S FROM T ORDER BY ID");
  data_set->Open();
  data_set->Edit();
  data_set->FieldByName("S")->SetAsString("stored");
  data_set->Post();  // an edit statement registered with the connection too
  session.reset();
  EXPECT_FALSE(data_set->Active());
  EXPECT_EQ(data_set->Connection(), nullptr);
  EXPECT_EQ(MessageOf([&] { data_set->Open(); }), "Connection is not defined");
  data_set.reset();
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 1"), "stored");
}

TEST_F(DataSetTest, AfterAKilledSessionTheConnectionReconnectsAndTheStatementRunsAgain) {
  session_->Options().LocalFailover = true;
  std::vector<TConnLostCause> causes;
  session_->OnConnectionLost = TConnectionLostEvent::Function(
      [&](classlib::TObject*, classlib::TComponent*, TConnLostCause cause, TRetryMode& mode) {
        causes.push_back(cause);
        mode = rmReconnectExecute;
      });
  auto data_set = Query(*session_, "UPDATE T SET S = 'again' WHERE ID = 1");
  session_->SQLiteConnection()->Kill();
  data_set->Execute();
  EXPECT_EQ(data_set->RowsAffected(), 1);
  EXPECT_EQ(session_->ConnectCount(), baseline_);
  EXPECT_EQ(ReadElsewhere("SELECT S FROM T WHERE ID = 1"), "again");

  data_set->SetSQL("SELECT ID FROM T ORDER BY ID");
  session_->SQLiteConnection()->Kill();
  data_set->Open();
  EXPECT_EQ(session_->ConnectCount(), baseline_ + 1);
  EXPECT_EQ(data_set->RecordCount(), 7);
  EXPECT_EQ((causes), (std::vector<TConnLostCause>{clExecute, clOpen}));
  data_set->Close();
  EXPECT_EQ(session_->ConnectCount(), baseline_);
}

TEST_F(DataSetTest, ExecuteDoesNothingWhileTheStatementStillRuns) {
  auto data_set = Query(*session_, "UPDATE T SET S = 'not run'");
  data_set->ICommand()->Prop24 = true;
  data_set->Execute();
  EXPECT_EQ(data_set->RowsAffected(), -1);
  EXPECT_EQ(session_->ConnectCount(), baseline_);
  data_set->ICommand()->Prop24 = false;
  data_set->Execute();
  EXPECT_EQ(data_set->RowsAffected(), 7);
}

TEST_F(DataSetTest, DisconnectedModeHoldsTheConnectionOnlyWhileNeeded) {
  auto session = std::make_unique<TSQLiteSession>(nullptr);
  session->SetServer(Path());
  session->Options().SetDisconnectedMode(true);
  auto data_set = Query(*session, "UPDATE T SET S = 'd' WHERE ID = 1");
  data_set->Execute();
  EXPECT_EQ(data_set->RowsAffected(), 1);
  EXPECT_FALSE(session->Connected());

  data_set->SetSQL("SELECT S FROM T WHERE ID = 1");
  data_set->Open();
  EXPECT_TRUE(session->Connected());
  EXPECT_EQ(data_set->Fields().Fields(0)->AsString(), "d");
  data_set->Close();
  EXPECT_FALSE(session->Connected());
}

TEST_F(DataSetTest, FilterSQLAndTheDialectsClauseOperations) {
  auto data_set = std::make_unique<sqlite_driver::TSQLiteDataSet>(nullptr);
  data_set->SetConnection(session_.get());
  data_set->SetSQL("SELECT ID FROM T WHERE ID < 6 OR ID = 7 ORDER BY ID DESC LIMIT 10");
  data_set->SetFilterSQL("  ID > 2 ");
  EXPECT_EQ(data_set->FinalSQL(), "SELECT ID FROM T WHERE( ID < 6 OR ID = 7 \r) AND ID > 2 ORDER BY ID DESC LIMIT 10");
  data_set->Open();
  EXPECT_EQ(data_set->RecordCount(), 4);
  EXPECT_EQ(data_set->Fields().Fields(0)->AsInteger(), 7);

  // A new filter re-opens an open data set.
  data_set->SetFilterSQL("ID > 4");
  EXPECT_TRUE(data_set->Active());
  EXPECT_EQ(data_set->RecordCount(), 2);

  const std::string sql = "SELECT ID FROM T WHERE (ID IN (SELECT 1 WHERE 1 = 1)) ORDER BY ID LIMIT 3";
  EXPECT_EQ(data_set->DeleteWhere(sql), "SELECT ID FROM T ORDER BY ID LIMIT 3");
  EXPECT_EQ(data_set->SetOrderBy(sql, "S, ID DESC"),
            "SELECT ID FROM T WHERE (ID IN (SELECT 1 WHERE 1 = 1)) ORDER BY S, ID DESC LIMIT 3");
  EXPECT_EQ(data_set->SetOrderBy("SELECT ID FROM T", "ID"), "SELECT ID FROM T\rORDER BY ID");
  EXPECT_EQ(data_set->DeleteOrderBy(sql), "SELECT ID FROM T WHERE (ID IN (SELECT 1 WHERE 1 = 1)) LIMIT 3");
}

TEST_F(DataSetTest, ADetailFollowsItsMasterThroughTheLinkedFields) {
  Exec(*session_, "CREATE TABLE C (CID INTEGER PRIMARY KEY, PARENT INTEGER, NAME VARCHAR(10))");
  Exec(*session_, "INSERT INTO C VALUES (1, 1, 'a'), (2, 1, 'b'), (3, 2, 'c')");
  auto master = Query(*session_, "SELECT ID FROM T WHERE ID <= 3 ORDER BY ID");
  classlib::TDataSource source(nullptr);
  source.SetDataSet(master.get());
  auto detail = Query(*session_, "SELECT NAME FROM C ORDER BY NAME");
  detail->SetMasterSource(&source);
  detail->SetMasterFields("ID");
  detail->SetDetailFields("PARENT");
  EXPECT_EQ(detail->FinalSQL(), "SELECT NAME FROM C \rWHERE PARENT = :ID ORDER BY NAME");
  master->Open();
  detail->Open();
  EXPECT_EQ(detail->RecordCount(), 2);
  master->Next();
  EXPECT_EQ(detail->RecordCount(), 1);
  EXPECT_EQ(detail->Fields().Fields(0)->AsString(), "c");
  master->Next();
  EXPECT_TRUE(detail->IsEmpty());

  // A master that would close a circle is refused.
  classlib::TDataSource back(nullptr);
  back.SetDataSet(detail.get());
  EXPECT_EQ(MessageOf([&] { master->SetMasterSource(&back); }), "Circular datalinks are not allowed");
  detail->SetMasterSource(nullptr);
}

TEST_F(DataSetTest, TheXMLExportNamesTheBaseTableOfTableColumnsOnly) {
  auto data_set = Query(*session_, "SELECT ID, ID * 2 AS TWICE FROM T WHERE ID = 1");
  data_set->Open();
  const std::string xml = DataSetToXml(*data_set);
  const size_t id = xml.find("name=\"ID\"");
  const size_t twice = xml.find("name=\"TWICE\"");
  ASSERT_NE(id, std::string::npos);
  ASSERT_NE(twice, std::string::npos);
  const std::string id_attributes = xml.substr(id, xml.find('>', id) - id);
  const std::string twice_attributes = xml.substr(twice, xml.find('>', twice) - twice);
  EXPECT_NE(id_attributes.find("rs:basetable=\"T\""), std::string::npos) << id_attributes;
  EXPECT_EQ(twice_attributes.find("rs:basetable"), std::string::npos) << twice_attributes;
}

}  // namespace
}  // namespace dacore::sqlite_tests
