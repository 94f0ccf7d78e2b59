#include "app/val_list.h"

#include "app/pair_quoting.h"
#include "classlib/ansistr.h"

namespace app {

TValItem::TValItem(std::string name, std::string_view value) : name_(std::move(name)) {
  SetValue(value);
}

void TValItem::SetValue(std::string_view value) {
  value_ = value == "\"\"" ? std::string() : std::string(value);
}

void TValList::Clear() {
  // The items go from the last to the first.
  while (!items_.empty()) items_.pop_back();
}

std::size_t TValList::FindLast(std::string_view name) const {
  const std::string wanted = classlib::AnsiUpperCase(name);
  for (std::size_t i = items_.size(); i-- > 0;) {
    if (classlib::AnsiUpperCase(items_[i]->Name()) == wanted) return i;
  }
  return items_.size();
}

std::string TValList::GetValue(std::string_view name) const {
  const std::size_t i = FindLast(name);
  return i < items_.size() ? items_[i]->Value() : std::string();
}

void TValList::SetValue(std::string_view name, std::string_view value) {
  const std::size_t i = FindLast(name);
  if (i < items_.size()) {
    items_[i]->SetValue(value);
  } else if (!value.empty()) {
    items_.push_back(std::make_unique<TValItem>(std::string(name), value));
  }
}

void TValList::DeleteValue(std::string_view name) {
  const std::size_t i = FindLast(name);
  if (i < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
}

std::string TValList::GetText() const {
  std::string text;
  bool first = true;
  for (const auto& item : items_) {
    if (!first) text += ';';
    first = false;
    text += item->Name();
    text += '=';
    text += QuotePairValue(item->Value());
  }
  return text;
}

void TValList::SetText(std::string_view text) {
  Clear();
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t semicolon = rest.find(';');
    const std::size_t equals = rest.find('=');
    if (equals == std::string_view::npos) break;  // no pair left
    if (semicolon < equals) {                     // a segment without "="
      rest.remove_prefix(semicolon + 1);
      continue;
    }
    std::string name(rest.substr(0, equals));
    std::string_view afterEquals = rest.substr(equals + 1);
    std::string quoted;
    std::size_t consumed = 0;
    if (ReadQuotedPairValue(afterEquals, quoted, consumed)) {
      if (consumed < afterEquals.size()) ++consumed;  // the ";" that ends the pair
      items_.push_back(std::make_unique<TValItem>(std::move(name), std::string_view{}));
      items_.back()->SetExactValue(std::move(quoted));
      rest = afterEquals.substr(consumed);
      continue;
    }
    const std::size_t end = afterEquals.find(';');
    items_.push_back(std::make_unique<TValItem>(std::move(name), afterEquals.substr(0, end)));
    if (end == std::string_view::npos) break;
    rest = afterEquals.substr(end + 1);
  }
}

}  // namespace app
