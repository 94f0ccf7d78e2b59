// The SQLite test driver against the driver interfaces, on a real database
// file: field descriptions from declared types and every mapped value,
// fetching in blocks, scripts of several statements with positional
// parameters, transactions seen from a second session, engine errors
// through the error loop, the kill switch, the busy time-out and the lexer.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/datetime.h"
#include "dacore/sqlite_tests/sqlite_fixture.h"
#include "dacore/util_var_bytes.h"
#include "testing/sqlite_driver/sqlite_driver_lexer.h"
#include "testing/sqlite_driver/sqlite_driver_record_set.h"
#include "testing/sqlite_driver/sqlite_driver_types.h"

namespace dacore::sqlite_tests {
namespace {

using classlib::Variant;
using sqlite_driver::ESQLiteError;
using sqlite_driver::TSQLiteCommand;
using sqlite_driver::TSQLiteConnection;
using sqlite_driver::TSQLiteRecordSet;

class SQLiteDriverTest : public SQLiteTest {
 protected:
  std::unique_ptr<TSQLiteConnection> Connect() {
    auto connection = std::make_unique<TSQLiteConnection>();
    connection->SetServer(Path());
    connection->Connect("");
    return connection;
  }
  // Runs sql with the values bound in order; the rows it changed.
  int Run(TSQLiteConnection& connection, const std::string& sql, const std::vector<Variant>& values = {}) {
    TSQLiteCommand command;
    command.SetConnection(&connection);
    command.SetSQL(sql);
    command.AutoCommit = true;
    for (const Variant& value : values) command.AddParam()->SetValue(value);
    command.Execute(1);
    return command.RowsAffected();
  }
  std::unique_ptr<TSQLiteRecordSet> Open(TSQLiteConnection& connection, const std::string& sql,
                                         int fetch_rows = 25, bool flat_buffers = true) {
    auto record_set = std::make_unique<TSQLiteRecordSet>();
    record_set->FlatBuffers = flat_buffers;
    record_set->SetConnection(&connection);
    record_set->SetSQL(sql);
    record_set->GetCommand()->AutoCommit = true;
    record_set->FetchRows = fetch_rows;
    record_set->Open();
    return record_set;
  }
  static Variant Value(TSQLiteRecordSet& record_set, const std::string& field) {
    TRecBufHolder rec(record_set.RecordSize());
    record_set.GetRecord(rec.buf);
    const int no = record_set.FieldByName(field)->FieldNo();
    if (record_set.FieldByName(field)->DataType() == dtBlob)
      return record_set.GetNull(no, rec.buf) ? Variant::Null() : Variant(record_set.GetBlob(no, rec.buf)->GetAsString());
    Variant value;
    record_set.GetFieldAsVariant(no, rec.buf, value);
    return value;
  }
  int CountRows(TSQLiteConnection& connection, const std::string& table) {
    auto record_set = Open(connection, "SELECT COUNT(*) AS N FROM " + table);
    record_set->SetToBegin();
    record_set->GetNextRecord(nullptr);
    return Value(*record_set, "N").AsInteger();
  }
};

TEST_F(SQLiteDriverTest, DeclaredTypesDescribeTheFieldsAndEveryValueComesBack) {
  auto connection = Connect();
  Run(*connection,
      "CREATE TABLE ALLTYPES (I INTEGER, B BIGINT, S SMALLINT, F BOOLEAN, R REAL, N NUMERIC(10,2), "
      "V VARCHAR(20), M TEXT, L BLOB, D DATE, T TIME, DT DATETIME)");
  const classlib::TDateTime when = classlib::EncodeDate(2024, 2, 29) + classlib::EncodeTime(13, 45, 30, 250);
  Run(*connection, "INSERT INTO ALLTYPES VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
      {Variant(7), Variant(static_cast<long long>(1) << 40), Variant(static_cast<int16_t>(-3)), Variant(true),
       Variant(2.5), Variant(12.345), Variant("Привет"), Variant(std::string(5000, 'x')),
       BytesToVar(TBytes{0, 1, 2, 255}), Variant::FromDate(classlib::EncodeDate(2024, 2, 29)),
       Variant::FromDate(classlib::EncodeTime(13, 45, 30, 250)), Variant::FromDate(when)});
  Run(*connection, "INSERT INTO ALLTYPES (I) VALUES (NULL)");

  auto rs = Open(*connection, "SELECT * FROM ALLTYPES");
  const std::vector<std::pair<const char*, TDataType>> expected = {
      {"I", dtInt32}, {"B", dtInt64}, {"S", dtInt16},   {"F", dtBoolean}, {"R", dtFloat},   {"N", dtFloat},
      {"V", dtString}, {"M", dtMemo}, {"L", dtBlob},   {"D", dtDate},    {"T", dtTime},    {"DT", dtDateTime}};
  ASSERT_EQ(rs->GetFieldCount(), static_cast<int>(expected.size()));
  for (const auto& [name, type] : expected) EXPECT_EQ(rs->FieldByName(name)->DataType(), type) << name;
  EXPECT_EQ(rs->FieldByName("V")->Length(), 20);
  EXPECT_EQ(rs->FieldByName("N")->Scale(), 2);
  auto* field = static_cast<TCRFieldDesc*>(rs->FieldByName("V"));
  ASSERT_NE(field->TableInfo(), nullptr);
  EXPECT_EQ(field->TableInfo()->TableName(), "ALLTYPES");

  rs->SetToBegin();
  rs->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*rs, "I").AsInteger(), 7);
  EXPECT_EQ(Value(*rs, "B").AsInt64(), static_cast<int64_t>(1) << 40);
  EXPECT_EQ(Value(*rs, "S").AsInteger(), -3);
  EXPECT_TRUE(Value(*rs, "F").AsBoolean());
  EXPECT_DOUBLE_EQ(Value(*rs, "R").AsDouble(), 2.5);
  EXPECT_NEAR(Value(*rs, "N").AsDouble(), 12.35, 1e-9);  // rounded to the column's scale
  EXPECT_EQ(Value(*rs, "V").AsString(), "Привет");
  EXPECT_EQ(Value(*rs, "M").AsString(), std::string(5000, 'x'));
  EXPECT_EQ(Value(*rs, "L").AsString(), std::string("\0\1\2\xff", 4));
  EXPECT_DOUBLE_EQ(Value(*rs, "D").AsDate(), classlib::EncodeDate(2024, 2, 29));
  EXPECT_NEAR(Value(*rs, "T").AsDate(), classlib::EncodeTime(13, 45, 30, 250), 1e-9);
  EXPECT_NEAR(Value(*rs, "DT").AsDate(), when, 1e-9);

  rs->GetNextRecord(nullptr);
  EXPECT_TRUE(classlib::VarIsNull(Value(*rs, "V")));
  EXPECT_TRUE(classlib::VarIsNull(Value(*rs, "L")));
  rs->GetNextRecord(nullptr);
  EXPECT_TRUE(rs->GetEOF());
}

// Each row puts values of other storage classes than the column's type into
// every kind of field a row is stored in: they take the general way and come
// back as the engine converts them.
TEST_F(SQLiteDriverTest, EveryStorageClassReachesEveryFieldType) {
  auto connection = Connect();
  // ANYVALUE keeps what it is given (a text of 255 characters to the
  // driver); DATETIME keeps texts that are no numbers.
  Run(*connection,
      "CREATE TABLE MIXED (NO INTEGER PRIMARY KEY, I INTEGER, B BIGINT, R REAL, N NUMERIC(10,2), "
      "V VARCHAR(10), H VARCHAR(40), A ANYVALUE, DT DATETIME, D DATE)");
  Run(*connection, "INSERT INTO MIXED (NO) VALUES (1)");
  Run(*connection,
      "INSERT INTO MIXED VALUES (2, '12abc', X'3334', '2.5x', 1.234, 12, '" + std::string(40, 'h') +
          "', 2.5, 45000, 45000.5)");
  Run(*connection,
      "INSERT INTO MIXED VALUES (3, 3.75, -2.5, 7, X'00', 'abcdefghijklmno', '', X'414243', "
      "'2024-02-29T13:45:30', '2024-02-29 13:45:30')");
  Run(*connection,
      "INSERT INTO MIXED VALUES (4, 2147483648, 9007199254740993, 1e300, NULL, 'a' || char(0) || 'b', "
      "'short', 12, '2024-02-29 13:45:30.250', '1850-06-01')");

  auto rs = Open(*connection, "SELECT * FROM MIXED ORDER BY NO", 3, false);
  EXPECT_EQ(rs->FieldByName("H")->DataType(), dtHeapString);
  rs->SetToBegin();
  rs->GetNextRecord(nullptr);
  for (const char* name : {"I", "B", "R", "N", "V", "H", "A", "DT", "D"})
    EXPECT_TRUE(classlib::VarIsNull(Value(*rs, name))) << name;

  rs->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*rs, "I").AsInteger(), 12);      // the number the text starts with
  EXPECT_EQ(Value(*rs, "B").AsInt64(), 34);        // a blob read as its text
  EXPECT_DOUBLE_EQ(Value(*rs, "R").AsDouble(), 2.5);
  EXPECT_NEAR(Value(*rs, "N").AsDouble(), 1.23, 1e-9);
  EXPECT_EQ(Value(*rs, "V").AsString(), "12");
  EXPECT_EQ(Value(*rs, "H").AsString(), std::string(40, 'h'));
  EXPECT_EQ(Value(*rs, "A").AsString(), "2.5");
  EXPECT_DOUBLE_EQ(Value(*rs, "DT").AsDate(), 45000);
  EXPECT_DOUBLE_EQ(Value(*rs, "D").AsDate(), 45000);  // a date field keeps the day

  rs->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*rs, "I").AsInteger(), 3);
  EXPECT_EQ(Value(*rs, "B").AsInt64(), -2);
  EXPECT_DOUBLE_EQ(Value(*rs, "R").AsDouble(), 7);
  EXPECT_DOUBLE_EQ(Value(*rs, "N").AsDouble(), 0);
  EXPECT_EQ(Value(*rs, "V").AsString(), "abcdefghij");  // cut to the declared length
  EXPECT_TRUE(classlib::VarIsNull(Value(*rs, "H")));    // an empty text is NULL
  EXPECT_EQ(Value(*rs, "A").AsString(), "ABC");
  const classlib::TDateTime when = classlib::EncodeDate(2024, 2, 29) + classlib::EncodeTime(13, 45, 30, 0);
  EXPECT_NEAR(Value(*rs, "DT").AsDate(), when, 1e-9);
  EXPECT_DOUBLE_EQ(Value(*rs, "D").AsDate(), classlib::EncodeDate(2024, 2, 29));

  rs->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*rs, "I").AsInteger(), INT32_MIN);  // the low 32 bits
  EXPECT_EQ(Value(*rs, "B").AsInt64(), 9007199254740993);
  EXPECT_DOUBLE_EQ(Value(*rs, "R").AsDouble(), 1e300);
  EXPECT_TRUE(classlib::VarIsNull(Value(*rs, "N")));
  EXPECT_EQ(Value(*rs, "V").AsString(), "a");
  EXPECT_EQ(Value(*rs, "H").AsString(), "short");
  EXPECT_EQ(Value(*rs, "A").AsString(), "12");
  EXPECT_NEAR(Value(*rs, "DT").AsDate(), when + classlib::EncodeTime(0, 0, 0, 250), 1e-9);
  EXPECT_DOUBLE_EQ(Value(*rs, "D").AsDate(), classlib::EncodeDate(1850, 6, 1));
  rs->GetNextRecord(nullptr);
  EXPECT_TRUE(rs->GetEOF());
}

TEST_F(SQLiteDriverTest, RowsComeInBlocksAndExpressionsTakeTheirFirstValuesType) {
  auto connection = Connect();
  Run(*connection, "CREATE TABLE T (ID INTEGER)");
  Run(*connection, "INSERT INTO T VALUES (1); INSERT INTO T VALUES (2); INSERT INTO T VALUES (3);"
                   "INSERT INTO T VALUES (4); INSERT INTO T VALUES (5)");
  auto rs = Open(*connection, "SELECT ID FROM T ORDER BY ID", 2);
  EXPECT_EQ(rs->GetRecordCount(), 2);  // the first block only
  std::vector<int> seen;
  rs->SetToBegin();
  for (rs->GetNextRecord(nullptr); !rs->GetEOF(); rs->GetNextRecord(nullptr)) seen.push_back(Value(*rs, "ID").AsInteger());
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_TRUE(rs->FetchDone());

  auto sums = Open(*connection, "SELECT COUNT(*) AS N, SUM(ID) / 2.0 AS HALF, 'x' AS S FROM T");
  EXPECT_EQ(sums->FieldByName("N")->DataType(), dtInt64);
  EXPECT_EQ(sums->FieldByName("HALF")->DataType(), dtFloat);
  EXPECT_EQ(sums->FieldByName("S")->DataType(), dtString);
  sums->SetToBegin();
  sums->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*sums, "N").AsInteger(), 5);
  EXPECT_DOUBLE_EQ(Value(*sums, "HALF").AsDouble(), 7.5);
}

TEST_F(SQLiteDriverTest, AScriptRunsStatementByStatementBindingParametersInOrder) {
  auto connection = Connect();
  // The table the second statement fills exists only once the first ran.
  EXPECT_EQ(Run(*connection,
                "CREATE TABLE S (A INTEGER, B VARCHAR(10));\n"
                "INSERT INTO S VALUES (?, ?);\n"
                "-- a comment between\n"
                "INSERT INTO S VALUES (?, 'fixed'), (?, ?);\n"
                "UPDATE S SET A = A + 100 WHERE B = ?;",
                {Variant(1), Variant("one"), Variant(2), Variant(3), Variant("three"), Variant("one")}),
            4);
  auto rs = Open(*connection, "SELECT A, B FROM S ORDER BY A");
  std::vector<std::string> rows;
  rs->SetToBegin();
  for (rs->GetNextRecord(nullptr); !rs->GetEOF(); rs->GetNextRecord(nullptr))
    rows.push_back(Value(*rs, "A").AsString() + ":" + Value(*rs, "B").AsString());
  EXPECT_EQ(rows, (std::vector<std::string>{"2:fixed", "3:three", "101:one"}));
}

TEST_F(SQLiteDriverTest, AnOpenTransactionIsSeenByAnotherSessionOnlyOnceCommitted) {
  auto writer = Connect();
  auto reader = Connect();
  Run(*writer, "CREATE TABLE T (ID INTEGER)");
  writer->StartTransaction();
  EXPECT_TRUE(writer->InTransaction());
  Run(*writer, "INSERT INTO T VALUES (1)");
  EXPECT_EQ(CountRows(*reader, "T"), 0);
  writer->Commit();
  EXPECT_FALSE(writer->InTransaction());
  EXPECT_EQ(CountRows(*reader, "T"), 1);

  // Auto-commit off: each statement opens an implicit transaction that a
  // rollback takes back.
  writer->AutoCommit = false;
  Run(*writer, "INSERT INTO T VALUES (2)");
  EXPECT_TRUE(writer->InTransaction());
  writer->Rollback();
  EXPECT_EQ(CountRows(*reader, "T"), 1);
  // Ending no transaction is harmless.
  writer->Commit();
  writer->Rollback();
}

TEST_F(SQLiteDriverTest, EngineErrorsPassTheErrorLoopWithTheEnginesText) {
  auto connection = Connect();
  std::string heard;
  connection->OnError = TCRConnection::TErrorProc::Function(
      [&](classlib::Exception& e, bool& fail, bool&, bool&, int, TConnLostCause&) {
        heard = e.Message();
        EXPECT_TRUE(fail);
      });
  try {
    Run(*connection, "SELECT * FROM MISSING");
    FAIL() << "no error";
  } catch (const ESQLiteError& e) {
    EXPECT_EQ(e.Message(), "no such table: MISSING");
    EXPECT_EQ(e.ErrorCode(), SQLITE_ERROR);
    EXPECT_FALSE(e.ConnectionLost());
  }
  EXPECT_EQ(heard, "no such table: MISSING");

  // A handler that lets the error pass: the statement gives up quietly.
  Run(*connection, "CREATE TABLE U (ID INTEGER PRIMARY KEY)");
  Run(*connection, "INSERT INTO U VALUES (1)");
  connection->OnError = TCRConnection::TErrorProc::Function(
      [&](classlib::Exception& e, bool& fail, bool&, bool&, int, TConnLostCause&) {
        heard = e.Message();
        fail = false;
      });
  EXPECT_NO_THROW(Run(*connection, "INSERT INTO U VALUES (1)"));
  EXPECT_EQ(heard, "UNIQUE constraint failed: U.ID");
}

TEST_F(SQLiteDriverTest, AKilledSessionFailsAsLostUntilItConnectsAgain) {
  auto connection = Connect();
  Run(*connection, "CREATE TABLE T (ID INTEGER)");
  TSQLiteCommand prepared;
  prepared.SetConnection(connection.get());
  prepared.SetSQL("INSERT INTO T VALUES (1)");
  prepared.Prepare();
  connection->Kill();
  EXPECT_TRUE(connection->GetConnected());  // the client has not noticed yet
  try {
    prepared.Execute(1);
    FAIL() << "no error";
  } catch (const ESQLiteError& e) {
    EXPECT_TRUE(e.ConnectionLost());
  }
  EXPECT_THROW(connection->Ping(), ESQLiteError);
  connection->Connect("");
  EXPECT_TRUE(connection->Ping());
  // The statement compiled on the lost session is compiled anew.
  prepared.Execute(1);
  EXPECT_EQ(CountRows(*connection, "T"), 1);
}

TEST_F(SQLiteDriverTest, AWriterWaitsForALockUpToTheBusyTimeOut) {
  auto holder = Connect();
  Run(*holder, "CREATE TABLE T (ID INTEGER)");
  auto waiter = std::make_unique<TSQLiteConnection>();
  waiter->SetServer(Path());
  waiter->BusyTimeout = 200;
  waiter->Connect("");
  holder->Exec("BEGIN IMMEDIATE", nullptr);
  const auto start = std::chrono::steady_clock::now();
  try {
    Run(*waiter, "INSERT INTO T VALUES (1)");
    FAIL() << "no error";
  } catch (const ESQLiteError& e) {
    EXPECT_EQ(e.ErrorCode() & 0xFF, SQLITE_BUSY);
    EXPECT_EQ(e.Message(), "database is locked");
  }
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
  holder->Rollback();
  Run(*waiter, "INSERT INTO T VALUES (1)");
}

TEST(SQLiteLexer, QuotesCommentsAndClauseCodes) {
  sqlite_driver::TSQLiteParser parser("SELECT \"a b\", 'it''s' -- where\nFROM T where X = 1 ORDER BY X");
  std::string lexeme;
  std::vector<int> codes;
  for (int code = parser.GetNextToken(lexeme); code != lcEnd; code = parser.GetNextToken(lexeme)) codes.push_back(code);
  EXPECT_EQ(codes, (std::vector<int>{sqlite_driver::lxSELECT, lcIdent, 12, lcString, lcString, lcComment,
                                     sqlite_driver::lxFROM,
                                     lcIdent, sqlite_driver::lxWHERE, lcIdent, 19, lcNumber, sqlite_driver::lxORDER,
                                     sqlite_driver::lxBY, lcIdent}));
  EXPECT_TRUE(parser.IsClauseCode(sqlite_driver::lxORDER));
  EXPECT_FALSE(parser.IsClauseCode(sqlite_driver::lxFROM));
  EXPECT_EQ(sqlite_driver::SQLiteAddWhere("SELECT * FROM T ORDER BY ID", "ID > 1"),
            "SELECT * FROM T \rWHERE ID > 1 ORDER BY ID");
  EXPECT_EQ(sqlite_driver::SQLiteAddWhere("SELECT * FROM T WHERE A = 1 OR B = 2 LIMIT 3", "ID > 1"),
            "SELECT * FROM T WHERE( A = 1 OR B = 2 \r) AND ID > 1 LIMIT 3");
}

}  // namespace
}  // namespace dacore::sqlite_tests

namespace dacore::sqlite_tests {
namespace {

TEST(SQLiteTypes, DateTextsRoundTripOnBothSidesOfTheDayZero) {
  for (const classlib::TDateTime date : {classlib::EncodeDate(1850, 6, 1), classlib::EncodeDate(2030, 12, 31)}) {
    const classlib::TDateTime value = date + (date < 0 ? -1 : 1) * classlib::EncodeTime(12, 30, 15, 500);
    classlib::TDateTime back = 0;
    ASSERT_TRUE(sqlite_driver::ParseDateTimeText(sqlite_driver::DateTimeText(value, dtDateTime), back));
    EXPECT_NEAR(back, value, 1e-8) << sqlite_driver::DateTimeText(value, dtDateTime);
  }
  classlib::TDateTime ignored = 0;
  EXPECT_FALSE(sqlite_driver::ParseDateTimeText("not a date", ignored));
  EXPECT_FALSE(sqlite_driver::ParseDateTimeText("2024-02-30", ignored));
}

// The fixed-place reader of the driver's own form answers only for that form
// and then as the general reader does; every other text is left to the
// general reader.
TEST(SQLiteTypes, TheWrittenFormReaderAgreesWithTheGeneralOne) {
  using sqlite_driver::TWrittenForm;
  const struct {
    std::string text;
    TWrittenForm form;
  } cases[] = {
      {"2024-02-29 23:59:59.999", TWrittenForm::kValue},
      {"2024-02-29 23:59:59", TWrittenForm::kValue},
      {"0001-01-01 00:00:00.000", TWrittenForm::kValue},
      {"9999-12-31 23:59:59.999", TWrittenForm::kValue},
      {"1899-12-30 00:00:00.000", TWrittenForm::kValue},
      {"1899-12-29 18:00:00.000", TWrittenForm::kValue},  // before the day zero
      {"2023-02-29 10:00:00.000", TWrittenForm::kInvalid},
      {"0000-01-01 00:00:00", TWrittenForm::kInvalid},
      {"2024-13-01 00:00:00", TWrittenForm::kInvalid},
      {"2024-01-01 24:00:00.000", TWrittenForm::kInvalid},
      {"2024-01-01 23:60:00", TWrittenForm::kInvalid},
      {"2024-01-01 23:59:60", TWrittenForm::kInvalid},
      {"2024-01-01T10:00:00", TWrittenForm::kOther},
      {"2024-01-01 10:00:00.12", TWrittenForm::kOther},
      {"2024-01-01 10:00:00.1234", TWrittenForm::kOther},
      {"2024-01-01 10:00:00,123", TWrittenForm::kOther},
      {"2024-1-01 10:00:00.000", TWrittenForm::kOther},
      {"+024-01-01 10:00:00", TWrittenForm::kOther},
      {" 024-01-01 10:00:00", TWrittenForm::kOther},
      {"2024-01-01 1a:00:00", TWrittenForm::kOther},
      {"2024-01-01 10:00:00" + std::string(1, '\0') + "000", TWrittenForm::kOther},
      {"2024-01-01", TWrittenForm::kOther},
      {"", TWrittenForm::kOther},
  };
  for (const auto& c : cases) {
    classlib::TDateTime fixed = 0, general = 0, combined = 0;
    EXPECT_EQ(sqlite_driver::ParseWrittenDateTime(c.text.c_str(), c.text.size(), fixed), c.form) << c.text;
    const bool general_ok = sqlite_driver::ParseDateTimeTextGeneral(c.text.c_str(), general);
    if (c.form != TWrittenForm::kOther) {
      EXPECT_EQ(general_ok, c.form == TWrittenForm::kValue) << c.text;
    }
    if (c.form == TWrittenForm::kValue) {
      EXPECT_EQ(fixed, general) << c.text;
    }
    EXPECT_EQ(sqlite_driver::ParseDateTimeText(c.text, combined), general_ok) << c.text;
    if (general_ok) {
      EXPECT_EQ(combined, general) << c.text;
    }
  }
  classlib::TDateTime value = 0;
  ASSERT_TRUE(sqlite_driver::ParseDateTimeText("1899-12-29 18:00:00.000", value));
  EXPECT_DOUBLE_EQ(value, -1.75);
  ASSERT_TRUE(sqlite_driver::ParseDateTimeText("2024-01-01 10:00:00" + std::string(1, '\0') + "000", value));
  EXPECT_NEAR(value, classlib::EncodeDate(2024, 1, 1) + classlib::EncodeTime(10, 0, 0, 0), 1e-9);
}

}  // namespace
}  // namespace dacore::sqlite_tests
