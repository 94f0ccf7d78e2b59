// The session's option objects.
#include "oracle/session_options.h"

#include "classlib/ansistr.h"
#include "oracle/call_state.h"
#include "oracle/session_ora_session.h"

namespace oracle {

std::string OptimizerModeName(TOptimizerMode mode) {
  switch (mode) {
    case omDefault: return "";
    case omFirstRows1000: return "FIRST_ROWS_1000";
    case omFirstRows100: return "FIRST_ROWS_100";
    case omFirstRows10: return "FIRST_ROWS_10";
    case omFirstRows1: return "FIRST_ROWS_1";
    case omFirstRows: return "FIRST_ROWS";
    case omAllRows: return "ALL_ROWS";
    case omChoose: return "CHOOSE";
    case omRule: return "RULE";
  }
  return "";
}

// ---- TOraSessionOptions ------------------------------------------------------------

TOraSessionOptions::TOraSessionOptions(TOraSession* owner) : TDAConnectionOptions(owner), session_(owner) {}

void TOraSessionOptions::SetCharLength(uint16_t value) {
  char_length_ = value;
  session_->SetDriverProp(prCharLength, static_cast<int32_t>(value));
}

void TOraSessionOptions::SetCharset(const std::string& value) {
  charset_ = classlib::Trim(value);
  session_->SetDriverProp(prCharset, charset_);
}

void TOraSessionOptions::SetUseUnicode(bool value) {
  use_unicode_ = value;
  session_->SetDriverProp(prUseUnicode, value);
}

bool TOraSessionOptions::ConvertEOL() const { return session_->ConvertEOL(); }

void TOraSessionOptions::SetConvertEOL(bool value) { session_->SetConvertEOL(value); }

std::string TOraSessionOptions::DateFormat() const {
  classlib::Variant value;
  if (session_->IConnection() && session_->IConnection()->GetProp(prDateFormat, value)) return value.AsString();
  return date_format_;
}

void TOraSessionOptions::SetDateFormat(const std::string& value) {
  date_format_ = value;
  date_format_set_ = true;
  session_->SetDriverProp(prDateFormat, value);
}

std::string TOraSessionOptions::DateLanguage() const {
  classlib::Variant value;
  if (session_->IConnection() && session_->IConnection()->GetProp(prDateLanguage, value))
    return value.AsString();
  return date_language_;
}

void TOraSessionOptions::SetDateLanguage(const std::string& value) {
  date_language_ = value;
  date_language_set_ = true;
  session_->SetDriverProp(prDateLanguage, value);
}

void TOraSessionOptions::SetEnableIntegers(bool value) {
  if (value == enable_integers_) return;
  enable_integers_ = value;
  session_->SetDriverProp(prEnableIntegers, value);
  session_->FieldDefsOutOfDate();
}

void TOraSessionOptions::SetEnableNumbers(bool value) {
  if (value == enable_numbers_) return;
  enable_numbers_ = value;
  session_->SetDriverProp(prEnableNumbers, value);
  session_->FieldDefsOutOfDate();
}

void TOraSessionOptions::SetUseOCI7(bool value) {
  if (value == use_oci7_) return;
  session_->Disconnect();
  use_oci7_ = value;
  if (!direct_) session_->SetOCICallStyle(value ? kOci7 : DefaultCallStyle.load());
}

void TOraSessionOptions::SetOptimizerMode(TOptimizerMode value) {
  session_->ApplyOptimizerMode(value);
  optimizer_mode_ = value;
}

void TOraSessionOptions::SetClientIdentifier(const std::string& value) {
  if (session_->Connected()) session_->OCIConnection()->SetClientIdentifier(value);
  client_identifier_ = value;
}

// A write that agrees with the option but not with the process's client
// mode also disconnects, so that the next connect switches.
void TOraSessionOptions::SetDirect(bool value) {
  const bool changed = value != direct_;
  if (changed || value != IsDirectMode()) session_->Disconnect();
  direct_ = value;
}

void TOraSessionOptions::AssignTo(classlib::TPersistent* dest) const {
  TDAConnectionOptions::AssignTo(dest);
  auto* to = dynamic_cast<TOraSessionOptions*>(dest);
  if (!to) return;
  to->SetCharLength(char_length_);
  to->SetCharset(charset_);
  to->SetUseUnicode(use_unicode_);
  if (date_format_set_) to->SetDateFormat(date_format_);
  if (date_language_set_) to->SetDateLanguage(date_language_);
  to->SetEnableIntegers(enable_integers_);
  to->SetEnableNumbers(enable_numbers_);
  to->SetUseOCI7(use_oci7_);
  to->LocalFailover = LocalFailover;
  to->connection_timeout_ = connection_timeout_;
  to->statement_cache_ = statement_cache_;
  to->statement_cache_size_ = statement_cache_size_;
  to->SetDirect(direct_);
  to->SetOptimizerMode(optimizer_mode_);
  to->SetClientIdentifier(client_identifier_);
}

// ---- TOraPoolingOptions -------------------------------------------------------------

TOraPoolingOptions::TOraPoolingOptions(TOraSession* owner) : TPoolingOptions(owner), session_(owner) {}

void TOraPoolingOptions::SetPoolType(TOraPoolingType value) {
  if (value == pool_type_) return;
  session_->Disconnect();
  pool_type_ = value;
}

void TOraPoolingOptions::SetProxyUsername(const std::string& value) {
  if (value == proxy_username_) return;
  session_->Disconnect();
  proxy_username_ = value;
}

void TOraPoolingOptions::SetProxyPassword(const std::string& value) {
  if (value == proxy_password_) return;
  session_->Disconnect();
  proxy_password_ = value;
}

void TOraPoolingOptions::AssignTo(classlib::TPersistent* dest) const {
  TPoolingOptions::AssignTo(dest);
  auto* to = dynamic_cast<TOraPoolingOptions*>(dest);
  if (!to) return;
  to->SetPoolType(pool_type_);
  to->SetProxyUsername(proxy_username_);
  to->SetProxyPassword(proxy_password_);
}

}  // namespace oracle
