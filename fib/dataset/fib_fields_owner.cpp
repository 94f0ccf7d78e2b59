#include "fib/dataset/fib_fields_owner.h"

#include "classlib/dataset.h"

namespace fib {

IFIBFieldsOwner* FieldsOwnerOf(const classlib::TField& field) {
  return dynamic_cast<IFIBFieldsOwner*>(field.DataSet());
}

bool FieldColumnInfo(const classlib::TField& field, TFIBColumnInfo& info) {
  IFIBFieldsOwner* owner = FieldsOwnerOf(field);
  return owner != nullptr && owner->ColumnInfo(field.FieldName(), info);
}

int FieldScale(const classlib::TField& field) {
  // Calculated and lookup values are computed on the client with no
  // column behind them, so they keep (almost) every decimal.
  if (field.FieldKind() != classlib::fkData) return -15;
  TFIBColumnInfo info;
  return FieldColumnInfo(field, info) ? info.Scale : 0;
}

}  // namespace fib
