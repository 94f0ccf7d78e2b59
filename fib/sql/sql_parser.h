// TSQLParser: reads one SQL statement text on the client and finds its
// clauses (FROM, WHERE, ORDER BY, PLAN) outside comments, quoted names,
// string literals and parentheses, so the layer can rewrite them without
// asking the server. Positions are 1-based; keywords match in any ASCII case.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "classlib/object.h"
#include "classlib/strings.h"

namespace fib {

// Statement kinds, decided by the first word(s).
enum TSQLKind {
  skUnknown = 0,
  skSelect = 1,
  skUpdate = 2,
  skInsert = 3,
  skDelete = 4,
  skExecuteProcedure = 5,
  skDDL = 6,  // ALTER, CREATE, DROP, RECREATE, SET GENERATOR
  skExecuteBlock = 7,
};

// Scanner states.
enum TSQLScanState {
  ssText = 0,
  ssQuotedName = 1,
  ssBlockComment = 2,
  ssLineComment = 3,
  ssLiteral = 4,
};

// Character classes of the keyword tests.
bool IsSQLBlank(char c);         // tab, LF, CR, space
bool IsKeywordEndChar(char c);   // blank ( - / ;  (the end of text also ends a keyword)
bool IsKeywordLeadChar(char c);  // blank )
// pos starts s or follows a keyword-lead character or the end of a block comment.
bool FollowsKeywordLead(std::string_view s, int pos);

// Moves pos (1-based) over blanks, "(", ";", line and block comments.
void SkipBlanksAndComments(const std::string& s, int len, int& pos);
// Moves pos over blanks and comments only.
void SkipBlanksAndCommentsOnly(std::string_view s, int& pos);
// word (upper case) at pos of s in any case, followed by a keyword-end
// character or the end of s; SQLKeywordAt also wants a keyword-lead
// character (or the start of s) before it.
bool SQLWordAt(std::string_view s, int pos, const char* word);
bool SQLKeywordAt(std::string_view s, int pos, const char* word);

class TSQLParser : public classlib::TObject {
  CLASSLIB_CLASS(TSQLParser, TObject)
 public:
  // Answers whether the scan stops at pos. It is asked at each character of
  // plain text except inside a word (a letter, digit, "_" or "$" right after
  // another), and once with Length() + 1 at the end of the text, whatever
  // the state there (an open comment included).
  using TScanTest = std::function<bool(TSQLParser& parser, int pos)>;

  TSQLParser();
  explicit TSQLParser(const std::string& sql);
  ~TSQLParser() override;
  TSQLParser(const TSQLParser&) = delete;
  TSQLParser& operator=(const TSQLParser&) = delete;

  void SetSQL(const std::string& sql);
  const std::string& SQL() const { return sql_; }
  int Length() const { return length_; }
  int StartPos() const { return start_pos_; }
  int Kind() const { return kind_; }
  bool IsDML() const;
  // The character at pos, or 0 outside the text.
  char At(int pos) const { return pos >= 1 && pos <= length_ ? sql_[pos - 1] : '\0'; }

  // ---- The scanner ----
  void Scan(int from, const TScanTest& test);
  int State() const { return state_; }
  int FoundPos() const { return found_pos_; }
  // The last position before the stop that holds statement text: not a
  // blank, not ";", not part of a comment (0 when none since the scan began).
  int LastSignificantPos() const { return last_significant_; }
  int Depth() const { return depth_; }
  void SetDepth(int depth) { depth_ = depth; }
  int StartDepth() const { return start_depth_; }
  bool StopAtClose() const { return stop_at_close_; }
  void SetStopAtClose(bool stop) { stop_at_close_ = stop; }
  int Occurrence() const { return occurrence_; }
  void SetOccurrence(int occurrence);
  // Counts a keyword hit; true when it is the wanted occurrence (or when no
  // occurrence is wanted).
  bool CountHit();

  // ---- Keyword tests (usable as TScanTest) ----
  // word at pos in any case, followed by a keyword-end character or the end.
  bool WordAt(int pos, const char* word) const { return SQLWordAt(sql_, pos, word); }
  // The same, and preceded by a keyword-lead character (or the start).
  bool KeywordAt(int pos, const char* word) const { return SQLKeywordAt(sql_, pos, word); }
  static bool WhereTest(TSQLParser& p, int pos);
  static bool WhereEndTest(TSQLParser& p, int pos);
  static bool ClauseBoundaryTest(TSQLParser& p, int pos);
  static bool FromTest(TSQLParser& p, int pos);
  static bool IntoTest(TSQLParser& p, int pos);
  static bool PlanTest(TSQLParser& p, int pos);
  static bool OrderTest(TSQLParser& p, int pos);
  static bool ByTest(TSQLParser& p, int pos);
  // Ends a PLAN: a blank, then ORDER, UNION, ROWS or FOR.
  static bool PlanEndTest(TSQLParser& p, int pos);
  // Ends an ORDER BY list: ROWS or FOR (UPDATE) at the same depth.
  static bool OrderEndTest(TSQLParser& p, int pos);

  // ---- Clauses (sql_clauses.cpp) ----
  // FROM at depth 0 up to the blank before the next clause keyword, or up
  // to the last statement text; both 0 without FROM.
  void GetFromClause(int& from_start, int& from_end);
  // Ordinal among all WHERE keywords of the first one at depth 0; -1 if none.
  int MainWhereIndex();
  int WhereClausesCount();
  // The n-th WHERE: its position, its condition and the last position of
  // the condition (trailing comments, blanks and ";" are not part of it).
  void GetWhereClause(int n, int& where_start, std::string& condition, int& where_end);
  // The last position of the condition of the WHERE at where_start, the
  // scan depth being the depth at that WHERE.
  int WhereEndFrom(int where_start);
  std::string SetWhereClause(int n, const std::string& new_condition);
  std::string SetMainWhereClause(const std::string& new_condition);
  std::string AddToWhereClause(const std::string& condition, bool indent);
  // ORDER BY at depth 0; the clause (the list after BY) runs to the last
  // statement text before ROWS, FOR UPDATE or the end. Without BY all 0.
  void GetOrderClause(int& order_start, int& order_end, std::string& clause);
  std::string SetOrderClause(const std::string& new_order);
  int MainPlanIndex();
  // The n-th PLAN: its position, the plan expression after the keyword
  // (parentheses included) and where that expression starts and ends.
  void GetPlanClause(int n, int& plan_word, int& plan_start, int& plan_end, std::string& clause);
  // A blank new_plan removes the PLAN; a leading word PLAN in it is accepted.
  std::string SetPlanClause(const std::string& new_plan);
  // The record-count query of a SELECT; empty for other statements.
  std::string MakeCountSQL();

  // ---- Tables (sql_tables.cpp) ----
  // Table (and alias) that an UPDATE, INSERT or DELETE modifies.
  std::string GetModifiedTableName();
  // Fills Tables() with the entries of the FROM clause ("TABLE ALIAS").
  void GetTablesList(bool keep_procedure_entries);
  // Tables() of a SELECT, or the one modified table of other statements.
  void GetStatementTables();
  classlib::TStringList& Tables() { return tables_; }

 private:
  // The identifier at pos after blanks and comments, and where it ends.
  std::string IdentifierAt(int pos, int& next) const;

  std::string sql_;
  int length_ = 0;
  int start_pos_ = 1;
  int kind_ = skUnknown;
  int state_ = ssText;
  int found_pos_ = 0;
  int last_significant_ = 0;
  int depth_ = 0;
  int start_depth_ = 0;
  bool stop_at_close_ = false;
  int occurrence_ = 0;
  int counter_ = 0;
  classlib::TStringList tables_;
};

// The server's character-set names by id (0..60).
extern const char* const kCharSetNames[61];

}  // namespace fib
