// The stand-in's collection calls beyond element access (trim, whole
// assignment, the nested-table calls with deleted elements) and its
// references. Element indexes are 0-based, as for the element calls.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "testing/oci_standin/oci_standin_state.h"

using namespace standin;

namespace {

using Guard = std::lock_guard<std::mutex>;

bool IsNestedTable(const ObjectCollection& collection) {
  return collection.type->collection_typecode == OCI_TYPECODE_TABLE;
}

bool Exists(const ObjectCollection& collection, sb4 index) {
  return index >= 0 && static_cast<std::size_t>(index) < collection.elements.size() &&
         !collection.deleted.count(static_cast<std::size_t>(index));
}

ObjectRef* LiveRef(State& state, const void* pointer) {
  auto* ref = static_cast<ObjectRef*>(const_cast<void*>(pointer));
  return state.objects.refs.count(ref) ? ref : nullptr;
}

// The object a REF's hexadecimal text names (as OCIRefToHex writes it).
constexpr std::size_t kRefHexPrefix = 10;

void* TargetOfHex(const std::string& hex) {
  if (hex.size() <= kRefHexPrefix) return nullptr;
  return reinterpret_cast<void*>(static_cast<uintptr_t>(std::strtoull(hex.c_str() + kRefHexPrefix, nullptr, 16)));
}

}  // namespace

namespace standin {

void FillRefRow(State& state, void* cell, const std::optional<std::string>& value, ub4 row) {
  if (!cell) return;
  auto* slot = static_cast<OCIRef**>(cell);
  ObjectRef* ref = *slot ? LiveRef(state, *slot) : nullptr;
  if (*slot && !ref) {
    Log(state, "ref row=" + std::to_string(row) + " cell holds no REF of the cache");
    return;
  }
  if (!value) {
    if (ref) ref->target = nullptr;
    return;
  }
  if (!ref) {
    ref = new ObjectRef;
    state.objects.refs.insert(ref);
    *slot = reinterpret_cast<OCIRef*>(ref);
    Log(state, "ref row=" + std::to_string(row) + " made");
  }
  // The object may be gone: the REF then leads nowhere and cannot be pinned.
  ref->target = TargetOfHex(*value);
}

}  // namespace standin

extern "C" {

sword OCICollTrim(OCIEnv* env, OCIError* error, sb4 count, OCIColl* collection) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCICollTrim count=" + std::to_string(count));
  if (sword status = InjectedStatus(state, "OCICollTrim", error)) return status;
  ObjectCollection* live = FindCollection(state, collection);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live) return OCI_INVALID_HANDLE;
  if (count < 0 || static_cast<std::size_t>(count) > live->elements.size())
    return Fail(state, error, 22167,
                "ORA-22167: given trim size [" + std::to_string(count) + "] must be less than or equal to [" +
                    std::to_string(live->elements.size()) + "]");
  TrimCollection(state.objects, *live, static_cast<std::size_t>(count));
  return OCI_SUCCESS;
}

sword OCICollAssign(OCIEnv* env, OCIError* error, const OCIColl* source, OCIColl* target) {
  State& state = TheState();
  Guard guard(state.lock);
  ObjectCollection* from = FindCollection(state, source);
  Log(state, "OCICollAssign size=" + std::to_string(from ? from->elements.size() : 0));
  if (sword status = InjectedStatus(state, "OCICollAssign", error)) return status;
  ObjectCollection* to = FindCollection(state, target);
  if (!Live(state, env, OCI_HTYPE_ENV) || !from || !to) return OCI_INVALID_HANDLE;
  if (from->type != to->type) return Fail(state, error, 22161, "ORA-22161: collections are of different types");
  AssignCollection(state.objects, *to, *from);
  return OCI_SUCCESS;
}

sword OCITableSize(OCIEnv* env, OCIError* error, const OCIColl* table, sb4* size) {
  State& state = TheState();
  Guard guard(state.lock);
  ObjectCollection* live = FindCollection(state, table);
  const std::size_t existing = live ? live->elements.size() - live->deleted.size() : 0;
  Log(state, "OCITableSize size=" + std::to_string(existing));
  if (sword status = InjectedStatus(state, "OCITableSize", error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV) || !live || !size) return OCI_INVALID_HANDLE;
  if (!IsNestedTable(*live)) return Fail(state, error, 22161, "ORA-22161: type code is not a nested table");
  *size = static_cast<sb4>(existing);
  return OCI_SUCCESS;
}

sword OCITableDelete(OCIEnv* env, OCIError* error, sb4 index, OCIColl* table) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCITableDelete index=" + std::to_string(index));
  if (sword status = InjectedStatus(state, "OCITableDelete", error)) return status;
  ObjectCollection* live = FindCollection(state, table);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live) return OCI_INVALID_HANDLE;
  if (!IsNestedTable(*live)) return Fail(state, error, 22161, "ORA-22161: type code is not a nested table");
  if (!Exists(*live, index))
    return Fail(state, error, 22160, "ORA-22160: element at index [" + std::to_string(index) + "] does not exist");
  live->deleted.insert(static_cast<std::size_t>(index));
  return OCI_SUCCESS;
}

sword OCITableNext(OCIEnv* env, OCIError* error, sb4 index, const OCIColl* table, sb4* next_index,
                   boolean* exists) {
  State& state = TheState();
  Guard guard(state.lock);
  ObjectCollection* live = FindCollection(state, table);
  sb4 next = index + 1;
  if (live) {
    while (static_cast<std::size_t>(next < 0 ? 0 : next) < live->elements.size() && !Exists(*live, next)) ++next;
  }
  const bool found = live && Exists(*live, next);
  Log(state, "OCITableNext index=" + std::to_string(index) + " next=" + std::to_string(found ? next : -1));
  if (sword status = InjectedStatus(state, "OCITableNext", error)) return status;
  if (!Live(state, env, OCI_HTYPE_ENV) || !live || !next_index || !exists) return OCI_INVALID_HANDLE;
  *exists = found ? 1 : 0;
  if (found) *next_index = next;
  return OCI_SUCCESS;
}

// ---- References ---------------------------------------------------------------

boolean OCIRefIsNull(OCIEnv*, const OCIRef* ref) {
  State& state = TheState();
  Guard guard(state.lock);
  ObjectRef* live = LiveRef(state, ref);
  return !live || !live->target ? 1 : 0;
}

void OCIRefClear(OCIEnv*, OCIRef* ref) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIRefClear");
  if (ObjectRef* live = LiveRef(state, ref)) live->target = nullptr;
}

sword OCIRefAssign(OCIEnv* env, OCIError* error, const OCIRef* source, OCIRef** target) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, std::string("OCIRefAssign target=") + (target && *target ? "given" : "new"));
  if (sword status = InjectedStatus(state, "OCIRefAssign", error)) return status;
  ObjectRef* from = LiveRef(state, source);
  if (!Live(state, env, OCI_HTYPE_ENV) || !from || !target || (*target && !LiveRef(state, *target)))
    return OCI_INVALID_HANDLE;
  if (!*target) {
    auto* made = new ObjectRef;
    state.objects.refs.insert(made);
    *target = reinterpret_cast<OCIRef*>(made);
  }
  reinterpret_cast<ObjectRef*>(*target)->target = from->target;
  return OCI_SUCCESS;
}

// The hexadecimal form names the object the REF leads to, so two REFs to
// one object read alike.
sword OCIRefToHex(OCIEnv* env, OCIError* error, const OCIRef* ref, OraText* hex, ub4* hex_length) {
  State& state = TheState();
  Guard guard(state.lock);
  Log(state, "OCIRefToHex capacity=" + std::to_string(hex_length ? *hex_length : 0));
  if (sword status = InjectedStatus(state, "OCIRefToHex", error)) return status;
  ObjectRef* live = LiveRef(state, ref);
  if (!Live(state, env, OCI_HTYPE_ENV) || !live || !hex || !hex_length) return OCI_INVALID_HANDLE;
  char text[40];
  const int length = std::snprintf(text, sizeof text, "0000280209%016llX",
                                   static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(live->target)));
  if (static_cast<ub4>(length) > *hex_length)
    return Fail(state, error, 22279, "ORA-22279: buffer too small for the reference");
  std::copy(text, text + length, reinterpret_cast<char*>(hex));
  *hex_length = static_cast<ub4>(length);
  return OCI_SUCCESS;
}

}  // extern "C"
