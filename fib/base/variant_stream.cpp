#include "fib/base/variant_stream.h"

#include <algorithm>
#include <climits>

#include "classlib/stream.h"
#include "classlib/variant.h"

namespace fib {

namespace {

int64_t ElementCount(const classlib::Variant& value) {
  int64_t count = 1;
  for (int dim = 1; dim <= classlib::VarArrayDimCount(value); ++dim)
    count *= classlib::VarArrayHighBound(value, dim) - classlib::VarArrayLowBound(value, dim) + 1;
  return count;
}

bool HoldsPlainData(const classlib::Variant& value) {
  classlib::TVarType type = classlib::VarArrayElementType(value);
  return type != classlib::varVariant && type != classlib::varOleStr;
}

}  // namespace

int64_t VariantArrayToStream(classlib::Variant& value, classlib::TStream& stream) {
  if (!classlib::VarIsArray(value) || !HoldsPlainData(value)) return 0;
  int64_t count = ElementCount(value);
  if (count < 1) return 0;
  // Every dimension is sent, so no element of a matrix is left behind.
  int64_t bytes = count * classlib::VarArrayElementSize(value);
  stream.SetSize(bytes);
  stream.SetPosition(0);
  const char* data = static_cast<const char*>(classlib::VarArrayLock(value));
  try {
    for (int64_t done = 0; done < bytes;) {
      int chunk = static_cast<int>(std::min<int64_t>(bytes - done, INT_MAX));
      stream.WriteBuffer(data + done, chunk);
      done += chunk;
    }
  } catch (...) {
    classlib::VarArrayUnlock(value);
    throw;
  }
  classlib::VarArrayUnlock(value);
  return stream.Size();
}

}  // namespace fib
