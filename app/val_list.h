// An ordered list of name/value pairs holding a connection string, so that
// pairs added in the connection dialog survive later edits of the page.
// Names keep the letter case they were given and are matched ignoring it;
// duplicates may exist, and lookups find the last one.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/object.h"

namespace app {

class TValItem : public classlib::TObject {
  CLASSLIB_CLASS(TValItem, classlib::TObject)

 public:
  TValItem(std::string name, std::string_view value);

  const std::string& Name() const { return name_; }
  const std::string& Value() const { return value_; }
  // The two-character text "" (an empty value as the connection dialog
  // writes it) stores the empty text.
  void SetValue(std::string_view value);

 private:
  friend class TValList;
  // A value read from quotes is final: the "" rule does not apply to it.
  void SetExactValue(std::string value) { value_ = std::move(value); }

  std::string name_;
  std::string value_;
};

class TValList : public classlib::TObject {
  CLASSLIB_CLASS(TValList, classlib::TObject)

 public:
  std::size_t Count() const { return items_.size(); }
  const TValItem& Items(std::size_t index) const { return *items_.at(index); }

  void Clear();

  // The value of the last pair with that name; empty when there is none.
  std::string GetValue(std::string_view name) const;
  // Replaces the value of the last pair with that name (also by the empty
  // text); appends a pair only when there is none and the value is not empty.
  void SetValue(std::string_view name, std::string_view value);
  // Removes the last pair with that name, if any.
  void DeleteValue(std::string_view name);

  // "name=value" pairs joined by ";". A value that holds ";" or begins with
  // a double quote is written in double quotes with inner quotes doubled, so
  // that it reads back whole; every other value is written as it is.
  std::string GetText() const;
  // Replaces the contents by the pairs of text. Segments without "=" are
  // skipped; names and values are not trimmed; duplicates stay.
  void SetText(std::string_view text);

 private:
  // Index of the last pair with that name, or Count() when none matches.
  std::size_t FindLast(std::string_view name) const;

  std::vector<std::unique_ptr<TValItem>> items_;
};

}  // namespace app
