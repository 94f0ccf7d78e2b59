// Tests of the query components on the stand-in's SQLite tier: a file per
// test with a table T (ID key, GUID_COL, BLOB_COL) of three rows, sessions
// of scott/tiger@db1 on it, and the helpers that read rows and errors back.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "oracle/error_ora.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/rset_fixture.h"
#include "testing/oci_standin/oci_standin_tier.h"

namespace oracle::testing {

class SqliteTierTest : public RecordSetTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A connected session of scott/tiger on the server, kept until the test ends.
  TOraSession& Connect(const std::string& server = "db1");
  std::unique_ptr<TOraQuery> NewQuery(TOraSession& session, const std::string& sql);
  // The BLOB of each row with a GUID, read through a session of its own.
  std::map<std::string, std::string> ReadBlobs();
  // The statements the sessions ran, one line each, without trailing blanks.
  std::vector<std::string> Executed();

  std::unique_ptr<standin_testing::StandinTier> tier_;
  std::vector<std::unique_ptr<TOraSession>> sessions_;
};

// The rows of a query, fields joined by "|", "<null>" for a null.
std::vector<std::string> Rows(TOraQuery& query);

// The code and the start of the text of the EOraError that f raises.
template <class F>
std::string OracleErrorOf(F f) {
  try {
    f();
  } catch (const EOraError& e) {
    return std::to_string(e.ErrorCode()) + " " + std::string(e.what()).substr(0, 10);
  }
  return "(no error)";
}

}  // namespace oracle::testing
