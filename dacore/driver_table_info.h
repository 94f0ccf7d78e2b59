// The tables a query reads: TCRTableInfo (name, alias, and the quoting and
// normalising of names in the server's dialect) and TCRTablesInfo, the
// list with indexes by name and by alias.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/object.h"
#include "classlib/strings.h"

namespace dacore {

class TCRTablesInfo;

class TCRTableInfo : public classlib::TObject {
  CLASSLIB_CLASS(TCRTableInfo, classlib::TObject)
 public:
  explicit TCRTableInfo(TCRTablesInfo* owner) : owner_(owner) {}

  virtual std::string GetTableName() const { return table_name_; }
  virtual bool TestTableName(const std::string& /*name*/) const { return false; }

  // ---- Name rules of the dialect (answer the same for every instance) -------
  // The name quoted when quote_names is set or it needs quotes, unquoted
  // otherwise; a name with "." is treated part by part at its first ".".
  virtual std::string NormalizeName(const std::string& value, bool quote_names) const;
  virtual std::string NormalizeName(const std::string& value, char left, char right, bool quote_names) const;
  virtual char LeftQuote() const { return '"'; }
  virtual char RightQuote() const { return '"'; }
  // Longer than one character and enclosed in the dialect's quotes.
  virtual bool IsQuoted(const std::string& value) const;
  // Whether the unquoted name holds anything but ASCII letters, digits and "_".
  virtual bool QuotesNeeded(const std::string& value) const;
  virtual std::string QuoteTableName(const std::string& name) const { return Quote(name, LeftQuote(), RightQuote()); }
  virtual std::string NormalizeTableName(const std::string& name, bool quote_names) const {
    return NormalizeName(name, quote_names);
  }
  std::string Quote(const std::string& value, char left, char right) const;
  std::string UnQuote(const std::string& value) const;

  const std::string& TableName() const { return table_name_; }
  void SetTableName(const std::string& value);
  const std::string& TableAlias() const { return table_alias_; }
  void SetTableAlias(const std::string& value);
  TCRTablesInfo* Owner() const { return owner_; }
  int Index() const { return index_; }
  void SetIndex(int value) { index_ = value; }

 private:
  TCRTablesInfo* owner_;
  int index_ = -1;
  std::string table_name_;
  std::string table_alias_;
};

// Creates an item of a dialect's table-info class: the class reference.
using TTableInfoClass = std::function<std::unique_ptr<TCRTableInfo>(TCRTablesInfo* owner)>;
TTableInfoClass BaseTableInfoClass();

class TCRTablesInfo : public classlib::TObject {
  CLASSLIB_CLASS(TCRTablesInfo, classlib::TObject)
 public:
  explicit TCRTablesInfo(TTableInfoClass item_class);
  TCRTablesInfo(const TCRTablesInfo&) = delete;
  TCRTablesInfo& operator=(const TCRTablesInfo&) = delete;

  virtual void BeginUpdate() { ++update_count_; }
  // Rebuilds both indexes.
  virtual void EndUpdate();
  TCRTableInfo* Add();
  void Clear();
  // Position of the table with that name or alias (without regard to case), -1 when none.
  int FindByName(const std::string& name) const;
  int FindByAlias(const std::string& alias) const;
  // Exception "List index out of bounds (%d)" outside 0..Count-1.
  TCRTableInfo* Items(int index) const;
  int Count() const { return static_cast<int>(items_.size()); }
  // Lookups normalise the searched name first with the item class's rules.
  bool NormalizeLookups = false;
  // An instance of the item class that answers its name rules.
  const TCRTableInfo& ClassRules() const { return *rules_; }

  // Called by the items when their name or alias changes.
  void NameChanged() { if (update_count_ == 0) RebuildIndex(names_, true); }
  void AliasChanged() { if (update_count_ == 0) RebuildIndex(aliases_, false); }

 private:
  void RebuildIndex(classlib::TStringList& index, bool by_name);
  int Find(const std::string& text, bool by_name) const;

  TTableInfoClass item_class_;
  std::unique_ptr<TCRTableInfo> rules_;
  std::vector<std::unique_ptr<TCRTableInfo>> items_;
  int update_count_ = 0;
  classlib::TStringList names_;    // name -> item
  classlib::TStringList aliases_;  // alias -> item
};

}  // namespace dacore
