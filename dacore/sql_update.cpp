// TCustomDAUpdateSQL: texts, statement objects and their checks, applying.
#include "dacore/sql_update.h"

#include "classlib/format.h"
#include "dacore/messages.h"
#include "dacore/sql_component.h"

namespace dacore {

namespace {

// The data set itself, or the statement it runs its own query with: as an
// update statement either would run the data set's query for its post.
bool IsDataSetOrItsCommand(const classlib::TComponent* component, const classlib::TComponent* data_set) {
  if (component == data_set) return true;
  const auto* statement = dynamic_cast<const TCustomDASQL*>(component);
  return statement && statement->BelongsTo(data_set);
}

}  // namespace

TCustomDAUpdateSQL::TCustomDAUpdateSQL(classlib::TComponent* owner) : TComponent(owner) {}

TCustomDAUpdateSQL::~TCustomDAUpdateSQL() {
  for (classlib::TComponent* object : objects_)
    if (object) object->RemoveFreeNotification(this);
  SetDataSet(nullptr);
}

size_t TCustomDAUpdateSQL::Slot(TStatementType type) {
  switch (type) {
    case stInsert: return 0;
    case stUpdate: return 1;
    case stDelete: return 2;
    case stRefresh: return 3;
    default: break;
  }
  classlib::Assert(false, __FILE__, __LINE__, "statement type without an update text");
  return 0;
}

classlib::TStringList& TCustomDAUpdateSQL::SQLText(TStatementType type) { return texts_[Slot(type)]; }

classlib::TComponent* TCustomDAUpdateSQL::StatementObject(TStatementType type) const { return objects_[Slot(type)]; }

void TCustomDAUpdateSQL::CheckStatementObject(classlib::TComponent* component,
                                              const classlib::TComponent* data_set) const {
  if (!component) return;
  if (!component->InheritsFromByName(DataSetClass()) && !component->InheritsFromByName(SQLClass()))
    throw classlib::Exception(classlib::Format(SUpdateObjectWrongClass, {DataSetClass(), SQLClass()}));
  if (data_set && IsDataSetOrItsCommand(component, data_set))
    throw classlib::Exception(SUpdateObjectCircularReferences);
}

// One component may run several kinds: its free notification stays while
// any kind still names it.
void TCustomDAUpdateSQL::SetStatementObject(TStatementType type, classlib::TComponent* component) {
  CheckStatementObject(component, data_set_component_);
  classlib::TComponent*& slot = objects_[Slot(type)];
  if (slot == component) return;
  classlib::TComponent* old = slot;
  slot = component;
  if (old && !Names(old)) old->RemoveFreeNotification(this);
  if (component) component->FreeNotification(this);
}

bool TCustomDAUpdateSQL::Names(const classlib::TComponent* component) const {
  if (component == data_set_component_) return true;
  for (const classlib::TComponent* object : objects_)
    if (object == component) return true;
  return false;
}

void TCustomDAUpdateSQL::SetDataSet(IDAUpdateDataSet* data_set) {
  if (data_set == data_set_) return;
  IDAUpdateDataSet* old = data_set_;
  classlib::TComponent* old_component = data_set_component_;
  data_set_ = data_set;
  data_set_component_ = data_set ? data_set->UpdateDataSetComponent() : nullptr;
  if (old_component && !Names(old_component)) old_component->RemoveFreeNotification(this);
  if (data_set_component_) data_set_component_->FreeNotification(this);
  if (old) old->ReleaseUpdateObject(this);
}

void TCustomDAUpdateSQL::Apply(classlib::TUpdateKind kind) {
  if (!data_set_) return;
  const TStatementType type = UpdateKindToStatementType(kind);
  data_set_->PerformSQL(SQLText(type).Text(), {type});
}

void TCustomDAUpdateSQL::Notification(classlib::TComponent* component, classlib::TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != classlib::opRemove) return;
  for (classlib::TComponent*& object : objects_)
    if (object == component) object = nullptr;
  if (component == data_set_component_) {
    data_set_ = nullptr;
    data_set_component_ = nullptr;
  }
}

void TCustomDAUpdateSQL::Assign(const classlib::TPersistent* source) {
  const auto* other = dynamic_cast<const TCustomDAUpdateSQL*>(source);
  if (!other) {
    TComponent::Assign(source);
    return;
  }
  for (size_t i = 0; i < texts_.size(); ++i) texts_[i].Assign(&other->texts_[i]);
  SetDataSet(other->data_set_);
  for (TStatementType type : {stInsert, stUpdate, stDelete, stRefresh})
    SetStatementObject(type, other->StatementObject(type));
}

}  // namespace dacore
