// What TCustomOraQuery and TOraQuery add to the Oracle data set: sequence
// keys at insert, the statements an edit locks its row with, the refresh
// mode and the process-wide rule that statements be written by hand.
#include <cctype>

#include "classlib/ansistr.h"
#include "dacore/sql_update.h"
#include "oracle/query_ora_dataset.h"

namespace oracle {

using namespace dacore;

namespace {

constexpr const char* kLockClause = "FOR UPDATE NOWAIT";

// Whether the text's first word is FOR: a lock clause without its SELECT.
bool IsLockClause(const std::string& text) {
  const std::string trimmed = classlib::Trim(text);
  return trimmed.size() >= 3 && classlib::UpperCase(trimmed.substr(0, 3)) == "FOR" &&
         (trimmed.size() == 3 || !(std::isalnum(static_cast<unsigned char>(trimmed[3])) || trimmed[3] == '_'));
}

// A value restored when the scope ends, also by an exception.
class ReturnParamsOn {
 public:
  explicit ReturnParamsOn(TOraDataSetOptions& options) : options_(options), saved_(options.ReturnParams()) {
    options_.SetReturnParams(true);
  }
  ~ReturnParamsOn() { options_.SetReturnParams(saved_); }
  ReturnParamsOn(const ReturnParamsOn&) = delete;
  ReturnParamsOn& operator=(const ReturnParamsOn&) = delete;

 private:
  TOraDataSetOptions& options_;
  bool saved_;
};

}  // namespace

// ---- Sequence keys ----------------------------------------------------------------------

bool TCustomOraQuery::PerformInsert() {
  if (!SequenceKeyField()) return TOraDataSet::PerformInsert();
  TCustomDAUpdateSQL* update_object = UpdateObject();
  const bool by_hand = !classlib::Trim(GetUpdateStatementText(stInsert)).empty() ||
                       (update_object && update_object->StatementObject(stInsert));
  if (by_hand && SequenceMode() == smPost) {
    FetchSequenceValue();
    return TOraDataSet::PerformInsert();
  }
  // The generated INSERT takes the key from the sequence; only returned
  // values bring it back into the field.
  ReturnParamsOn returned(Options());
  return TOraDataSet::PerformInsert();
}

// ---- Locks ------------------------------------------------------------------------------

std::string TCustomOraQuery::RefreshStatementText(bool generated) {
  std::string text = classlib::Trim(TOraDataSet::GetUpdateStatementText(stRefresh));
  if (text.empty() && generated) text = SQLGenerator().GenerateSQL(stRefresh, false, nullptr);
  return text;
}

std::string TCustomOraQuery::GetUpdateStatementText(TStatementType type) {
  const std::string text = TOraDataSet::GetUpdateStatementText(type);
  if (type != stLock || !IsLockClause(text)) return text;
  return RefreshStatementText(true) + "\r" + classlib::Trim(text);
}

void TCustomOraQuery::LockEditedRecord() {
  const std::string user_lock = classlib::Trim(SQLLock().Text());
  if ((!user_lock.empty() && !IsLockClause(user_lock)) || !RefreshOptions().Contains(roBeforeEdit)) {
    PerformSQL("", {stLock, stCheck});
    return;
  }
  // The record is read again by the statement that locks it: the refresh
  // SELECT (the user's, or the data set's own with FullRefresh) with the
  // lock clause, else the generated lock statement, whose columns carry
  // the fields' names.
  const std::string refresh = RefreshStatementText(FullRefresh());
  const std::string sql = refresh.empty() ? SQLGenerator().GenerateSQL(stLock, false, nullptr)
                                          : refresh + "\r" + (user_lock.empty() ? kLockClause : user_lock);
  PerformSQL(sql, {stLock, stRefresh, stCheck});
}

// ---- TOraQuery --------------------------------------------------------------------------

bool TOraQuery::UpdateStatementsRequired = false;

TRefreshMode TOraQuery::RefreshMode() const {
  const TRefreshOptions options = RefreshOptions();
  const bool insert = options.Contains(roAfterInsert), update = options.Contains(roAfterUpdate);
  if (insert && update) return rmAlways;
  if (update) return rmAfterUpdate;
  return insert ? rmAfterInsert : rmNone;
}

void TOraQuery::SetRefreshMode(TRefreshMode mode) {
  TRefreshOptions options = RefreshOptions();
  options.Exclude(roAfterInsert);
  options.Exclude(roAfterUpdate);
  if (mode == rmAfterInsert || mode == rmAlways) options.Include(roAfterInsert);
  if (mode == rmAfterUpdate || mode == rmAlways) options.Include(roAfterUpdate);
  SetRefreshOptions(options);
}

}  // namespace oracle
