#include "oracle/tests/query_fixture.h"

namespace oracle::testing {

void OraQueryFixture::SetUp() {
  RecordSetTest::SetUp();
  session_component_ = std::make_unique<TOraSession>();
  session_component_->SetConnectString("scott/tiger@db1");
  session_component_->SetConnected(true);
  standin_->ClearLog();
}

void OraQueryFixture::TearDown() {
  session_component_.reset();
  RecordSetTest::TearDown();
}

std::unique_ptr<TOraQuery> OraQueryFixture::NewQuery(const std::string& sql) {
  auto query = std::make_unique<TOraQuery>();
  query->SetSession(session_component_.get());
  query->SetSQL(sql);
  return query;
}

std::unique_ptr<TOraQuery> OraQueryFixture::OpenQuery(const std::string& sql, const std::string& columns,
                                                     const std::string& rows, const std::string& key_fields) {
  fetch_->ScriptQuery(sql, columns);
  if (!rows.empty()) fetch_->AddRows(sql, rows);
  auto query = NewQuery(sql);
  query->SetKeyFields(key_fields);
  query->Open();
  return query;
}

std::string OraQueryFixture::AsSent(std::string sql) {
  for (size_t at = sql.find("\r\n"); at != std::string::npos; at = sql.find("\r\n", at)) sql.erase(at, 1);
  for (char& c : sql)
    if (c == '\r') c = '\n';
  return sql;
}

}  // namespace oracle::testing
