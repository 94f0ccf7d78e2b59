#include "oracle/tests/query_background_fixture.h"

#include <chrono>
#include <string>
#include <thread>

#include "platform/message_loop.h"

namespace oracle::testing {

void OraBackgroundQueryFixture::TearDown() {
  fetch_->SetFetchDelay(0);
  OraQueryFixture::TearDown();
}

void OraBackgroundQueryFixture::Script(int rows, int delay_ms) {
  fetch_->ScriptQuery(kSql, "ID NUMBER(9); GRP NUMBER(9)");
  std::string text;
  for (int i = 0; i < rows; ++i) text += std::to_string(i) + "|" + std::to_string(i % 4) + "\n";
  fetch_->AddRows(kSql, text);
  fetch_->SetFetchDelay(delay_ms);
}

std::unique_ptr<TOraQuery> OraBackgroundQueryFixture::NonBlocking(int fetch_rows, bool fetch_all) {
  auto query = NewQuery(kSql);
  query->SetFetchRows(fetch_rows);
  query->SetFetchAll(fetch_all);
  query->SetNonBlocking(true);
  return query;
}

TOCIRecordSet& OraBackgroundQueryFixture::RecordSetOf(TOraQuery& query) {
  return *dynamic_cast<TOCIRecordSet*>(query.IRecordSet());
}

bool OraBackgroundQueryFixture::StillArriving(TOraQuery& query) {
  TOCIRecordSet& record_set = RecordSetOf(query);
  return record_set.ExecutingInBackground() || record_set.FetchingAll();
}

void OraBackgroundQueryFixture::WaitForTheEnd(TOraQuery& query) {
  for (int waited = 0; StillArriving(query) && waited < 20000; ++waited) {
    platform::MessageLoop::Current().ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  platform::MessageLoop::Current().ProcessMessages();
  ASSERT_FALSE(StillArriving(query));
}

}  // namespace oracle::testing
