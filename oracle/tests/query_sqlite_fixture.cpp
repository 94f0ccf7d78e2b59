#include "oracle/tests/query_sqlite_fixture.h"

#include "classlib/field.h"

namespace oracle::testing {

void SqliteTierTest::SetUp() {
  RecordSetTest::SetUp();
  tier_ = std::make_unique<standin_testing::StandinTier>(ORACLE_STANDIN_PATH);
  tier_->Open("db1", temp_ + "/db1.sqlite", "scott", "tiger",
              "CREATE TABLE T (ID NUMBER(9) PRIMARY KEY, GUID_COL VARCHAR2(38), BLOB_COL BLOB);"
              "INSERT INTO T VALUES (1, '{A}', X'0102');"
              "INSERT INTO T VALUES (2, '{B}', X'0304');"
              "INSERT INTO T VALUES (3, NULL, NULL)");
}

void SqliteTierTest::TearDown() {
  sessions_.clear();
  tier_.reset();
  RecordSetTest::TearDown();
}

TOraSession& SqliteTierTest::Connect(const std::string& server) {
  auto session = std::make_unique<TOraSession>();
  session->SetUsername("scott");
  session->SetPassword("tiger");
  session->SetServer(server);
  session->SetConnected(true);
  sessions_.push_back(std::move(session));
  return *sessions_.back();
}

std::unique_ptr<TOraQuery> SqliteTierTest::NewQuery(TOraSession& session, const std::string& sql) {
  auto query = std::make_unique<TOraQuery>();
  query->SetSession(&session);
  query->SetSQL(sql);
  return query;
}

std::map<std::string, std::string> SqliteTierTest::ReadBlobs() {
  TOraSession& reader = Connect();
  auto query = NewQuery(reader, "SELECT GUID_COL, BLOB_COL FROM T WHERE GUID_COL IS NOT NULL");
  query->Open();
  std::map<std::string, std::string> blobs;
  for (; !query->Eof(); query->Next()) blobs[query->FieldByNumber(1)->AsString()] = query->FieldByNumber(2)->AsString();
  query->Close();
  return blobs;
}

std::vector<std::string> SqliteTierTest::Executed() {
  std::vector<std::string> lines = session_->Executed();
  for (std::string& line : lines)
    while (!line.empty() && line.back() == ' ') line.pop_back();
  return lines;
}

// The rows of a query, fields joined by "|", "<null>" for a null.
std::vector<std::string> Rows(TOraQuery& query) {
  std::vector<std::string> rows;
  query.Open();
  for (; !query.Eof(); query.Next()) {
    std::string row;
    for (int i = 1; i <= query.FieldCount(); ++i) {
      classlib::TField* field = query.FieldByNumber(i);
      row += (i > 1 ? "|" : "") + (field->IsNull() ? std::string("<null>") : field->AsString());
    }
    rows.push_back(row);
  }
  query.Close();
  return rows;
}

}  // namespace oracle::testing
