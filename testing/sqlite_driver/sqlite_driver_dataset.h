// The data set of the SQLite test driver: the generic one with the SQLite
// statement component, conditions and order written into a SELECT with the
// SQLite lexer, and key fields from the updating table's primary key, so
// that its edits are stored through generated statements.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dacore/dataset_component.h"

namespace sqlite_driver {

class TSQLiteDataSet : public dacore::TCustomDADataSet {
  CLASSLIB_CLASS(TSQLiteDataSet, dacore::TCustomDADataSet)
 public:
  explicit TSQLiteDataSet(classlib::TComponent* owner);

  // sql with condition added to its WHERE clause, without its WHERE
  // clause, with its ORDER BY list replaced (removed for an empty list).
  std::string AddWhere(const std::string& sql, const std::string& condition) override;
  std::string DeleteWhere(const std::string& sql) override;
  std::string SetOrderBy(const std::string& sql, const std::string& fields) override;
  std::string DeleteOrderBy(const std::string& sql) override;

 protected:
  std::unique_ptr<dacore::TCustomDASQL> CreateCommand() override;
  // The primary-key columns of the updating table, in the select list's order.
  void DetectKeyFields(std::vector<dacore::TCRFieldDesc*>& key_fields) override;
  // A table the statement reads from can be edited through generated statements.
  bool GetCanModify() const override;
};

}  // namespace sqlite_driver
