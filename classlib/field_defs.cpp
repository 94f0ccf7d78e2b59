// TFieldDefs / TFieldDef: column descriptions and the fields made from them.
#include "classlib/field_defs.h"

#include "classlib/ansistr.h"
#include "classlib/dataset.h"
#include "classlib/field.h"
#include "classlib/field_misc.h"
#include "classlib/field_numeric.h"
#include "classlib/field_string.h"
#include "classlib/fields.h"

namespace classlib {

TFieldDef::TFieldDef(TCollection* collection) : TCollectionItem(collection) {}

TFieldDef::TFieldDef(TFieldDefs* owner, const std::string& name, TFieldType data_type, int size,
                     bool required, int field_no)
    : TCollectionItem(owner), name_(name), data_type_(data_type), size_(size), field_no_(field_no) {
  if (required) attributes_.Include(faRequired);
}

TFieldDef::~TFieldDef() = default;

void TFieldDef::SetName(const std::string& name) {
  name_ = name;
  Changed(false);
}

void TFieldDef::SetDataType(TFieldType type) {
  data_type_ = type;
  // Types with a fixed size forget the size of a former type.
  if (type != ftString && type != ftFixedChar && type != ftWideString &&
      type != ftFixedWideChar && type != ftBytes && type != ftVarBytes && type != ftBCD &&
      type != ftFMTBcd && type != ftGuid && type != ftArray && type != ftReference &&
      type != ftBlob && type != ftMemo && type != ftWideMemo && type != ftGraphic)
    size_ = 0;
  Changed(false);
}

int TFieldDef::FieldNo() const { return field_no_ > 0 ? field_no_ : Index() + 1; }

void TFieldDef::SetRequired(bool value) {
  if (value)
    attributes_.Include(faRequired);
  else
    attributes_.Exclude(faRequired);
  Changed(false);
}

TFieldDefs& TFieldDef::ChildDefs() {
  if (!child_defs_) child_defs_ = std::make_unique<TFieldDefs>(Owner() ? Owner()->DataSet() : nullptr, this);
  return *child_defs_;
}

bool TFieldDef::HasChildDefs() const { return child_defs_ && child_defs_->Count() > 0; }

TFieldDefs* TFieldDef::Owner() const { return static_cast<TFieldDefs*>(Collection()); }

TFieldDef* TFieldDef::ParentDef() const { return Owner() ? Owner()->ParentDef() : nullptr; }

TField* TFieldDef::CreateField(TComponent* owner, TObjectField* parent_field,
                               const std::string& field_name, bool create_children) {
  TDataSet* data_set = Owner() ? Owner()->DataSet() : nullptr;
  if (data_set == nullptr) DatabaseError("Missing DataSet property");
  TField* field = data_set->CreateFieldOfType(data_type_, owner);
  if (field == nullptr)
    DatabaseError(FormatMessage("Field '%s' is of an unknown type", {name_}), data_set);
  try {
    field->SetSizeRaw(size_);
    field->SetDataType(data_type_);
    field->SetFieldName(field_name.empty() ? name_ : field_name);
    field->SetFieldNo(FieldNo());
    field->SetRequired(Required());
    field->SetReadOnly(attributes_.Contains(faReadonly));
    field->SetVisible(!attributes_.Contains(faHiddenCol));
    if (internal_calc_) field->SetFieldKind(fkInternalCalc);
    if (auto* bcd = dynamic_cast<TBCDField*>(field)) bcd->SetPrecision(precision_);
    if (auto* fmt = dynamic_cast<TFMTBCDField*>(field)) fmt->SetPrecision(precision_);
    if (parent_field != nullptr)
      field->SetParentField(parent_field);
    else
      field->SetDataSet(data_set);
    auto* object = dynamic_cast<TObjectField*>(field);
    if (object != nullptr && create_children && child_defs_) {
      for (int i = 0; i < child_defs_->Count(); ++i)
        child_defs_->Items(i)->CreateField(owner, object);
    }
  } catch (...) {
    delete field;
    throw;
  }
  return field;
}

void TFieldDef::Assign(const TPersistent* source) {
  auto* def = dynamic_cast<const TFieldDef*>(source);
  if (def == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  name_ = def->name_;
  data_type_ = def->data_type_;
  size_ = def->size_;
  precision_ = def->precision_;
  attributes_ = def->attributes_;
  internal_calc_ = def->internal_calc_;
  if (def->HasChildDefs()) ChildDefs().Assign(def->child_defs_.get());
  Changed(false);
}

// ---- TFieldDefs ------------------------------------------------------------

TFieldDefs::TFieldDefs(TDataSet* data_set, TFieldDef* parent_def)
    : TCollection(TCollectionItemClass::Of<TFieldDef>(), parent_def != nullptr
                                                              ? static_cast<TPersistent*>(parent_def)
                                                              : data_set),
      data_set_(data_set),
      parent_def_(parent_def) {}

TFieldDef* TFieldDefs::Items(int index) const {
  return static_cast<TFieldDef*>(TCollection::Items(index));
}

TFieldDef* TFieldDefs::AddFieldDef() { return static_cast<TFieldDef*>(TCollection::Add()); }

TFieldDef* TFieldDefs::Add(const std::string& name, TFieldType data_type, int size,
                           bool required) {
  if (name.empty()) DatabaseError("Field name missing", data_set_);
  if (IndexOf(name) >= 0) DatabaseError(FormatMessage("Duplicate field name '%s'", {name}), data_set_);
  BeginUpdate();
  TFieldDef* def = AddFieldDef();
  def->SetName(name);
  def->SetDataType(data_type);
  def->SetSize(size);
  def->SetRequired(required);
  EndUpdate();
  return def;
}

int TFieldDefs::IndexOf(std::string_view name) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(Items(i)->Name(), name)) return i;
  return -1;
}

TFieldDef* TFieldDefs::Find(std::string_view name) const {
  int index = IndexOf(name);
  if (index < 0) DatabaseError(FormatMessage("Field '%s' not found", {name}), data_set_);
  return Items(index);
}

void TFieldDefs::Update() {
  if (data_set_ == nullptr) return;
  updated_ = false;
  data_set_->InitFieldDefs();
}

void TFieldDefs::Update(TCollectionItem* item) {
  TCollection::Update(item);
  updated_ = false;
}

}  // namespace classlib
