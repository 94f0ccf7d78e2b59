// National text in direct mode, on a server whose database character set
// is WE8ISO8859P1 and a session that sends UTF8: a value of the implicit
// form is converted through the database's set and loses what that set
// lacks; a national parameter, or a national field's value in a
// generated statement, is announced with the national form and kept whole.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/field.h"
#include "classlib/fields.h"
#include "oracle/query_ora_dataset.h"
#include "oranet/tests/fake_server_charsets.h"
#include "oranet/tests/fake_server_direct.h"
#include "oranet/tests/fake_server_logon.h"
#include "oranet/tests/fake_server_session.h"

namespace oranet::testing {
namespace {

using namespace oracle;

const std::string kText = "Жук €";

class OraNationalDirectTest : public OraDirectTest {
 protected:
  std::unique_ptr<TOraSession> Latin1Session(const TFakeServer& fake) {
    auto session = DirectSession(fake);
    session->Options().SetCharset("UTF8");
    return session;
  }

  // The call of the connection whose text begins with `start`.
  static TCheckedCall CallOf(TFakeServer& fake, const std::string& start) {
    for (const TCheckedCall& call : fake.Calls())
      if (call.sql.rfind(start, 0) == 0) return call;
    ADD_FAILURE() << "no call of " << start;
    return {};
  }

  // What the server keeps of bind `index` in the first row.
  static std::string Stored(const TCheckedCall& call, size_t index) {
    if (call.rows.empty() || index >= call.rows[0].size() || call.rows[0][index].stored.empty()) return "<none>";
    return call.rows[0][index].stored[0];
  }
};

TEST(FakeServerCharsetTest, ImplicitValuesPassThroughTheDatabaseSet) {
  const TBytes utf8 = Bytes(kText);
  EXPECT_EQ(StoredText(utf8, kFakeCharsetUtf8, kFakeCharsetLatin1, kFakeFormImplicit), "??? ?");
  EXPECT_EQ(StoredText(utf8, kFakeCharsetUtf8, kFakeCharsetLatin1, kFakeFormNational), kText);
  EXPECT_EQ(StoredText(utf8, kFakeCharsetUtf8, kFakeCharsetAl32Utf8, kFakeFormImplicit), kText);
  // Latin-1 text the database holds: "café" survives the implicit form.
  EXPECT_EQ(StoredText(Bytes("caf\xC3\xA9"), 0, kFakeCharsetUtf8, kFakeFormImplicit), "caf\xC3\xA9");
  EXPECT_EQ(StoredText(TBytes{'c', 'a', 'f', 0xE9}, kFakeCharsetLatin1, kFakeCharsetLatin1, kFakeFormImplicit),
            "caf\xC3\xA9");
  EXPECT_EQ(StoredText(TBytes{0xD0}, kFakeCharsetUtf8, kFakeCharsetAl32Utf8, kFakeFormImplicit), "\xEF\xBF\xBD")
      << "a cut sequence is no character";
}

// The same text bound twice: plainly it reaches the server as "??? ?", as
// National it arrives whole.
TEST_F(OraNationalDirectTest, NationalParameterKeepsWhatTheDatabaseSetLacks) {
  TFakeScript script = LogonThen(StatusMessage(0), {}, kFakeCharsetLatin1);
  AppendSessionSettings(script, 4);
  for (const TBytes& answer : {CursorOpened(5), Done(1), EndOfCall(), EndOfCall()})  // insert, close, log-off
    Append(script, Exchange(answer));
  TFakeServer fake({script});
  auto session = Latin1Session(fake);
  TOraSQL insert;
  insert.SetSession(session.get());
  insert.SetSQL("INSERT INTO N (ID, PLAIN, NTEXT) VALUES (:ID, :PLAIN, :NTEXT)");
  RunBounded(kBound, [&] {
    session->SetConnected(true);
    insert.ParamByName("ID")->SetAsInteger(1);
    insert.ParamByName("PLAIN")->SetAsString(kText);
    auto& national = static_cast<TOraParam&>(*insert.ParamByName("NTEXT"));
    national.SetAsString(kText);
    national.SetNational(true);
    insert.Execute();
    session->SetConnected(false);
  });
  fake.Join();
  ASSERT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  const TCheckedCall call = CallOf(fake, "INSERT");
  ASSERT_EQ(call.binds.size(), 3u);
  EXPECT_EQ(call.binds[1].charsetForm, 1);
  EXPECT_EQ(call.binds[2].charsetForm, 2);
  EXPECT_EQ(Stored(call, 1), "??? ?") << "a plain value goes through the database's set";
  EXPECT_EQ(Stored(call, 2), kText);
}

// A query's NVARCHAR2 field and its VARCHAR2 neighbour edited to the same
// text: the generated UPDATE binds the national one nationally.
TEST_F(OraNationalDirectTest, PostedEditBindsANationalFieldNationally) {
  TFakeScript script = LogonThen(StatusMessage(0), {}, kFakeCharsetLatin1);
  AppendSessionSettings(script, 4);
  TColumnFields note{1, 40, 0, 0, true, "NOTE"};
  note.charsetForm = 2;
  for (const TBytes& answer :
       {DescribeReply({{2, 22, 9, 0, false, "ID"}, {1, 40, 0, 0, true, "NAME"}, note}), CursorOpened(5),
        Status({0, 0, "", 5, 0, 3}),
        Concat({RowHeader(), Row({Value(IntNumber(1)), TextValue("a"), TextValue("b")}),
                Status({1, 1403, "ORA-01403: no data found"})}),
        CursorOpened(6), Done(1)})
    Append(script, Exchange(answer));
  for (int i = 0; i < 4; ++i) Append(script, Exchange(EndOfCall()));  // the UPDATE's close, commit, close, log-off
  TFakeServer fake({script});
  auto session = Latin1Session(fake);
  auto query = std::make_unique<TOraQuery>();
  query->SetSession(session.get());
  query->SetSQL("SELECT ID, NAME, NOTE FROM N");
  query->SetKeyFields("ID");
  RunBounded(kBound, [&] {
    session->SetConnected(true);
    query->Open();
    query->Edit();
    query->FieldByName("NAME")->SetAsString(kText);
    query->FieldByName("NOTE")->SetAsString(kText);
    query->Post();
    query.reset();
    session->SetConnected(false);
  });
  fake.Join();
  ASSERT_TRUE(fake.Failures().empty()) << fake.Failures().front();
  const TCheckedCall call = CallOf(fake, "UPDATE");
  ASSERT_EQ(call.binds.size(), 3u) << call.sql;
  EXPECT_NE(call.sql.find("NAME = :NAME"), std::string::npos) << call.sql;
  EXPECT_EQ(call.binds[0].charsetForm, 1);
  EXPECT_EQ(call.binds[1].charsetForm, 2);
  EXPECT_EQ(Stored(call, 0), "??? ?");
  EXPECT_EQ(Stored(call, 1), kText) << "the NVARCHAR2 value arrives whole";
}

}  // namespace
}  // namespace oranet::testing
