#include "dacore/field_descs.h"

#include <algorithm>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "classlib/format.h"
#include "dacore/messages.h"

namespace dacore {

TFieldDesc* TFieldDescs::Add(std::unique_ptr<TFieldDesc> field) {
  items_.push_back(std::move(field));
  return items_.back().get();
}

TFieldDesc* TFieldDescs::FindField(const std::string& name) const {
  const bool is_path = name.find_first_of(".[") != std::string::npos;
  if (!is_path)
    for (const auto& field : items_)
      if (!field->HasParent() && classlib::AnsiSameText(field->Name(), name)) return field.get();
  for (const auto& field : items_) {
    if (is_path ? classlib::AnsiSameText(field->ActualName(), name)
                : field->HasParent() && classlib::AnsiSameText(field->Name(), name))
      return field.get();
  }
  return nullptr;
}

TFieldDesc* TFieldDescs::FieldByName(const std::string& name) const {
  TFieldDesc* field = FindField(name);
  if (!field) throw classlib::EDatabaseError(classlib::Format(SFieldNotFound, {name}));
  return field;
}

bool TFieldDescs::HasFieldTypes(std::initializer_list<TDataType> types) const {
  return std::any_of(items_.begin(), items_.end(), [&](const auto& field) {
    return std::find(types.begin(), types.end(), field->DataType()) != types.end();
  });
}

}  // namespace dacore
