// Unicode text in direct mode on databases whose character set is not
// UTF8 (WE8ISO8859P1, CL8MSWIN1251): a session with UseUnicode (and with
// Charset "UTF8" too) announces UTF8, the server sends its text in UTF8
// and the fields show it whole, national columns included; wide parameters
// reach the server as the text they hold.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/codepage.h"
#include "classlib/field.h"
#include "classlib/fields.h"
#include "oracle/query_ora_dataset.h"
#include "oracle/query_ora_sql.h"
#include "oranet/tests/fake_server_charsets.h"
#include "oranet/tests/fake_server_direct.h"
#include "oranet/tests/fake_server_logon.h"
#include "oranet/tests/fake_server_session.h"

namespace oranet::testing {
namespace {

using namespace oracle;

struct TCharsetCase {
  int database;         // the database's character set
  std::string charset;  // the session's Charset option
};

std::string NameOf(const TCharsetCase& s) {
  return (s.database == kFakeCharsetLatin1 ? std::string("WE8ISO8859P1") : std::string("CL8MSWIN1251")) +
         (s.charset.empty() ? "" : ", Charset " + s.charset);
}

const std::vector<TCharsetCase> kSetups{{kFakeCharsetLatin1, ""},
                                 {kFakeCharsetLatin1, "UTF8"},
                                 {kFakeCharsetCp1251, ""},
                                 {kFakeCharsetCp1251, "UTF8"}};

// Text the database's own set holds.
std::string HeldText(int database) { return database == kFakeCharsetLatin1 ? "caf\xC3\xA9" : "Жук"; }

class OraCharsetDirectTest : public OraDirectTest {
 protected:
  // The logon, and with a Charset the session's settings.
  static TFakeScript Logon(const TCharsetCase& s) {
    TFakeScript script = LogonThen(StatusMessage(0), {}, static_cast<uint16_t>(s.database));
    if (!s.charset.empty()) AppendSessionSettings(script, 4);
    return script;
  }
  std::unique_ptr<TOraSession> UnicodeSession(const TFakeServer& fake, const TCharsetCase& s) {
    auto session = DirectSession(fake);
    session->Options().SetUseUnicode(true);
    if (!s.charset.empty()) session->Options().SetCharset(s.charset);
    return session;
  }
  static std::string Utf8Of(classlib::TField* field) { return classlib::Utf16ToUtf8(field->AsWideString()); }
};

// Three rows of a VARCHAR2 and an NVARCHAR2 column, sent in the set the
// session announced: two and three letters (once read as one wrong
// character, and as a truncation), text of the database's set, and
// national text no single-byte set holds.
TEST_F(OraCharsetDirectTest, FetchedTextIsReadInTheSetOnTheWire) {
  for (const TCharsetCase& s : kSetups) {
    SCOPED_TRACE(NameOf(s));
    TFakeScript script = Logon(s);
    TColumnFields note{1, 20, 0, 0, true, "NOTE"};
    note.charsetForm = 2;
    const int wire = kFakeCharsetUtf8;  // what a Unicode session announces
    for (const TBytes& answer :
         {DescribeReply({{2, 22, 9, 0, false, "ID"}, {1, 4, 0, 0, true, "NAME"}, note}), CursorOpened(5),
          Status({0, 0, "", 5, 0, 3}),
          Concat({RowHeader(),
                  Row({Value(IntNumber(1)), Value(SentText("ab", wire)), Value(SentText("Жук €", wire))}),
                  Row({Value(IntNumber(2)), Value(SentText("abc", wire)), Value(SentText("z", wire))}),
                  Row({Value(IntNumber(3)), Value(SentText(HeldText(s.database), wire)),
                       Value(SentText("€ ✓ Ω", wire))}),
                  Status({3, 1403, "ORA-01403: no data found"})}),
          EndOfCall(), EndOfCall()})
      Append(script, Exchange(answer));
    TFakeServer fake({script});
    auto session = UnicodeSession(fake, s);
    auto query = std::make_unique<TOraQuery>();
    query->SetSession(session.get());
    query->SetSQL("SELECT ID, NAME, NOTE FROM N");
    std::vector<std::string> rows;
    RunBounded(kBound, [&] {
      session->SetConnected(true);
      query->Open();
      for (; !query->Eof(); query->Next())
        rows.push_back(query->FieldByName("ID")->AsString() + "|" + Utf8Of(query->FieldByName("NAME")) + "|" +
                       Utf8Of(query->FieldByName("NOTE")));
      query.reset();
      session->SetConnected(false);
    });
    fake.Join();
    ASSERT_TRUE(fake.Failures().empty()) << fake.Failures().front();
    EXPECT_EQ(fake.AnnouncedCharset(), wire) << "the session announced UTF8";
    EXPECT_EQ(rows, (std::vector<std::string>{"1|ab|Жук €", "2|abc|z", "3|" + HeldText(s.database) + "|€ ✓ Ω"}));
  }
}

// Wide parameters of an INSERT: a plain one keeps what the database's set
// holds, a national one every character.
TEST_F(OraCharsetDirectTest, WideParametersReachTheServerAsTheirText) {
  for (const TCharsetCase& s : kSetups) {
    SCOPED_TRACE(NameOf(s));
    TFakeScript script = Logon(s);
    for (const TBytes& answer : {CursorOpened(5), Done(1), EndOfCall(), EndOfCall()})
      Append(script, Exchange(answer));
    TFakeServer fake({script});
    auto session = UnicodeSession(fake, s);
    TOraSQL insert;
    insert.SetSession(session.get());
    insert.SetSQL("INSERT INTO N (ID, PLAIN, NTEXT) VALUES (:ID, :PLAIN, :NTEXT)");
    const std::string mixed = HeldText(s.database) + " Ω";
    RunBounded(kBound, [&] {
      session->SetConnected(true);
      insert.ParamByName("ID")->SetAsInteger(1);
      insert.ParamByName("PLAIN")->SetAsWideString(classlib::Utf8ToUtf16(mixed));
      auto& national = static_cast<TOraParam&>(*insert.ParamByName("NTEXT"));
      national.SetAsWideString(classlib::Utf8ToUtf16(mixed));
      national.SetNational(true);
      insert.Execute();
      session->SetConnected(false);
    });
    fake.Join();
    ASSERT_TRUE(fake.Failures().empty()) << fake.Failures().front();
    EXPECT_EQ(fake.AnnouncedCharset(), kFakeCharsetUtf8);
    std::vector<TCheckedCall> calls = fake.Calls();
    const TCheckedCall* call = nullptr;
    for (const TCheckedCall& c : calls)
      if (c.sql.rfind("INSERT", 0) == 0) call = &c;
    ASSERT_NE(call, nullptr);
    ASSERT_FALSE(call->rows.empty());
    ASSERT_EQ(call->rows[0].size(), 3u);
    ASSERT_FALSE(call->rows[0][1].stored.empty());
    EXPECT_EQ(call->rows[0][1].stored[0], HeldText(s.database) + " ?") << "through the database's set";
    EXPECT_EQ(call->rows[0][2].stored[0], mixed) << "the national set holds it all";
  }
}

}  // namespace
}  // namespace oranet::testing
