#include "fib/statements/conditions.h"

#include "classlib/ansistr.h"
#include "fib/statements/zod_props_owners.h"

namespace fib {

namespace {

constexpr const char* kFieldSeparator = "#$#$";

bool IsBlank(const std::string& text) { return classlib::Trim(text).empty(); }

// Marks the list as changing the statement's text for one scope.
class ChangingMark {
 public:
  explicit ChangingMark(bool& flag) : flag_(flag) { flag_ = true; }
  ~ChangingMark() { flag_ = false; }

 private:
  bool& flag_;
};

}  // namespace

// ---- TCondition ------------------------------------------------------------

TCondition::~TCondition() {
  if (list_) list_->Detach(this);
}

int TCondition::Index() const { return list_ ? list_->IndexOfObject(this) : -1; }

std::string TCondition::Name() const {
  int index = Index();
  return index >= 0 ? list_->Names(index) : std::string();
}

std::string TCondition::Text() const {
  int index = Index();
  if (index < 0) return {};
  std::string line = list_->Strings(index);
  std::size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

void TCondition::SetText(const std::string& text) {
  int index = Index();
  if (index >= 0) list_->SetStrings(index, Name() + "=" + text);
}

// ---- TConditions -------------------------------------------------------------

TConditions::TConditions(classlib::TComponent* owner) : owner_(owner) { SetOwnsObjects(true); }

// The lines go before the list does, while a condition can still find it.
TConditions::~TConditions() { Clear(); }

// A condition freed on its own removes its line without being freed again.
void TConditions::Detach(TCondition* condition) {
  int index = IndexOfObject(condition);
  if (index < 0) return;
  PutObject(index, nullptr);
  TStringList::Delete(index);
}

void TConditions::Delete(int index) {
  if (TCondition* condition = Condition(index)) condition->list_ = nullptr;
  TStringList::Delete(index);
}

void TConditions::Clear() {
  for (int i = 0; i < Count(); ++i)
    if (TCondition* condition = Condition(i)) condition->list_ = nullptr;
  TStringList::Clear();
}

// Each line gets a condition of its own, even when copied from another list
// (or from this one): a condition shared by two lines would be freed twice.
void TConditions::InsertItem(int index, const std::string& s, classlib::TObject* object) {
  auto* condition = new TCondition(this);
  if (auto* copied = dynamic_cast<const TCondition*>(object)) condition->enabled_ = copied->enabled_;
  TStringList::InsertItem(index, s, condition);
}

void TConditions::Put(int index, const std::string& s) {
  TStringList::Put(index, s);
  if (!GetObject(index)) PutObject(index, new TCondition(this));
}

TCondition* TConditions::Condition(int index) const { return dynamic_cast<TCondition*>(Objects(index)); }

TCondition* TConditions::FindCondition(const std::string& name) const {
  int index = IndexOfName(name);
  return index >= 0 ? Condition(index) : nullptr;
}

TCondition* TConditions::AddCondition(const std::string& name, const std::string& text, bool enabled) {
  TCondition* condition = FindCondition(name);
  if (condition) condition->SetText(text);
  else condition = Condition(Add(name + "=" + text));
  condition->SetEnabled(enabled);
  if (enabled) applied_ = false;
  return condition;
}

std::string TConditions::ConditionsText() const {
  std::string result;
  for (int i = 0; i < Count(); ++i) {
    TCondition* condition = Condition(i);
    if (!condition || !condition->Enabled() || IsBlank(condition->Text())) continue;
    result += "(" + condition->Text() + ")\r\n\r\n and ";
  }
  // Drops the CR LF and " and " after the last condition.
  if (!IsBlank(result)) result.resize(result.size() - 7);
  return result;
}

void TConditions::Apply() {
  auto* statement = dynamic_cast<IConditionsOwner*>(owner_);
  if (!statement) return;
  ChangingMark mark(changing_);
  if (!has_unconditioned_) {
    unconditioned_ = statement->ConditionsSQLText();
    has_unconditioned_ = true;
  }
  std::string sql = unconditioned_;
  std::string conditions = ConditionsText();
  if (!IsBlank(conditions)) {
    std::string where = statement->MainWhereClause(sql);
    sql = statement->SetMainWhereClause(sql, where.empty() ? conditions : where + "\r\nand " + conditions);
  }
  applied_ = true;
  if (sql != statement->ConditionsSQLText()) statement->SetConditionsSQLText(sql);
}

void TConditions::Cancel() {
  applied_ = false;
  auto* statement = dynamic_cast<IConditionsOwner*>(owner_);
  if (!statement || !has_unconditioned_) return;
  ChangingMark mark(changing_);
  if (statement->ConditionsSQLText() != unconditioned_) statement->SetConditionsSQLText(unconditioned_);
}

std::string TConditions::AsText() const {
  classlib::TStringList lines;
  for (int i = 0; i < Count(); ++i) {
    TCondition* condition = Condition(i);
    bool enabled = condition && condition->Enabled();
    lines.Add(Names(i) + kFieldSeparator + (condition ? condition->Text() : std::string()) +
              kFieldSeparator + (enabled ? "1" : "0"));
  }
  return lines.Text();
}

void TConditions::SetAsText(const std::string& text) {
  classlib::TStringList lines;
  lines.SetText(text);
  classlib::TStrings::Updating updating(*this);
  Clear();
  for (int i = 0; i < lines.Count(); ++i) {
    std::string line = lines.Strings(i);
    std::size_t first = line.find(kFieldSeparator);
    std::string name = line.substr(0, first);
    std::string rest = first == std::string::npos ? std::string() : line.substr(first + 4);
    std::size_t second = rest.find(kFieldSeparator);
    std::string condition = rest.substr(0, second);
    std::string flag = second == std::string::npos ? std::string() : rest.substr(second + 4);
    AddCondition(name, condition, classlib::Trim(flag) == "1");
  }
}

}  // namespace fib
