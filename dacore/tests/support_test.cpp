// Support helpers: the WHERE condition helper on a lexer with clause codes,
// the update kind's statement type, the timer on a plain message loop with a
// fake clock, the XML writer's attribute rule, and the net functions' stubs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/exceptions.h"
#include "dacore/support_net_manager.h"
#include "dacore/support_sql.h"
#include "dacore/support_timer.h"
#include "dacore/support_xml_writer.h"
#include "platform/clock.h"
#include "platform/plain_message_loop.h"

namespace dacore {
namespace {

// ---- AddWhereCondition ----------------------------------------------------------

constexpr int kSelect = 40, kFrom = 41, kWhere = 42, kOrder = 43, kBy = 44, kGroup = 45;

// The generic symbols with SELECT/FROM/WHERE/GROUP/ORDER as clause keywords;
// the scan starts after the statement's FROM.
class ClauseParser : public TParser {
 public:
  explicit ClauseParser(const std::string& text) : TParser(text) { InitParser(); }
  void InitParser() override {
    TParser::InitParser();
    static const TLexemeList keywords{{"AND", 29}, {"NOT", 30}, {"OR", 31},     {"SELECT", kSelect},
                                      {"FROM", kFrom}, {"WHERE", kWhere}, {"ORDER", kOrder},
                                      {"BY", kBy}, {"GROUP", kGroup}};
    keyword_lexemes_ = &keywords;
    clause_codes_ = {kSelect, kFrom, kWhere, kOrder, kGroup};
  }
};

std::string AddWhere(const std::string& sql, const std::string& condition) {
  return AddWhereCondition(
      sql, condition, [](const std::string& text) { return std::make_unique<ClauseParser>(text); },
      kWhere, kFrom);
}

TEST(AddWhereCondition, NewWhereGoesBeforeTheNextClauseOrAtTheEnd) {
  EXPECT_EQ(AddWhere("SELECT * FROM t ORDER BY a", "b = 1"),
            "SELECT * FROM t \rWHERE b = 1 ORDER BY a");
  EXPECT_EQ(AddWhere("SELECT * FROM t", "b = 1"), "SELECT * FROM t\rWHERE b = 1 ");
  EXPECT_EQ(AddWhere("SELECT * FROM t", "  "), "SELECT * FROM t");
}

TEST(AddWhereCondition, ExistingConditionIsWrappedFirst) {
  EXPECT_EQ(AddWhere("SELECT * FROM t WHERE a = 1 OR a = 2 ORDER BY a", "b = 1"),
            "SELECT * FROM t WHERE( a = 1 OR a = 2 \r) AND b = 1 ORDER BY a");
  EXPECT_EQ(AddWhere("SELECT * FROM t WHERE a = 1", "b = 1"),
            "SELECT * FROM t WHERE( a = 1) AND b = 1 ");
}

TEST(AddWhereCondition, NestedClausesAndMacroWhereDoNotCount) {
  EXPECT_EQ(AddWhere("SELECT * FROM (SELECT x FROM u WHERE y = 1 ORDER BY x) q", "b = 1"),
            "SELECT * FROM (SELECT x FROM u WHERE y = 1 ORDER BY x) q\rWHERE b = 1 ");
  EXPECT_EQ(AddWhere("SELECT * FROM t &where", "b = 1"), "SELECT * FROM t &where\rWHERE b = 1 ");
}

// A line comment ends only at a line feed for the server: what is added
// after one starts on a new line; a comment that ends before it changes nothing.
TEST(AddWhereCondition, AddedTextNeverLandsInATrailingLineComment) {
  EXPECT_EQ(AddWhere("SELECT * FROM t // all", "b = 1"), "SELECT * FROM t // all\r\nWHERE b = 1 ");
  EXPECT_EQ(AddWhere("SELECT * FROM t WHERE a = 1 // one", "b = 1"),
            "SELECT * FROM t WHERE( a = 1 // one\r\n) AND b = 1 ");
  EXPECT_EQ(AddWhere("SELECT * FROM t // all\nORDER BY a", "b = 1"),
            "SELECT * FROM t // all\n\rWHERE b = 1 ORDER BY a");
  EXPECT_EQ(AddWhere("SELECT * FROM t /* all */", "b = 1"), "SELECT * FROM t /* all */\rWHERE b = 1 ");
  EXPECT_EQ(AddWhere("SELECT * FROM t // all\rORDER BY a", "b = 1"),
            "SELECT * FROM t // all\r\r\nWHERE b = 1 ORDER BY a");
}

TEST(UpdateKindToStatementType, MapsTheThreeKinds) {
  EXPECT_EQ(UpdateKindToStatementType(classlib::ukModify), stUpdate);
  EXPECT_EQ(UpdateKindToStatementType(classlib::ukInsert), stInsert);
  EXPECT_EQ(UpdateKindToStatementType(classlib::ukDelete), stDelete);
  EXPECT_THROW(UpdateKindToStatementType(static_cast<classlib::TUpdateKind>(7)),
               classlib::Exception);
}

// ---- TWin32Timer ----------------------------------------------------------------

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::MessageLoop::SetCurrent(&loop_); }
  void TearDown() override { platform::MessageLoop::SetCurrent(nullptr); }
  void Advance(int ms) {
    clock_.Advance(std::chrono::milliseconds(ms));
    loop_.ProcessMessages();
  }
  classlib::TNotifyEvent Counter() {
    return classlib::TNotifyEvent::Function([this](classlib::TObject*) { ++ticks_; });
  }

  platform::ManualClock clock_;
  platform::PlainMessageLoop loop_{&clock_};
  int ticks_ = 0;
};

TEST_F(TimerTest, FiresWhileEnabledWithAHandlerAndAnInterval) {
  TWin32Timer timer(nullptr);
  timer.SetInterval(100);
  Advance(250);
  EXPECT_EQ(ticks_, 0);  // no handler yet
  timer.SetOnTimer(Counter());
  Advance(100);
  Advance(100);
  EXPECT_EQ(ticks_, 2);
  timer.SetEnabled(false);
  Advance(500);
  EXPECT_EQ(ticks_, 2);
  EXPECT_EQ(loop_.TimerCount(), 0u);
  timer.SetEnabled(true);
  timer.SetInterval(0);
  Advance(5000);
  EXPECT_EQ(ticks_, 2);
  EXPECT_EQ(loop_.TimerCount(), 0u);
}

TEST_F(TimerTest, DestroyedTimerLeavesNoTimerBehind) {
  {
    TWin32Timer timer(nullptr);
    timer.SetOnTimer(Counter());
    EXPECT_EQ(loop_.TimerCount(), 1u);
  }
  EXPECT_EQ(loop_.TimerCount(), 0u);
  Advance(2000);
  EXPECT_EQ(ticks_, 0);
}

// The handler runs from a copy: replacing it from inside must not free the
// code and captures that are still running.
TEST_F(TimerTest, AHandlerMayReplaceItselfWhileItRuns) {
  TWin32Timer timer(nullptr);
  timer.SetInterval(100);
  std::vector<std::string> seen;
  const std::string first_text(64, 'a');  // held by the first handler's captures
  timer.SetOnTimer(classlib::TNotifyEvent::Function([&, first_text](classlib::TObject*) {
    timer.SetOnTimer(classlib::TNotifyEvent::Function([&](classlib::TObject*) { seen.push_back("second"); }));
    seen.push_back(first_text);
  }));
  Advance(100);
  Advance(100);
  EXPECT_EQ(seen, (std::vector<std::string>{first_text, "second"}));
}

// ---- XmlTextWriter --------------------------------------------------------------

TEST(XmlTextWriter, AttributesGoIntoTheOpenStartTagOnly) {
  XmlTextWriter writer;
  writer.WriteStartElement("s:AttributeType");
  writer.WriteAttributeString("name", "ID");
  writer.WriteAttributeString("rs", "number", "urn:rs", "1");
  writer.WriteString("x");
  EXPECT_THROW(writer.WriteAttributeString("late", "1"), XmlException);
  writer.WriteEndElement();
  EXPECT_EQ(writer.Text(),
            "<s:AttributeType name=\"ID\" rs:number=\"1\" xmlns:rs=\"urn:rs\">x</s:AttributeType>");
  try {
    writer.WriteAttributeString("late", "1");
    FAIL() << "no error";
  } catch (const XmlException& e) {
    EXPECT_STREQ(e.what(),
                 "Token WriteAttributeString in state Content would result in an invalid XML "
                 "document.");
  }
  XmlTextWriter single;
  single.SetQuoteChar('\'');
  single.WriteStartElement("a");
  single.WriteAttributeString("b", "c");
  EXPECT_EQ(single.Text(), "<a b='c'>");
  EXPECT_EQ(XmlSymbolLexemes().Code(XmlSymbolLexemes().IndexOf("=")), 19);
}

// ---- TCRNetManager --------------------------------------------------------------

TEST(NetManager, EveryFunctionIsTheNotLinkedStub) {
  ASSERT_EQ(NetFunctions().size(), 9u);
  for (const TNetFunction& f : NetFunctions()) {
    try {
      f.call();
      FAIL() << f.name;
    } catch (const classlib::Exception& e) {
      EXPECT_STREQ(e.what(), "function is not linked");
    }
  }
  CRNetManager().ClearCache();
  EXPECT_EQ(CRNetManager().CachedCount(), 0u);
}

}  // namespace
}  // namespace dacore
