// Writing a data set's UPDATE, INSERT, DELETE and refresh SELECT from its
// update table, its key fields and the table's columns in the metadata
// cache. The generator sees the data set only through IModifyTextHost, so
// that the rules live in one place and any data set can offer its fields.
#pragma once

#include <string>
#include <vector>

namespace fib {

class TAutoUpdateOptions;
struct TpZODTableInfo;

// The four statements, numbered as callers pass them.
enum TModifyTextKind { mtkModify = 0, mtkInsert = 1, mtkDelete = 2, mtkRefresh = 3 };
// Which fields a modify or insert names.
enum TBlobMode { bmAllFields = 0, bmNoBlobFields = 1, bmBlobFieldsOnly = 2 };

// The first line of a generated statement that has nothing to write; such
// a statement is never sent to the server.
extern const char* const kNoAction;
// True when the first line of `sql` is "No Action" (blanks around ignored).
bool IsNoAction(const std::string& sql);
// "UpdateSQL", "InsertSQL", "DeleteSQL" or "RefreshSQL".
const char* ModifyTextName(TModifyTextKind kind);

// How the database writes identifiers.
struct IdentifierRules {
  int dialect = 3;
  bool upper_old_names = false;
};
// Dialect 1: trimmed and upper-cased. Otherwise a name that needs quotes and
// has none gets them (inner quotes doubled); any other unquoted name is
// upper-cased and a quoted one stays as it is.
std::string FormatIdentifier(const std::string& name, const IdentifierRules& rules);

// One field (or field definition) of the data set as the generator sees it.
struct GeneratorField {
  std::string name;
  // The column's relation and name as the server describes them.
  std::string table;
  std::string column;
  // Neither calculated nor lookup.
  bool data_field = true;
  bool is_blob = false;
  // Filled only when the host is asked to compare values: the value equals
  // the old one (a blob: its stream was not changed), and the value is null.
  bool unchanged = false;
  bool is_null = false;
  // The select column behind the field is named exactly DB_KEY.
  bool is_db_key = false;
};

class IModifyTextHost {
 public:
  virtual ~IModifyTextHost() = default;
  // The name error messages give the data set.
  virtual std::string GeneratorOwnerName() const = 0;
  virtual IdentifierRules Identifiers() const = 0;
  virtual TAutoUpdateOptions& GeneratorOptions() = 0;
  virtual bool CanEditComputedFields() const = 0;
  virtual bool HasFields() const = 0;
  // The fields, or the field definitions when there are no fields. With
  // compare_values the unchanged and is_null marks are filled in.
  virtual std::vector<GeneratorField> GeneratorFields(bool compare_values) = 0;
  // The cached info of a table as the server names it; nullptr when unknown.
  virtual TpZODTableInfo* GeneratorTableInfo(const std::string& table) = 0;
  // The table's primary key columns joined by ";"; empty when it has none.
  virtual std::string GeneratorPrimaryKey(const std::string& table) = 0;
  // The select statement's text as it was prepared.
  virtual std::string PreparedSelectText() = 0;
};

// The statement of `kind` for `table` ("TABLE" or "TABLE ALIAS"; empty or
// equal to UpdateTableName takes the options' table) keyed by `key_fields`
// (names separated by ";"). Empty for an unknown table and, with
// UpdateOnlyModifiedFields, for a data set without fields; "No Action" when
// no field is to be written. Raises classlib::Exception when no key field
// can identify the row.
std::string GenerateSQLText(IModifyTextHost& host, const std::string& table,
                            const std::string& key_fields, TBlobMode blob_mode,
                            TModifyTextKind kind);

// The key for the update table when KeyFields is empty: its primary key,
// else every non-blob field of that table. Sets KeyFields and returns it.
std::string FillKeyFields(IModifyTextHost& host);

}  // namespace fib
