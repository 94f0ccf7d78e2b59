// The Oracle layer's query and SQL components with Direct set, on the fake
// server, and the same failures through the client library (the stand-in).
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "classlib/field_blob.h"
#include "classlib/fields.h"
#include "oracle/call_state.h"
#include "oracle/call_table.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/query_ora_dataset.h"
#include "oranet/tests/fake_server_logon.h"
#include "oranet/tests/fake_server_session.h"
#include "oranet/stmt_entries.h"
#include "oranet/tests/fake_server_direct.h"

namespace oranet::testing {
namespace {

using namespace oracle;

class OraQueryDirectTest : public OraDirectTest {
 protected:
  std::unique_ptr<TOraQuery> NewQuery(TOraSession& session, const std::string& sql) {
    auto query = std::make_unique<TOraQuery>();
    query->SetSession(&session);
    query->SetSQL(sql);
    return query;
  }
};

// Gives the stand-in client library's scripted engine an answer to `sql`.
void ScriptStandinStatement(const std::string& sql, const std::string& answer) {
  void* library = dlopen(ORACLE_STANDIN_PATH, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(library, nullptr) << "the stand-in is loaded";
  reinterpret_cast<void (*)(const char*, const char*)>(dlsym(library, "standin_script_statement"))(sql.c_str(),
                                                                                                   answer.c_str());
  dlclose(library);
}

// The requests after the logon that call `function`.
std::vector<TBytes> Calls(const TFakeServer& fake, int function) {
  std::vector<TBytes> calls;
  for (const TBytes& request : Requests(fake))
    if (request.size() > 1 && request[0] == 3 && request[1] == function) calls.push_back(request);
  return calls;
}

std::string TempFile(const std::string& name, const std::string& content) {
  const std::string path = ::testing::TempDir() + name + "_" + std::to_string(::getpid());
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

// The whole road of a direct session: a query fetched in blocks, an UPDATE
// that writes a BLOB and a CLOB loaded from files into the locators it
// returns, a block with out-binds, a commit and the log-off; then direct
// mode is left and a session without Direct runs on the client library's
// own entries again.
TEST_F(OraQueryDirectTest, QueryUpdateBlockCommitAndBackToTheClientLibrary) {
  const TBytes blobLocator = Hex("00 70 00 01 11 22 33 44"), clobLocator = Hex("00 70 00 01 55 66 77 88");
  const std::string blob("\x00\x01\xFE\xFF", 4), clob = "Примечание, последний знак: Я";
  TFakeScript script = LogonThen(StatusMessage(0), {});
  // The query: described at prepare, opened, fetched two rows a call.
  for (const TBytes& answer :
       {DescribeReply({{2, 22, 9, 0, false, "ID"}, {1, 20, 0, 0, true, "NAME"}}), CursorOpened(5),
        Status({0, 0, "", 5, 0, 3}),
        Concat({RowHeader(), Row({Value(IntNumber(1)), TextValue("one")}), Row({Value(IntNumber(2)), TextValue("two")}),
                Done(2)}),
        Concat({RowHeader(), Row({Value(IntNumber(3)), TextValue("three")}), Row({Value(IntNumber(4)), NullValue()}),
                Done(4)}),
        Concat({RowHeader(), Row({Value(IntNumber(5)), TextValue("five")}),
                Status({5, 1403, "ORA-01403: no data found"})})})
    Append(script, Exchange(answer));
  // The UPDATE: the server asks for ID and returns both locators.
  Append(script, Exchange(CursorOpened(6)));
  Append(script, Exchange(BindVector({0x20, 0x10, 0x10})));
  Append(script, Exchange(Concat({Row({LocatorValue(blobLocator), LocatorValue(clobLocator)}), Done(1)})));
  for (int lob = 0; lob < 2; ++lob) {
    AppendBlock(script, 7, {0x20, 0x20}, {});              // trim to 0
    AppendBlock(script, 7, {0x20, 0x20, 0x20, 0x20}, {});  // write
  }
  Append(script, Exchange(EndOfCall()));  // the UPDATE's cursor closes once its LOBs are written
  // The block's out-binds come with the call's answer.
  Append(script, Exchange(CursorOpened(8)));
  Append(script, Exchange(Concat({BindVector({0x10, 0x10}), Row({Value(IntNumber(42)), TextValue("answer")}), Done(1)})));
  for (int i = 0; i < 4; ++i) Append(script, Exchange(EndOfCall()));  // commit, two closes, log-off
  TFakeServer fake({script});

  const std::string blobPath = TempFile("oranet_blob", blob), clobPath = TempFile("oranet_clob", clob);
  auto session = DirectSession(fake);
  auto query = NewQuery(*session, "SELECT ID, NAME FROM T");
  query->SetFetchRows(2);
  auto update = std::make_unique<TOraSQL>(), block = std::make_unique<TOraSQL>();
  update->SetSession(session.get());
  update->SetSQL("UPDATE T SET DATA = EMPTY_BLOB(), NOTE = EMPTY_CLOB() WHERE ID = :ID RETURNING DATA, NOTE INTO :DATA, :NOTE");
  block->SetSession(session.get());
  block->SetSQL("begin :N := 42; :S := 'answer'; end;");
  std::vector<std::string> names;
  int outInteger = 0;
  std::string outText;
  bool directWhileConnected = false;
  void* directExecute = nullptr;
  RunBounded(kBound, [&] {
    session->SetConnected(true);
    directWhileConnected = IsDirectMode();
    directExecute = OciEntryAddress(OciSlot::OCIStmtExecute);
    query->Open();
    for (; !query->Eof(); query->Next()) names.push_back(query->FieldByNumber(2)->AsString());
    query->Close();

    update->ParamByName("ID")->SetAsInteger(1);
    // The locators RETURNING ... INTO hands back take the input values.
    auto& data = static_cast<TOraParam&>(*update->ParamByName("DATA"));
    data.SetParamType(classlib::ptInput);
    data.AsOraBlob()->LoadFromFile(blobPath);
    auto& note = static_cast<TOraParam&>(*update->ParamByName("NOTE"));
    note.SetParamType(classlib::ptInput);
    note.AsOraClob()->LoadFromFile(clobPath);
    update->Execute();

    block->ParamByName("N")->SetDataType(classlib::ftInteger);
    block->ParamByName("N")->SetParamType(classlib::ptOutput);
    block->ParamByName("S")->SetDataType(classlib::ftString);
    block->ParamByName("S")->SetSize(20);
    block->ParamByName("S")->SetParamType(classlib::ptOutput);
    block->Execute();
    session->Commit();
    outInteger = block->ParamByName("N")->AsInteger();
    outText = block->ParamByName("S")->AsString();
    session->SetConnected(false);
  });
  std::remove(blobPath.c_str());
  std::remove(clobPath.c_str());
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  EXPECT_TRUE(directWhileConnected);
  EXPECT_EQ(directExecute, reinterpret_cast<void*>(&NetStmtExecute));
  EXPECT_EQ(names, (std::vector<std::string>{"one", "two", "three", "", "five"}));
  EXPECT_EQ(outInteger, 42);
  EXPECT_EQ(outText, "answer");

  // Every fetch asks for the two rows of FetchRows.
  const std::vector<TBytes> calls = Calls(fake, 71);
  ASSERT_EQ(calls.size(), 1u + 3u + 1u + 4u + 1u) << "execute, three fetches, the UPDATE, four LOB blocks, the block";
  for (int i = 1; i <= 3; ++i) EXPECT_TRUE(Holds(calls[i], Hex("01 01  01 02  00 00 00 00 00"))) << "fetch " << i;
  EXPECT_TRUE(Holds(calls[4], Bytes("begin UPDATE T SET DATA = EMPTY_BLOB()")))
      << "a RETURNING clause runs as a block";
  // The writes carry the locators and the files' bytes whole: the BLOB as
  // RAW, the CLOB as text with its last character.
  const TBytes sent = SentAfterLogon(fake);
  EXPECT_TRUE(Holds(sent, Concat({Hex("07"), Written(blobLocator)})));
  EXPECT_TRUE(Holds(sent, Concat({Written(Bytes(blob))})));
  EXPECT_TRUE(Holds(sent, Concat({Written(Bytes(clob))})));
  EXPECT_TRUE(Holds(sent, Written(clobLocator)));
  // The commit follows the writes; the log-off ends the session.
  const std::vector<TBytes> requests = Requests(fake);
  std::vector<int> tail;
  for (const TBytes& r : requests)
    if (r.size() > 1 && r[0] == 3 && (r[1] == 14 || r[1] == 9)) tail.push_back(r[1]);
  EXPECT_EQ(tail, (std::vector<int>{14, 9}));
  EXPECT_TRUE(standin_->Log().empty()) << "the client library was not called in direct mode";

  // The last direct session is gone: a session without Direct loads the
  // client library and its entries are back in the table.
  query.reset();
  update.reset();
  block.reset();
  session.reset();
  EXPECT_FALSE(IsDirectMode());
  TOraSession library;
  library.SetConnectString("scott/tiger@db1");
  RunBounded(kBound, [&] { library.SetConnected(true); });
  EXPECT_TRUE(library.Connected());
  void* standin = dlopen(ORACLE_STANDIN_PATH, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(standin, nullptr);
  EXPECT_EQ(OciEntryAddress(OciSlot::OCIStmtExecute), dlsym(standin, "OCIStmtExecute"));
  dlclose(standin);
  const auto log = standin_->Log();
  EXPECT_NE(std::find(log.begin(), log.end(), "OCISessionBegin user=scott cred=1 mode=0"), log.end());
}

// A wrong password and a missing table reach a query as the same errors
// whether the session runs on the network client or on the client library.
TEST_F(OraQueryDirectTest, WrongPasswordAndMissingTableGiveTheSameCodesInBothModes) {
  TFakeScript script = LogonThen(StatusMessage(0), {});
  // The describe at prepare meets the missing table; then the log-off.
  for (const TBytes& answer : {Status({0, 942, "ORA-00942: table or view does not exist", 0, 14, 0}), EndOfCall()})
    Append(script, Exchange(answer));
  TFakeServer fake({LogonThen(StatusMessage(1017, kWrongPasswordText), {TFakeStep::Silent(3000)}), script});
  const std::string missing = "SELECT * FROM NOWHERE";
  std::vector<int> direct, library;
  {
    auto refused = DirectSession(fake, "lion");
    auto error = ConnectError(*refused);
    direct.push_back(error ? error->ErrorCode() : 0);
    auto session = DirectSession(fake);
    RunBounded(kBound, [&] { session->SetConnected(true); });
    auto query = NewQuery(*session, missing);
    error = OraErrorOf([&] { query->Open(); });
    direct.push_back(error ? error->ErrorCode() : 0);
    EXPECT_FALSE(query->Active());
    query.reset();
    RunBounded(kBound, [&] { session->SetConnected(false); });
  }
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  EXPECT_TRUE(Holds(Calls(fake, 98).at(0), Bytes(missing))) << "the query's text went to the server";

  EXPECT_FALSE(IsDirectMode());
  ScriptStandinStatement(missing, "error=942 text=ORA-00942: table or view does not exist");
  TOraSession refused;
  refused.SetConnectString("scott/lion@db1");
  auto error = ConnectError(refused);
  library.push_back(error ? error->ErrorCode() : 0);
  TOraSession session;
  session.SetConnectString("scott/tiger@db1");
  session.SetConnected(true);
  auto query = NewQuery(session, missing);
  error = OraErrorOf([&] { query->Open(); });
  library.push_back(error ? error->ErrorCode() : 0);
  EXPECT_EQ(direct, (std::vector<int>{1017, 942}));
  EXPECT_EQ(library, direct);
  EXPECT_FALSE(standin_->LogOf("OCIStmtExecute").empty()) << "the library's own execute ran the query";
}

// A query's fields come from the select list the server describes:
// exactly its three columns, typed by their descriptions.
TEST_F(OraQueryDirectTest, AThreeColumnSelectGivesExactlyThreeFields) {
  TFakeScript script = LogonThen(StatusMessage(0), {});
  for (const TBytes& answer :
       {DescribeReply({{2, 22, 9, 0, false, "ID"}, {1, 40, 0, 0, true, "NAME"}, {12, 7, 0, 0, true, "CREATED"}}),
        CursorOpened(5), Status({0, 0, "", 5, 0, 3}), Status({0, 1403, "ORA-01403: no data found"}),
        EndOfCall(), EndOfCall()})
    Append(script, Exchange(answer));
  TFakeServer fake({script});
  auto session = DirectSession(fake);
  auto query = NewQuery(*session, "SELECT ID, NAME, CREATED FROM T");
  RunBounded(kBound, [&] {
    session->SetConnected(true);
    query->Open();
  });
  ASSERT_EQ(query->FieldCount(), 3);
  EXPECT_EQ(query->Fields().Fields(0)->FieldName(), "ID");
  EXPECT_EQ(query->Fields().Fields(0)->DataType(), classlib::ftInteger);
  EXPECT_EQ(query->Fields().Fields(1)->FieldName(), "NAME");
  EXPECT_EQ(query->Fields().Fields(1)->DataType(), classlib::ftString);
  EXPECT_EQ(query->Fields().Fields(2)->FieldName(), "CREATED");
  EXPECT_EQ(query->Fields().Fields(2)->DataType(), classlib::ftDateTime);
  EXPECT_TRUE(query->IsEmpty());
  RunBounded(kBound, [&] {
    query.reset();
    session->SetConnected(false);
  });
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  EXPECT_EQ(Calls(fake, 98).size(), 1u) << "described once, at prepare";
}


// The query's own fields in direct mode: a row read with null LOBs, a BLOB
// and a CLOB field loaded from files, and the post's generated UPDATE
// returning both locators, whose trim and write blocks carry the files'
// bytes whole (the CLOB's last character among them) before the commit.
TEST_F(OraQueryDirectTest, PostedEditWritesTheBlobAndClobFieldsThroughReturnedLocators) {
  const TBytes blobLocator = Hex("00 70 00 01 11 22 33 44"), clobLocator = Hex("00 70 00 01 55 66 77 88");
  const TBytes nullLob = Hex("00 00");
  const std::string blob("\x00\x01\x7F\x80\xFE\xFF", 6), clob = "Конец строки: последний знак Я";
  TFakeScript script = LogonThen(StatusMessage(0), {});
  for (const TBytes& answer :
       {DescribeReply({{2, 22, 9, 0, false, "ID"}, {113, 4000, 0, 0, true, "DATA"}, {112, 4000, 0, 0, true, "NOTE"}}),
        CursorOpened(5), Status({0, 0, "", 5, 0, 3}),
        Concat({RowHeader(), Row({Value(IntNumber(1)), nullLob, nullLob}), Status({1, 1403, "ORA-01403: no data found"})})})
    Append(script, Exchange(answer));
  // The UPDATE: the server asks for the old key and returns both locators.
  Append(script, Exchange(CursorOpened(6)));
  Append(script, Exchange(BindVector({0x20, 0x10, 0x10})));
  Append(script, Exchange(Concat({Row({LocatorValue(blobLocator), LocatorValue(clobLocator)}), Done(1)})));
  for (int lob = 0; lob < 2; ++lob) {
    AppendBlock(script, 7, {0x20, 0x20}, {});              // trim to 0
    AppendBlock(script, 7, {0x20, 0x20, 0x20, 0x20}, {});  // write
  }
  for (int i = 0; i < 4; ++i) Append(script, Exchange(EndOfCall()));  // the UPDATE's close, commit, close, log-off
  TFakeServer fake({script});

  const std::string blobPath = TempFile("oranet_field_blob", blob), clobPath = TempFile("oranet_field_clob", clob);
  auto session = DirectSession(fake);
  auto query = NewQuery(*session, "SELECT ID, DATA, NOTE FROM T");
  query->SetKeyFields("ID");
  std::string noteRead;
  RunBounded(kBound, [&] {
    session->SetConnected(true);
    query->Open();
    query->Edit();
    static_cast<classlib::TBlobField*>(query->FieldByName("DATA"))->LoadFromFile(blobPath);
    static_cast<classlib::TBlobField*>(query->FieldByName("NOTE"))->LoadFromFile(clobPath);
    noteRead = query->FieldByName("NOTE")->AsString();
    query->Post();
  });
  const std::string dataPosted = query->FieldByName("DATA")->AsString(), notePosted = query->FieldByName("NOTE")->AsString();
  RunBounded(kBound, [&] {
    query.reset();
    session->SetConnected(false);
  });
  std::remove(blobPath.c_str());
  std::remove(clobPath.c_str());
  fake.Join();
  EXPECT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  EXPECT_EQ(noteRead, clob) << "the CLOB read back from its field ends with its last character";
  EXPECT_EQ(notePosted, clob);
  EXPECT_EQ(dataPosted, blob);

  // The query, its fetch, the UPDATE (a RETURNING clause runs as a
  // block, its text in pieces), then the LOB blocks.
  const std::vector<TBytes> calls = Calls(fake, 71);
  ASSERT_EQ(calls.size(), 2u + 1u + 4u) << "the query and its fetch, the UPDATE, four LOB blocks";
  EXPECT_TRUE(Holds(calls[2], Bytes("begin UPDATE T")));
  EXPECT_TRUE(Holds(calls[2], Bytes("DATA = EMPTY_BLOB(), NOTE = EMPTY_CLOB()")));
  EXPECT_TRUE(Holds(calls[2], Bytes("RETURNING")));
  EXPECT_TRUE(Holds(calls[2], Bytes("  DATA, NOTE")));
  std::vector<std::string> blocks;
  for (size_t i = 3; i < calls.size(); ++i) {
    if (Holds(calls[i], Bytes("dbms_lob.trim"))) blocks.push_back("trim");
    if (Holds(calls[i], Bytes("dbms_lob.write"))) blocks.push_back("write");
  }
  EXPECT_EQ(blocks, (std::vector<std::string>{"trim", "write", "trim", "write"}));
  // Each write carries its locator and its file's bytes whole.
  const TBytes sent = SentAfterLogon(fake);
  EXPECT_TRUE(Holds(sent, Written(blobLocator)));
  EXPECT_TRUE(Holds(sent, Written(Bytes(blob))));
  EXPECT_TRUE(Holds(sent, Written(clobLocator)));
  EXPECT_TRUE(Holds(sent, Written(Bytes(clob)))) << "the CLOB's last character reached the server";
  // The commit follows the writes.
  std::vector<int> order;
  for (const TBytes& r : Requests(fake))
    if (r.size() > 1 && r[0] == 3 && (r[1] == 71 || r[1] == 14)) order.push_back(r[1]);
  ASSERT_FALSE(order.empty());
  EXPECT_EQ(order.back(), 14) << "committed after the LOB writes";
}
}  // namespace
}  // namespace oranet::testing
