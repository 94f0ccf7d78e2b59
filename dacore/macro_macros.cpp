// TMacro and TMacros: the list, lookups, change notices, scan and expand.
#include "dacore/macro_macros.h"

#include "classlib/dataset.h"
#include "classlib/format.h"
#include "dacore/messages.h"

namespace dacore {

namespace {

char g_macro_char = '&';

bool SameText(const std::string& a, const std::string& b) {
  return CompareLexemes(a, b) == 0;
}

}  // namespace

char MacroChar() { return g_macro_char; }
void SetMacroChar(char c) { g_macro_char = c; }

// ---- TMacro -------------------------------------------------------------------

TMacro::TMacro(classlib::TCollection* collection) : TCollectionItem(collection) {}

void TMacro::SetValue(const std::string& value) {
  if (value == value_) return;
  value_ = value;
  NotifyOwner();
}

void TMacro::SetActive(bool active) {
  if (active == active_) return;
  active_ = active;
  NotifyOwner();
}

std::string TMacro::DisplayName() const {
  return name_.empty() ? TCollectionItem::DisplayName() : name_;
}

bool TMacro::IsEqual(const TMacro& other) const {
  return name_ == other.name_ && value_ == other.value_ && active_ == other.active_;
}

void TMacro::Assign(const classlib::TPersistent* source) {
  auto* other = dynamic_cast<const TMacro*>(source);
  if (!other) {
    TCollectionItem::Assign(source);
    return;
  }
  SetName(other->name_);
  SetValue(other->value_);
  SetActive(other->active_);
}

// While the collection is being updated the owner hears once, at the end.
void TMacro::NotifyOwner() {
  auto* macros = dynamic_cast<TMacros*>(Collection());
  if (!macros || macros->UpdateCount() > 0 || !macros->MacrosOwner()) return;
  if (macros->MacrosOwner()->IgnoresMacroChange(std::string(1, MacroChar()) + name_)) return;
  macros->MacrosOwner()->MacroChanged();
}

// ---- TMacros: the list --------------------------------------------------------

TMacros::TMacros(classlib::TComponent* component, TMacrosOwner* owner)
    : TCollection(classlib::TCollectionItemClass::Of<TMacro>(), component),
      component_(component),
      owner_(owner),
      parser_class_([](const std::string& text) { return std::make_unique<TParser>(text); }) {}

TMacro* TMacros::Items(int index) const { return static_cast<TMacro*>(TCollection::Items(index)); }

TMacro* TMacros::FindMacro(const std::string& name) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(Items(i)->Name(), name)) return Items(i);
  return nullptr;
}

TMacro* TMacros::MacroByName(const std::string& name) const {
  TMacro* macro = FindMacro(name);
  if (!macro) classlib::DatabaseError(classlib::Format(SMacroNotFound, {name}), component_);
  return macro;
}

bool TMacros::IsEqual(const TMacros& other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (!Items(i)->IsEqual(*other.Items(i))) return false;
  return true;
}

void TMacros::SetParserClass(TParserClass parser_class) { parser_class_ = std::move(parser_class); }

void TMacros::Update(classlib::TCollectionItem*) {
  if (owner_) owner_->MacrosUpdated();
}

// ---- Scan and expand ----------------------------------------------------------

struct TMacros::TReference {
  int start;  // the macro character, 0-based
  int end;    // just past the name
  std::string name;
};

namespace {

// An identifier, or a keyword of the lexer's table (a code with a word).
bool IsWord(TParser& parser, int code, const std::string& text) {
  return code == lcIdent || (code > 0 && !text.empty() && parser.IsAlpha(text[0]));
}

std::string LastTokenText(TParser& parser) {
  return parser.TextBetween(parser.GetPrevPos(), parser.GetCurrPos());
}

}  // namespace

void TMacros::ForEachReference(const std::string& sql,
                               const std::function<void(const TReference&)>& found) const {
  std::unique_ptr<TParser> parser = parser_class_(sql);
  parser->OmitBlank = false;
  parser->Uppercase = false;
  const std::string macro_char(1, MacroChar());
  const bool names_may_start_with_digits = parser->IsParserOption16();
  std::string lexeme;
  for (int code = parser->GetNextToken(lexeme); code != lcEnd; code = parser->GetNextToken(lexeme)) {
    if (LastTokenText(*parser) != macro_char) continue;
    const int start = parser->GetPrevPos();
    code = parser->GetNextToken(lexeme);
    std::string name = LastTokenText(*parser);
    const bool number = names_may_start_with_digits && code == lcNumber;
    if (!number && !IsWord(*parser, code, name)) {
      parser->BackToLastToken();  // the token may start another reference
      continue;
    }
    int end = parser->GetCurrPos();
    if (number) {
      code = parser->GetNextToken(lexeme);
      const std::string tail = LastTokenText(*parser);
      if (IsWord(*parser, code, tail)) {
        name += tail;
        end = parser->GetCurrPos();
      } else {
        parser->BackToLastToken();
      }
    }
    found(TReference{start, end, name});
  }
}

void TMacros::Scan(const std::string& sql) {
  if (sql.find(MacroChar()) == std::string::npos) {
    if (Count() > 0) Clear();
    return;
  }
  TMacros found_macros;
  ForEachReference(sql, [&](const TReference& ref) {
    if (found_macros.FindMacro(ref.name)) return;
    auto* macro = static_cast<TMacro*>(found_macros.Add());
    macro->SetName(ref.name);
    if (const TMacro* old = FindMacro(ref.name)) {
      macro->SetValue(old->Value());
      macro->SetActive(old->Active());
    }
  });
  if (!IsEqual(found_macros)) Assign(&found_macros);
}

// A reference to a macro the list does not hold stays as written.
std::string TMacros::Expand(const std::string& sql) const {
  if (sql.find(MacroChar()) == std::string::npos) return sql;
  std::string result;
  size_t copied = 0;
  ForEachReference(sql, [&](const TReference& ref) {
    const TMacro* macro = FindMacro(ref.name);
    if (!macro) return;
    result.append(sql, copied, static_cast<size_t>(ref.start) - copied);
    if (macro->Active()) result += macro->Value();
    copied = static_cast<size_t>(ref.end);
  });
  result.append(sql, copied);
  return result;
}

}  // namespace dacore
