#include "dacore/util_var_equal.h"

#include "dacore/util_var_bytes.h"

namespace dacore {

using classlib::Variant;

namespace {

bool IsWide(const Variant& v) { return v.Deref().VType() == classlib::varOleStr; }
bool IsText(const Variant& v) { return classlib::VarIsStr(v); }

}  // namespace

bool VarEqual(const Variant& a, const Variant& b) {
  if ((IsWide(a) && IsText(b)) || (IsWide(b) && IsText(a)))
    return classlib::VarToWideStr(a) == classlib::VarToWideStr(b);
  const bool a_null = classlib::VarIsNull(a), b_null = classlib::VarIsNull(b);
  if (a_null || b_null) return a_null && b_null;
  if (VarIsByteArray(a) || VarIsByteArray(b)) {
    if (!VarIsByteArray(a) || !VarIsByteArray(b)) return false;
    return VarToBytes(a) == VarToBytes(b);
  }
  // A text that is no number against a number is simply unequal here.
  return classlib::VarSameValue(a, b);
}

}  // namespace dacore
