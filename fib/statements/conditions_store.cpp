#include "fib/statements/conditions_store.h"

#include "classlib/exceptions.h"

namespace fib {

namespace {

constexpr const char* kEmptyText = "'";
constexpr const char* kAncestorText = "0";

[[noreturn]] void BadData() { throw classlib::EReadError("Invalid stored conditions"); }

// Reads the stored list front to back, refusing values of the wrong kind.
class ValueReader {
 public:
  explicit ValueReader(const std::vector<StoredValue>& values) : values_(values) {}
  bool AtEnd() const { return next_ == values_.size(); }
  const std::string& Text() {
    if (AtEnd() || !std::holds_alternative<std::string>(values_[next_])) BadData();
    return std::get<std::string>(values_[next_++]);
  }
  bool Boolean() {
    if (AtEnd() || !std::holds_alternative<bool>(values_[next_])) BadData();
    return std::get<bool>(values_[next_++]);
  }

 private:
  const std::vector<StoredValue>& values_;
  std::size_t next_ = 0;
};

}  // namespace

std::vector<StoredValue> WriteConditionsData(const TConditions& conditions, const TConditions* ancestor) {
  std::vector<StoredValue> values;
  for (int i = 0; i < conditions.Count(); ++i) {
    const TCondition* condition = conditions.Condition(i);
    if (!condition) continue;
    std::string text = condition->Text();
    const TCondition* inherited = ancestor ? ancestor->FindCondition(condition->Name()) : nullptr;
    bool same_text = inherited && inherited->Text() == text;
    if (same_text && inherited->Enabled() == condition->Enabled()) continue;
    values.emplace_back(condition->Name());
    values.emplace_back(same_text ? std::string(kAncestorText) : text.empty() ? std::string(kEmptyText) : text);
    values.emplace_back(condition->Enabled());
  }
  if (!ancestor) return values;
  std::vector<std::string> deleted;
  for (int i = 0; i < ancestor->Count(); ++i)
    if (!conditions.FindCondition(ancestor->Names(i))) deleted.push_back(ancestor->Names(i));
  if (deleted.empty()) return values;
  values.emplace_back(std::string(kDeletedConditionsMarker));
  for (std::string& name : deleted) values.emplace_back(std::move(name));
  return values;
}

void ReadConditionsData(TConditions& conditions, const std::vector<StoredValue>& values) {
  ValueReader reader(values);
  classlib::TStrings::Updating updating(conditions);
  while (!reader.AtEnd()) {
    std::string name = reader.Text();
    if (name == kDeletedConditionsMarker) {
      while (!reader.AtEnd())
        if (TCondition* gone = conditions.FindCondition(reader.Text())) delete gone;
      return;
    }
    std::string text = reader.Text();
    bool enabled = reader.Boolean();
    TCondition* inherited = conditions.FindCondition(name);
    if (text == kEmptyText) text.clear();
    else if (text == kAncestorText && inherited) text = inherited->Text();
    conditions.AddCondition(name, text, enabled);
  }
}

void ReadOldConditionsStrings(TConditions& conditions, const classlib::TStrings& lines) {
  conditions.Assign(lines);
}

void ReadOldConditionsEnabled(TConditions& conditions, const std::string& flags) {
  for (int i = 0; i < conditions.Count(); ++i) {
    std::size_t at = 2 * static_cast<std::size_t>(i) + 1;  // position 2, 4, ... counted from 1
    if (at >= flags.size()) break;
    if (TCondition* condition = conditions.Condition(i)) condition->SetEnabled(flags[at] == '1');
  }
}

}  // namespace fib
