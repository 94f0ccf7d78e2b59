// The error handle of direct mode and how the network client's failures
// become call statuses: every entry that talks to the server catches what
// the lower layers raise and leaves the error's number and text in the
// error handle, where OCIErrorGet finds them.
#pragma once

#include <exception>
#include <functional>
#include <string>

#include "oranet/oci_handle.h"
#include "oranet/ttc_reader.h"

namespace oranet {

class TNetError : public TNetHandle {
 public:
  using TNetHandle::TNetHandle;
  ub4 HandleType() const override { return oracle::OCI_HTYPE_ERROR; }

  // 129 (and 128 of 8.0 clients): where the statement's text failed.
  sword GetAttr(ub4 attr, void* value, ub4* size) override;

  int Number() const { return number_; }
  void SetParseErrorOffset(int offset) { parse_error_offset_ = offset; }
  const std::string& Text() const { return text_; }
  void Set(int number, std::string text) {
    number_ = number;
    text_ = std::move(text);
  }
  void Clear() { Set(0, {}); }

 private:
  int number_ = 0;
  std::string text_;
  int parse_error_offset_ = 0;
};

// What a failure left of the connection's stream.
enum class TStreamState {
  kInStep,     // the call's reply was read to its end: the connection serves on
  kLost,       // the connection is gone or timed out (errors of their own)
  kOutOfStep,  // a reply or request broke off between its messages
};

// Turns the exception `error` into a status and the error handle's number
// and text (error may be null: only the status is given). A server error
// after a break is read from the stream through `reader` (when given);
// its number 1403 answers OCI_NO_DATA, and none at all (the answer to the
// client's own break) ORA-01013.
sword SetErrorFromException(std::exception_ptr error, TNetError* handle, TTtcReader* reader = nullptr);
// The same, telling what the failure left of the stream.
sword SetErrorFromException(std::exception_ptr error, TNetError* handle, TTtcReader* reader, TStreamState& state);

// Runs a call that talks to the server on `tns` (null before a connect);
// what it raises becomes a status and the error handle's number and text.
// A failure that leaves the open connection out of step or lost closes it
// (later calls answer ORA-03114); out of step, the error becomes the fatal
// ORA-03106 with the failure's text in parentheses.
sword GuardedCall(TTnsConnection* tns, TNetError* error, const std::function<sword()>& call);

// OCIErrorGet on an error handle: the number into *code; OCI_NO_DATA when
// it is 0; else the text, cut to bufferSize - 1 bytes and terminated (a
// buffer of size 0 gets nothing).
sword GetErrorRecord(const TNetError& handle, oracle::sb4* code, oracle::OraText* buffer, ub4 bufferSize);

}  // namespace oranet
