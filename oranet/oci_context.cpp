#include "oranet/oci_context.h"

#include <cstring>

#include "oranet/charset_names.h"

namespace oranet {

namespace {

// A text attribute as the caller hands it over: `size` bytes, ending
// early at a zero byte.
std::string TextOf(const void* value, ub4 size) {
  if (!value) return {};
  const char* text = static_cast<const char*>(value);
  return std::string(text, strnlen(text, size));
}

int ClientCharsetOf(int id) { return id == kCharsetUtf16 ? kCharsetUtf8 : id; }

}  // namespace

sword TNetSession::SetAttr(ub4 attr, void* value, ub4 size) {
  switch (attr) {
    case oracle::OCI_ATTR_USERNAME:
      user_ = TextOf(value, size);
      return oracle::OCI_SUCCESS;
    case oracle::OCI_ATTR_PASSWORD:
      password_ = TextOf(value, size);
      return oracle::OCI_SUCCESS;
    default:
      return TNetHandle::SetAttr(attr, value, size);
  }
}

sword TNetServiceContext::GetAttr(ub4 attr, void* value, ub4* size) {
  if (attr == oracle::OCI_ATTR_ENV && value) {
    *static_cast<void**>(value) = server_ ? HandleOf(server_) : nullptr;
    return oracle::OCI_SUCCESS;
  }
  return TNetHandle::GetAttr(attr, value, size);
}

sword TNetServiceContext::SetAttr(ub4 attr, void* value, ub4 size) {
  switch (attr) {
    case oracle::OCI_ATTR_SERVER:
      if (value && !NetHandleAs<TNetServer>(value)) return oracle::OCI_INVALID_HANDLE;
      server_ = NetHandleAs<TNetServer>(value);
      return oracle::OCI_SUCCESS;
    case oracle::OCI_ATTR_SESSION:
      if (value && !NetHandleAs<TNetSession>(value)) return oracle::OCI_INVALID_HANDLE;
      session_ = NetHandleAs<TNetSession>(value);
      return oracle::OCI_SUCCESS;
    case oracle::OCI_ATTR_CHARSET: {
      // "DEFAULT" asks for the server's own character set.
      const int id = CharsetIdOf(TextOf(value, size));
      client_charset_id_ = id == kCharsetDefault ? 0 : id;
      return oracle::OCI_SUCCESS;
    }
    case oracle::OCI_ATTR_CHARSET_ID:
      if (!value) return oracle::OCI_INVALID_HANDLE;
      client_charset_id_ = ClientCharsetOf(static_cast<int>(GetScalar(value, ScalarWidth(attr))));
      return oracle::OCI_SUCCESS;
    case oracle::OCI_ATTR_DIRECT_CONNECT_TIMEOUT:
      if (!value) return oracle::OCI_INVALID_HANDLE;
      connect_timeout_ms_ = static_cast<int>(GetScalar(value, ScalarWidth(attr)));
      return oracle::OCI_SUCCESS;
    default:
      return TNetHandle::SetAttr(attr, value, size);
  }
}

TTnsConnection& TNetServiceContext::NewConnection() {
  connection_ = std::make_shared<TTnsConnection>();
  logon_ = TLogonSession{};
  return *connection_;
}

}  // namespace oranet
