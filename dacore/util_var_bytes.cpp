#include "dacore/util_var_bytes.h"

#include <cstring>

namespace dacore {

using classlib::Variant;

bool VarIsByteArray(const Variant& v) {
  return classlib::VarIsArray(v) && classlib::VarArrayDimCount(v) == 1 &&
         classlib::VarArrayElementType(v) == classlib::varByte;
}

TBytes VarToBytes(const Variant& v) {
  const int count = classlib::VarArrayHighBound(v, 1) - classlib::VarArrayLowBound(v, 1) + 1;
  TBytes bytes(static_cast<std::size_t>(count > 0 ? count : 0));
  if (bytes.empty()) return bytes;
  Variant copy = v.Deref();  // locking needs a mutable array
  std::memcpy(bytes.data(), classlib::VarArrayLock(copy), bytes.size());
  classlib::VarArrayUnlock(copy);
  return bytes;
}

Variant BytesToVar(const TBytes& bytes) {
  Variant v = classlib::VarArrayCreate({0, static_cast<int>(bytes.size()) - 1}, classlib::varByte);
  if (!bytes.empty()) {
    std::memcpy(classlib::VarArrayLock(v), bytes.data(), bytes.size());
    classlib::VarArrayUnlock(v);
  }
  return v;
}

}  // namespace dacore
