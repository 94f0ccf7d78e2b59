// The query component end to end on the stand-in's SQLite tier, the way the
// updater uses it: a session opened with user, password and server, a
// SELECT read by position, a LOB edited through its returned locator and
// read back from a second session, server errors with their Oracle text.
#include <fstream>
#include <memory>
#include <string>

#include "classlib/field.h"
#include "dacore/blob.h"
#include "dacore/blob_compressed.h"
#include "oracle/query_ora_options.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/tests/query_sqlite_fixture.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

TEST_F(SqliteTierTest, SelectIsReadByPositionToTheEnd) {
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ID, GUID_COL FROM T ORDER BY ID");
  query->Execute();
  ASSERT_TRUE(query->Active());
  std::vector<int> ids;
  std::vector<std::string> guids;
  for (; !query->Eof(); query->Next()) {
    ids.push_back(query->FieldByNumber(1)->AsInteger());
    guids.push_back(query->FieldByNumber(2)->AsString());
  }
  EXPECT_EQ(ids, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(guids, (std::vector<std::string>{"{A}", "{B}", ""}));
  EXPECT_TRUE(query->FieldByNumber(2)->IsNull());
  EXPECT_TRUE(InOrder(standin_->Log(), {"OCIServerAttach link=db1 mode=0", "OCISessionBegin user=scott cred=1 mode=0"}));
}

TEST_F(SqliteTierTest, StatementWithoutRowsLeavesTheQueryClosed) {
  TOraSession& session = Connect();
  auto query = NewQuery(session, "UPDATE T SET GUID_COL = 'x' WHERE ID = 3");
  query->Execute();
  EXPECT_FALSE(query->Active());
  EXPECT_EQ(query->RowsAffected(), 1);
  auto missing = NewQuery(session, "DELETE FROM T WHERE ID = 42");
  missing->Execute();
  EXPECT_EQ(missing->RowsAffected(), 0);
  EXPECT_EQ(ReadBlobs().count("x"), 1u) << "a query commits its statements by default";
}

TEST_F(SqliteTierTest, ServerErrorsCarryTheirOracleText) {
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT * FROM NOWHERE");
  EXPECT_EQ(OracleErrorOf([&] { query->Open(); }), "942 ORA-00942:");
  EXPECT_FALSE(query->Active());
  auto duplicate = NewQuery(session, "INSERT INTO T (ID) VALUES (1)");
  EXPECT_EQ(OracleErrorOf([&] { duplicate->Execute(); }), "1 ORA-00001:");
  auto column = NewQuery(session, "SELECT NOWHERE FROM T");
  EXPECT_EQ(OracleErrorOf([&] { column->Open(); }), "904 ORA-00904:");
}

// A statement refused before it changed a row opens no transaction: it
// holds no lock that another session's write would wait for, and its
// session has no work pending.
TEST_F(SqliteTierTest, ARefusedStatementLeavesNoWorkAndNoLock) {
  TOraSession& session = Connect();
  auto duplicate = NewQuery(session, "INSERT INTO T (ID) VALUES (1)");
  EXPECT_EQ(OracleErrorOf([&] { duplicate->Execute(); }), "1 ORA-00001:");
  EXPECT_EQ(session_->PendingWork(), 0);
  EXPECT_TRUE(session.GetTransactionID().empty());
  TOraSession& other = Connect();
  auto write = NewQuery(other, "UPDATE T SET GUID_COL = 'y' WHERE ID = 3");
  EXPECT_EQ(OracleErrorOf([&] { write->Execute(); }), "(no error)");
  EXPECT_EQ(ReadBlobs().count("y"), 1u);
}

// A line comment at the end of the text: the extra condition goes on a new
// line, with or without a WHERE clause of the text's own.
TEST_F(SqliteTierTest, FilterSQLHoldsAfterATrailingLineComment) {
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT ID FROM T -- every row");
  query->SetFilterSQL("ID < 3");
  EXPECT_EQ(Rows(*query), (std::vector<std::string>{"1", "2"}));
  auto narrowed = NewQuery(session, "SELECT ID FROM T WHERE ID > 1 -- not the first");
  narrowed->SetFilterSQL("ID < 3");
  EXPECT_EQ(Rows(*narrowed), (std::vector<std::string>{"2"}));
}

TEST_F(SqliteTierTest, FileThatCannotBeOpenedRefusesTheLogon) {
  tier_->Attach("db2", temp_ + "/no/such/folder/db2.sqlite");
  auto session = std::make_unique<TOraSession>();
  session->SetConnectString("scott/tiger@db2");
  EXPECT_THAT(classlib::testing::MessageOf([&] { session->SetConnected(true); }), ::testing::HasSubstr("ORA-01034"));
  EXPECT_FALSE(session->Connected());
}

TEST_F(SqliteTierTest, WrongPasswordIsRefused) {
  auto session = std::make_unique<TOraSession>();
  session->SetUsername("scott");
  session->SetPassword("wrong");
  session->SetServer("db1");
  EXPECT_THAT(classlib::testing::MessageOf([&] { session->SetConnected(true); }), ::testing::HasSubstr("ORA-01017"));
}

// ---- Editing a LOB as the updater does ---------------------------------------------------

class SqliteTierEditTest : public SqliteTierTest {
 protected:
  std::string WriteFile(const std::string& bytes) {
    const std::string path = temp_ + "/blob.bin";
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
};

TEST_F(SqliteTierEditTest, BlobLoadedFromAFileIsPostedThroughItsLocator) {
  std::string bytes = "BLOB";
  for (int i = 0; i < 70000; ++i) bytes += static_cast<char>(i * 7 % 256);
  const std::string file = WriteFile(bytes);
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT GUID_COL, BLOB_COL FROM T WHERE GUID_COL IS NOT NULL");
  query->Execute();
  ASSERT_TRUE(query->Active());
  ASSERT_EQ(query->FieldByNumber(1)->AsString(), "{A}");
  query->Next();
  ASSERT_EQ(query->FieldByNumber(1)->AsString(), "{B}");
  standin_->ClearLog();
  query->Edit();
  query->GetBlob(query->FieldByNumber(2)->FieldName())->LoadFromFile(file);
  query->Post();
  // The row is found by every column but the LOB: its key is not selected.
  EXPECT_TRUE(InOrder(Executed(), {"UPDATE T", "SET", "  BLOB_COL = EMPTY_BLOB()", "WHERE",
                                             "  GUID_COL = :Old_GUID_COL", "RETURNING", "  BLOB_COL", "INTO"}))
      << ::testing::PrintToString(Executed());
  // The UPDATE does not commit by itself: the LOB follows it, then the commit.
  EXPECT_TRUE(InOrder(standin_->Log(), {"OCIBindByName name=BLOB_COL type=113 size=8 mode=0",
                                        "OCIStmtExecute iters=1 offset=0 mode=0",
                                        "OCILobWrite amount=65514 offset=1 bufl=65514 piece=0 csid=0 csfrm=0",
                                        "OCILobWrite amount=4490 offset=65515 bufl=4490 piece=0 csid=0 csfrm=0",
                                        "OCITransCommit flags=0"}));

  const auto blobs = ReadBlobs();
  ASSERT_EQ(blobs.size(), 2u);
  EXPECT_EQ(blobs.at("{A}"), std::string("\x01\x02", 2)) << "the other row is untouched";
  EXPECT_EQ(blobs.at("{B}").size(), bytes.size());
  EXPECT_TRUE(blobs.at("{B}") == bytes) << "read back byte for byte";
}
// With CacheLobs off the fetched LOBs are read when used; the value loaded
// into one is still what the post writes.
TEST_F(SqliteTierEditTest, BlobPostedWithCacheLobsOffKeepsItsValue) {
  const std::string bytes(1000, 'z');
  const std::string file = WriteFile(bytes);
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT GUID_COL, BLOB_COL FROM T WHERE GUID_COL = '{B}'");
  query->Options().SetCacheLobs(false);
  query->Open();
  query->Edit();
  query->GetBlob(query->FieldByNumber(2)->FieldName())->LoadFromFile(file);
  query->Post();
  EXPECT_EQ(ReadBlobs().at("{B}"), bytes);
}

TEST_F(SqliteTierEditTest, BlobPostedThroughATemporaryLob) {
  const std::string bytes(3000, 'q');
  TOraSession& session = Connect();
  auto query = NewQuery(session, "SELECT GUID_COL, BLOB_COL FROM T WHERE GUID_COL = '{B}'");
  query->Options().SetTemporaryLobUpdate(true);
  query->Open();
  query->Edit();
  query->GetBlob(query->FieldByNumber(2)->FieldName())->LoadFromFile(WriteFile(bytes));
  query->Post();
  EXPECT_EQ(ReadBlobs().at("{B}"), bytes);
}

// CompressBlobMode: the server modes store a BLOB compressed, the client
// modes hold a fetched one compressed; what the fields give is the value.
class SqliteTierCompressTest : public SqliteTierEditTest {
 protected:
  static constexpr const char* kRowB = "SELECT GUID_COL, BLOB_COL FROM T WHERE GUID_COL = '{B}'";

  // Posts the value into row {B} under that mode.
  void Post(const std::string& bytes, dacore::TCompressBlobMode mode) {
    auto query = NewQuery(Connect(), kRowB);
    query->Options().SetCompressBlobMode(mode);
    query->Open();
    query->Edit();
    query->GetBlob(query->FieldByNumber(2)->FieldName())->LoadFromFile(WriteFile(bytes));
    query->Post();
  }
  // Row {B}'s BLOB as the server keeps it: read uncached, straight from the server.
  std::string Stored() {
    auto query = NewQuery(Connect(), kRowB);
    query->Options().SetCacheLobs(false);
    query->Open();
    return query->FieldByNumber(2)->AsString();
  }
  static std::string Compressible() {
    std::string bytes;
    for (int i = 0; i < 5000; ++i) bytes += "line " + std::to_string(i % 10) + "\n";
    return bytes;
  }
};

TEST_F(SqliteTierCompressTest, ServerModeStoresTheCompressedForm) {
  const std::string bytes = Compressible();
  Post(bytes, dacore::cbServer);
  const std::string stored = Stored();
  ASSERT_GT(stored.size(), 16u);
  EXPECT_LT(stored.size(), bytes.size());
  EXPECT_EQ(stored.compare(0, 16, reinterpret_cast<const char*>(dacore::kCompressedBlobSignature), 16), 0);
  // Every cached fetch holds it uncompressed unless a client mode asks otherwise.
  EXPECT_EQ(ReadBlobs().at("{B}"), bytes);
}

TEST_F(SqliteTierCompressTest, ClientModeHoldsTheFetchedBlobCompressed) {
  const std::string bytes = Compressible();
  Post(bytes, dacore::cbClient);
  EXPECT_EQ(Stored(), bytes) << "the client mode writes the value as it is";
  auto query = NewQuery(Connect(), kRowB);
  query->Options().SetCompressBlobMode(dacore::cbClientServer);
  query->Open();
  auto* blob = dynamic_cast<dacore::TCompressedBlob*>(query->GetBlob(query->FieldByNumber(2)->FieldName()));
  ASSERT_NE(blob, nullptr);
  EXPECT_TRUE(blob->IsCompressed());
  EXPECT_FALSE(blob->Modified());
  EXPECT_EQ(query->FieldByNumber(2)->AsString(), bytes);
}

}  // namespace
}  // namespace oracle::testing
