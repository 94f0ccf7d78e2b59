#include "app/val_list.h"

#include "classlib/ansistr.h"

namespace app {

namespace {

constexpr char kQuote = '"';

bool NeedsQuotes(std::string_view value) {
  return value.find(';') != std::string_view::npos || (!value.empty() && value.front() == kQuote);
}

std::string Quoted(std::string_view value) {
  std::string quoted(1, kQuote);
  for (char c : value) {
    quoted += c;
    if (c == kQuote) quoted += kQuote;
  }
  quoted += kQuote;
  return quoted;
}

// A value that opens with a quote and whose matching closing quote ends the
// pair (at ";" or the end of the text). On success `value` holds the text
// between the quotes with doubled quotes made single and `consumed` the
// length up to and including the ";".
bool ReadQuotedValue(std::string_view rest, std::string& value, std::size_t& consumed) {
  if (rest.empty() || rest.front() != kQuote) return false;
  std::string text;
  for (std::size_t i = 1; i < rest.size(); ++i) {
    if (rest[i] != kQuote) {
      text += rest[i];
      continue;
    }
    if (i + 1 < rest.size() && rest[i + 1] == kQuote) {
      text += kQuote;
      ++i;
      continue;
    }
    // The closing quote: it must end the pair, or the value is not quoted.
    if (i + 1 == rest.size()) {
      consumed = rest.size();
    } else if (rest[i + 1] == ';') {
      consumed = i + 2;
    } else {
      return false;
    }
    value = std::move(text);
    return true;
  }
  return false;
}

}  // namespace

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
    text += NeedsQuotes(item->Value()) ? Quoted(item->Value()) : item->Value();
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
    if (ReadQuotedValue(afterEquals, quoted, consumed)) {
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
