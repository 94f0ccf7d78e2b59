// The statement component of the SQLite test driver: the generic one with
// the SQLite lexer, so that names in double quotes are names (also after a
// parameter's ":") and "--" comments hide their markers.
#pragma once

#include <memory>
#include <string>

#include "dacore/sql_component.h"

namespace sqlite_driver {

class TSQLiteSQL : public dacore::TCustomDASQL {
  CLASSLIB_CLASS(TSQLiteSQL, dacore::TCustomDASQL)
 public:
  explicit TSQLiteSQL(classlib::TComponent* owner, dacore::TDASQLOwner* data_set = nullptr);

 protected:
  std::unique_ptr<dacore::TParser> CreateParser(const std::string& text) override;
};

}  // namespace sqlite_driver
