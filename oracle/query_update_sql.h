// TOraUpdateSQL: the update statements a TOraQuery may take from an object
// of their own; its statement objects are Oracle data sets or statements.
#pragma once

#include "dacore/sql_update.h"

namespace oracle {

class TOraUpdateSQL : public dacore::TCustomDAUpdateSQL {
  CLASSLIB_CLASS(TOraUpdateSQL, dacore::TCustomDAUpdateSQL)
 public:
  explicit TOraUpdateSQL(classlib::TComponent* owner = nullptr) : TCustomDAUpdateSQL(owner) {}

  std::string DataSetClass() const override { return "TOraDataSet"; }
  std::string SQLClass() const override { return "TOraSQL"; }
};

}  // namespace oracle
