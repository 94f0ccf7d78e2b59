#include "fib/base/errors.h"

#include <mutex>

#include "classlib/component.h"
#include "fib/base/client_library.h"
#include "fib/base/component_name.h"
#include "fib/base/fpu_control.h"

namespace fib {

namespace {

std::mutex options_lock;
unsigned message_options = kMessageShowAll;

std::string RaiserNameOf(const classlib::TObject* raiser) {
  auto component = dynamic_cast<const classlib::TComponent*>(raiser);
  return component ? FullComponentName(component) : std::string();
}

}  // namespace

// ---- exception classes ---------------------------------------------------

EFIBError::EFIBError(int code, const classlib::TObject* raiser, std::string msg)
    : EDatabaseError(std::string()), msg_(std::move(msg)) {
  Init(code, raiser);
}

EFIBError::EFIBError(int code, const classlib::TObject* raiser, std::string custom_message,
                     std::string sql_message, std::string ib_message)
    : EDatabaseError(std::string()),
      sql_message_(std::move(sql_message)),
      ib_message_(std::move(ib_message)),
      custom_message_(std::move(custom_message)) {
  Init(code, raiser);
}

void EFIBError::Init(int code, const classlib::TObject* raiser) {
  sql_code_ = code;
  ib_error_code_ = static_cast<int32_t>(StatusVector()[1]);
  raiser_ = raiser;
  raiser_name_ = RaiserNameOf(raiser);
  ComposeMessage();
}

void EFIBError::SetMsg(std::string msg) {
  msg_ = std::move(msg);
  ComposeMessage();
}

void EFIBError::ComposeMessage() {
  unsigned options = GetErrorMessageOptions();
  std::string text;
  // A one-character path names nothing a reader could find.
  if ((options & kMessageShowRaiserName) && raiser_name_.size() > 1)
    text += raiser_name_ + ":\r\n";
  if (options & kMessageShowSQLMessage) text += sql_message_;
  if (options & kMessageShowServerLines) text += ib_message_;
  text += custom_message_;
  text += msg_;
  SetMessage(std::move(text));
}

// ---- message options -----------------------------------------------------

unsigned GetErrorMessageOptions() {
  std::lock_guard<std::mutex> guard(options_lock);
  return message_options;
}

void SetErrorMessageOptions(unsigned options) {
  std::lock_guard<std::mutex> guard(options_lock);
  message_options = options & kMessageShowAll;
}

// ---- status vector -------------------------------------------------------

bool StatusIsOneOf(std::initializer_list<ISC_STATUS> codes) {
  const ISC_STATUS* v = StatusVector();
  // Bounded by the vector's length: a vector the client left without its
  // closing 0 must not send the walk into other memory.
  int i = 0;
  while (i + 1 < kStatusVectorLength && v[i] != isc_arg_end) {
    ISC_STATUS kind = v[i];
    if (kind == isc_arg_gds || kind == isc_arg_number) {
      for (ISC_STATUS code : codes)
        if (v[i + 1] == code) return true;
      i += 2;
    } else if (kind == isc_arg_cstring) {
      i += 3;
    } else {
      i += 2;
    }
  }
  return false;
}

// ---- raising -------------------------------------------------------------

void RaiseClientError(int code, std::initializer_list<classlib::FormatArg> args) {
  throw EFIBClientError(code, nullptr, classlib::Format(ClientErrorText(code), args));
}

void RaiseClientErrorMsg(std::string_view fmt, std::initializer_list<classlib::FormatArg> args) {
  throw EFIBClientError(-1, nullptr, classlib::Format(fmt, args));
}

}  // namespace fib
