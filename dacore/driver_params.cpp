// Parameter descriptions.
#include "dacore/driver_params.h"

#include "classlib/exceptions.h"
#include "dacore/util_list_index.h"

namespace dacore {

void TParamDesc::SetValue(const classlib::Variant& value) {
  value_ = value;
  is_null_ = classlib::VarIsEmpty(value) || classlib::VarIsNull(value);
}

classlib::TObject* TParamDesc::GetObject() {
  if (classlib::VarIsEmpty(value_) || classlib::VarIsNull(value_)) return nullptr;
  CLASSLIB_ASSERT(value_.VType() == classlib::varObjectRef);
  return value_.AsObject();
}

void TParamDesc::SetNull(bool value) {
  is_null_ = value;
  value_ = classlib::Variant();
}

void TParamDescs::Clear() {
  for (int i = 0; i < Count(); ++i) delete static_cast<TParamDesc*>(Items(i));
  classlib::TList::Clear();
}

TParamDesc* TParamDescs::ParamItems(int index) const {
  CheckListIndex(index, Count());
  return static_cast<TParamDesc*>(Items(index));
}

}  // namespace dacore
