#include "oranet/oci_handle.h"

#include <algorithm>
#include <cstring>

namespace oranet {

sword TNetHandle::GetAttr(ub4, void*, ub4*) { return oracle::OCI_INVALID_HANDLE; }

sword TNetHandle::SetAttr(ub4, void*, ub4) { return oracle::OCI_INVALID_HANDLE; }

sword TNetHandle::GetParam(ub4, void**) { return oracle::OCI_INVALID_HANDLE; }

int TNetHandle::ScalarWidth(ub4 attr) const {
  const oracle::OciAttrShape shape = oracle::OciAttrShapeOf(ShapeType(), attr);
  return shape.kind == oracle::OciAttrKind::Scalar ? shape.width : 0;
}

void PutScalar(void* to, int width, int64_t value) {
  switch (width) {
    case 1: {
      const uint8_t v = static_cast<uint8_t>(value);
      std::memcpy(to, &v, 1);
      break;
    }
    case 2: {
      const uint16_t v = static_cast<uint16_t>(value);
      std::memcpy(to, &v, 2);
      break;
    }
    case 4: {
      const uint32_t v = static_cast<uint32_t>(value);
      std::memcpy(to, &v, 4);
      break;
    }
    default:
      break;  // not a scalar: nothing is written
  }
}

int64_t GetScalar(const void* from, int width) {
  switch (width) {
    case 1: {
      uint8_t v;
      std::memcpy(&v, from, 1);
      return v;
    }
    case 2: {
      uint16_t v;
      std::memcpy(&v, from, 2);
      return v;
    }
    case 4: {
      uint32_t v;
      std::memcpy(&v, from, 4);
      return v;
    }
    default:
      return 0;  // not a scalar: nothing is read
  }
}

void PutBoundedText(const std::string& text, oracle::OraText* buffer, ub4 size) {
  if (!buffer || size == 0) return;
  const size_t n = std::min<size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = 0;
}

void PutText(void* value, ub4* size, const char* text, size_t length) {
  *static_cast<const char**>(value) = text;
  if (size) *size = static_cast<ub4>(length);
}

}  // namespace oranet
