// The exceptions of the Firebird layer and the routines that raise them.
//
// Everything the layer reports is an EFIBError: EFIBInterBaseError for what
// the server or the client library put in the status vector, EFIBClientError
// for misuse the layer detects itself (a numbered text of the client-error
// table, or an explicit text).
//
// Each thread has its own status vector, which every client call of the
// layer is given; an exception must therefore be built on the thread that
// made the failing call.
#pragma once

#include <ibase.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "classlib/exceptions.h"
#include "classlib/format.h"
#include "fib/base/fpu_control.h"

namespace fib {

class IIBClientLibrary;

// ---- exception classes ---------------------------------------------------

class EFIBError : public classlib::EDatabaseError {
  CLASSLIB_CLASS(EFIBError, classlib::EDatabaseError)
 public:
  // code: the SQLCODE of a server error, the client-error number, or -1 for
  // an explicit text. raiser is not owned; a component names itself in the
  // message through its full dotted name.
  EFIBError(int code, const classlib::TObject* raiser, std::string msg);

  int32_t SQLCode() const { return sql_code_; }
  // The first error code of the thread's last client call when this was
  // made; meaningless for client errors (whatever the last call left).
  int32_t IBErrorCode() const { return ib_error_code_; }
  const std::string& RaiserName() const { return raiser_name_; }
  const std::string& SQLMessage() const { return sql_message_; }
  const std::string& IBMessage() const { return ib_message_; }
  const std::string& CustomMessage() const { return custom_message_; }
  const std::string& Msg() const { return msg_; }
  // Replacing the caller's text composes the message again.
  void SetMsg(std::string msg);
  const classlib::TObject* Raiser() const { return raiser_; }

 protected:
  // For server errors: the server's parts are set before composing.
  EFIBError(int code, const classlib::TObject* raiser, std::string custom_message,
            std::string sql_message, std::string ib_message);

 private:
  void Init(int code, const classlib::TObject* raiser);
  void ComposeMessage();

  int32_t sql_code_ = 0;
  int32_t ib_error_code_ = 0;
  std::string raiser_name_;
  std::string sql_message_;
  std::string ib_message_;
  std::string custom_message_;
  std::string msg_;
  const classlib::TObject* raiser_ = nullptr;
};

class EFIBInterBaseError : public EFIBError {
  CLASSLIB_CLASS(EFIBInterBaseError, EFIBError)
 public:
  EFIBInterBaseError(int sql_code, const classlib::TObject* raiser, std::string custom_message,
                     std::string sql_message, std::string ib_message)
      : EFIBError(sql_code, raiser, std::move(custom_message), std::move(sql_message),
                  std::move(ib_message)) {}
};

class EFIBClientError : public EFIBError {
  CLASSLIB_CLASS(EFIBClientError, EFIBError)
 public:
  using EFIBError::EFIBError;
};

// ---- client-error table --------------------------------------------------

constexpr int kClientErrorCount = 79;

// The format text of client error `code` (0..78); code 0's text for any
// number outside the table.
std::string_view ClientErrorText(int code);

// ---- message options -----------------------------------------------------

// Which parts a message shows; all three are on at start-up.
constexpr unsigned kMessageShowRaiserName = 8;
constexpr unsigned kMessageShowSQLMessage = 4;
constexpr unsigned kMessageShowServerLines = 2;
constexpr unsigned kMessageShowAll =
    kMessageShowRaiserName | kMessageShowSQLMessage | kMessageShowServerLines;

unsigned GetErrorMessageOptions();
void SetErrorMessageOptions(unsigned options);

// ---- status vector -------------------------------------------------------

// The calling thread's status vector: ISC_STATUS_LENGTH (20) words of the
// client library's own width, zero when the thread starts.
constexpr int kStatusVectorLength = ISC_STATUS_LENGTH;
namespace errors_detail {
// Constant-initialised, so reading it inline needs no per-thread set-up call.
inline thread_local constinit ISC_STATUS status_vector[kStatusVectorLength] = {};
}  // namespace errors_detail
// Inline: every client call of every fetched row passes it.
inline ISC_STATUS* StatusVector() { return errors_detail::status_vector; }

// True when the thread's status vector holds one of `codes` as an error
// code or number argument.
bool StatusIsOneOf(std::initializer_list<ISC_STATUS> codes);

// ---- raising -------------------------------------------------------------

// Client error `code` of the table, formatted with `args`; SQLCode = code.
[[noreturn]] void RaiseClientError(int code, std::initializer_list<classlib::FormatArg> args = {});
// An explicit text formatted with `args`; SQLCode = -1.
[[noreturn]] void RaiseClientErrorMsg(std::string_view fmt,
                                      std::initializer_list<classlib::FormatArg> args = {});
// The server error in the thread's status vector, its texts read through
// `library`. `sent_name`, when given, is a file name the failed call sent in
// the file system's encoding (UTF-8): where the server's lines quote it they
// show `ansi_name`, so the message stays in the layer's code page.
[[noreturn]] void RaiseServerError(IIBClientLibrary& library, const classlib::TObject* raiser,
                                   std::string_view sent_name = {},
                                   std::string_view ansi_name = {});

// What every checked client call ends with: puts the floating-point unit
// back to the program's default, then raises the server error when asked
// and the call failed. Answers `status` unchanged.
inline ISC_STATUS CheckClientCall(ISC_STATUS status, bool raise_on_error,
                                  IIBClientLibrary& library, const classlib::TObject* raiser) {
  RestoreDefaultFPUControl();
  if (raise_on_error && status > 0) RaiseServerError(library, raiser);
  return status;
}

}  // namespace fib
