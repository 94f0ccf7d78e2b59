// The value objects of composite attributes: nested objects embedded in the
// parent's instance, LOBs and BFILEs over the attribute's locator,
// date-times and intervals over its descriptor. Each is made on first use
// and kept in the child list by attribute number.
#include <algorithm>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "oracle/call_state.h"
#include "oracle/error_raise.h"
#include "oracle/lob_ora_file.h"
#include "oracle/lob_ora_lob.h"
#include "oracle/object_ora_array.h"
#include "oracle/object_ora_ref.h"
#include "oracle/object_ora_object.h"
#include "oracle/value_data_types.h"
#include "oracle/value_interval.h"
#include "oracle/value_timestamp.h"

namespace oracle {

dacore::TAttribute* FindOraAttribute(const dacore::TObjectType& type, const std::string& upper_name);

namespace {

TOraObject* NewChildValue(int data_type, TOraType* type) {
  switch (data_type) {
    case dacore::dtReference: return new TOraRef(type);
    case dacore::dtArray: return new TOraArray(type);
    case dacore::dtTable: return new TOraNestTable(type);
    default: return new TOraObject(type);
  }
}

}  // namespace

dacore::TSharedObject* TOraObject::Child(const std::string& name) {
  CheckType();
  dacore::TAttribute* attribute = FindOraAttribute(*GetOraType(), classlib::AnsiUpperCase(classlib::Trim(name)));
  if (!attribute) RaiseOraException("Invalid attribute name");
  const auto slot = static_cast<std::size_t>(attribute->AttributeNo() - 1);
  if (children_.size() <= slot) children_.resize(slot + 1, nullptr);
  if (!children_[slot]) children_[slot] = MakeChild(*attribute);
  return children_[slot];
}

dacore::TSharedObject* TOraObject::MakeChild(dacore::TAttribute& attribute) {
  const int type = attribute.DataType();
  if (type < dacore::dtObject || (type > dacore::dtTable && type < dtOraBlob))
    throw classlib::EConvertError("Cannot convert type to Object");
  if (type == dacore::dtObject || type == dacore::dtReference || type == dacore::dtArray ||
      type == dacore::dtTable) {
    auto* child = NewChildValue(type, static_cast<TOraType*>(attribute.ObjectType()));
    child->SetOCISvcCtx(svc_ctx_);
    // A REF's object is pinned through it, never made inside our instance.
    if (type != dacore::dtReference) child->owner_ = this;
    // Placed in the list first: the child finds its attribute by its place.
    children_[static_cast<std::size_t>(attribute.AttributeNo() - 1)] = child;
    if (GetInstance()) ChildAlloc(*child);
    return child;
  }
  const TAttributePlace place = GetAttribute(attribute.Name());
  const bool is_null = place.indicator == OCI_IND_NULL || !place.value;
  void* stored = place.value ? *static_cast<void**>(place.value) : nullptr;
  if (type == dtOraBlob || type == dtOraClob) {
    auto* lob = new TOraLob(svc_ctx_);
    lob->SetLobType(type == dtOraClob ? ltClob : ltBlob);
    lob->SetOCILobLocator(static_cast<OCILobLocator*>(stored));
    if (!is_null && stored) lob->ReadLob();
    return lob;
  }
  if (type == dtBFile || type == dtCFile) {
    auto* file = new TOraFile(svc_ctx_);
    file->SetOCILobLocator(static_cast<OCILobLocator*>(stored));
    if (!is_null && stored) {
      file->Open();
      file->ReadLob();
      file->Close();
    }
    return file;
  }
  if (type >= dtTimeStamp && type <= dtTimeStampLTZ) {
    auto* value = new TOraTimeStamp(type);
    value->SetSession(session_);
    value->SetOCIDateTime(static_cast<OCIDateTime*>(stored));
    value->SetIsNull(is_null);
    return value;
  }
  if (type == dtIntervalYM || type == dtIntervalDS) {
    auto* value = new TOraInterval(type);
    value->SetSession(session_);
    value->SetOCIInterval(static_cast<OCIInterval*>(stored));
    value->SetIsNull(is_null);
    return value;
  }
  // XML attributes are not read as values of their own.
  RaiseOraException("Data type is not supported");
}

void TOraObject::ReplaceInstance(void* instance, void* indicator) {
  if (instance == GetInstance()) {
    // The same place may hold other values now: the children read it again.
    SetIndicator(indicator);
    RepointChildren();
    return;
  }
  FreeObject(false);
  SetInstance(instance);
  SetIndicator(indicator);
  RepointChildren();
}

void* TOraObject::StoredPointer(std::size_t i) const {
  if (!GetInstance()) return nullptr;
  const dacore::TAttribute& attribute = *GetOraType()->GetAttributes(static_cast<int>(i));
  return *reinterpret_cast<void**>(static_cast<char*>(GetInstance()) + attribute.Offset());
}

void TOraObject::RepointChildren() {
  for (std::size_t i = 0; i < children_.size(); ++i) {
    dacore::TSharedObject* child = children_[i];
    if (!child) continue;
    if (auto* object = dynamic_cast<TOraObject*>(child)) {
      object->SetInstance(nullptr);
      object->SetIndicator(nullptr);
      if (GetInstance()) ChildAlloc(*object);
      object->RepointChildren();
      continue;
    }
    void* stored = StoredPointer(i);
    if (auto* lob = dynamic_cast<TOraLob*>(child)) lob->SetOCILobLocator(static_cast<OCILobLocator*>(stored));
    else if (auto* stamp = dynamic_cast<TOraTimeStamp*>(child)) stamp->SetOCIDateTime(static_cast<OCIDateTime*>(stored));
    else if (auto* span = dynamic_cast<TOraInterval*>(child)) span->SetOCIInterval(static_cast<OCIInterval*>(stored));
  }
}

namespace {

bool IsLobType(int type) { return type == dtOraBlob || type == dtOraClob; }
bool IsEmbeddedValueType(int type) {
  return type == dacore::dtObject || type == dacore::dtArray || type == dacore::dtTable;
}

}  // namespace

void TOraObject::WriteLobs() {
  if (OCIVersion < 8100) return;  // no temporary LOBs before 8.1
  for (std::size_t i = 0; i < children_.size(); ++i) {
    dacore::TSharedObject* child = children_[i];
    if (!child) continue;
    const dacore::TAttribute& attribute = *GetOraType()->GetAttributes(static_cast<int>(i));
    const int type = attribute.DataType();
    if (IsEmbeddedValueType(type)) {
      // An embedded object's attributes and a collection's elements travel
      // with this object; a REF's object is written by its own flush.
      static_cast<TOraObject*>(child)->WriteLobs();
      continue;
    }
    if (!IsLobType(type)) continue;
    auto* lob = static_cast<TOraLob*>(child);
    if (AttrIsNull(attribute.Name())) {
      // NULL goes as NULL, whatever locator the attribute held before.
      if (GetAttribute(attribute.Name()).indicator != OCI_IND_NULL)
        WriteAttribute(attribute.Name(), OCI_IND_NULL, nullptr);
      lob->SetModified(false);
      continue;
    }
    lob->CreateTemporary(type == dtOraClob ? ltClob : ltBlob);
    lob->WriteLob();
    WriteAttribute(attribute.Name(), OCI_IND_NOTNULL, lob->GetOCILobLocator());
    // The indicator tells the LOB's state from now on.
    lob->SetModified(false);
    // A value written into an embedded object makes the objects around it
    // present, as a write through the outer object's path would.
    for (TOraObject* outer = owner_; outer; outer = outer->owner_) outer->SetIsNull(false);
  }
}

void TOraObject::CopyLobsTo(TOraObject& target) {
  const std::size_t count = std::max(children_.size(), target.children_.size());
  for (std::size_t i = 0; i < count; ++i) {
    dacore::TSharedObject* child = i < children_.size() ? children_[i] : nullptr;
    dacore::TSharedObject* kept = i < target.children_.size() ? target.children_[i] : nullptr;
    if (!child && !kept) continue;
    const dacore::TAttribute& attribute = *GetOraType()->GetAttributes(static_cast<int>(i));
    const int type = attribute.DataType();
    if (IsEmbeddedValueType(type)) {
      if (child) static_cast<TOraObject*>(child)->CopyLobsTo(*target.AttrAsObject(attribute.Name()));
      else static_cast<TOraObject*>(kept)->ResetLobs();
    } else if (IsLobType(type)) {
      if (!child) {
        target.ResetLob(i);
        continue;
      }
      auto* lob = static_cast<TOraLob*>(child);
      TOraLob* copy = target.AttrAsLob(attribute.Name());
      copy->SetOCILobLocator(static_cast<OCILobLocator*>(target.StoredPointer(i)));
      copy->Clear();
      if (lob->GetSize() > 0) copy->SetAsString(lob->GetAsString());
      copy->SetModified(lob->Modified());
    }
  }
}

void TOraObject::ResetLobs() {
  for (std::size_t i = 0; i < children_.size(); ++i) {
    dacore::TSharedObject* child = children_[i];
    if (!child) continue;
    const int type = GetOraType()->GetAttributes(static_cast<int>(i))->DataType();
    if (IsEmbeddedValueType(type)) static_cast<TOraObject*>(child)->ResetLobs();
    else if (IsLobType(type)) ResetLob(i);
  }
}

void TOraObject::ResetLob(std::size_t i) {
  auto* lob = static_cast<TOraLob*>(children_[i]);
  const dacore::TAttribute& attribute = *GetOraType()->GetAttributes(static_cast<int>(i));
  void* stored = StoredPointer(i);
  const bool is_null = !stored || GetAttribute(attribute.Name()).indicator == OCI_IND_NULL;
  lob->SetOCILobLocator(static_cast<OCILobLocator*>(stored));
  lob->Clear();
  if (!is_null) lob->ReadLob();
  lob->SetModified(false);
}

void TOraObject::ForgetLobs() {
  for (std::size_t i = 0; i < children_.size(); ++i) {
    dacore::TSharedObject* child = children_[i];
    if (!child) continue;
    const dacore::TAttribute& attribute = *GetOraType()->GetAttributes(static_cast<int>(i));
    const int type = attribute.DataType();
    if (type == dacore::dtObject) {
      static_cast<TOraObject*>(child)->ForgetLobs();
    } else if (type == dtOraBlob || type == dtOraClob) {
      WriteAttribute(attribute.Name(), OCI_IND_NULL, nullptr);
      children_[i] = nullptr;
      dacore::ReleaseShared(child);
    }
  }
}

dacore::TSharedObject* TOraObject::ChildAt(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos) return Child(path);
  return AttrAsObject(path.substr(0, dot))->Child(path.substr(dot + 1));
}

TOraObject* TOraObject::AttrAsObject(const std::string& path) {
  auto* object = dynamic_cast<TOraObject*>(ChildAt(path));
  if (!object) throw classlib::EConvertError("Cannot convert type to Object");
  return object;
}

TOraLob* TOraObject::AttrAsLob(const std::string& path) {
  auto* lob = dynamic_cast<TOraLob*>(ChildAt(path));
  if (!lob) throw classlib::EConvertError("Cannot convert type to Lob");
  return lob;
}

TOraTimeStamp* TOraObject::AttrAsTimeStamp(const std::string& path) {
  auto* value = dynamic_cast<TOraTimeStamp*>(ChildAt(path));
  if (!value) throw classlib::EConvertError("Cannot convert type to TimeStamp");
  return value;
}

TOraInterval* TOraObject::AttrAsInterval(const std::string& path) {
  auto* value = dynamic_cast<TOraInterval*>(ChildAt(path));
  if (!value) throw classlib::EConvertError("Cannot convert type to Interval");
  return value;
}

}  // namespace oracle
