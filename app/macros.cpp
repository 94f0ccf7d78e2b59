#include "app/macros.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

#include "app/char_shift.h"
#include "app/macros_sql_tracker.h"
#include "app/password_mask.h"
#include "app/run_state.h"
#include "classlib/ansistr.h"
#include "classlib/codepage.h"
#include "classlib/format.h"
#include "classlib/numconv.h"

namespace app {

namespace {

std::string BoolText(bool value) { return value ? "True" : "False"; }

std::string BaseType() { return DBType == kInterBase ? kFirebird : DBType; }

using ValueOf = std::function<std::string()>;

const std::map<std::string, ValueOf>& TokenTable() {
  static const std::map<std::string, ValueOf> table = {
      {"<LXDIR>", [] { return LxDir; }},
      {"<PTXDIR>", [] { return PtxDir; }},
      {"<WNDIR>", [] { return std::string(); }},
      {"<USER>", [] { return LoginUserName; }},
      {"<PASSWORD>", [] { return LoginPassword; }},
      {"<GROUP>", [] { return LoginGroup; }},
      {"<USER_SQL>", [] { return SqlUserName; }},
      {"<PASSWORD_SQL>", [] { return SqlPassword; }},
      {"<CURDIR>", [] { return ProgramDir; }},
      {"<TEMPDIR>", [] { return TempDir; }},
      {"<WINDIR>", [] { return WinDir; }},
      {"<SYSDIR>", [] { return SysDir; }},
      {"<KLVCMNDIR>", [] { return KlvCommonDir; }},
      {"<PROGR_DIR>", [] { return ProgramFilesDir; }},
      {"<COMMON_DIR>", [] { return CommonFilesDir; }},
      {"<AUTOLOG>", [] { return BoolText(ReferencePreferences.AutoLogon); }},
      {"<LXSLAIDDIR>", [] { return ReferencePreferences.SlideDir; }},
      {"<LXTEMPDIR>", [] { return ReferencePreferences.TempDir; }},
      {"<LXDOCDIR>", [] { return ReferencePreferences.DocumentDir; }},
      {"<LXSAVEDAYS>", [] { return classlib::IntToStr(ReferencePreferences.SaveDays); }},
      {"<LXDEBUG>", [] { return BoolText(ReferencePreferences.Debug); }},
      {"<LXRECLOADCNT>", [] { return classlib::IntToStr(ReferencePreferences.RecordsPerLoad); }},
      {"<LXTIMEOUT>", [] { return classlib::IntToStr(ReferencePreferences.ScriptTimeout); }},
      {"<FONTNAME>", [] { return ReferencePreferences.FontName; }},
      {"<FONTSIZE>", [] { return classlib::IntToStr(ReferencePreferences.FontSize); }},
      {"<BASETYPE>", BaseType},
      {"<CON_STRING>", [] { return BaseConnectionString; }},
      {"<USER_INI>", [] { return EncodeString(BaseUserName, kShiftModeSettingsTools); }},
      {"<PASSWORD_INI>", [] { return EncodeString(BasePassword, kShiftModeSettingsTools); }},
      {"<HANDLE>", [] { return classlib::UIntToStr(MainWindowHandle); }},
      {"<ORA_HOME>", [] { return OraHome; }},
  };
  return table;
}

size_t LongestToken() {
  static const size_t longest = [] {
    size_t length = 0;
    for (const auto& entry : TokenTable()) length = std::max(length, entry.first.size());
    return length;
  }();
  return longest;
}

// The ends of the values inserted so far that enclose the scan position,
// innermost last: how deeply the token at the position is nested in values.
class Nesting {
 public:
  // Forgets the values the scan has left behind.
  void LeavePassed(size_t position) {
    while (!ends_.empty() && ends_.back() <= position) ends_.pop_back();
  }
  int Depth() const { return static_cast<int>(ends_.size()); }
  // The text [start, token_end) became `length` bytes.
  void Replaced(size_t start, size_t token_end, size_t length) {
    size_t new_end = start + length;
    // Every value still open encloses start; one that ended inside the token
    // now ends with the replacement.
    for (size_t& end : ends_) end = end >= token_end ? end - token_end + new_end : new_end;
    if (length > 0) ends_.push_back(new_end);
  }

 private:
  std::vector<size_t> ends_;  // one past each value's last byte
};

[[noreturn]] void RefuseValue(const std::string& token) {
  throw EMacroValueError(classlib::Format(
      classlib::Utf8ToCp1251("Значение макроса %s нельзя подставить в оператор: оно завершает "
                             "строку, имя или комментарий, внутри которого стоит макрос"),
      {token}));
}

bool IsPasswordToken(const std::string& upper_token) {
  return upper_token == "<PASSWORD>" || upper_token == "<PASSWORD_SQL>" ||
         upper_token == "<PASSWORD_INI>";
}

// The value as the options want it; false for a text that is no token.
bool OptionValue(const std::string& upper_token, const TMacroOptions& options,
                 std::string& value) {
  if (!MacroValue(upper_token, value)) return false;
  if (options.hide_passwords && IsPasswordToken(upper_token)) value = kHiddenPassword;
  if (options.hide_passwords && upper_token == "<CON_STRING>") value = HidePasswordPairs(value);
  return true;
}

}  // namespace

bool MacroValue(const std::string& upper_token, std::string& value) {
  const auto& table = TokenTable();
  auto found = table.find(upper_token);
  if (found == table.end()) return false;
  value = found->second();
  return true;
}

std::string ExpandMacros(const std::string& text, const TMacroOptions& options) {
  std::string s = text;
  Nesting nesting;
  std::optional<TSqlTextTracker> sql;
  if (options.statement) sql.emplace(SqlFormsOf(DBType));
  std::string outer_token;  // the last token put in at the statement's own level
  size_t i = 0;
  while (i < s.size()) {
    nesting.LeavePassed(i);
    if (s[i] == '<') {
      // Only the first ">" can close a token, and a token is short: looking
      // no further keeps long statements full of comparisons linear.
      size_t length = std::string_view(s).substr(i, LongestToken()).find('>');
      std::string value;
      if (length != std::string_view::npos &&
          OptionValue(classlib::UpperCase(s.substr(i, ++length)), options, value)) {
        if (nesting.Depth() >= kMaxMacroNesting) break;
        if (nesting.Depth() == 0) outer_token = classlib::UpperCase(s.substr(i, length));
        // Tokens inside this value stand in the same form: they are fitted
        // when the scan reaches them.
        if (sql) value = sql->Fit(value);
        s.replace(i, length, value);
        nesting.Replaced(i, i + length, value.size());
        // Scanning goes on where the value was put in, so tokens the value
        // holds (at its very start too) are expanded, and after an empty
        // value the next token right at i is not passed over.
        continue;
      }
    }
    if (sql) {
      sql->Step(s[i], nesting.Depth() > 0);
      if (sql->ValueBrokeOut()) RefuseValue(outer_token);
    }
    ++i;
  }
  return s;
}

}  // namespace app
