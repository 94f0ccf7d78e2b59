// Tests of Oracle data sets on a connected session component of the
// stand-in's scripted engine.
#pragma once

#include <memory>
#include <string>

#include "oracle/query_ora_dataset.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/rset_fixture.h"

namespace oracle::testing {

class OraQueryFixture : public RecordSetTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // A query on the session with that text (not opened).
  std::unique_ptr<TOraQuery> NewQuery(const std::string& sql);
  // Scripts a SELECT with its columns and rows and opens a query on it.
  std::unique_ptr<TOraQuery> OpenQuery(const std::string& sql, const std::string& columns, const std::string& rows,
                                       const std::string& key_fields = "");
  // A text as the server gets it: each line end one LF.
  static std::string AsSent(std::string sql);
  std::unique_ptr<TOraSession> session_component_;
};

}  // namespace oracle::testing
