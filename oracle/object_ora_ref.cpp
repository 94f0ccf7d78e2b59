// References: the REF cell, null and invalid states, pins of the referenced
// object and copies of REFs.
#include "oracle/object_ora_ref.h"

#include "classlib/exceptions.h"
#include "oracle/call_entries_collections.h"
#include "oracle/call_entries_objects.h"
#include "oracle/error_ora.h"
#include "oracle/error_raise.h"

namespace oracle {

namespace {
// OCIRefToHex writes at most this many characters.
constexpr ub4 kRefHexCapacity = 1000;
}  // namespace

TOraRef::TOraRef(TOraType* object_type) : TOraObject(object_type), ref_cell_(new OCIRef*(nullptr)) {}

TOraRef::~TOraRef() {
  try {
    ReleasePin();
    FreeObject(true);
    FreeOwnRef();
  } catch (...) {
    // A destructor cannot report: the cache frees the rest with its session.
  }
  delete ref_cell_;
}

void TOraRef::FreeOwnRef() {
  OCIRef* own = own_ref_;
  own_ref_ = nullptr;
  if (own && Env()) CheckOciStatus(OCIObjectFree(Env(), GetOCIError(), own, 0), GetOCIError());
}

void TOraRef::SetOCIRef(OCIRef* ref) {
  if (ref == GetOCIRef()) return;
  MarkModified();
  PointAt(ref);
}

void TOraRef::PointAt(OCIRef* ref) {
  if (ref == GetOCIRef()) return;
  MarkReplaced();
  ReleasePin();
  FreeObject(true);
  if (own_ref_ && own_ref_ != ref) FreeOwnRef();
  *ref_cell_ = ref;
  invalid_ = false;
}

void TOraRef::TakeOCIRef(OCIRef* ref) {
  if (ref != GetOCIRef()) PointAt(ref);
  if (own_ref_ && own_ref_ != ref) FreeOwnRef();
  own_ref_ = ref;
}

bool TOraRef::GetIsNull() {
  OCIRef* ref = GetOCIRef();
  return !ref || invalid_ || OCIRefIsNull(Env(), ref) != 0;
}

void TOraRef::SetIsNull(bool value) {
  MarkModified();
  if (value) Clear();
}

void TOraRef::Clear() {
  OCIRef* ref = GetOCIRef();
  if (!ref) return;
  MarkModified();
  MarkReplaced();
  ReleasePin();
  FreeObject(true);
  OCIRefClear(Env(), ref);
  *ref_cell_ = nullptr;
  FreeOwnRef();
  invalid_ = false;
}

void TOraRef::Pin() {
  classlib::Assert(GetInstance() == nullptr, "OraObjects", __LINE__, "The reference is pinned already");
  OCIRef* ref = GetOCIRef();
  if (!ref || OCIRefIsNull(Env(), ref)) RaiseOraException("OCIRef is not assigned");
  void* object = nullptr;
  if (OCIObjectPin(Env(), GetOCIError(), ref, nullptr, OCI_PIN_ANY, OCI_DURATION_SESSION, OCI_LOCK_NONE,
                   &object) != OCI_SUCCESS) {
    invalid_ = true;  // reported through GetIsNull
    return;
  }
  SetInstance(object);
  pinned_ = true;
  void* indicator = nullptr;
  CheckOciStatus(OCIObjectGetInd(Env(), GetOCIError(), object, &indicator), GetOCIError());
  SetIndicator(indicator);
}

void TOraRef::Unpin() {
  if (!pinned_) TOraObject::Unpin();  // an object pinned by other means
  ReleasePin();
  FreeObject(true);
}

void TOraRef::ReleasePin() {
  if (!pinned_) return;
  pinned_ = false;
  void* object = GetInstance();
  if (object) CheckOciStatus(OCIObjectUnpin(Env(), GetOCIError(), object), GetOCIError());
}

void TOraRef::Assign(TOraObject& source) {
  MarkModified();
  auto* other = dynamic_cast<TOraRef*>(&source);
  if (!other) {
    TOraObject::Assign(source);
    return;
  }
  if (other->GetIsNull()) {
    Clear();
    return;
  }
  CheckSession();
  MarkReplaced();
  ReleasePin();
  FreeObject(true);
  // Into a REF of our own: the source's REF may belong to a parent.
  OCIRef* target = own_ref_;
  CheckOciStatus(OCIRefAssign(Env(), GetOCIError(), other->GetOCIRef(), &target), GetOCIError());
  own_ref_ = target;
  *ref_cell_ = target;
  invalid_ = false;
}

std::string TOraRef::AsHex() {
  OCIRef* ref = GetOCIRef();
  if (!ref) return "";
  std::string hex(kRefHexCapacity, '\0');
  ub4 length = kRefHexCapacity;
  CheckOciStatus(OCIRefToHex(Env(), GetOCIError(), ref, reinterpret_cast<OraText*>(hex.data()), &length),
                 GetOCIError());
  hex.resize(length);
  return hex;
}

}  // namespace oracle
