// TADOQuery: an ADO data set whose statement is the text of its SQL lines.
// Open runs a statement that returns rows; ExecSQL one that does not (a
// batch of several statements goes to the server as one text). Changing the
// SQL closes the query.
#pragma once

#include <string>

#include "app/ado_custom_dataset.h"
#include "classlib/strings.h"

namespace app {

class TADOQuery : public TCustomADODataSet {
  CLASSLIB_CLASS(TADOQuery, TCustomADODataSet)

 public:
  explicit TADOQuery(classlib::TComponent* owner);

  classlib::TStringList& SQL() { return sql_; }
  const classlib::TStringList& SQL() const { return sql_; }

  // Runs the SQL on the connection; the number of rows it affected (-1 when
  // the server does not say).
  int ExecSQL();

 protected:
  std::string StatementText() const override { return sql_.Text(); }

 private:
  void SqlChanged(classlib::TObject* sender);

  classlib::TStringList sql_;
};

}  // namespace app
