#include "oranet/oci_error.h"

#include "oranet/net_errors.h"
#include "oranet/net_winsock.h"
#include "oranet/ttc_status.h"

namespace oranet {

namespace {

constexpr int kNoDataError = 1403;
constexpr int kCancelledError = 1013;
constexpr int kProtocolError = 3106;

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
  switch (e.Code()) {
    case kNetLostConnection:
      handle.Set(-12571, "ORA-12571");
      break;
    case kNetNotConnected:
      handle.Set(-3114, "ORA-03114: not connected to ORACLE");
      break;
    case kNetRefused:
      handle.Set(-1, "NET: Invalid SID");
      break;
    case kNetReceiveTimeout:
      handle.Set(-12609, "ORA-12609: TNS:Receive timeout occurred");
      break;
    default:
      handle.Set(-1, "NET: " + e.Message());
  }
}

// The status message that followed the break waits in the stream. An
// answer to the client's own break that names no error is a cancel.
sword SetServerErrorAfterBreak(const EInternalError& e, TNetError& handle, TTtcReader* reader) {
  int number = e.ErrorNumber();
  std::string text = "ORA-" + std::to_string(number);
  if (reader) {
    const TTtcStatus status = ReadStatusBody(*reader);
    number = status.errorNumber;
    text = status.errorText;
  }
  if (number == 0) {
    number = kCancelledError;
    text = "ORA-01013: user requested cancel of current operation";
  }
  handle.Set(number, text);
  return number == kNoDataError ? oracle::OCI_NO_DATA : oracle::OCI_ERROR;
}

// What a failure of this class left of the stream. Lost connections have
// their own fatal errors; anything else raised while the stream was
// between two messages of a call leaves it out of step.
TStreamState StateAfter(const ENetError& e) {
  switch (e.Code()) {
    case kNetLostConnection:
    case kNetNotConnected:
    case kNetRefused:
    case kNetReceiveTimeout:
      return TStreamState::kLost;
    default:
      return TStreamState::kOutOfStep;
  }
}

}  // namespace

sword SetErrorFromException(std::exception_ptr error, TNetError* handle, TTtcReader* reader) {
  TStreamState state;
  return SetErrorFromException(error, handle, reader, state);
}

sword SetErrorFromException(std::exception_ptr error, TNetError* handle, TTtcReader* reader, TStreamState& state) {
  TNetError scratch(nullptr);
  TNetError& target = handle ? *handle : scratch;
  target.Set(-1, {});
  state = TStreamState::kOutOfStep;
  try {
    std::rethrow_exception(error);
  } catch (const ESocketError& e) {
    state = TStreamState::kLost;
    SetSocketError(e, target);
  } catch (const ENetError& e) {
    state = StateAfter(e);
    SetNetError(e, target);
  } catch (const EInternalError& e) {
    try {
      const sword status = SetServerErrorAfterBreak(e, target, reader);
      state = TStreamState::kInStep;
      return status;
    } catch (const std::exception& inner) {
      target.Set(-1, std::string("NET: ") + inner.what());
    }
  } catch (const ENetCallError& e) {
    state = TStreamState::kInStep;
    target.Set(-1, std::string("NET: ") + e.what());
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
    if (!tns) return SetErrorFromException(std::current_exception(), error);
    // A failure on a connection that is not open (a connect that did not
    // get through) leaves nothing to break.
    const bool open = tns->Transport().Connected();
    TTtcReader reader(*tns);
    TStreamState state;
    const sword status = SetErrorFromException(std::current_exception(), error, &reader, state);
    if (state == TStreamState::kInStep || !open) return status;
    // The rest of the broken reply must not be read as the next call's:
    // the connection goes, and the layer hears a fatal error.
    tns->MarkBroken();
    if (state == TStreamState::kOutOfStep && error)
      error->Set(-kProtocolError, "ORA-03106: fatal two-task communication protocol error (" + error->Text() + ")");
    return status;
  }
}

sword GetErrorRecord(const TNetError& handle, oracle::sb4* code, oracle::OraText* buffer, ub4 bufferSize) {
  if (code) *code = handle.Number();
  if (handle.Number() == 0) return oracle::OCI_NO_DATA;
  PutBoundedText(handle.Text(), buffer, bufferSize);
  return oracle::OCI_SUCCESS;
}

}  // namespace oranet
