// The failures of the network client's lower layers. Each layer raises its
// own class; the call-interface emulation turns them into call statuses and
// error texts by class and code, so the codes and the "(<code>)" in socket
// messages are part of the contract.
#pragma once

#include <string>

#include "classlib/exceptions.h"

namespace oranet {

// Codes of ENetError.
enum NetErrorCode : int {
  kNetLostConnection = 0,     // short send or receive
  kNetNotConnected = 200,
  kNetPacketTooLong = 203,
  kNetBadPacketType = 204,
  kNetUnexpectedPacket = 205,
  kNetRefused = 206,
  kNetPacketTooShort = 207,
  kNetReceiveTimeout = 12609,  // no answer within the socket time-out
};

// A packet-layer failure: "Net error <code>".
class ENetError : public classlib::Exception {
  CLASSLIB_CLASS(ENetError, classlib::Exception)
 public:
  explicit ENetError(int code);
  int Code() const { return code_; }

 private:
  int code_;
};

// A message-layer protocol violation: "Unknown error <code>".
class ENetUnknownError : public classlib::Exception {
  CLASSLIB_CLASS(ENetUnknownError, classlib::Exception)
 public:
  explicit ENetUnknownError(int code);
  int Code() const { return code_; }

 private:
  int code_;
};

// The server answered a break with an error: the status message that
// carries it waits in the data stream just after its message code.
// `breakSent` tells whether the client had asked for the break.
class EInternalError : public classlib::Exception {
  CLASSLIB_CLASS(EInternalError, classlib::Exception)
 public:
  explicit EInternalError(int errorNumber, bool breakSent = false);
  int ErrorNumber() const { return error_number_; }
  bool BreakSent() const { return break_sent_; }

 private:
  int error_number_;
  bool break_sent_;
};

// The server did something the protocol has no place for (beyond a
// malformed value, which is ENetUnknownError): the text says what.
class ENetProtocolError : public classlib::Exception {
  CLASSLIB_CLASS(ENetProtocolError, classlib::Exception)
 public:
  using classlib::Exception::Exception;
};

// A call failed after its reply was read to the end: the connection stays
// in step and usable (a value that could not be stored, for one).
class ENetCallError : public classlib::Exception {
  CLASSLIB_CLASS(ENetCallError, classlib::Exception)
 public:
  using classlib::Exception::Exception;
};

// A socket call failed. The message holds the WinSock code in parentheses,
// "(10061)", which is how callers tell the failures apart.
class ESocketError : public classlib::Exception {
  CLASSLIB_CLASS(ESocketError, classlib::Exception)
 public:
  ESocketError(std::string message, int winsockCode)
      : classlib::Exception(std::move(message)), code_(winsockCode) {}
  int WinSockCode() const { return code_; }

 private:
  int code_;
};

}  // namespace oranet
