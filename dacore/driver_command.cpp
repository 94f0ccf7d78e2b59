// TCRCommand: parameters and properties.
#include "dacore/driver_command.h"

namespace dacore {

TParamDesc* TCRCommand::AddParam() {
  TParamDesc* param = GetParamDescType().release();
  params_.Add(param);
  return param;
}

void TCRCommand::DeleteParam(int index) {
  TParamDesc* param = params_.ParamItems(index);
  params_.Delete(index);
  delete param;
}

bool TCRCommand::SetProp(int prop, const classlib::Variant& value) {
  switch (prop) {
    case prAutoCommit: AutoCommit = value.AsBoolean(); return true;
    case prCommandProp11: case prCommandProp32: return true;
    default: UnknownProperty(__FILE__, __LINE__, prop);
  }
}

bool TCRCommand::GetProp(int prop, classlib::Variant& value) {
  switch (prop) {
    case prCommandProp11: value = false; return true;
    case prCommandProp24: value = Prop24; return true;
    default: UnknownProperty(__FILE__, __LINE__, prop);
  }
}

}  // namespace dacore
