// The life cycle of object values: the instance and its indicator structure
// in the object cache, pins, copies and the values embedded in a parent.
#include "oracle/object_ora_object.h"

#include <algorithm>

#include "oracle/call_entries.h"
#include "oracle/call_entries_objects.h"
#include "oracle/call_state.h"
#include "oracle/error_messages.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"
#include "oracle/object_ora_array.h"
#include "oracle/object_ora_ref.h"

namespace oracle {

TOraObject::TOraObject(TOraType* object_type)
    : instance_cell_(new void*(nullptr)), indicator_cell_(new void*(nullptr)) {
  if (object_type) SetOraType(object_type);
}

TOraObject::~TOraObject() {
  try {
    FreeObject(true);
  } catch (...) {
    // A destructor cannot report: the cache frees the rest with its session.
  }
  ReleaseChildren();
  delete instance_cell_;
  delete indicator_cell_;
}

void TOraObject::SetOCISvcCtx(OCISvcCtx* svc_ctx) {
  // Taken again for the same context: a reconnect may open its new session there.
  session_ = SvcCtxToken(svc_ctx);
  if (svc_ctx == svc_ctx_) return;
  svc_ctx_ = svc_ctx;
  env_ = nullptr;
  OCIError* const error = GetOCIError();
  if (svc_ctx_) CheckOciStatus(OCIAttrGet(svc_ctx_, OCI_HTYPE_SVCCTX, &env_, nullptr, OCI_ATTR_ENV, error), error);
}

void TOraObject::SetOraType(TOraType* type) {
  if (type == GetOraType()) return;
  if (GetInstance()) FreeObject(true);
  SetObjectType(type);
  if (type && type->SvcCtx()) SetOCISvcCtx(type->SvcCtx());
}

void TOraObject::CheckType() {
  if (!ObjectType()) RaiseOraException(messages::kObjectTypeNotDefined);
}

void TOraObject::CheckSession() {
  if (!svc_ctx_) RaiseOraException(messages::kSvcCtxNotDefined);
}

void TOraObject::CheckAlloc(bool raise_error) {
  if (!GetInstance() && auto_alloc_) AllocObject();
  if (!GetInstance() && raise_error) RaiseOraException(messages::kObjectNotAllocated);
}

void TOraObject::CheckNotCached() {
  if (cached_) RaiseOraException(messages::kObjectCached);
}

void TOraObject::AllocObject() {
  CheckType();
  CheckSession();
  if (owner_) {
    owner_->CheckAlloc(true);
    owner_->ChildAlloc(*this);
    return;
  }
  if (!GetInstance()) {
    TOraType* type = GetOraType();
    const OCITypeCode code =
        type->DataType() == dacore::dtArray || type->DataType() == dacore::dtTable
            ? OCI_TYPECODE_NAMEDCOLLECTION
            : type->TypeCode();
    CheckOciStatus(OCIObjectNew(env_, GetOCIError(), svc_ctx_, code, type->TDO(), nullptr,
                                OCI_DURATION_SESSION, 1, instance_cell_),
                   GetOCIError());
    owns_instance_ = true;
  }
  if (!GetIndicator())
    CheckOciStatus(OCIObjectGetInd(env_, GetOCIError(), GetInstance(), indicator_cell_), GetOCIError());
}

void TOraObject::AllocObject(const std::string& type_name) {
  CheckSession();
  TOraType* type = new TOraType(svc_ctx_, type_name);
  SetOraType(type);
  type->Release();  // the value holds it now
  AllocObject();
}

void TOraObject::AllocObject(OCISvcCtx* svc_ctx, const std::string& type_name) {
  SetOCISvcCtx(svc_ctx);
  AllocObject(type_name);
}

void TOraObject::FreeObject(bool free_child) {
  TOraType* type = GetOraType();
  OCIError* error = GetOCIError();
  void* instance = GetInstance();
  OCIRef* ref = ref_;
  const bool free_instance = owns_instance_ && instance && type && type->Valid() && !cached_;
  SetInstance(nullptr);
  SetIndicator(nullptr);
  owns_instance_ = false;
  ref_ = nullptr;
  if (free_child) ReleaseChildren();
  if (ref && type && type->Valid()) CheckOciStatus(OCIObjectFree(env_, error, ref, 0), error);
  if (free_instance) CheckOciStatus(OCIObjectFree(env_, error, instance, 0), error);
}

void TOraObject::ReleaseChildren() {
  std::vector<dacore::TSharedObject*> children;
  children.swap(children_);
  for (dacore::TSharedObject* child : children) {
    // A child kept by someone else must not point into our instance any more.
    if (auto* object = dynamic_cast<TOraObject*>(child); object && object->owner_ == this) {
      object->owner_ = nullptr;
      object->SetInstance(nullptr);
      object->SetIndicator(nullptr);
    }
    dacore::ReleaseShared(child);
  }
}

OCIRef* TOraObject::GetObjectRef() {
  CheckAlloc(true);
  if (!ref_) {
    void* ref = nullptr;
    CheckOciStatus(OCIObjectNew(env_, GetOCIError(), svc_ctx_, OCI_TYPECODE_REF, nullptr, nullptr,
                                OCI_DURATION_SESSION, 1, &ref),
                   GetOCIError());
    ref_ = static_cast<OCIRef*>(ref);
  }
  CheckOciStatus(OCIObjectGetObjectRef(env_, GetOCIError(), GetInstance(), ref_), GetOCIError());
  return ref_;
}

void TOraObject::Pin() {
  CheckAlloc(true);
  CheckNotCached();
  void* object = nullptr;
  CheckOciStatus(OCIObjectPin(env_, GetOCIError(), GetObjectRef(), nullptr, OCI_PIN_ANY,
                              OCI_DURATION_SESSION, OCI_LOCK_NONE, &object),
                 GetOCIError());
  if (!GetIndicator())
    CheckOciStatus(OCIObjectGetInd(env_, GetOCIError(), GetInstance(), indicator_cell_), GetOCIError());
}

void TOraObject::Unpin() {
  CheckAlloc(true);
  CheckNotCached();
  CheckOciStatus(OCIObjectUnpin(env_, GetOCIError(), GetInstance()), GetOCIError());
}

void TOraObject::Flush() {
  CheckAlloc(true);
  CheckNotCached();
  WriteLobs();
  CheckOciStatus(OCIObjectFlush(env_, GetOCIError(), GetInstance()), GetOCIError());
}

void TOraObject::MarkDelete() {
  CheckAlloc(true);
  CheckNotCached();
  CheckOciStatus(OCIObjectMarkDelete(env_, GetOCIError(), GetInstance()), GetOCIError());
}

void TOraObject::MarkUpdate() {
  CheckAlloc(true);
  CheckNotCached();
  CheckOciStatus(OCIObjectMarkUpdate(env_, GetOCIError(), GetInstance()), GetOCIError());
}

void TOraObject::MarkModified() {
  for (TOraObject* value = this; value; value = value->owner_) value->modified_ = true;
}

void TOraObject::Assign(TOraObject& source) {
  MarkModified();
  MarkReplaced();
  CheckSession();
  CheckAlloc(true);
  source.CheckAlloc(true);
  CheckOciStatus(OCIObjectCopy(env_, GetOCIError(), svc_ctx_, source.GetInstance(), source.GetIndicator(),
                               GetInstance(), GetIndicator(), GetOraType()->TDO(),
                               OCI_DURATION_SESSION, 0),
                 GetOCIError());
  if (OCIVersion >= 9000)
    CopyNestedTables(env_, GetOCIError(), *GetOraType(), source.GetInstance(), GetInstance());
  // The copy holds the source's locators; LOB data the source keeps on the
  // client (not yet written) is copied as well, so an edit copy loses none.
  source.CopyLobsTo(*this);
}

bool TOraObject::GetIsNull() {
  const void* indicator = GetIndicator();
  return !indicator || *static_cast<const OCIInd*>(indicator) != OCI_IND_NOTNULL;
}

void TOraObject::SetIsNull(bool value) {
  MarkModified();
  if (value) MarkReplaced();
  CheckAlloc(true);
  *static_cast<OCIInd*>(GetIndicator()) = value ? OCI_IND_NULL : OCI_IND_NOTNULL;
}

void TOraObject::AssignInstance(void* instance) {
  if (instance == GetInstance()) return;
  FreeObject(true);
  SetInstance(instance);
}

void TOraObject::ChildAlloc(TOraObject& child) {
  auto found = std::find(children_.begin(), children_.end(), &child);
  if (found == children_.end()) return;
  dacore::TAttribute* attribute = GetOraType()->GetAttributes(static_cast<int>(found - children_.begin()));
  auto* type = static_cast<TOraType*>(attribute->ObjectType());
  char* place = static_cast<char*>(GetInstance()) + attribute->Offset();
  if (attribute->DataType() == dacore::dtReference) {
    // The REF is stored here; the object it leads to is pinned, not embedded.
    if (auto* ref = dynamic_cast<TOraRef*>(&child)) ref->PointAt(*reinterpret_cast<OCIRef**>(place));
    return;
  }
  if (attribute->DataType() == dacore::dtArray || attribute->DataType() == dacore::dtTable) {
    // The collection is held by pointer; its null state is our indicator's.
    child.SetInstance(*reinterpret_cast<void**>(place));
    child.SetIndicator(static_cast<char*>(GetIndicator()) + attribute->IndicatorOffset());
    return;
  }
  if (type && type->Final()) {
    child.SetInstance(place);
    child.SetIndicator(static_cast<char*>(GetIndicator()) + attribute->IndicatorOffset());
    return;
  }
  // A non-final object is held by pointer with an indicator structure of its own.
  void* instance = *reinterpret_cast<void**>(place);
  child.SetInstance(instance);
  if (instance) {
    void* indicator = nullptr;
    CheckOciStatus(OCIObjectGetInd(env_, GetOCIError(), instance, &indicator), GetOCIError());
    child.SetIndicator(indicator);
  }
}

}  // namespace oracle
