// Locate and Lookup on a query's date-time, interval and NUMBER columns: the
// search value becomes a value of the column's kind and is compared by the
// value's own comparison.
#include <memory>
#include <string>

#include "classlib/datetime.h"
#include "classlib/fields.h"
#include "classlib/variant.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "oracle/session_options.h"
#include "oracle/tests/rset_fixture.h"
#include "oracle/tests/standin_fixture_values.h"

namespace oracle::testing {
namespace {

class OraLocateTest : public RecordSetTest {
 protected:
  static constexpr const char* kSql = "SELECT ID, T, I, N FROM EVENTS";

  void SetUp() override {
    RecordSetTest::SetUp();
    values_ = std::make_unique<StandinValues>(ORACLE_STANDIN_PATH);
    session_ = std::make_unique<TOraSession>();
    session_->Options().SetEnableNumbers(true);
    session_->SetConnectString("scott/tiger@db1");
    session_->SetConnected(true);
    fetch_->ScriptQuery(kSql, "ID NUMBER(5); T TIMESTAMP(6); I INTERVAL DAY(2) TO SECOND(6); N NUMBER(30)");
    fetch_->AddRows(kSql,
                    "1|2001-02-03 04:05:06.000000|+01 00:00:00.000000|12345678901234567890\n"
                    "2|<null>|<null>|<null>\n"
                    "3|2001-02-03 04:05:07.000000|+00 12:00:00.000000|42\n"
                    "4|2024-12-31 23:59:59.000000|+10 00:00:00.000000|2.5");
    query_ = std::make_unique<TOraQuery>();
    query_->SetSession(session_.get());
    query_->SetSQL(kSql);
    query_->Open();
  }
  void TearDown() override {
    query_.reset();
    session_.reset();
    values_.reset();
    RecordSetTest::TearDown();
  }
  int CurrentId() { return query_->FieldByName("ID")->AsInteger(); }
  std::string TextOfRow(int id, const std::string& field) {
    query_->First();
    while (CurrentId() != id) query_->Next();
    const std::string text = query_->FieldByName(field)->AsString();
    query_->First();
    return text;
  }

  std::unique_ptr<StandinValues> values_;
  std::unique_ptr<TOraSession> session_;
  std::unique_ptr<TOraQuery> query_;
};

TEST_F(OraLocateTest, TimeStampsAreFoundByTextAndByDateTime) {
  // The text a user sees in the field, in the session's format.
  const std::string third = TextOfRow(3, "T");
  EXPECT_TRUE(query_->Locate("T", classlib::Variant(third), {}));
  EXPECT_EQ(CurrentId(), 3);
  const classlib::TDateTime last = classlib::EncodeDate(2024, 12, 31) + classlib::EncodeTime(23, 59, 59, 0);
  EXPECT_TRUE(query_->Locate("T", classlib::Variant::FromDate(last), {}));
  EXPECT_EQ(CurrentId(), 4);
  const classlib::TDateTime absent = classlib::EncodeDate(2001, 2, 3) + classlib::EncodeTime(4, 5, 8, 0);
  EXPECT_FALSE(query_->Locate("T", classlib::Variant::FromDate(absent), {}));
  EXPECT_EQ(CurrentId(), 4) << "a search that finds nothing keeps the row";
  EXPECT_TRUE(query_->Locate("T", classlib::Null(), {})) << "a null key finds the null value";
  EXPECT_EQ(CurrentId(), 2);
}

TEST_F(OraLocateTest, IntervalsAreFoundByText) {
  EXPECT_TRUE(query_->Locate("I", classlib::Variant(std::string("+00 12:00:00.000000")), {}));
  EXPECT_EQ(CurrentId(), 3);
  EXPECT_FALSE(query_->Locate("I", classlib::Variant(std::string("+00 12:00:01.000000")), {}));
}

TEST_F(OraLocateTest, NumbersAreFoundByTextIntegerAndFloat) {
  EXPECT_TRUE(query_->Locate("N", classlib::Variant(std::string("12345678901234567890")), {}));
  EXPECT_EQ(CurrentId(), 1) << "beyond 64 bits, compared as NUMBERs";
  EXPECT_TRUE(query_->Locate("N", classlib::Variant(int32_t{42}), {}));
  EXPECT_EQ(CurrentId(), 3);
  EXPECT_TRUE(query_->Locate("N", classlib::Variant(2.5), {}));
  EXPECT_EQ(CurrentId(), 4);
  EXPECT_FALSE(query_->Locate("N", classlib::Variant(int32_t{43}), {}));
}

TEST_F(OraLocateTest, LookupOverSeveralKeysReturnsTheResultField) {
  const std::string third = TextOfRow(3, "T");
  const classlib::Variant keys = classlib::VarArrayOf({classlib::Variant(third), classlib::Variant(42.0)});
  EXPECT_EQ(query_->Lookup("T;N", keys, "ID").AsInteger(), 3);
  const classlib::Variant miss = classlib::VarArrayOf({classlib::Variant(third), classlib::Variant(41.0)});
  EXPECT_TRUE(classlib::VarIsNull(query_->Lookup("T;N", miss, "ID")));
}

TEST_F(OraLocateTest, LocalOrderKeepsLocateWorking) {
  // A sorted store searches its leading sort column by halving.
  query_->SetIndexFieldNames("N");
  EXPECT_TRUE(query_->Locate("N", classlib::Variant(std::string("42")), {}));
  EXPECT_EQ(CurrentId(), 3);
  EXPECT_TRUE(query_->Locate("N", classlib::Variant(2.5), {}));
  EXPECT_EQ(CurrentId(), 4);
}

}  // namespace
}  // namespace oracle::testing
