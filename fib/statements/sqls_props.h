// TSQLs: the SQL texts of a data set grouped under one property. Each text
// is the data set's own list, not a copy.
#pragma once

#include "classlib/component.h"
#include "classlib/persistent.h"
#include "classlib/strings.h"
#include "fib/statements/zod_props_owners.h"

namespace fib {

class TSQLs : public classlib::TPersistent {
  CLASSLIB_CLASS(TSQLs, classlib::TPersistent)
 public:
  // `owner` is a data set implementing IDataSetSQLTexts.
  explicit TSQLs(classlib::TComponent* owner);

  classlib::TStrings& SelectSQL() { return texts_.SQLText(TDataSetSQLKind::Select); }
  classlib::TStrings& UpdateSQL() { return texts_.SQLText(TDataSetSQLKind::Update); }
  classlib::TStrings& DeleteSQL() { return texts_.SQLText(TDataSetSQLKind::Delete); }
  classlib::TStrings& InsertSQL() { return texts_.SQLText(TDataSetSQLKind::Insert); }
  classlib::TStrings& RefreshSQL() { return texts_.SQLText(TDataSetSQLKind::Refresh); }
  void SetSelectSQL(const classlib::TStrings& v) { texts_.SetSQLText(TDataSetSQLKind::Select, v); }
  void SetUpdateSQL(const classlib::TStrings& v) { texts_.SetSQLText(TDataSetSQLKind::Update, v); }
  void SetDeleteSQL(const classlib::TStrings& v) { texts_.SetSQLText(TDataSetSQLKind::Delete, v); }
  void SetInsertSQL(const classlib::TStrings& v) { texts_.SetSQLText(TDataSetSQLKind::Insert, v); }
  void SetRefreshSQL(const classlib::TStrings& v) { texts_.SetSQLText(TDataSetSQLKind::Refresh, v); }

  classlib::TPersistent* GetOwner() const override { return owner_; }

 private:
  classlib::TComponent* owner_;
  IDataSetSQLTexts& texts_;
};

}  // namespace fib
