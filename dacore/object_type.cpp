#include "dacore/object_type.h"

#include "classlib/exceptions.h"
#include "classlib/format.h"
#include "dacore/messages.h"

namespace dacore {

void AssignSharedType(TObjectType*& slot, TObjectType* type) {
  if (type) type->AddRef();
  ReleaseShared(slot);
  slot = type;
}

// ---- TAttribute ----------------------------------------------------------------

TAttribute::~TAttribute() {
  if (holds_type_) ReleaseShared(object_type_);
}

void TAttribute::SetObjectType(TObjectType* type) {
  const bool hold = type && !(owner_ && type->Name() == owner_->Name());
  if (hold) type->AddRef();
  if (holds_type_) ReleaseShared(object_type_);
  object_type_ = type;
  holds_type_ = hold;
}

// ---- TObjectType ---------------------------------------------------------------

TAttribute* TObjectType::AddAttribute() {
  attributes_.push_back(std::make_unique<TAttribute>(this));
  return attributes_.back().get();
}

TAttribute* TObjectType::AttributeByName(const std::string& path) const {
  TAttribute* attribute = FindAttribute(path);
  if (!attribute) throw classlib::EDatabaseError(classlib::Format(SAttributeNotFound, {path}));
  return attribute;
}

// ---- TDBObject -----------------------------------------------------------------

TDBObject::~TDBObject() { ReleaseShared(object_type_); }

void TDBObject::SetObjectType(TObjectType* type) { AssignSharedType(object_type_, type); }

void TDBObject::GetAttributeValue(const std::string&, void*, bool& is_blank) { is_blank = true; }

void TDBObject::SetAttributeValue(const std::string&, const void*) {}

}  // namespace dacore
