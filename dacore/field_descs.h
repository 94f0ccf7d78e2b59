// The field descriptions of one record store, in field-number order. The
// list owns them.
#pragma once

#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "dacore/field_desc.h"
#include "dacore/util_list_index.h"

namespace dacore {

class TFieldDescs : public classlib::TObject {
  CLASSLIB_CLASS(TFieldDescs, classlib::TObject)
 public:
  TFieldDescs() = default;
  TFieldDescs(const TFieldDescs&) = delete;
  TFieldDescs& operator=(const TFieldDescs&) = delete;

  // Appends a description and returns it.
  TFieldDesc* Add(std::unique_ptr<TFieldDesc> field);
  // Frees every description.
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  // 0-based; EListError for an index outside the list.
  TFieldDesc* GetItems(int i) const {
    CheckListIndex(i, Count());
    return items_[static_cast<std::size_t>(i)].get();
  }

  // A plain name is looked up among the top-level fields first; a name with
  // "." or "[" is matched against the actual names (the paths) of all
  // fields, a plain one then against the names of attribute and element
  // fields. Case is ignored; the first match wins; nil when none.
  TFieldDesc* FindField(const std::string& name) const;
  // As FindField; EDatabaseError "Field %s not found" for none.
  TFieldDesc* FieldByName(const std::string& name) const;
  // Whether some field has one of the data types.
  bool HasFieldTypes(std::initializer_list<TDataType> types) const;

 private:
  std::vector<std::unique_ptr<TFieldDesc>> items_;
};

}  // namespace dacore
