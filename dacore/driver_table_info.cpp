// Table information: name rules, and the list with its indexes.
#include "dacore/driver_table_info.h"

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"

namespace dacore {

// ---- Name rules --------------------------------------------------------------

bool TCRTableInfo::IsQuoted(const std::string& value) const {
  return value.size() > 1 && value.front() == LeftQuote() && value.back() == RightQuote();
}

std::string TCRTableInfo::Quote(const std::string& value, char left, char right) const {
  return IsQuoted(value) ? value : left + value + right;
}

std::string TCRTableInfo::UnQuote(const std::string& value) const {
  return IsQuoted(value) ? value.substr(1, value.size() - 2) : value;
}

bool TCRTableInfo::QuotesNeeded(const std::string& value) const {
  for (char c : UnQuote(value)) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    if (!plain) return true;
  }
  return false;
}

std::string TCRTableInfo::NormalizeName(const std::string& value, bool quote_names) const {
  return NormalizeName(value, LeftQuote(), RightQuote(), quote_names);
}

std::string TCRTableInfo::NormalizeName(const std::string& value, char left, char right, bool quote_names) const {
  if (value.empty()) return value;
  const size_t dot = value.find('.');
  if (dot != std::string::npos)
    return NormalizeName(value.substr(0, dot), quote_names) + "." + NormalizeName(value.substr(dot + 1), quote_names);
  if (quote_names || QuotesNeeded(value)) return Quote(value, left, right);
  return UnQuote(value);
}

void TCRTableInfo::SetTableName(const std::string& value) {
  table_name_ = value;
  if (owner_) owner_->NameChanged();
}

void TCRTableInfo::SetTableAlias(const std::string& value) {
  table_alias_ = value;
  if (owner_) owner_->AliasChanged();
}

TTableInfoClass BaseTableInfoClass() {
  return [](TCRTablesInfo* owner) { return std::make_unique<TCRTableInfo>(owner); };
}

// ---- The list ----------------------------------------------------------------

TCRTablesInfo::TCRTablesInfo(TTableInfoClass item_class)
    : item_class_(std::move(item_class)), rules_(item_class_(nullptr)) {
  for (classlib::TStringList* index : {&names_, &aliases_}) {
    index->SetDuplicates(classlib::dupAccept);
    index->SetSorted(true);
  }
}

void TCRTablesInfo::EndUpdate() {
  --update_count_;
  RebuildIndex(names_, true);
  RebuildIndex(aliases_, false);
}

TCRTableInfo* TCRTablesInfo::Add() {
  items_.push_back(item_class_(this));
  TCRTableInfo* item = items_.back().get();
  item->SetIndex(Count() - 1);
  NameChanged();
  AliasChanged();
  return item;
}

void TCRTablesInfo::Clear() {
  items_.clear();
  RebuildIndex(names_, true);
  RebuildIndex(aliases_, false);
}

TCRTableInfo* TCRTablesInfo::Items(int index) const {
  if (index < 0 || index >= Count())
    throw classlib::Exception("List index out of bounds (" + std::to_string(index) + ")");
  return items_[static_cast<size_t>(index)].get();
}

void TCRTablesInfo::RebuildIndex(classlib::TStringList& index, bool by_name) {
  index.Clear();
  for (const auto& item : items_)
    index.AddObject(by_name ? item->TableName() : item->TableAlias(), item.get());
}

int TCRTablesInfo::Find(const std::string& text, bool by_name) const {
  const std::string wanted = NormalizeLookups ? rules_->NormalizeName(text, false) : text;
  if (update_count_ > 0) {
    for (const auto& item : items_)
      if (classlib::AnsiSameText(by_name ? item->TableName() : item->TableAlias(), wanted)) return item->Index();
    return -1;
  }
  const classlib::TStringList& index = by_name ? names_ : aliases_;
  int at = -1;
  if (!index.Find(wanted, at)) return -1;
  return static_cast<TCRTableInfo*>(index.Objects(at))->Index();
}

int TCRTablesInfo::FindByName(const std::string& name) const { return Find(name, true); }
int TCRTablesInfo::FindByAlias(const std::string& alias) const { return Find(alias, false); }

}  // namespace dacore
