// Errors of the values two sessions work on at once, on two threads: BFILE
// opens and reads, LOB writes, interval, timestamp and number texts, a
// nested table's deletion and a type's description that fail at the same
// moment each raise their own error, never the one the other
// session's value left behind (the text of a failure is read by a second
// call). Values kept past their session still raise their own errors and
// never hand the client a handle freed with the session. Every round is
// repeated under a watchdog.
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "dacore/object_shared.h"
#include "oracle/lob_ora_file.h"
#include "oracle/object_ora_array.h"
#include "oracle/object_ora_type.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/object_fixture.h"
#include "oracle/tests/rset_fixture.h"
#include "oracle/tests/session_concurrent_fixture.h"
#include "oracle/tests/standin_fixture_values.h"
#include "oracle/value_interval.h"
#include "oracle/value_number.h"
#include "oracle/value_timestamp.h"
#include "testing/watchdog.h"

namespace oracle::testing {
namespace {

constexpr const char* kFiles = "SELECT ID, F FROM FILES";
constexpr const char* kSpans = "SELECT ID, T, I, N FROM SPANS";
constexpr int kRounds = 150;

class ConcurrentValueErrorsTest : public RecordSetTest {
 protected:
  void SetUp() override {
    RecordSetTest::SetUp();
    values_ = std::make_unique<StandinValues>(ORACLE_STANDIN_PATH);
    const std::string folder = MakeFolder("bfiles");
    values_->MapDirectory("DOCS", folder);
    std::ofstream(folder + "/report.bin", std::ios::binary) << "a file on the server";
    fetch_->ScriptQuery(kFiles, "ID NUMBER(9); F BFILE");
    fetch_->AddRows(kFiles, "1|DOCS/report.bin\n2|DOCS/missing.bin");
    fetch_->ScriptQuery(kSpans, "ID NUMBER(5); T TIMESTAMP(6); I INTERVAL DAY(2) TO SECOND(6); N NUMBER(30)");
    fetch_->AddRows(kSpans, "1|2001-02-03 04:05:06.000000|+01 00:00:00.000000|42");
    objects_.DeclareSampleTypes();
  }
  void TearDown() override {
    values_.reset();
    RecordSetTest::TearDown();
  }

  // One session with its BFILE and date-time rows open, as an application
  // holds them.
  struct Work {
    std::unique_ptr<TOraSession> session = std::make_unique<TOraSession>();
    std::unique_ptr<TOraQuery> files = std::make_unique<TOraQuery>();
    std::unique_ptr<TOraQuery> spans = std::make_unique<TOraQuery>();
    ObjectRef lines;  // an empty nested table of SCOTT.LINES_T

    Work() {
      session->SetConnectString("scott/tiger@db1");
      session->Options().SetEnableNumbers(true);
      session->SetConnected(true);
      Open(*files, kFiles);
      Open(*spans, kSpans);
      TOraType* type = new TOraType(session->OCIConnection()->GetSvcCtx(), "SCOTT.LINES_T");
      lines.reset(new TOraNestTable(type));
      type->Release();
      lines->AllocObject();
    }
    void Open(TOraQuery& query, const char* sql) {
      query.SetSession(session.get());
      query.SetSQL(sql);
      query.Options().SetCacheLobs(false);
      query.Open();
    }
    template <class Value>
    Value* Of(TOraQuery& query, const char* field) {
      return dynamic_cast<Value*>(static_cast<dacore::TSharedObject*>(query.GetFieldObject(query.FieldByName(field))));
    }
    // The BFILE of a row (1 names a file that exists, 2 one that does not).
    TOraFile* File(int id) {
      files->First();
      files->MoveBy(id - 1);
      return Of<TOraFile>(*files, "F");
    }
  };

  // Runs both sessions' failing calls on two threads at once; answers what
  // raised another error than its own (at most a few).
  std::vector<std::string> RunTogether(Work& one, Work& two) {
    WrongNotes wrong(6);
    auto expect = [&](const std::string& what, const std::string& raised, const std::string& own) {
      if (raised.rfind(own, 0) != 0) wrong.Note(what + " raised " + raised);
    };
    // Each value is taken on the main thread: the record set is not the
    // threads' to walk.
    TOraFile* missing = one.File(2);
    TOraFile* unopened = one.File(1);
    auto* interval = one.Of<TOraInterval>(*one.spans, "I");
    TOraFile* written = two.File(1);
    auto* stamp = two.Of<TOraTimeStamp>(*two.spans, "T");
    auto* number = two.Of<TOraNumber>(*two.spans, "N");
    if (!missing || !unopened || !interval || !written || !stamp || !number) return {"a value is missing"};
    auto* lines = dynamic_cast<TOraNestTable*>(one.lines.get());
    OCISvcCtx* context = two.session->OCIConnection()->GetSvcCtx();
    RunAtOnce([&] {
      for (int round = 0; round < kRounds; ++round) {
        expect("the missing file's open", ErrorOf([&] { missing->Open(); }), "22288 ORA-22288");
        expect("the unopened file's read", ErrorOf([&] { unopened->ReadLob(); }), "22289 ORA-22289");
        expect("the interval's text", ErrorOf([&] { interval->SetAsString("no interval"); }), "1867 ORA-01867");
        expect("the nested table's deletion", ErrorOf([&] { lines->DeleteItem(5); }), "22160 ORA-22160");
      }
    }, [&] {
      for (int round = 0; round < kRounds; ++round) {
        expect("the file's write", ErrorOf([&] { written->WriteLob(); }), "22275 ORA-22275");
        expect("the timestamp's text", ErrorOf([&] { stamp->SetAsString("no timestamp"); }), kStampError);
        expect("the number's text", ErrorOf([&] { number->SetAsString("12x"); }), "1722 ORA-01722");
        expect("the missing type's description",
               ErrorOf([&] { dacore::ReleaseShared(new TOraType(context, "SCOTT.NO_SUCH_T")); }), kNoTypeError);
      }
    });
    return wrong.Taken();
  }

  static constexpr const char* kStampError = "1858 ORA-01858";
  static constexpr const char* kNoTypeError = "4043 ORA-04043";
  ObjectControl objects_;
  std::unique_ptr<StandinValues> values_;
};

TEST_F(ConcurrentValueErrorsTest, EachSessionsValuesRaiseTheirOwnErrors) {
  classlib::testing::TWatchdog watchdog(std::chrono::seconds(60), "ConcurrentValueErrorsTest");
  Work one, two;
  for (int run = 0; run < 3; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    EXPECT_EQ(RunTogether(one, two), std::vector<std::string>{});
  }
}

// A value kept past its session reports through the environment's handle:
// its own error, and never a call given the handle freed with the session.
TEST_F(ConcurrentValueErrorsTest, ValuesKeptPastTheirSessionRaiseTheirOwnErrors) {
  Work work;
  auto* interval = work.Of<TOraInterval>(*work.spans, "I");
  auto* stamp = work.Of<TOraTimeStamp>(*work.spans, "T");
  auto* number = work.Of<TOraNumber>(*work.spans, "N");
  TOraFile* file = work.File(1);
  ASSERT_TRUE(interval && stamp && number && file);
  for (dacore::TSharedObject* value : std::vector<dacore::TSharedObject*>{interval, stamp, number, file})
    value->AddRef();
  work.files.reset();
  work.spans.reset();
  work.session->SetConnected(false);
  work.session->SetConnected(true);  // a new error handle, perhaps where the old one was
  EXPECT_EQ(interval->AsString(), "+01 00:00:00.000000");
  EXPECT_EQ(ErrorOf([&] { interval->SetAsString("no interval"); }).substr(0, 15), "1867 ORA-01867:");
  EXPECT_EQ(ErrorOf([&] { stamp->SetAsString("no timestamp"); }).substr(0, 15), std::string(kStampError) + ":");
  EXPECT_EQ(ErrorOf([&] { number->SetAsString("12x"); }).substr(0, 15), "1722 ORA-01722:");
  EXPECT_EQ(number->AsInteger(), 42);
  EXPECT_EQ(file->FileName(), "report.bin");
  work.session->SetConnected(false);
  EXPECT_EQ(ErrorOf([&] { interval->SetAsString("no interval"); }).substr(0, 15), "1867 ORA-01867:")
      << "with no session open at all";
  for (dacore::TSharedObject* value : std::vector<dacore::TSharedObject*>{interval, stamp, number, file})
    value->Release();
  EXPECT_EQ(standin_->FreedHandleCalls(), 0) << "no call was given the handle freed with the session";
}

}  // namespace
}  // namespace oracle::testing
