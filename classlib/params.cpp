// TParams: the parameter list of a statement, searched by name.
#include "classlib/params.h"

#include "classlib/ansistr.h"
#include "classlib/component.h"
#include "classlib/dataset.h"

namespace classlib {

TParams::TParams(TPersistent* owner) : TCollection(TCollectionItemClass::Of<TParam>(), owner) {}

TParams::TParams(TCollectionItemClass item_class, TPersistent* owner)
    : TCollection(item_class, owner) {}

TParam* TParams::Items(int index) const {
  return static_cast<TParam*>(TCollection::Items(index));
}

TParam* TParams::FindParam(std::string_view name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(Items(i)->Name(), name)) return Items(i);
  return nullptr;
}

TParam* TParams::ParamByName(std::string_view name) const {
  if (TParam* param = FindParam(name)) return param;
  DatabaseError(FormatMessage("Parameter '%s' not found", {name}),
                dynamic_cast<const TComponent*>(GetOwner()));
}

TParam* TParams::CreateParam(TFieldType type, const std::string& name, TParamType param_type) {
  auto* param = static_cast<TParam*>(Add());
  param->SetName(name);
  param->SetParamType(param_type);
  param->SetDataType(type);
  return param;
}

void TParams::AddParam(TParam* param) { param->SetCollection(this); }

void TParams::RemoveParam(TParam* param) {
  if (param->Collection() == this) param->SetCollection(nullptr);
}

Variant TParams::ParamValues(const std::string& names) const {
  std::vector<TParam*> list;
  GetParamList(list, names);
  if (list.size() == 1) return list[0]->Value();
  std::vector<Variant> values;
  values.reserve(list.size());
  for (TParam* param : list) values.push_back(param->Value());
  return VarArrayOf(values);
}

void TParams::SetParamValues(const std::string& names, const Variant& values) {
  std::vector<TParam*> list;
  GetParamList(list, names);
  if (list.size() == 1) {
    list[0]->SetValue(values);
    return;
  }
  // The array's own low bound counts as the first name's element.
  int low = VarArrayLowBound(values, 1);
  for (size_t i = 0; i < list.size(); ++i)
    list[i]->SetValue(VarArrayGet(values, {low + static_cast<int>(i)}));
}

void TParams::GetParamList(std::vector<TParam*>& list, const std::string& names) const {
  for (const std::string& name : SplitNameList(names)) list.push_back(ParamByName(name));
}

void TParams::AssignValues(const TParams* source) {
  if (!source) return;
  for (int i = 0; i < source->Count(); ++i)
    if (TParam* param = FindParam(source->Items(i)->Name())) param->Assign(source->Items(i));
}

bool TParams::IsEqual(const TParams* other) const {
  if (!other || other->Count() != Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (!Items(i)->IsEqual(other->Items(i))) return false;
  return true;
}

}  // namespace classlib
