// Non-blocking queries on the stand-in: a select whose rows arrive slowly,
// a query that fetches them in the background, and the main thread's side
// of it (is it still fetching, hand its posts over until it ends).
#pragma once

#include <memory>

#include "oracle/rset_oci_record_set.h"
#include "oracle/tests/query_fixture.h"

namespace oracle::testing {

class OraBackgroundQueryFixture : public OraQueryFixture {
 protected:
  static constexpr const char* kSql = "SELECT ID, GRP FROM ARRIVING";

  void TearDown() override;
  // Rows ID 0 .. rows-1, GRP = ID % 4, each fetch call delayed by delay_ms.
  void Script(int rows, int delay_ms);
  // A non-blocking query of the rows, fetching fetch_rows at a time (not opened).
  std::unique_ptr<TOraQuery> NonBlocking(int fetch_rows, bool fetch_all);

  static TOCIRecordSet& RecordSetOf(TOraQuery& query);
  static bool StillArriving(TOraQuery& query);
  // Hands what the thread posted to the main thread (as its message loop
  // would) until the query fetches no more.
  static void WaitForTheEnd(TOraQuery& query);
};

}  // namespace oracle::testing
