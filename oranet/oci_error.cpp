#include "oranet/oci_error.h"

#include "oranet/net_errors.h"
#include "oranet/net_winsock.h"
#include "oranet/ttc_status.h"

namespace oranet {

namespace {

constexpr int kNoDataError = 1403;

void SetSocketError(const ESocketError& e, TNetError& handle) {
  switch (e.WinSockCode()) {
    case kWsaAddrNotAvail:
      handle.Set(-1, "NET: Invalid host");
      break;
    case kWsaConnReset:
      handle.Set(-3113, "ORA-03113");
      break;
    case kWsaTimedOut:
      handle.Set(-1, "NET: Connection timed out");
      break;
    case kWsaConnRefused:
      handle.Set(-1, "NET: Service unavailable");
      break;
    default:
      handle.Set(-1, "NET: Network error (" + std::to_string(e.WinSockCode() - 10000) + ")");
  }
}

void SetNetError(const ENetError& e, TNetError& handle) {
  if (e.Code() == kNetLostConnection) {
    handle.Set(-12571, "ORA-12571");
  } else if (e.Code() == kNetRefused) {
    handle.Set(-1, "NET: Invalid SID");
  } else {
    handle.Set(-1, "NET: " + e.Message());
  }
}

// The status message that followed the break waits in the stream.
sword SetServerErrorAfterBreak(const EInternalError& e, TNetError& handle, TTtcReader* reader) {
  int number = e.ErrorNumber();
  std::string text = "ORA-" + std::to_string(number);
  if (reader) {
    const TTtcStatus status = ReadStatusBody(*reader);
    number = status.errorNumber;
    text = status.errorText;
  }
  handle.Set(number, text);
  return number == kNoDataError ? oracle::OCI_NO_DATA : oracle::OCI_ERROR;
}

}  // namespace

sword SetErrorFromException(std::exception_ptr error, TNetError* handle, TTtcReader* reader) {
  TNetError scratch(nullptr);
  TNetError& target = handle ? *handle : scratch;
  target.Set(-1, {});
  try {
    std::rethrow_exception(error);
  } catch (const ESocketError& e) {
    SetSocketError(e, target);
  } catch (const ENetError& e) {
    SetNetError(e, target);
  } catch (const EInternalError& e) {
    try {
      return SetServerErrorAfterBreak(e, target, reader);
    } catch (const std::exception& inner) {
      target.Set(-1, std::string("NET: ") + inner.what());
    }
  } catch (const std::exception& e) {
    target.Set(-1, std::string("NET: ") + e.what());
  }
  return oracle::OCI_ERROR;
}

sword TNetError::GetAttr(ub4 attr, void* value, ub4* size) {
  if ((attr != oracle::OCI_ATTR_PARSE_ERROR_OFFSET && attr != oracle::OCI_ATTR_PARSE_ERROR_OFFSET_80) || !value)
    return TNetHandle::GetAttr(attr, value, size);
  PutScalar(value, ScalarWidth(attr), parse_error_offset_);
  return oracle::OCI_SUCCESS;
}

sword GuardedCall(TTnsConnection* tns, TNetError* error, const std::function<sword()>& call) {
  try {
    return call();
  } catch (...) {
    if (tns) {
      TTtcReader reader(*tns);
      return SetErrorFromException(std::current_exception(), error, &reader);
    }
    return SetErrorFromException(std::current_exception(), error);
  }
}

sword GetErrorRecord(const TNetError& handle, oracle::sb4* code, oracle::OraText* buffer, ub4 bufferSize) {
  if (code) *code = handle.Number();
  if (handle.Number() == 0) return oracle::OCI_NO_DATA;
  PutBoundedText(handle.Text(), buffer, bufferSize);
  return oracle::OCI_SUCCESS;
}

}  // namespace oranet
