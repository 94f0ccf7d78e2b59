#include "oranet/lob_locator.h"

namespace oranet {

namespace {
constexpr ub4 kAttrLobEmpty = 45;
}  // namespace

int TNetLobLocator::LobType() const {
  if (lob_type_ != 0) return lob_type_;
  return type_ == oracle::OCI_DTYPE_FILE ? kLobBfile : kLobBlob;
}

sword TNetLobLocator::GetAttr(ub4 attr, void* value, ub4* size) {
  if (attr != kAttrLobEmpty || !value) return TNetDescriptor::GetAttr(attr, value, size);
  PutScalar(value, 4, empty_);
  return oracle::OCI_SUCCESS;
}

sword TNetLobLocator::SetAttr(ub4 attr, void* value, ub4 size) {
  if (attr != kAttrLobEmpty || !value) return TNetDescriptor::SetAttr(attr, value, size);
  empty_ = static_cast<ub4>(GetScalar(value, 4));
  return oracle::OCI_SUCCESS;
}

}  // namespace oranet
