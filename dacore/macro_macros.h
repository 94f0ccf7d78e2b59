// Macros of a statement text: the macro character ("&" unless changed)
// followed by a name. TMacros finds them with an SQL lexer and keeps one
// TMacro per name; Expand replaces each reference by its macro's value when
// the macro is active and by nothing when it is not.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "classlib/collection.h"
#include "classlib/component.h"
#include "dacore/lexer_parser.h"

namespace dacore {

// The process-wide macro character.
char MacroChar();
void SetMacroChar(char c);

// What the component that owns the macros answers when they change.
class TMacrosOwner {
 public:
  virtual ~TMacrosOwner() = default;
  // Whether a change of the macro named by `reference` (macro character and
  // name) leaves the statement as it is: an open data set whose text does
  // not hold the reference.
  virtual bool IgnoresMacroChange(const std::string& reference) const = 0;
  // One macro's value or activity changed: rebuild the final statement.
  virtual void MacroChanged() = 0;
  // The collection changed as a whole (scan, assignment).
  virtual void MacrosUpdated() = 0;
};

// Makes the lexer the macros scan with (TParser by default).
using TParserClass = std::function<std::unique_ptr<TParser>(const std::string& text)>;

class TMacro : public classlib::TCollectionItem {
  CLASSLIB_CLASS(TMacro, classlib::TCollectionItem)
 public:
  explicit TMacro(classlib::TCollection* collection);

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  const std::string& Value() const { return value_; }
  void SetValue(const std::string& value);
  bool Active() const { return active_; }
  void SetActive(bool active);

  std::string DisplayName() const override;
  // Name, value and activity all equal (names compared exactly).
  bool IsEqual(const TMacro& other) const;
  void Assign(const classlib::TPersistent* source) override;

 private:
  void NotifyOwner();

  std::string name_;
  std::string value_;
  bool active_ = true;
};

class TMacros : public classlib::TCollection {
  CLASSLIB_CLASS(TMacros, classlib::TCollection)
 public:
  // component names the owner in errors; owner hears of changes (either may be null).
  explicit TMacros(classlib::TComponent* component = nullptr, TMacrosOwner* owner = nullptr);

  TMacro* Items(int index) const;
  TMacro* FindMacro(const std::string& name) const;
  // EDatabaseError "Macro %s not found" when missing.
  TMacro* MacroByName(const std::string& name) const;
  bool IsEqual(const TMacros& other) const;

  // Rebuilds the list from the references in sql; changes nothing when the
  // list found equals the current one.
  void Scan(const std::string& sql);
  // sql with every reference replaced; all other text kept as it stands.
  std::string Expand(const std::string& sql) const;

  void SetParserClass(TParserClass parser_class);
  TMacrosOwner* MacrosOwner() const { return owner_; }
  classlib::TComponent* Component() const { return component_; }

  // The older stored form "Data" (see macro_data.cpp): sets the values and
  // activities of macros that already exist. Raises EReadError on short data.
  void ReadData(std::span<const uint8_t> data);

 protected:
  void Update(classlib::TCollectionItem* item) override;

 private:
  struct TReference;
  // Calls found for every reference in sql, in order.
  void ForEachReference(const std::string& sql,
                        const std::function<void(const TReference&)>& found) const;

  classlib::TComponent* component_;
  TMacrosOwner* owner_;
  TParserClass parser_class_;
};

}  // namespace dacore
