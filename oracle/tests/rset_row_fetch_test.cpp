// Fetching one row at a time on the stand-in: a scrollable cursor's window
// moved forward, backward, to the end, to the start and to bookmarks, with
// absolute fetches the call log shows; LONG values of such rows read through
// the piece calls; the light client, which fetches no blocks.
#include <map>

#include "dacore/blob.h"
#include "dacore/driver_props.h"
#include "oracle/call_state.h"
#include "oracle/tests/rset_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;
using ::testing::ElementsAre;
using namespace dacore;

constexpr const char* kNumbers = "select n from s";

class RowFetchTest : public RecordSetTest {
 protected:
  // A scrollable record set over `count` generated rows of one NUMBER
  // column (row i holds i), opened.
  std::unique_ptr<TOCIRecordSet> Scrollable(int count, int fetch_rows) {
    fetch_->ScriptQuery(kNumbers, "N NUMBER(9)");
    fetch_->GenerateRows(kNumbers, count);
    auto record_set = NewRecordSet(kNumbers, fetch_rows);
    record_set->GetCommand()->SetProp(prScrollableCursor, true);
    record_set->Open();
    return record_set;
  }
  int Current(TOCIRecordSet& record_set) { return Value(record_set, "N").AsInteger(); }
  // The offsets of the absolute fetches logged since the last ClearLog.
  std::vector<std::string> Fetches() { return Calls("OCIStmtFetch2"); }
};

TEST_F(RowFetchTest, ScrollableWindowMovesForwardAndBack) {
  Connect();
  auto record_set = Scrollable(30, 5);
  EXPECT_THAT(Calls("OCIStmtExecute"), ElementsAre("OCIStmtExecute iters=0 offset=0 mode=16",
                                                   "OCIStmtExecute iters=0 offset=0 mode=8"));
  EXPECT_THAT(Fetches(), ElementsAre("OCIStmtFetch2 rows=1 orient=32 offset=1"));
  EXPECT_EQ(Calls("OCIDefineArrayOfStruct").size(), 0u) << "one row a call: no strides";

  std::vector<int> seen;
  record_set->SetToBegin();
  for (record_set->GetNextRecord(nullptr); !record_set->GetEOF(); record_set->GetNextRecord(nullptr)) {
    seen.push_back(Current(*record_set));
    EXPECT_EQ(record_set->GetRecordNo(), seen.back() + 1) << "record numbers are places in the result";
    EXPECT_LE(record_set->EndRowHeld() - record_set->FirstRowHeld(), 5);
  }
  ASSERT_EQ(seen.size(), 30u);
  EXPECT_EQ(seen.back(), 29);
  EXPECT_EQ(Fetches().size(), 31u) << "thirty rows and the call that finds the end";
  EXPECT_EQ(Fetches().back(), "OCIStmtFetch2 rows=1 orient=32 offset=31");
  EXPECT_EQ(record_set->FirstRowHeld(), 25);
  EXPECT_EQ(record_set->GetRecordCount(), 30);
  EXPECT_EQ(record_set->Command().GetCursorState(), csFetchingPaused) << "a scrollable cursor stays open at its end";

  // Backward: the rows before the window are fetched again, one by one.
  standin_->ClearLog();
  std::vector<int> back;
  for (record_set->GetPriorRecord(nullptr); !record_set->GetBOF(); record_set->GetPriorRecord(nullptr))
    back.push_back(Current(*record_set));
  ASSERT_EQ(back.size(), 30u);
  EXPECT_EQ(back.front(), 29);
  EXPECT_EQ(back.back(), 0);
  EXPECT_EQ(Fetches().size(), 25u);
  EXPECT_EQ(Fetches().front(), "OCIStmtFetch2 rows=1 orient=32 offset=25");
  EXPECT_EQ(Fetches().back(), "OCIStmtFetch2 rows=1 orient=32 offset=1");
  EXPECT_EQ(record_set->FirstRowHeld(), 0);
  EXPECT_EQ(record_set->EndRowHeld(), 5);
}

TEST_F(RowFetchTest, EndIsOneFetchAndBeginStartsAgain) {
  Connect();
  auto record_set = Scrollable(30, 5);
  standin_->ClearLog();
  record_set->SetToEnd();
  EXPECT_THAT(Fetches(), ElementsAre("OCIStmtFetch2 rows=1 orient=8 offset=0"));
  EXPECT_EQ(record_set->GetRecordCount(), 30);
  record_set->GetPriorRecord(nullptr);
  EXPECT_EQ(Current(*record_set), 29) << "the last row was kept";
  record_set->GetPriorRecord(nullptr);
  EXPECT_EQ(Current(*record_set), 28);
  EXPECT_EQ(Fetches().back(), "OCIStmtFetch2 rows=1 orient=32 offset=29");
  // At the end already: no second fetch of the last row.
  record_set->SetToEnd();
  record_set->GetPriorRecord(nullptr);
  EXPECT_EQ(Current(*record_set), 29);
  EXPECT_EQ(Fetches().size(), 2u);

  standin_->ClearLog();
  record_set->SetToBegin();
  EXPECT_EQ(record_set->GetRecordCount(), 30);
  record_set->GetNextRecord(nullptr);
  EXPECT_EQ(Current(*record_set), 0);
  EXPECT_THAT(Fetches(), ElementsAre("OCIStmtFetch2 rows=1 orient=32 offset=1"));
}

TEST_F(RowFetchTest, BookmarksFetchTowardsTheirRowOrStartANewWindow) {
  Connect();
  auto record_set = Scrollable(40, 6);
  std::map<int, TRecBookmark> marks;
  record_set->SetToBegin();
  for (int i = 0; i <= 12; ++i) {
    record_set->GetNextRecord(nullptr);
    record_set->GetBookmark(marks[Current(*record_set)]);
  }
  ASSERT_EQ(record_set->FirstRowHeld(), 7);

  // Still held: no fetch.
  standin_->ClearLog();
  record_set->SetToBookmark(marks[9]);
  EXPECT_EQ(Current(*record_set), 9);
  EXPECT_TRUE(Fetches().empty());

  // Within half a window before it: fetched backward, one by one.
  record_set->SetToBookmark(marks[5]);
  EXPECT_EQ(Current(*record_set), 5);
  EXPECT_THAT(Fetches(), ElementsAre("OCIStmtFetch2 rows=1 orient=32 offset=7", "OCIStmtFetch2 rows=1 orient=32 offset=6"));
  // And after it: forward.
  standin_->ClearLog();
  record_set->SetToBookmark(marks[12]);
  EXPECT_EQ(Current(*record_set), 12);
  EXPECT_THAT(Fetches(), ElementsAre("OCIStmtFetch2 rows=1 orient=32 offset=12", "OCIStmtFetch2 rows=1 orient=32 offset=13"));

  // Far from the window: it is dropped and starts at the row.
  standin_->ClearLog();
  record_set->SetToBookmark(marks[2]);
  EXPECT_EQ(Current(*record_set), 2);
  EXPECT_THAT(Fetches(), ElementsAre("OCIStmtFetch2 rows=1 orient=32 offset=3"));
  EXPECT_EQ(record_set->FirstRowHeld(), 2);
  EXPECT_EQ(record_set->EndRowHeld(), 3);
  record_set->GetPriorRecord(nullptr);
  EXPECT_EQ(Current(*record_set), 1);
  EXPECT_EQ(record_set->GetRecordNo(), 2);
}

TEST_F(RowFetchTest, ScrollableCursorNeedsAVersion9Client) {
  UseClient(8, 1, 7);
  Connect();
  fetch_->ScriptQuery(kNumbers, "N NUMBER(9)");
  auto record_set = NewRecordSet(kNumbers);
  record_set->GetCommand()->SetProp(prScrollableCursor, true);
  EXPECT_EQ(MessageOf([&] { record_set->Open(); }), "Need Oracle 9 Call Interface");
}

TEST_F(RowFetchTest, LongValuesOfARowComeThroughThePieceCalls) {
  Connect();
  const std::string sql = "select id, txt, bin from longs";
  fetch_->ScriptQuery(sql, "ID NUMBER(5); TXT LONG; BIN LONG RAW");
  const std::string text(90, 'y');
  fetch_->AddRows(sql, "1|" + text + "|DEADBEEF\n2|<null>|<null>\n3|short|");
  const uint32_t saved = DefaultPieceSize();
  SetDefaultPieceSize(40);
  auto record_set = NewRecordSet(sql);
  record_set->GetCommand()->SetProp(prScrollableCursor, true);
  record_set->Open();
  SetDefaultPieceSize(saved);
  record_set->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "TXT").AsString(), text);
  TBlob* binary = record_set->GetBlob(3, ItemRecord(record_set->CurrentItem()));
  EXPECT_EQ(binary->GetAsString(), "\xDE\xAD\xBE\xEF");
  EXPECT_EQ(binary->PieceCount(), 1);
  // 90 bytes in pieces of 40, each asked for by a fetch answering 99.
  EXPECT_THAT(Calls("piece row=0"), ElementsAre("piece row=0 col=2 bytes=40", "piece row=0 col=2 bytes=40",
                                                "piece row=0 col=2 bytes=10", "piece row=0 col=3 bytes=4"));
  EXPECT_EQ(Calls("OCIStmtGetPieceInfo").size(), 4u);
  EXPECT_EQ(Calls("OCIStmtFetch2").size(), 5u);
  EXPECT_TRUE(Calls("OCIDefineDynamic").empty()) << "no callback: the pieces are asked for";
  record_set->GetNextRecord(nullptr);
  EXPECT_TRUE(record_set->GetNull(2, ItemRecord(record_set->CurrentItem())));
  EXPECT_TRUE(record_set->GetNull(3, ItemRecord(record_set->CurrentItem())));
  EXPECT_EQ(record_set->GetBlob(2, ItemRecord(record_set->CurrentItem()))->PieceCount(), 0)
      << "an empty piece is not kept";
  record_set->GetNextRecord(nullptr);
  EXPECT_EQ(Value(*record_set, "TXT").AsString(), "short");
}

TEST_F(RowFetchTest, LightClientFetchesOneRowACall) {
  Connect();
  struct Lite {
    Lite() { OCILite = true; }
    ~Lite() { OCILite = false; }
  } lite;
  const std::string sql = "select id, txt from longs";
  fetch_->ScriptQuery(sql, "ID NUMBER(5); TXT LONG");
  fetch_->AddRows(sql, "1|one\n2|two\n3|three");
  auto record_set = NewRecordSet(sql, 25);
  record_set->Open();
  std::vector<std::string> texts;
  record_set->SetToBegin();
  for (record_set->GetNextRecord(nullptr); !record_set->GetEOF(); record_set->GetNextRecord(nullptr))
    texts.push_back(Value(*record_set, "TXT").AsString());
  EXPECT_THAT(texts, ElementsAre("one", "two", "three"));
  EXPECT_THAT(Calls("OCIStmtFetch"), ElementsAre("OCIStmtFetch rows=1 orient=2", "OCIStmtFetch rows=1 orient=2",
                                                      "OCIStmtFetch rows=1 orient=2", "OCIStmtFetch rows=1 orient=2",
                                                      "OCIStmtFetch rows=1 orient=2", "OCIStmtFetch rows=1 orient=2",
                                                      "OCIStmtFetch rows=1 orient=2"));
  EXPECT_EQ(record_set->Command().GetCursorState(), csFinished);
  EXPECT_TRUE(record_set->FetchDone());
}

}  // namespace
}  // namespace oracle::testing
