#include "app/macros_sql_tracker.h"

#include "app/run_state.h"
#include "classlib/ansistr.h"

namespace app {

namespace {

// Characters that continue an unquoted name or a number. Letters of the
// code page count too: Oracle takes the database's national letters in
// names.
bool IsWordChar(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= '0' && byte <= '9') || c == '_' || c == '$' || c == '#' || byte >= 0x80;
}

// The closing delimiter of an alternative-quoted literal.
char ClosingOf(char opening) {
  switch (opening) {
    case '(': return ')';
    case '[': return ']';
    case '{': return '}';
    case '<': return '>';
    default: return opening;
  }
}

std::string Doubled(const std::string& value, char quote) {
  return classlib::StringReplace(value, std::string(1, quote), std::string(2, quote),
                                 classlib::rfReplaceAll);
}

}  // namespace

TSqlForms SqlFormsOf(const std::string& db_type) {
  if (db_type == kOracle) return {.alternative_quoting = true, .national_alternative = true};
  // Firebird reads Q'...' from version 3 on; InterBase, treated like
  // Firebird, refuses it as a syntax error, so taking it in does no harm.
  if (db_type == kFirebird || db_type == kInterBase) return {.alternative_quoting = true};
  if (db_type == kMsSql) return {.bracketed_names = true, .nested_comments = true};
  return {};
}

void TSqlTextTracker::Step(char c, bool from_value) {
  if (held_ != '\0') {
    const char held = held_;
    held_ = '\0';
    if (Settle(held, held_from_value_, c, from_value)) return;
  }
  Take(c, from_value);
}

bool TSqlTextTracker::Settle(char held, bool held_from_value, char c, bool from_value) {
  const bool by_value = held_from_value || from_value;
  switch (state_) {
    case State::kCode:
      if (held == '-' && c == '-') {
        Enter(State::kLineComment, by_value);
        return true;
      }
      if (held == '/' && c == '*') {
        Enter(State::kBlockComment, by_value);
        comment_depth_ = 1;
        return true;
      }
      return false;
    case State::kLiteral:
    case State::kQuotedName:
    case State::kBracketedName:
      if (c == held) {
        // A doubled closing character stays inside; one half from a value
        // and one from the statement joins the value to the form.
        if (held_from_value != from_value && !opened_by_value_) broke_out_ = true;
        return true;
      }
      Change(State::kCode, held_from_value);
      return false;
    case State::kAlternative:
      if (c != '\'') return false;
      Change(State::kCode, by_value);
      return true;
    case State::kBlockComment:
      if (held == '*' && c == '/') {
        --comment_depth_;
        Change(comment_depth_ == 0 ? State::kCode : State::kBlockComment, by_value);
        return true;
      }
      if (held == '/' && c == '*') {
        ++comment_depth_;
        Change(State::kBlockComment, by_value);
        return true;
      }
      return false;
    default:
      return false;
  }
}

void TSqlTextTracker::Take(char c, bool from_value) {
  switch (state_) {
    case State::kCode:
      if (c == '\'') {
        if (StartsAlternative())
          Enter(State::kAlternativeOpen, from_value || word_from_value_);
        else
          Enter(State::kLiteral, from_value);
      } else if (c == '"') {
        Enter(State::kQuotedName, from_value);
      } else if (c == '[' && forms_.bracketed_names) {
        Enter(State::kBracketedName, from_value);
      } else if (IsWordChar(c)) {
        if (word_.empty()) word_from_value_ = false;
        // Three characters are enough to tell q and nq from longer words.
        if (word_.size() < 3) word_ += c;
        word_from_value_ = word_from_value_ || from_value;
      } else {
        word_.clear();
        if (c == '-' || c == '/') Hold(c, from_value);
      }
      return;
    case State::kLiteral:
      if (c == '\'') Hold(c, from_value);
      return;
    case State::kQuotedName:
      if (c == '"') Hold(c, from_value);
      return;
    case State::kBracketedName:
      if (c == ']') Hold(c, from_value);
      return;
    case State::kAlternativeOpen:
      closing_ = ClosingOf(c);
      Change(State::kAlternative, from_value);
      return;
    case State::kAlternative:
      if (c == closing_) Hold(c, from_value);
      return;
    case State::kLineComment:
      if (c == '\n' || c == '\r') Change(State::kCode, from_value);
      return;
    case State::kBlockComment:
      if (c == '*' || (c == '/' && forms_.nested_comments)) Hold(c, from_value);
      return;
  }
}

void TSqlTextTracker::Enter(State state, bool by_value) {
  state_ = state;
  opened_by_value_ = by_value;
  word_.clear();
}

void TSqlTextTracker::Change(State state, bool by_value) {
  if (by_value && !opened_by_value_) broke_out_ = true;
  state_ = state;
  word_.clear();
}

bool TSqlTextTracker::StartsAlternative() const {
  if (!forms_.alternative_quoting) return false;
  if (word_ == "q" || word_ == "Q") return true;
  return forms_.national_alternative && classlib::UpperCase(word_) == "NQ";
}

TSqlTextTracker::State TSqlTextTracker::StateAtToken() const {
  const bool closing_held = held_ != '\0' && (state_ == State::kLiteral ||
                                              state_ == State::kQuotedName ||
                                              state_ == State::kBracketedName);
  return closing_held ? State::kCode : state_;
}

std::string TSqlTextTracker::Fit(const std::string& value) const {
  switch (StateAtToken()) {
    case State::kLiteral: return Doubled(value, '\'');
    case State::kQuotedName: return Doubled(value, '"');
    case State::kBracketedName: return Doubled(value, ']');
    default: return value;
  }
}

}  // namespace app
