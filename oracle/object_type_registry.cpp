// The process-wide list of described types. Types enter it when created and
// leave it when destroyed; lookups and the clearing at disconnect walk it
// under its lock, which is re-entrant because releasing a type may destroy
// others that leave the list in turn.
#include <algorithm>
#include <mutex>
#include <vector>

#include "classlib/ansistr.h"
#include "oracle/object_names.h"
#include "oracle/object_ora_type.h"

namespace oracle {

namespace {

struct TypeList {
  std::recursive_mutex lock;
  std::vector<TOraType*> types;
};

TypeList& Types() {
  static TypeList list;
  return list;
}

}  // namespace

void RegisterOraType(TOraType* type) {
  std::lock_guard guard(Types().lock);
  Types().types.push_back(type);
}

void UnregisterOraType(TOraType* type) {
  std::lock_guard guard(Types().lock);
  auto& types = Types().types;
  types.erase(std::remove(types.begin(), types.end(), type), types.end());
}

TOraType* TOraType::FindType(OCISvcCtx* svc_ctx, const std::string& name) {
  const std::string wanted = NormalizeOraName(name);
  std::lock_guard guard(Types().lock);
  for (TOraType* type : Types().types)
    if (type->SvcCtx() == svc_ctx && classlib::AnsiUpperCase(type->Name()) == wanted) return type;
  return nullptr;
}

void TOraType::ClearTypes(OCISvcCtx* svc_ctx, bool keep_types) {
  std::vector<TOraType*> held;
  {
    std::lock_guard guard(Types().lock);
    for (TOraType* type : Types().types) {
      if (type->SvcCtx() != svc_ctx) continue;
      if (keep_types) {
        type->SetValid(false);
      } else {
        type->AddRef();
        held.push_back(type);
      }
    }
  }
  for (TOraType* type : held) {
    type->ClearAttributes();
    type->SetValid(false);
  }
  for (TOraType* type : held) type->Release();
}

int TOraType::TypeCount() {
  std::lock_guard guard(Types().lock);
  return static_cast<int>(Types().types.size());
}

}  // namespace oracle
