// The defines of a select list: by position, with array-of-struct skips,
// dynamic (piecewise or through the caller's callback), of an object type,
// and the attributes a define takes (its character set id and form; any
// other answers -1 with error 24315, as the call interface documents).
#include <cstring>

#include "testing/oci_standin/oci_standin_fetch.h"
#include "testing/oci_standin/oci_standin_state.h"

namespace standin {

namespace {

using Lock = std::unique_lock<std::mutex>;

Define* DefineOf(State& state, const void* define) {
  return state.fetch.define_owner.count(define) ? static_cast<Define*>(const_cast<void*>(define)) : nullptr;
}

}  // namespace

Define* AddDefine(State& state, Handle* statement, const Define& define) {
  QueryCursor& cursor = state.fetch.cursors[statement];
  auto made = std::make_unique<Define>(define);
  if (auto old = cursor.defines.find(define.position); old != cursor.defines.end())
    state.fetch.define_owner.erase(old->second.get());
  Define* added = made.get();
  state.fetch.define_owner[added] = statement;
  cursor.defines[define.position] = std::move(made);
  return added;
}

sword SetDefineAttribute(State& state, void* define, ub4 attribute, const void* value, OCIError* error) {
  Define* live = DefineOf(state, define);
  if (!live || !value) return OCI_INVALID_HANDLE;
  switch (attribute) {
    case OCI_ATTR_CHARSET_ID: std::memcpy(&live->charset, value, sizeof live->charset); return OCI_SUCCESS;
    case OCI_ATTR_CHARSET_FORM: std::memcpy(&live->charset_form, value, sizeof live->charset_form); return OCI_SUCCESS;
    default: return Fail(state, error, 24315, "ORA-24315: illegal attribute type");
  }
}

sword GetDefineAttribute(State& state, const void* define, ub4 attribute, void* value, ub4* size, OCIError* error) {
  Define* live = DefineOf(state, define);
  if (!live || !value) return OCI_INVALID_HANDLE;
  switch (attribute) {
    case OCI_ATTR_CHARSET_ID:
      std::memcpy(value, &live->charset, sizeof live->charset);
      if (size) *size = sizeof live->charset;
      return OCI_SUCCESS;
    case OCI_ATTR_CHARSET_FORM:
      std::memcpy(value, &live->charset_form, sizeof live->charset_form);
      if (size) *size = sizeof live->charset_form;
      return OCI_SUCCESS;
    default: return Fail(state, error, 24315, "ORA-24315: illegal attribute type");
  }
}

}  // namespace standin

using namespace standin;

extern "C" {

sword OCIDefineByPos(OCIStmt* statement, OCIDefine** define, OCIError* error, ub4 position, void* value, sb4 size,
                     ub2 type, void* indicator, ub2* length, ub2* return_code, ub4 mode) {
  State& state = TheState();
  Lock lock(state.lock);
  if (state.logging)
    Log(state, "OCIDefineByPos pos=" + std::to_string(position) + " type=" + std::to_string(type) +
                   " size=" + std::to_string(size) + " mode=" + std::to_string(mode));
  if (sword status = InjectedStatus(state, "OCIDefineByPos", error)) return status;
  Handle* live = Live(state, statement, OCI_HTYPE_STMT);
  if (!live || !define || !Live(state, error, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
  if (position < 1 || position > live->columns.size())
    return Fail(state, error, 1007, "ORA-01007: variable not in select list");
  *define = reinterpret_cast<OCIDefine*>(
      AddDefine(state, live, Define{live, position, value, size, type, indicator, length, return_code, mode}));
  return OCI_SUCCESS;
}


sword OCIDefineArrayOfStruct(OCIDefine* define, OCIError* error, ub4 value_skip, ub4 indicator_skip,
                             ub4 length_skip, ub4 return_code_skip) {
  State& state = TheState();
  Lock lock(state.lock);
  Define* live = DefineOf(state, define);
  if (state.logging)
    Log(state, "OCIDefineArrayOfStruct pos=" + std::to_string(live ? live->position : 0) +
                   " skip=" + std::to_string(value_skip) + " ind=" + std::to_string(indicator_skip) +
                   " len=" + std::to_string(length_skip));
  if (sword status = InjectedStatus(state, "OCIDefineArrayOfStruct", error)) return status;
  if (!live) return OCI_INVALID_HANDLE;
  live->value_skip = value_skip, live->indicator_skip = indicator_skip;
  live->length_skip = length_skip, live->return_code_skip = return_code_skip;
  return OCI_SUCCESS;
}

sword OCIDefineDynamic(OCIDefine* define, OCIError* error, void* context, void* callback) {
  State& state = TheState();
  Lock lock(state.lock);
  Define* live = DefineOf(state, define);
  Log(state, "OCIDefineDynamic pos=" + std::to_string(live ? live->position : 0));
  if (sword status = InjectedStatus(state, "OCIDefineDynamic", error)) return status;
  if (!live || (live->mode & OCI_DYNAMIC_FETCH) == 0) return OCI_INVALID_HANDLE;
  live->context = context;
  live->callback = callback;
  return OCI_SUCCESS;
}

// The cells of an object define hold instance addresses (the caller's
// own instances, which each row fills), those of a REF define REFs (made
// by the fetch when a cell holds none); the type descriptor must be one
// the cache knows.
sword OCIDefineObject(OCIDefine* define, OCIError* error, const OCIType* type, void** value, ub4* value_size,
                      void** indicator, ub4* indicator_size) {
  State& state = TheState();
  Lock lock(state.lock);
  Define* live = DefineOf(state, define);
  std::string name;
  for (auto& [key, declared] : state.objects.types)
    if (declared.get() == static_cast<const void*>(type)) name = declared->FullName();
  Log(state, "OCIDefineObject pos=" + std::to_string(live ? live->position : 0) + " type=" + name);
  if (sword status = InjectedStatus(state, "OCIDefineObject", error)) return status;
  if (!live || (live->type != SQLT_NTY && live->type != SQLT_REF)) return OCI_INVALID_HANDLE;
  if (name.empty()) return Fail(state, error, 21560, "ORA-21560: argument 3 is null, invalid, or out of range");
  (void)value, (void)value_size, (void)indicator, (void)indicator_size;
  live->object_type = const_cast<OCIType*>(type);
  return OCI_SUCCESS;
}
}
