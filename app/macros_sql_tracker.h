// Where a macro token stands in an SQL statement, as the server will read the
// statement: in code, in a string literal, in a quoted or bracketed name, or
// in a comment. Each server kind has its own quoting forms:
//   all kinds    '...' with '' inside, "..." with "" inside, -- and /* */
//   Oracle       q'<d>...<d>' and nq'<d>...<d>' (any case), where <d> is any
//                character and ( [ { < close with ) ] } >
//   Firebird     q'<d>...<d>' as above (from version 3), without the national form
//   SQL Server   [name] with ]] inside, and /* */ comments that nest
// The tracker reads every character of the finished statement, values put in
// included, so it never loses step with the server; it also knows which
// characters came from values, so that a value that ends a form the
// statement opened (a literal, a name, a comment) is caught.
#pragma once

#include <string>

#include "classlib/exceptions.h"

namespace app {

struct TSqlForms {
  bool alternative_quoting = false;  // q'<d>...<d>'
  bool national_alternative = false;  // nq'<d>...<d>' as well
  bool bracketed_names = false;      // [name]
  bool nested_comments = false;      // /* /* */ */
};

// The forms of a database kind ("FIREBIRD", "INTRBASE", "MSSQL", "ORACLE");
// any other kind gets the forms all of them share.
TSqlForms SqlFormsOf(const std::string& db_type);

// A value cannot be put where its token stands without changing the
// statement's own structure.
CLASSLIB_EXCEPTION(EMacroValueError, classlib::Exception)

class TSqlTextTracker {
 public:
  explicit TSqlTextTracker(const TSqlForms& forms) : forms_(forms) {}

  // Takes in the statement's next character; from_value: a macro value put
  // it there.
  void Step(char c, bool from_value);

  // The value as it must be written where the scan stands, so that it stays
  // inside the form around it: apostrophes doubled in a string literal, the
  // closing character doubled in a quoted or bracketed name; as it is
  // anywhere else (an alternative-quoted literal has no escape: a value that
  // would close it is caught by Step).
  std::string Fit(const std::string& value) const;

  // True once a value's character ended, reopened or reshaped a form that
  // the statement itself opened.
  bool ValueBrokeOut() const { return broke_out_; }

 private:
  enum class State {
    kCode,
    kLiteral,
    kQuotedName,
    kBracketedName,
    kAlternativeOpen,  // after q': the next character is the delimiter
    kAlternative,
    kLineComment,
    kBlockComment,
  };

  // Settles the character held back, now that the next one is known; true
  // when the two made a pair and c is used up.
  bool Settle(char held, bool held_from_value, char c, bool from_value);
  void Take(char c, bool from_value);
  void Enter(State state, bool by_value);
  // The form the statement opened changed because of a value's character.
  void Change(State state, bool by_value);
  void Hold(char c, bool from_value) {
    held_ = c;
    held_from_value_ = from_value;
  }
  bool StartsAlternative() const;
  // The state a token at the scan position is in: a held closing quote is
  // settled by the token's "<", which never doubles it.
  State StateAtToken() const;

  TSqlForms forms_;
  State state_ = State::kCode;
  bool opened_by_value_ = false;  // the form around the scan
  char held_ = '\0';              // a character that may begin a pair
  bool held_from_value_ = false;
  char closing_ = '\0';           // of the alternative-quoted literal
  int comment_depth_ = 0;
  std::string word_;  // the identifier the scan is in, up to 3 characters
  bool word_from_value_ = false;
  bool broke_out_ = false;
};

}  // namespace app
