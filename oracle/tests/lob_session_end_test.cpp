// LOB and BFILE values an application keeps past the end of their session:
// what they hold on the client stays readable, anything that needs the
// server is refused with a clear error, and nothing ever hands the client
// library the service context the connection freed, nor carries the value
// over onto the session of a reconnect.
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "classlib/stream.h"
#include "oracle/error_messages.h"
#include "oracle/field_ora_fields.h"
#include "oracle/lob_ora_file.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/param_ora_param.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/query_ora_options.h"
#include "oracle/query_ora_sql.h"
#include "oracle/session_ora_session.h"
#include "oracle/tests/rset_fixture.h"
#include "oracle/tests/standin_fixture_values.h"
#include "testing/message_of.h"

namespace oracle::testing {
namespace {

using classlib::testing::MessageOf;

class LobSessionEndTest : public RecordSetTest {
 protected:
  static constexpr const char* kNotes = "SELECT ID, NOTE FROM NOTES";
  static constexpr const char* kFiles = "SELECT ID, F FROM FILES";

  void SetUp() override {
    RecordSetTest::SetUp();
    values_ = std::make_unique<StandinValues>(ORACLE_STANDIN_PATH);
    session_ = std::make_unique<TOraSession>();
    session_->SetConnectString("scott/tiger@db1");
    session_->SetConnected(true);
  }
  void TearDown() override {
    session_.reset();
    values_.reset();
    RecordSetTest::TearDown();
  }
  std::unique_ptr<TOraQuery> Open(const std::string& sql, const std::string& columns, const std::string& rows,
                                  bool cache_lobs) {
    fetch_->ScriptQuery(sql, columns);
    fetch_->AddRows(sql, rows);
    auto query = std::make_unique<TOraQuery>();
    query->SetSession(session_.get());
    query->SetSQL(sql);
    query->Options().SetCacheLobs(cache_lobs);
    query->Open();
    return query;
  }
  // The CLOB of the first row, with a reference of the caller's.
  TOraLob* KeepNote(TOraQuery& query) {
    auto* lob = static_cast<TOraLob*>(query.GetFieldObject(query.FieldByName("NOTE")));
    lob->AddRef();
    return lob;
  }
  // A stream over the BFILE DOCS/report.bin, which holds content.
  std::unique_ptr<classlib::TStream> FileStream(const std::string& content, bool cache_lobs) {
    const std::string folder = MakeFolder("bfiles");
    values_->MapDirectory("DOCS", folder);
    std::ofstream(folder + "/report.bin", std::ios::binary) << content;
    auto query = Open(kFiles, "ID NUMBER(9); F BFILE", "1|DOCS/report.bin", cache_lobs);
    return query->CreateBlobStream(query->FieldByName("F"), classlib::bmRead);
  }
  static std::string ReadAll(classlib::TStream& stream) {
    std::string read(64, '\0');
    read.resize(static_cast<size_t>(stream.Read(read.data(), static_cast<int>(read.size()))));
    return read;
  }

  std::unique_ptr<StandinValues> values_;
  std::unique_ptr<TOraSession> session_;
};

TEST_F(LobSessionEndTest, KeptLobReadsWhatItHoldsAndRefusesTheServer) {
  auto cached_query = Open(kNotes, "ID NUMBER(9); NOTE CLOB", "1|held on the client", true);
  TOraLob* cached = KeepNote(*cached_query);
  EXPECT_EQ(cached->GetAsString(), "held on the client");
  auto uncached_query = Open(kNotes, "ID NUMBER(9); NOTE CLOB", "1|kept on the server", false);
  TOraLob* uncached = KeepNote(*uncached_query);
  ASSERT_FALSE(uncached->Cached());
  auto temporary_query = Open(kNotes, "ID NUMBER(9); NOTE CLOB", "1|replaced", true);
  TOraLob* temporary = KeepNote(*temporary_query);
  temporary->CreateTemporary(ltClob);
  ASSERT_TRUE(temporary->IsTemporary());
  temporary_query.reset();
  cached_query.reset();
  uncached_query.reset();

  session_->SetConnected(false);
  EXPECT_EQ(cached->GetAsString(), "held on the client") << "the pieces need no server";
  cached->SetAsString("edited offline");
  EXPECT_EQ(cached->GetAsString(), "edited offline");
  EXPECT_EQ(MessageOf([&] { cached->WriteLob(); }), messages::kSessionNotConnected);
  EXPECT_EQ(MessageOf([&] { cached->LengthLob(); }), messages::kSessionNotConnected);
  EXPECT_EQ(MessageOf([&] { uncached->GetAsString(); }), messages::kSessionNotConnected);
  EXPECT_EQ(MessageOf([&] { uncached->ReadLob(); }), messages::kSessionNotConnected);
  EXPECT_EQ(MessageOf([&] { uncached->CreateTemporary(ltClob); }), messages::kSessionNotConnected);
  standin_->ClearLog();
  cached->Release();
  uncached->Release();
  temporary->Release();
  EXPECT_TRUE(standin_->LogOf("OCILobFreeTemporary").empty()) << "the temporary LOB went with its session";
  EXPECT_EQ(standin_->FreedHandleCalls(), 0) << "no call was given the freed service context";
}

// A parameter lets its LOB go at the disconnect; the application's
// reference keeps the value it was handed back, and nothing more.
TEST_F(LobSessionEndTest, KeptParameterLobReadsWhatItHoldsAndRefusesTheServer) {
  const std::string block = "begin select note into :c from notes where id = 1; end;";
  statements_->Script(block, "rows=0 out:c=handed_back");
  auto sql = std::make_unique<TOraSQL>();
  sql->SetSession(session_.get());
  sql->SetSQL(block);
  TOraParam* c = sql->Params().ParamByName("c");
  c->SetParamType(classlib::ptOutput);
  TOraLob* lob = c->AsOraClob();
  sql->Execute();
  lob->AddRef();
  session_->SetConnected(false);
  EXPECT_EQ(lob->GetAsString(), "handed_back");
  EXPECT_EQ(MessageOf([&] { lob->WriteLob(); }), messages::kLobNotAllocated) << "its locator went with the session";
  sql.reset();
  EXPECT_EQ(lob->GetAsString(), "handed_back") << "the parameter's end leaves the value";
  lob->Release();
  EXPECT_EQ(standin_->FreedHandleCalls(), 0);
}

// A reconnect makes a new service context, perhaps where the old one was:
// a value of the session before stays refused rather than carried over.
TEST_F(LobSessionEndTest, KeptLobIsNotCarriedOverOntoAReconnect) {
  auto query = Open(kNotes, "ID NUMBER(9); NOTE CLOB", "1|the first session's", false);
  TOraLob* lob = KeepNote(*query);
  query.reset();
  session_->SetConnected(false);
  session_->SetConnected(true);
  EXPECT_EQ(MessageOf([&] { lob->GetAsString(); }), messages::kSessionNotConnected);
  EXPECT_EQ(MessageOf([&] { lob->LengthLob(); }), messages::kSessionNotConnected);
  lob->Release();
  auto fresh = Open(kNotes, "ID NUMBER(9); NOTE CLOB", "1|the second session's", false);
  TOraLob* current = KeepNote(*fresh);
  EXPECT_EQ(current->GetAsString(), "the second session's") << "the new session's values work";
  current->Release();
  EXPECT_EQ(standin_->FreedHandleCalls(), 0);
}

TEST_F(LobSessionEndTest, KeptBFileStreamReadsWhatItHoldsAndGoesWithoutAClose) {
  const std::string content = "a file read before the session ended";
  auto stream = FileStream(content, true);
  char head[6] = {};
  ASSERT_EQ(stream->Read(head, 6), 6) << "read, and so held, while connected";
  session_->SetConnected(false);
  EXPECT_EQ(ReadAll(*stream), content.substr(6));
  EXPECT_EQ(stream->Seek(2, classlib::soFromBeginning), 2);
  EXPECT_EQ(ReadAll(*stream), content.substr(2));
  EXPECT_EQ(stream->Size(), static_cast<int64_t>(content.size()));
  EXPECT_EQ(stream->Write("x", 1), 0);
  standin_->ClearLog();
  stream.reset();
  EXPECT_TRUE(standin_->LogOf("OCILobFileClose").empty()) << "the session closed its files with it";
  EXPECT_EQ(standin_->FreedHandleCalls(), 0);

  // A reconnect in between changes nothing.
  stream = FileStream(content, true);
  ASSERT_EQ(stream->Read(head, 6), 6);
  session_->SetConnected(false);
  session_->SetConnected(true);
  EXPECT_EQ(ReadAll(*stream), content.substr(6));
  standin_->ClearLog();
  stream.reset();
  EXPECT_TRUE(standin_->LogOf("OCILobFileClose").empty()) << "nothing is closed on the new session";
  EXPECT_EQ(standin_->FreedHandleCalls(), 0);
}

TEST_F(LobSessionEndTest, UncachedBFileStreamRefusesToReadAfterTheSessionEnds) {
  auto stream = FileStream("read straight from the server", false);
  session_->SetConnected(false);
  char buffer[8];
  EXPECT_EQ(MessageOf([&] { stream->Read(buffer, sizeof buffer); }), messages::kSessionNotConnected);
  EXPECT_EQ(MessageOf([&] { stream->Seek(0, classlib::soFromEnd); }), messages::kSessionNotConnected);
  stream.reset();
  EXPECT_EQ(standin_->FreedHandleCalls(), 0);
}

// A BFILE value taken from its field keeps its names, which the client
// holds, and refuses whatever asks the server.
TEST_F(LobSessionEndTest, KeptBFileKeepsItsNamesAndRefusesTheServer) {
  auto query = Open(kFiles, "ID NUMBER(9); F BFILE", "1|DOCS/report.bin", true);
  TOraFile* file = dynamic_cast<TBFileField&>(*query->FieldByName("F")).AsFile();
  file->AddRef();
  query.reset();
  session_->SetConnected(false);
  EXPECT_EQ(file->FileDir(), "DOCS");
  EXPECT_EQ(file->FileName(), "report.bin");
  for (const auto& [name, call] : std::vector<std::pair<std::string, std::function<void()>>>{
           {"Open", [&] { file->Open(); }},
           {"Close", [&] { file->Close(); }},
           {"Exists", [&] { file->Exists(); }},
           {"IsOpen", [&] { file->IsOpen(); }},
           {"Refresh", [&] { file->Refresh(); }}}) {
    EXPECT_EQ(MessageOf(call), messages::kSessionNotConnected) << name;
  }
  file->Release();
  EXPECT_EQ(standin_->FreedHandleCalls(), 0);
}

}  // namespace
}  // namespace oracle::testing
