// Statements against the embedded engine: DDL, DML with every parameter
// type, cursors, singleton selects, procedures, macros and NULL tests,
// statistics, errors, and what transaction ends and disconnects do to them.
#include "fib/statements/fib_query.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "classlib/datetime.h"
#include "classlib/exceptions.h"
#include "classlib/stream.h"
#include "fib/base/errors.h"
#include "fib/statements/fib_query_statistics.h"
#include "fib_query_fixture.h"
#include "testing/message_of.h"

namespace fib {
namespace {

using fib_test::QueryTest;

using classlib::testing::MessageOf;

TEST_F(QueryTest, EveryParameterTypeTravelsToTheServerAndBack) {
  Run("create table ALLTYPES (ID integer, S smallint, I integer, K bigint, N numeric(15,2), "
      "F float, D double precision, DT date, TM time, TS timestamp, C char(5), "
      "VC varchar(20), TX blob sub_type 1, BN blob sub_type 0, BO boolean)");
  auto insert = NewQuery("Ins",
                         "insert into ALLTYPES values (:ID, :S, :I, :K, :N, :F, :D, :DT, :TM, "
                         ":TS, :C, :VC, :TX, :BN, :BO)");
  // Prepared first, every value takes the column's own type.
  insert->Prepare();
  classlib::TDateTime date = classlib::EncodeDate(2024, 2, 29);
  classlib::TDateTime time = classlib::EncodeTime(13, 45, 30, 500);
  insert->ParamByName("ID").SetAsInteger(1);
  insert->ParamByName("S").SetAsShort(-12);
  insert->ParamByName("I").SetAsInteger(2000000000);
  insert->ParamByName("K").SetAsInt64(9000000000000000001LL);
  insert->ParamByName("N").SetAsCurrency(classlib::Currency::FromDouble(1234.56));
  insert->ParamByName("F").SetAsDouble(1.5);
  insert->ParamByName("D").SetAsDouble(3.141592653589793);
  insert->ParamByName("DT").SetAsDate(date);
  insert->ParamByName("TM").SetAsTime(time);
  insert->ParamByName("TS").SetAsDateTime(date + time);
  insert->ParamByName("C").SetAsString("ab");
  insert->ParamByName("VC").SetAsString("\xcf\xf0\xe8\xe2\xe5\xf2");  // CP1251 text
  insert->ParamByName("TX").SetAsString(std::string(70000, 'x'));
  classlib::TMemoryStream binary;
  std::string bytes("\x00\x01\xff\x7f", 4);
  binary.Write(bytes.data(), 4);
  insert->ParamByName("BN").LoadFromStream(binary);
  insert->ParamByName("BO").SetAsBoolean(true);
  insert->ExecQuery();
  EXPECT_EQ(insert->RowsAffected(), 1);
  // The second row is all NULL but its key.
  for (int i = 1; i < insert->ParamCount(); ++i) insert->Param(i).SetIsNull(true);
  insert->ParamByName("ID").SetAsInteger(2);
  insert->ExecQuery();
  tr_->Commit();

  auto select = NewQuery("Sel", "select * from ALLTYPES order by ID");
  select->ExecQuery();
  EXPECT_EQ(select->FieldByName("S").AsInteger(), -12);
  EXPECT_EQ(select->FieldByName("I").AsInteger(), 2000000000);
  EXPECT_EQ(select->FieldByName("K").AsInt64(), 9000000000000000001LL);
  EXPECT_EQ(select->FieldByName("N").AsCurrency().value, classlib::Currency::FromDouble(1234.56).value);
  EXPECT_DOUBLE_EQ(select->FieldByName("F").AsDouble(), 1.5);
  EXPECT_DOUBLE_EQ(select->FieldByName("D").AsDouble(), 3.141592653589793);
  EXPECT_DOUBLE_EQ(select->FieldByName("DT").AsDateTime(), date);
  EXPECT_NEAR(select->FieldByName("TM").AsDateTime(), time, 1e-9);
  EXPECT_NEAR(select->FieldByName("TS").AsDateTime(), date + time, 1e-9);
  EXPECT_EQ(select->FieldByName("C").AsString(), "ab   ");
  EXPECT_EQ(select->FieldByName("VC").AsString(), "\xcf\xf0\xe8\xe2\xe5\xf2");
  EXPECT_EQ(select->FieldByName("TX").AsString(), std::string(70000, 'x'));
  EXPECT_EQ(select->FieldByName("BN").AsString(), bytes);
  EXPECT_TRUE(select->FieldByName("BO").AsBoolean());
  ASSERT_TRUE(select->Next());
  for (int i = 1; i < select->FieldCount(); ++i)
    EXPECT_TRUE(select->Fields(i).IsNull()) << select->Fields(i).Name();
  EXPECT_FALSE(select->Next());
}

TEST_F(QueryTest, TrimmedCharFieldsWhenAsked) {
  auto query = NewQuery("Q", "select cast('ab' as char(5)) from RDB$DATABASE");
  query->SetOptions({qoStartTransaction, qoTrimCharFields});
  query->ExecQuery();
  EXPECT_EQ(query->Fields(0).AsString(), "ab");
}

TEST_F(QueryTest, ManyRowsAreFetchedToTheEnd) {
  auto insert = NewQuery("Ins", "insert into T (V) values (:V)");
  for (int i = 0; i < 5000; ++i) {
    insert->ParamByName("V").SetAsInteger(i);
    insert->ExecQuery();
  }
  auto select = NewQuery("Sel", "select V from T order by V");
  select->ExecQuery();
  int64_t sum = 0;
  int expected = 0;
  bool ordered = true;
  while (!select->Eof()) {
    ordered = ordered && select->Fields(0).AsInteger() == expected++;
    sum += select->Fields(0).AsInteger();
    select->Next();
  }
  EXPECT_TRUE(ordered);
  EXPECT_EQ(select->RecordCount(), 5000);
  EXPECT_EQ(sum, 4999LL * 5000 / 2);
  EXPECT_EQ(select->RowsAffected(), 5000);
}

TEST_F(QueryTest, RecordCountFollowsTheFetches) {
  Run("insert into T values (1)");
  Run("insert into T values (2)");
  auto query = NewQuery("Q", "select V from T");
  query->ExecQuery();
  EXPECT_EQ(query->RecordCount(), 1);
  EXPECT_FALSE(query->Bof());
  EXPECT_TRUE(query->Next());
  EXPECT_EQ(query->RecordCount(), 2);
  EXPECT_FALSE(query->Next());
  EXPECT_TRUE(query->Eof());
  EXPECT_EQ(query->RecordCount(), 2);
  query->Close();
  EXPECT_EQ(query->RecordCount(), 2);  // kept until the next execution

  query->SQL().SetText("select V from T where V > 100");
  query->ExecQuery();
  EXPECT_TRUE(query->Eof());
  EXPECT_EQ(query->RecordCount(), 0);
  EXPECT_TRUE(query->Fields(0).IsNull());

  query->Close();
  query->SetGoToFirstRecordOnExecute(false);
  query->SQL().SetText("select V from T");
  query->ExecQuery();
  EXPECT_TRUE(query->Bof());
  EXPECT_EQ(query->RecordCount(), 0);
  EXPECT_TRUE(query->Next());
  EXPECT_EQ(query->RecordCount(), 1);
}

TEST_F(QueryTest, ColumnsHoldNoValueFromEachExecutionToItsFirstRow) {
  Run("insert into T values (1)");
  Run("insert into T values (2)");
  Run("create procedure ONE returns (B integer) as begin B = 1; end");
  auto query = NewQuery("Q", "select V from T order by V");
  query->SetGoToFirstRecordOnExecute(false);
  query->ExecQuery();
  EXPECT_TRUE(query->Fields(0).IsNull());
  ASSERT_TRUE(query->Next());
  EXPECT_EQ(query->Fields(0).AsInteger(), 1);
  ASSERT_TRUE(query->Next());
  EXPECT_EQ(query->Fields(0).AsInteger(), 2);
  query->Close();
  EXPECT_EQ(query->Fields(0).AsInteger(), 2);  // the last row stays readable

  query->ExecQuery();  // the same prepared statement again
  EXPECT_TRUE(query->Fields(0).IsNull());
  ASSERT_TRUE(query->Next());
  EXPECT_EQ(query->Fields(0).AsInteger(), 1);
  query->Close();

  // Outputs of a procedure hold values at once; a select after it does not.
  query->SQL().SetText("execute procedure ONE");
  query->ExecQuery();
  EXPECT_EQ(query->RecordCount(), 0);
  EXPECT_EQ(query->Fields(0).AsInteger(), 1);
  query->SQL().SetText("select V from T");
  query->ExecQuery();
  EXPECT_TRUE(query->Fields(0).IsNull());
}

TEST_F(QueryTest, SingletonSelectsAndProcedureOutputs) {
  Run("create procedure TWICE (A integer) returns (B integer, C varchar(10)) as "
      "begin B = A * 2; C = 'done'; end");
  auto proc = NewQuery("Proc", "execute procedure TWICE(:A)");
  EXPECT_TRUE(proc->IsProc());
  proc->ParamByName("A").SetAsInteger(21);
  proc->ExecQuery();
  EXPECT_EQ(proc->SQLType(), SQLExecProcedure);
  EXPECT_EQ(proc->FieldByName("B").AsInteger(), 42);
  EXPECT_EQ(proc->FieldByName("C").AsString(), "done");
  EXPECT_FALSE(proc->Open());

  auto single = NewQuery("One", "select count(*), max(V) from T");
  single->ExecQuery();
  EXPECT_EQ(single->Fields(0).AsInteger(), 0);
  EXPECT_TRUE(single->Fields(1).IsNull());
  EXPECT_FALSE(single->IsProc());
}

TEST_F(QueryTest, MacrosAreExpandedAndChangesPrepareAgain) {
  Run("create table T2 (V integer)");
  Run("insert into T values (1)");
  Run("insert into T2 values (2)");
  Run("insert into T2 values (3)");
  auto query = NewQuery("Q", "select count(*) from @TBL%T where @@COND%1=1@");
  EXPECT_EQ(query->ParamCount(), 2);
  query->ExecQuery();
  EXPECT_EQ(query->ServerText(), "select count(*) from T where 1=1\r\n");
  EXPECT_EQ(query->Fields(0).AsInteger(), 1);
  isc_stmt_handle first = query->Handle();
  query->ParamByName("@TBL").SetAsString("T2");
  query->ParamByName("@COND").SetAsString("V > 2");
  query->ExecQuery();
  EXPECT_EQ(query->ServerText(), "select count(*) from T2 where V > 2\r\n");
  EXPECT_EQ(query->Fields(0).AsInteger(), 1);
  // Same values again: nothing to prepare.
  first = query->Handle();
  query->ExecQuery();
  EXPECT_EQ(query->Handle(), first);

  auto quoted = NewQuery("Q2", "select count(*) from T2 where cast(V as varchar(5)) = @VAL%#3");
  quoted->ExecQuery();
  EXPECT_EQ(quoted->Fields(0).AsInteger(), 1);
}

// A quoted macro is one string literal, whatever apostrophes its value has.
TEST_F(QueryTest, QuotedMacrosDoubleTheApostrophesOfTheirValues) {
  Run("create table T2 (V varchar(40))");
  Run("insert into T2 values ('it''s')");
  Run("insert into T2 values ('other')");
  auto quoted = NewQuery("Q", "select count(*) from T2 where V = @VAL%#x");
  quoted->ParamByName("@VAL").SetAsString("it's");
  quoted->ExecQuery();
  EXPECT_EQ(quoted->ServerText(), "select count(*) from T2 where V = 'it''s'\r\n");
  EXPECT_EQ(quoted->Fields(0).AsInteger(), 1);
  // A value written to end the literal and add a condition stays a value.
  quoted->ParamByName("@VAL").SetAsString("x' or 'a' = 'a");
  quoted->ExecQuery();
  EXPECT_EQ(quoted->Fields(0).AsInteger(), 0);
}

TEST_F(QueryTest, NullParametersInConditionsBecomeNullTests) {
  Run("insert into T values (null)");
  Run("insert into T values (5)");
  Run("insert into T values (6)");
  auto query = NewQuery("Q", "select count(*) from T where V = :V");
  query->ParamByName("V").SetIsNull(true);
  query->ExecQuery();
  EXPECT_EQ(query->Fields(0).AsInteger(), 1);
  query->ParamByName("V").SetAsInteger(5);
  query->ExecQuery();
  EXPECT_EQ(query->Fields(0).AsInteger(), 1);
  EXPECT_EQ(query->ServerText(), "select count(*) from T where V = ?\r\n");

  auto other = NewQuery("Q2", "select count(*) from T where V <> :V");
  other->ParamByName("V").SetIsNull(true);
  other->ExecQuery();
  EXPECT_EQ(other->Fields(0).AsInteger(), 2);

  // Kept as it is, a comparison with NULL matches nothing.
  query->SetOptions({qoStartTransaction, qoNoForceIsNull});
  query->ParamByName("V").SetIsNull(true);
  query->ExecQuery();
  EXPECT_EQ(query->Fields(0).AsInteger(), 0);

  // An UPDATE's SET list is no condition: the NULL is written.
  auto update = NewQuery("Upd", "update T set V = :V where V = :OLD");
  update->ParamByName("V").SetIsNull(true);
  update->ParamByName("OLD").SetAsInteger(6);
  update->ExecQuery();
  EXPECT_EQ(update->RowsAffected(), 1);
  query->SetOptions({qoStartTransaction});
  query->ExecQuery();
  EXPECT_EQ(query->Fields(0).AsInteger(), 2);
}

TEST_F(QueryTest, StatisticsAreCollectedPerStatement) {
  TFIBStatistics statistics(nullptr);
  statistics.Attach(db_.get());
  auto query = NewQuery("Q", "insert into T values (:V)");
  query->ParamByName("V").SetAsInteger(7);
  query->ExecQuery();
  query->ExecQuery();
  EXPECT_EQ(statistics.Value("Form1.Q", "PrepareCount").AsInt64(), 1);
  EXPECT_EQ(statistics.Value("Form1.Q", "ExecuteCount").AsInt64(), 2);
  int64_t sum = statistics.Value("Form1.Q", "SumTimeExecute").AsInt64();
  EXPECT_GE(sum, 0);
  EXPECT_EQ(statistics.Value("Form1.Q", "AvgTimeExecute").AsInt64(), sum / 2);
  EXPECT_EQ(classlib::VarToStr(statistics.Value("Form1.DB", "LastQueryName")), "Form1.Q");
  EXPECT_EQ(classlib::VarToStr(statistics.Value("Form1.Q", "MaxParams")).substr(0, 13),
            "Params[0]='7'");
  db_.reset();  // freeing the database ends the attachment
  EXPECT_EQ(statistics.Database(), nullptr);
}

TEST_F(QueryTest, RowsAffectedByType) {
  for (int v : {1, 2, 3}) Run("insert into T values (" + std::to_string(v) + ")");
  auto update = NewQuery("U", "update T set V = V + 10 where V < 3");
  update->ExecQuery();
  EXPECT_EQ(update->RowsAffected(), 2);
  auto del = NewQuery("D", "delete from T");
  del->ExecQuery();
  EXPECT_EQ(del->RowsAffected(), 3);
}

// A statement's client calls are checked by its database:
// the server's errors name the database.
TEST_F(QueryTest, ServerErrorsNameTheDatabase) {
  fib_test::RecordingLogger logger;
  db_->SetSQLLogger(&logger);
  auto query = NewQuery("Bad", "insert into NO_SUCH_TABLE values (1)");
  try {
    query->ExecQuery();
    FAIL() << "no error";
  } catch (const EFIBInterBaseError& e) {
    EXPECT_EQ(e.Raiser(), db_.get());
    EXPECT_EQ(e.RaiserName(), "Form1.DB");
    EXPECT_EQ(e.Message().rfind("Form1.DB:\r\n", 0), 0u) << e.Message();
    EXPECT_NE(e.Message().find("NO_SUCH_TABLE"), std::string::npos);
  }
  EXPECT_FALSE(query->Prepared());
  EXPECT_EQ(query->Handle(), 0u);

  query->SQL().SetText("insert into T values (:V)");
  query->ParamByName("V").SetAsString("not a number");
  EXPECT_THROW(query->ExecQuery(), EFIBInterBaseError);
  bool logged = false;
  for (const auto& entry : logger.entries)
    logged = logged || entry.text.rfind("Error on execute query. Error message: \"", 0) == 0;
  EXPECT_TRUE(logged);
  db_->SetSQLLogger(nullptr);
}

TEST_F(QueryTest, MisuseRaisesClientErrors) {
  auto query = NewQuery("Q", "select V from T where V = :V");
  EXPECT_NE(MessageOf([&] { query->ParamByName("NOPE"); })
                .find("Parameter \"NOPE\" does not exist in Form1.Q"),
            std::string::npos);
  EXPECT_THROW(query->Param(1), EFIBClientError);
  query->ParamByName("V").SetAsInteger(1);
  Run("insert into T values (1)");
  query->ExecQuery();
  EXPECT_NE(MessageOf([&] { query->Fields(1); }).find("Field No: 1"), std::string::npos);
  EXPECT_NE(MessageOf([&] { query->FieldByName("X"); }).find("\"X\""), std::string::npos);
  EXPECT_NE(MessageOf([&] { query->SQL().SetText("select 1 from T"); }).find("change sql text"),
            std::string::npos);
  EXPECT_EQ(query->SQL().Text(), "select V from T where V = :V\r\n");
  query->Close();
  EXPECT_NE(MessageOf([&] { query->Next(); }).find("fetch next record"), std::string::npos);
  query->SQL().SetText("  ");
  query->SetParamCheck(false);
  query->SQL().Clear();
  EXPECT_THROW(query->Prepare(), EFIBClientError);
}

TEST_F(QueryTest, WithoutParamCheckTheTextGoesUnchanged) {
  auto query = NewQuery("DDL");
  query->SetParamCheck(false);
  query->SQL().SetText(
      "create trigger T_BI for T before insert as begin if (new.V is null) then new.V = 99; "
      "end");
  EXPECT_EQ(query->ParamCount(), 0);
  query->ExecQuery();
  EXPECT_EQ(query->SQLType(), SQLDDL);
  tr_->Commit();
  Run("insert into T values (null)");
  EXPECT_EQ(CountCommitted(99), 1);
}

// The prepare says how many parameters the server expects: a statement with
// none runs undescribed (and drops the items of the text before), one whose
// markers the layer left to the server (ParamCheck off) is described and
// takes its values.
TEST_F(QueryTest, ParametersAreDescribedOnlyWhenTheServerExpectsSome) {
  auto query = NewQuery("Q", "insert into T values (:V)");
  query->ParamByName("V").SetAsInteger(5);
  query->ExecQuery();
  EXPECT_EQ(query->ParamCount(), 1);
  query->SQL().SetText("update T set V = V + 1 where V = 5");
  query->ExecQuery();
  EXPECT_EQ(query->ParamCount(), 0);
  EXPECT_EQ(query->SQLType(), SQLUpdate);
  query->SQL().SetText("insert into T values (7)");
  query->ExecQuery();
  EXPECT_EQ(query->ParamCount(), 0);
  query->SetParamCheck(false);
  query->SQL().SetText("insert into T values (?)");
  query->Prepare();
  ASSERT_EQ(query->ParamCount(), 1);
  EXPECT_EQ(query->Param(0).SQLType(), SQL_LONG);
  query->Param(0).SetAsInteger(8);
  query->ExecQuery();
  tr_->Commit();
  for (int value : {6, 7, 8}) EXPECT_EQ(CountCommitted(value), 1) << value;
  EXPECT_EQ(CountCommitted(5), 0);
}

TEST_F(QueryTest, HardTransactionEndsCloseTheCursorRetainingOnesKeepIt) {
  for (int v : {1, 2, 3}) Run("insert into T values (" + std::to_string(v) + ")");
  auto query = NewQuery("Q", "select V from T order by V");
  query->ExecQuery();
  tr_->CommitRetaining();
  EXPECT_TRUE(query->Open());
  EXPECT_TRUE(query->Next());
  EXPECT_EQ(query->Fields(0).AsInteger(), 2);
  tr_->Commit();
  EXPECT_FALSE(query->Open());
  EXPECT_TRUE(query->Prepared());
  query->Close();  // nothing left to close
  query->ExecQuery();
  EXPECT_EQ(query->Fields(0).AsInteger(), 1);
}

TEST_F(QueryTest, ClosingACursorTheServerAlreadyClosedIsQuiet) {
  for (int v : {1, 2}) Run("insert into T values (" + std::to_string(v) + ")");
  auto query = NewQuery("Q", "select V from T");
  query->ExecQuery();
  isc_stmt_handle handle = query->Handle();
  // Closed behind the statement's back.
  ASSERT_EQ(db_->ClientLibrary().isc_dsql_free_statement(StatusVector(), &handle, DSQL_close), 0);
  EXPECT_NO_THROW(query->Close());
  EXPECT_FALSE(query->Open());
  query->ExecQuery();
  EXPECT_EQ(query->RecordCount(), 1);
}

TEST_F(QueryTest, ADisconnectFreesTheHandleAndReconnectingWorks) {
  auto query = NewQuery("Q", "select count(*) from T");
  query->ExecQuery();
  EXPECT_TRUE(query->Prepared());
  db_->Disconnect(false);
  EXPECT_FALSE(query->Prepared());
  EXPECT_EQ(query->Handle(), 0u);
  db_->Connect();
  query->ExecQuery();
  EXPECT_EQ(query->Fields(0).AsInteger(), 0);
}

TEST_F(QueryTest, AutoCommitEndsEachExecution) {
  auto query = NewQuery("Q", "insert into T values (42)");
  query->SetOptions({qoStartTransaction, qoAutoCommit});
  query->ExecQuery();
  EXPECT_FALSE(tr_->Active());
  EXPECT_EQ(CountCommitted(42), 1);
  tr_->SetTimeoutAction(TACommitRetaining);
  query->ExecQuery();
  EXPECT_TRUE(tr_->Active());
  EXPECT_EQ(CountCommitted(42), 2);
}

TEST_F(QueryTest, FreeHandleAfterExecuteLeavesOpenCursorsAlone) {
  auto query = NewQuery("Q", "insert into T values (1)");
  query->SetOptions({qoStartTransaction, qoFreeHandleAfterExecute});
  query->ExecQuery();
  EXPECT_FALSE(query->Prepared());
  query->SQL().SetText("select V from T");
  query->ExecQuery();
  EXPECT_TRUE(query->Prepared());
  EXPECT_EQ(query->Fields(0).AsInteger(), 1);
}

TEST_F(QueryTest, ValuesSurviveAChangedText) {
  auto query = NewQuery("Q", "insert into T values (:V)");
  query->ParamByName("V").SetAsInteger(8);
  query->SQL().SetText("insert into T (V) values (:V)");
  query->ExecQuery();
  EXPECT_EQ(query->ParamByName("V").AsInteger(), 8);
  tr_->Commit();
  EXPECT_EQ(CountCommitted(8), 1);
}

TEST_F(QueryTest, StreamParametersBecomeBlobsOfAnySize) {
  Run("create table BLOBS (ID integer, B blob sub_type 0)");
  auto insert = NewQuery("Ins", "insert into BLOBS values (:ID, :B)");
  std::vector<std::string> contents = {"", "x", std::string(65536, '\x7f'),
                                       std::string(200000, 'b')};
  for (size_t i = 0; i < contents.size(); ++i) {
    classlib::TMemoryStream stream;
    if (!contents[i].empty())
      stream.Write(contents[i].data(), static_cast<int>(contents[i].size()));
    insert->ParamByName("ID").SetAsInteger(static_cast<int>(i));
    insert->ParamByName("B").LoadFromStream(stream);
    insert->ExecQuery();
    EXPECT_FALSE(insert->ParamByName("B").HasStream());
  }
  auto select = NewQuery("Sel", "select B from BLOBS order by ID");
  select->ExecQuery();
  for (const std::string& expected : contents) {
    ASSERT_FALSE(select->Eof());
    EXPECT_EQ(select->Fields(0).AsString(), expected);
    select->Next();
  }
}

// Row after row through one handle: values change type, length and NULL
// between executions, a long text goes as a blob, and each row gets its own.
TEST_F(QueryTest, ValuesChangingBetweenExecutionsReachTheirRows) {
  Run("create table ROWS_ (ID integer, NAME varchar(8), AMOUNT numeric(9,2), NOTE blob sub_type 1)");
  auto insert = NewQuery("Ins", "insert into ROWS_ values (:ID, :NAME, :AMOUNT, :NOTE)");
  const std::string long_note(40000, 'n');
  for (int i = 0; i < 6; ++i) {
    insert->ParamByName("ID").SetAsInteger(i);
    if (i == 2)
      insert->ParamByName("NAME").SetIsNull(true);
    else
      insert->ParamByName("NAME").SetAsString(std::string(static_cast<size_t>(i + 1), 'a' + i));
    if (i == 3)
      insert->ParamByName("AMOUNT").SetAsString("7,5");
    else
      insert->ParamByName("AMOUNT").SetAsDouble(i * 1.25);
    insert->ParamByName("NOTE").SetAsString(i == 4 ? long_note : std::to_string(i));
    insert->ExecQuery();
  }
  auto select = NewQuery("Sel", "select NAME, AMOUNT, NOTE from ROWS_ order by ID");
  select->ExecQuery();
  for (int i = 0; i < 6; ++i) {
    ASSERT_FALSE(select->Eof());
    if (i == 2)
      EXPECT_TRUE(select->Fields(0).IsNull());
    else
      EXPECT_EQ(select->Fields(0).AsString(), std::string(static_cast<size_t>(i + 1), 'a' + i));
    EXPECT_EQ(select->Fields(1).AsDouble(), i == 3 ? 7.5 : i * 1.25);
    EXPECT_EQ(select->Fields(2).AsString(), i == 4 ? long_note : std::to_string(i));
    select->Next();
  }
}

TEST_F(QueryTest, ANameUsedTwiceSharesOneValue) {
  for (int v : {3, 4}) Run("insert into T values (" + std::to_string(v) + ")");
  auto query = NewQuery("Q", "select count(*) from T where V = :A or V + 1 = :A");
  EXPECT_EQ(query->ParamCount(), 2);
  query->ParamByName("A").SetAsInteger(4);
  query->ExecQuery();
  EXPECT_EQ(query->Fields(0).AsInteger(), 2);
  EXPECT_EQ(query->Param(1).AsInteger(), 4);
}

TEST_F(QueryTest, NamesakesAreFoundAgainAfterANewText) {
  for (int v : {3, 4, 5}) Run("insert into T values (" + std::to_string(v) + ")");
  auto query = NewQuery("Q", "select count(*) from T where V = :A or V = :B");
  query->ParamByName("A").SetAsInteger(3);
  query->ParamByName("B").SetAsInteger(5);
  query->ExecQuery();
  EXPECT_EQ(query->Fields(0).AsInteger(), 2);
  // Executed again on the same handle: one value still reaches both.
  query->Close();
  query->SQL().SetText("select count(*) from T where V = :A or V - 1 = :A or V = :B");
  query->ParamByName("A").SetAsInteger(4);
  query->ParamByName("B").SetAsInteger(0);
  for (int run = 0; run < 2; ++run) {
    query->ExecQuery();
    EXPECT_EQ(query->Fields(0).AsInteger(), 2);  // V = 4 and V = 5
    EXPECT_EQ(query->Param(1).AsInteger(), 4);
  }
  // A text without the name any more: B stands alone.
  query->Close();
  query->SQL().SetText("select count(*) from T where V = :B");
  query->ParamByName("B").SetAsInteger(3);
  query->ExecQuery();
  EXPECT_EQ(query->Fields(0).AsInteger(), 1);
  EXPECT_EQ(query->ParamCount(), 1);
}

TEST_F(QueryTest, EventsAroundTextChangesAndTransactionEnds) {
  auto query = NewQuery("Q", "select V from T");
  int changing = 0, ending = 0, ended = 0;
  query->OnSQLChanging = classlib::TNotifyEvent::Function([&](classlib::TObject*) { ++changing; });
  query->TransactionEnding = classlib::TNotifyEvent::Function([&](classlib::TObject*) { ++ending; });
  query->TransactionEnded = classlib::TNotifyEvent::Function([&](classlib::TObject*) { ++ended; });
  query->SQL().SetText("select V from T where V > 0");
  EXPECT_GE(changing, 1);
  query->ExecQuery();
  EXPECT_NE(query->Plan().find("T"), std::string::npos);
  tr_->Commit();
  EXPECT_EQ(ending, 1);
  EXPECT_EQ(ended, 1);
}

TEST_F(QueryTest, ParametersFillFromAnotherStatementByName) {
  auto source = NewQuery("Src", "select 7 as V, 'x' as W from RDB$DATABASE");
  source->ExecQuery();
  auto target = NewQuery("Dst", "insert into T values (:NEW_V)");
  ISQLObject* sources[] = {source.get()};
  AssignSQLObjectParams(*target, sources);
  EXPECT_EQ(target->ParamByName("NEW_V").AsInteger(), 7);
  int index = -1;
  EXPECT_TRUE(source->FieldExist("W", index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(target->ParamExist("V", index));
  target->ExecQuery();
  tr_->Commit();
  EXPECT_EQ(CountCommitted(7), 1);
}

// Each column read in the type it holds, then in others, on a row of values
// and on a row of NULLs: the readers answer the common case without the
// general conversion and must agree with it.
TEST_F(QueryTest, ColumnsReadTheSameValuesInTheirOwnTypeAndInOthers) {
  auto query = NewQuery(
      "Q",
      "select cast(7 as integer) I, cast(9000000000 as bigint) B, cast(123.45 as numeric(15,2)) N, "
      "cast(2.5 as double precision) D, cast('2001-02-03 04:05:06.7000' as timestamp) S, "
      "cast('text  ' as varchar(10)) V, cast('ab' as char(4)) C, 1 as K from RDB$DATABASE "
      "union all select cast(null as integer), cast(null as bigint), cast(null as numeric(15,2)), "
      "cast(null as double precision), cast(null as timestamp), cast(null as varchar(10)), "
      "cast(null as char(4)), 2 from RDB$DATABASE order by 8");
  query->ExecQuery();
  ASSERT_FALSE(query->Eof());
  EXPECT_EQ(query->Fields(0).AsInteger(), 7);
  EXPECT_EQ(query->Fields(0).AsInt64(), 7);
  EXPECT_EQ(query->Fields(0).AsDouble(), 7.0);
  EXPECT_EQ(query->Fields(1).AsInt64(), 9000000000);
  EXPECT_THROW(query->Fields(1).AsInteger(), EFIBClientError);
  EXPECT_EQ(query->Fields(2).AsDouble(), 123.45);  // exact, not 123.45000000000002
  EXPECT_EQ(query->Fields(2).AsInteger(), 123);
  EXPECT_EQ(query->Fields(2).AsString(), "123.45");
  EXPECT_EQ(query->Fields(3).AsDouble(), 2.5);
  EXPECT_EQ(query->Fields(3).AsInt64(), 2);
  EXPECT_NEAR(query->Fields(4).AsDateTime(),
              classlib::EncodeDate(2001, 2, 3) + classlib::EncodeTime(4, 5, 6, 700), 1e-9);
  EXPECT_EQ(query->Fields(5).AsString(), "text  ");
  EXPECT_EQ(query->Fields(6).AsString(), "ab  ");
  query->SetOptions({qoStartTransaction, qoTrimCharFields});
  EXPECT_EQ(query->Fields(5).AsString(), "text");
  EXPECT_EQ(query->Fields(6).AsString(), "ab");

  ASSERT_TRUE(query->Next());
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(i);
    const TFIBXSQLVAR& column = query->Fields(i);
    EXPECT_TRUE(column.IsNull());
    EXPECT_EQ(column.AsInteger(), 0);
    EXPECT_EQ(column.AsInt64(), 0);
    EXPECT_EQ(column.AsDouble(), 0.0);
    EXPECT_EQ(column.AsDateTime(), 0.0);
    EXPECT_EQ(column.AsString(), "");
  }
  EXPECT_FALSE(query->Next());
  EXPECT_THROW(query->Fields(8), EFIBClientError);
  EXPECT_THROW(query->Fields(-1), EFIBClientError);
}

// A logger that also logs fetches gets each row's values and the end; one
// that does not gets no fetch line.
TEST_F(QueryTest, FetchesAreLoggedOnlyToAFetchLogger) {
  struct FetchLogger : fib_test::RecordingLogger, ISQLFetchLogger {
    bool LogsFetches() const override { return true; }
  };
  Run("insert into T values (1)");
  Run("insert into T values (null)");
  auto fetch_lines = [](const fib_test::RecordingLogger& logger) {
    std::vector<std::string> lines;
    for (const auto& entry : logger.entries)
      if (entry.kind == kLogFetch) lines.push_back(entry.text);
    return lines;
  };

  fib_test::RecordingLogger plain;
  db_->SetSQLLogger(&plain);
  auto query = NewQuery("Q", "select V from T order by V nulls last");
  query->ExecQuery();
  while (query->Next()) {
  }
  EXPECT_TRUE(fetch_lines(plain).empty());
  EXPECT_FALSE(plain.entries.empty());  // the execution was logged
  query->Close();

  FetchLogger fetches;
  db_->SetSQLLogger(&fetches);
  query->ExecQuery();
  while (query->Next()) {
  }
  db_->SetSQLLogger(nullptr);
  EXPECT_EQ(fetch_lines(fetches),
            (std::vector<std::string>{"Fetch:\r\nV = 1", "Fetch:\r\nV = NULL",
                                      "Fetch:\r\n  End of file reached"}));
}

}  // namespace
}  // namespace fib
