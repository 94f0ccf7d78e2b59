#include "app/script_file.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/char_shift.h"
#include "app/execute_statement.h"
#include "app/run_state.h"
#include "classlib/ansistr.h"
#include "script_file_test_support.h"

namespace app::testing {
namespace {

// Statement elements with both flags off unless given.
std::string Statement(const std::string& sql, const std::string& attributes = "") {
  std::string all = attributes;
  if (all.find("STOP_ON_EXCEPTION") == std::string::npos) all += " STOP_ON_EXCEPTION=\"0\"";
  if (all.find("LOG_ERROR") == std::string::npos) all += " LOG_ERROR=\"0\"";
  return "<S " + all + "><![CDATA[" + sql + "]]></S>";
}

std::string Insert(int id) {
  return Statement("INSERT INTO BOOKS (ID) VALUES (" + std::to_string(id) + ")");
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class FirebirdScriptFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetRunState(); }
  void TearDown() override { ResetRunState(); }

  bool Run(const std::string& body, double percent = 20, bool log = false,
           IBlobMoves* moves = nullptr) {
    path_ = WriteScriptFile(dir_, "script.xml", "<SCRIPTS>" + body + "</SCRIPTS>");
    return RunScriptFile({db_.Connection(), view_, log, percent, moves}, path_);
  }
  int64_t Books(const std::string& where = "") {
    return db_.Count("SELECT COUNT(*) FROM BOOKS" + where);
  }

  FirebirdScriptDatabase db_;
  RecordingProgressView view_;
  QTemporaryDir dir_;
  std::string path_;
};

TEST_F(FirebirdScriptFileTest, GroupsAndStatementsRunUnderTheirConditions) {
  EXPECT_TRUE(Run("<MET CONDITION=\"EXIST_TABLE(BOOKS);\">" + Insert(1) + "</MET>" +
                  "<UNMET CONDITION=\"EXIST_TABLE(NOPE);\">" + Insert(2) + "</UNMET>" +
                  "<INVERTED CONDITION=\"NOT_EXIST_FIELD(BOOKS, PRICE);\">" + Insert(3) +
                  Statement("INSERT INTO BOOKS (ID) VALUES (4)", "CONDITION=\"EXIST_PRC(NONE);\"") +
                  Statement("INSERT INTO BOOKS (ID) VALUES (5)",
                            "CONDITION=\"EXIST_PRC(NONE);EXIST_PRC(P_BOOKS);\"") +
                  "</INVERTED>" + "<UNKNOWN CONDITION=\"FOO(X);\">" + Insert(6) + "</UNKNOWN>" +
                  "<NO_SEMICOLON CONDITION=\"EXIST_TABLE(BOOKS)\">" + Insert(7) +
                  "</NO_SEMICOLON>"));
  EXPECT_EQ(Books(), 3);
  EXPECT_EQ(Books(" WHERE ID IN (1, 3, 5)"), 3);
  EXPECT_TRUE(view_.details.empty());  // the switch is off
}

TEST_F(FirebirdScriptFileTest, SkippedGroupsAndStatementsAreLoggedWithTheSwitch) {
  EXPECT_TRUE(Run("<G1 CONDITION=\"EXIST_TABLE(NOPE);\">" + Insert(1) + "</G1>" +
                      "<G2>" + Statement("INSERT INTO BOOKS (ID) VALUES (2)",
                                         "CONDITION=\"EXIST_VIEW(NOPE);\"") +
                      "</G2>",
                  20, true));
  const std::vector<std::string>& lines = view_.details;
  EXPECT_EQ(Books(), 0);
  EXPECT_TRUE(Contains(lines, Ansi("Не выполнены условия выполнения для группы №1")));
  EXPECT_TRUE(Contains(lines, "G1"));
  EXPECT_TRUE(Contains(lines, Ansi("Не выполнены условия выполнения для группы №2 скрипт №1")));
  EXPECT_TRUE(Contains(lines, "G2 INSERT INTO BOOKS (ID) VALUES (2)"));
  EXPECT_TRUE(Contains(lines, Ansi("Источник:") + path_));
  // One block for each unmet term and one for each skipped element.
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "/*"), 4 + 2);
}

TEST_F(FirebirdScriptFileTest, FailingStatementsFollowTheirFlags) {
  const std::string bad = "INSERT INTO NOPE VALUES (1)";
  EXPECT_TRUE(Run("<LOGGED>" + Statement(bad, "LOG_ERROR=\"1\"") + Insert(1) + "</LOGGED>" +
                  "<IGNORED>" + Statement(bad, "LOG_ERROR=\"01\"") + Insert(2) +
                  Statement("commit") + "</IGNORED>"));
  EXPECT_EQ(Books(), 2);
  EXPECT_EQ(std::count(view_.details.begin(), view_.details.end(), "/*"), 2);  // one block
  EXPECT_TRUE(Contains(view_.details, bad));  // outside the comment
  const auto found = std::find(view_.details.begin(), view_.details.end(), bad);
  EXPECT_EQ(*(found - 1), "*/");
  EXPECT_EQ(*(found + 1), "/*");
}

TEST_F(FirebirdScriptFileTest, StopOnExceptionFailsTheFileAndSkipsTheRestOfTheGroup) {
  EXPECT_FALSE(Run("<STOPS>" + Insert(1) +
                   Statement("INSERT INTO NOPE VALUES (1)", "STOP_ON_EXCEPTION=\" 1 \"") +
                   Insert(2) + "</STOPS><NEXT>" + Insert(3) + "</NEXT>"));
  EXPECT_EQ(Books(" WHERE ID IN (1, 3)"), 2);
  EXPECT_EQ(Books(), 2);
  EXPECT_TRUE(Contains(view_.details, "INSERT INTO NOPE VALUES (1)"));
  EXPECT_EQ(view_.position, 20);  // the end of the file still fills the share
}

TEST_F(FirebirdScriptFileTest, StatementsMoveTheBarThroughFourFifthsOfTheShare) {
  view_.position = 0;
  EXPECT_TRUE(Run("<A>" + Insert(1) + Insert(2) + "</A><B>" + Insert(3) + Insert(4) + Insert(5) +
                  Insert(6) + "</B>"));
  EXPECT_EQ(view_.positions, (std::vector<int>{4, 8, 10, 12, 14, 16, 20}));
}

TEST_F(FirebirdScriptFileTest, AnUnmetGroupAddsItsWholeShareAndAnUnmetStatementNothing) {
  view_.max = 200;
  view_.position = 100;
  EXPECT_TRUE(Run("<A CONDITION=\"EXIST_TABLE(NOPE);\">" + Insert(1) + "</A><B>" +
                  Statement("SELECT 1 FROM RDB$DATABASE", "CONDITION=\"EXIST_TABLE(NOPE);\"") +
                  Insert(2) + "</B>"));
  EXPECT_EQ(view_.positions, (std::vector<int>{108, 112, 120}));
}

TEST_F(FirebirdScriptFileTest, MacrosAreExpandedAndTheStatusNamesTheElement) {
  LxDir = "C:\\Lx\\";
  EXPECT_TRUE(Run("<A>" + Statement("INSERT INTO BOOKS (ID, TITLE) VALUES (1, '<LXDIR>')") +
                  "</A>"));
  EXPECT_EQ(Books(" WHERE TITLE = 'C:\\Lx\\'"), 1);
  EXPECT_EQ(view_.status, Ansi("заполнение BLOB-полей"));
}

TEST_F(FirebirdScriptFileTest, TheFileStartsOnAFreshConnectionAndCommitsAtTheEnd) {
  db_.Connection().Reconnect();
  db_.Transaction().StartTransaction();
  // The transaction left open before is committed, and the statements'
  // own work is visible to another connection afterwards.
  EXPECT_TRUE(Run("<A>" + Insert(1) + "</A>"));
  EXPECT_FALSE(db_.Transaction().Active());
  fib::TFIBDatabase observer(nullptr);
  observer.SetDBName(db_.Path());
  observer.DBParams().SetText("user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=WIN1251");
  observer.Connect();
  EXPECT_EQ(observer.QueryValue("SELECT COUNT(*) FROM BOOKS", 0).AsInt64(), 1);
}

class RecordingBlobMoves : public IBlobMoves {
 public:
  void Clear() override { groups.clear(); }
  void Collect(const TScriptElement& group) override {
    groups.push_back(QString::fromStdString(group.name));
  }
  bool Perform(const std::string&) override { return succeed; }
  std::vector<QString> groups = {"LEFT OVER"};
  bool succeed = true;
};

TEST_F(FirebirdScriptFileTest, MoveBlobGroupsAreCollectedAndAFailedMoveFailsTheFile) {
  RecordingBlobMoves moves;
  moves.succeed = false;
  EXPECT_FALSE(Run("<A MOVE_BLOB=\" 1 \">" + Insert(1) + "</A><B MOVE_BLOB=\"true\"/>"
                   "<C MOVE_BLOB=\"1\" CONDITION=\"EXIST_TABLE(NOPE);\"/>",
                   20, false, &moves));
  EXPECT_EQ(moves.groups, (std::vector<QString>{"A"}));
  EXPECT_EQ(Books(), 1);  // the group's statements still ran
}

TEST_F(FirebirdScriptFileTest, AFileThatCannotBeReadEndsTheRun) {
  EXPECT_THROW(RunScriptFile({db_.Connection(), view_, false, 20, nullptr},
                             TempPath(dir_, "missing.xml")),
               EScriptFileError);
  const std::string broken = WriteScriptFile(dir_, "broken.xml", "<SCRIPTS><A>");
  EXPECT_THROW(RunScriptFile({db_.Connection(), view_, false, 20, nullptr}, broken),
               EScriptFileError);
  const std::string other = WriteScriptFile(dir_, "other.xml", "<ROOT/>");
  EXPECT_THROW(RunScriptFile({db_.Connection(), view_, false, 20, nullptr}, other),
               EScriptFileError);
}

// A user or folder name with apostrophes stays inside the literal it is put
// in: it neither breaks the statement nor adds one of its own.
TEST_F(FirebirdScriptFileTest, ValuesWithApostrophesStayInsideTheirLiterals) {
  LoginUserName = "x'); DELETE FROM BOOKS; --";
  LxDir = "C:\\O'Brien\\";
  ReferencePreferences.FontSize = 12;
  EXPECT_TRUE(Run("<A>" + Insert(7) +
                  Statement("INSERT INTO LOG_ROWS (TXT) VALUES ('<USER>')", "STOP_ON_EXCEPTION=\"1\"") +
                  Statement("/* it's */ INSERT INTO LOG_ROWS (TXT) VALUES ('<LXDIR>' || '-' || "
                            "<FONTSIZE>) -- it's",
                            "STOP_ON_EXCEPTION=\"1\"") +
                  "</A>"));
  EXPECT_TRUE(view_.details.empty());
  EXPECT_EQ(Books(), 1);
  EXPECT_EQ(db_.Count("SELECT COUNT(*) FROM LOG_ROWS WHERE TXT = 'x''); DELETE FROM BOOKS; --'"),
            1);
  EXPECT_EQ(db_.Count("SELECT COUNT(*) FROM LOG_ROWS WHERE TXT = 'C:\\O''Brien\\-12'"), 1);
}

// Firebird 3 reads q'{...}' literals: an apostrophe inside one opens no
// literal, so a value in a later literal is still doubled. A value that would
// close such a literal fails its statement, which is logged as written.
TEST_F(FirebirdScriptFileTest, AlternativeQuotedLiteralsKeepLaterValuesInside) {
  DBType = kFirebird;
  LoginUserName = "x' || (SELECT COUNT(*) FROM BOOKS) || '";
  const std::string stop = "STOP_ON_EXCEPTION=\"1\"";
  EXPECT_TRUE(Run("<A>" + Statement("INSERT INTO LOG_ROWS (TXT) VALUES (q'{it's}' || '<USER>')",
                                    stop) +
                  "</A>"));
  EXPECT_EQ(db_.Count("SELECT COUNT(*) FROM LOG_ROWS WHERE TXT = "
                      "'it''sx'' || (SELECT COUNT(*) FROM BOOKS) || '''"),
            1);

  LoginUserName = "}' || (SELECT COUNT(*) FROM BOOKS) || q'{";
  EXPECT_FALSE(
      Run("<B>" + Statement("INSERT INTO LOG_ROWS (TXT) VALUES (q'{<USER>}')", stop) + "</B>"));
  EXPECT_EQ(db_.Count("SELECT COUNT(*) FROM LOG_ROWS"), 1);
  EXPECT_TRUE(Contains(view_.details, Ansi("Значение макроса <USER> нельзя подставить в "
                                           "оператор: оно завершает строку, имя или "
                                           "комментарий, внутри которого стоит макрос")));
  EXPECT_TRUE(Contains(view_.details, "INSERT INTO LOG_ROWS (TXT) VALUES (q'{<USER>}')"));
}

// The statement runs with the passwords; its block in the log shows none.
TEST_F(FirebirdScriptFileTest, AFailingStatementIsLoggedWithoutItsPasswords) {
  LoginPassword = "Pw'Login1";
  SqlPassword = "SqlSecret2";
  BasePassword = "ab";  // too short to hide by value: hidden where it is put in
  BaseConnectionString = "Provider=LCPI.IBProvider.2;Password=ab;User ID=SYSDBA";
  EXPECT_TRUE(Run("<A>" +
                  Statement("INSERT INTO LOG_ROWS (TXT) VALUES ('<PASSWORD>')") +
                  Statement("INSERT INTO NOPE VALUES ('<PASSWORD>', '<PASSWORD_SQL>', "
                            "'<PASSWORD_INI>', '<CON_STRING>')",
                            "LOG_ERROR=\"1\"") +
                  // The server repeats the unquoted value in its error text.
                  Statement("SELECT <PASSWORD_SQL> FROM RDB$DATABASE", "LOG_ERROR=\"1\"") +
                  "</A>"));
  EXPECT_EQ(db_.Count("SELECT COUNT(*) FROM LOG_ROWS WHERE TXT = 'Pw''Login1'"), 1);
  ASSERT_EQ(std::count(view_.details.begin(), view_.details.end(), "/*"), 2 * 2);
  const std::string ini_form = EncodeString(BasePassword, kShiftModeSettingsTools);
  for (const std::string& line : view_.details) {
    const std::string upper = classlib::AnsiUpperCase(line);
    for (const char* secret : {"PW'LOGIN1", "PW''LOGIN1", "SQLSECRET2", "PASSWORD=AB"})
      EXPECT_EQ(upper.find(secret), std::string::npos) << line;
    EXPECT_EQ(line.find(ini_form), std::string::npos) << line;
  }
  EXPECT_TRUE(Contains(view_.details,
                       "INSERT INTO NOPE VALUES ('***', '***', '***', "
                       "'Provider=LCPI.IBProvider.2;Password=***;User ID=SYSDBA')"));
  EXPECT_TRUE(Contains(view_.details, "SELECT *** FROM RDB$DATABASE"));
}

TEST_F(FirebirdScriptFileTest, CommitInAnyCaseIsNotSentToTheServer) {
  db_.Connection().Reconnect();
  std::string error;
  EXPECT_TRUE(ExecuteStatement(db_.Connection(), "commit", error));
  EXPECT_EQ(error, "");
  EXPECT_EQ(db_.Connection().QueryText(), "");  // nothing reached the statement
  // Anything around the word makes it a statement like any other.
  EXPECT_TRUE(ExecuteStatement(db_.Connection(), "COMMIT;", error));
  EXPECT_NE(db_.Connection().QueryText().find("COMMIT;"), std::string::npos);
  EXPECT_FALSE(ExecuteStatement(db_.Connection(), "DROP TABLE NOPE", error));
  EXPECT_NE(error.find("NOPE"), std::string::npos) << error;
}

// A connection whose statements succeed and whose final commit fails.
class CommitFailsConnection : public IScriptConnection {
 public:
  TScriptServer Server() const override { return TScriptServer::MsSql; }
  void Reconnect() override {}
  void Execute(const std::string&) override { ++executed; }
  void Commit() override { throw std::runtime_error("connection lost"); }
  int64_t QueryCount(const std::string&) override { return 0; }
  bool QueryHasRow(const std::string&) override { return false; }
  std::vector<std::string> TableNames() override { return {}; }
  std::vector<std::string> FieldNames(const std::string&) override { return {}; }
  std::string QueryText() const override { return ""; }
  void CloseQuery() override {}
  int executed = 0;
};

TEST(ScriptFileCommitTest, AFailingFinalCommitFailsTheFileWithItsOwnBlock) {
  CommitFailsConnection connection;
  FakeProgressView view;
  QTemporaryDir dir;
  const std::string path =
      WriteScriptFile(dir, "c.xml", "<SCRIPTS><A>" + Insert(1) + "</A></SCRIPTS>");
  EXPECT_FALSE(RunScriptFile({connection, view, false, 10, nullptr}, path));
  EXPECT_EQ(connection.executed, 1);
  EXPECT_TRUE(Contains(view.details, Ansi("подтверждение транзакции")));
  EXPECT_FALSE(Contains(view.details, "connection lost"));
}

TEST(SqlServerScriptFileTest, ConditionsAndStatementsRunThroughTheStandIn) {
  SqlServerScriptDatabase db;
  RecordingProgressView view;
  QTemporaryDir dir;
  const std::string path = WriteScriptFile(
      dir, "mssql.xml",
      "<SCRIPTS><MET CONDITION=\"EXIST_TABLE(BOOKS);EXIST_VIEW(BOOK_TITLES);\">" + Insert(1) +
          Statement("INSERT INTO BOOKS (ID) VALUES (2)", "CONDITION=\"EXIST_GENERATOR(G);\"") +
          Statement("INSERT INTO BOOKS (ID) VALUES (3)", "CONDITION=\"NOT_EXIST_GENERATOR(G);\"") +
          "</MET><FIELD CONDITION=\"NOT_EXIST_FIELD(BOOKS, TITLE);\">" + Insert(4) +
          "</FIELD><FAILS>" +
          Statement("INSERT INTO NOPE VALUES (1)", "STOP_ON_EXCEPTION=\"1\" LOG_ERROR=\"1\"") +
          Insert(5) + "</FAILS></SCRIPTS>");
  EXPECT_FALSE(RunScriptFile({db.Connection(), view, false, 10, nullptr}, path));
  EXPECT_EQ(db.Count("SELECT COUNT(*) FROM BOOKS"), 2);
  EXPECT_EQ(db.Count("SELECT COUNT(*) FROM BOOKS WHERE ID IN (1, 3)"), 2);
  EXPECT_TRUE(Contains(view.details, "INSERT INTO NOPE VALUES (1)"));
  EXPECT_EQ(view.position, 10);
}

}  // namespace
}  // namespace app::testing
