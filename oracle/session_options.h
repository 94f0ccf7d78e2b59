// The option objects of the Oracle session: the settings handed to its
// driver connection, the client mode, the optimizer mode and the client
// identifier (TOraSessionOptions), and the pool kind with the proxy account
// (TOraPoolingOptions). Setters that change how the session connects
// disconnect it first; settings a live session can take reach it at once.
#pragma once

#include <cstdint>
#include <string>

#include "dacore/comp_options.h"
#include "oracle/pool_ora_parameters.h"

namespace oracle {

class TOraSession;

enum TOptimizerMode : uint8_t {
  omDefault,
  omFirstRows1000,
  omFirstRows100,
  omFirstRows10,
  omFirstRows1,
  omFirstRows,
  omAllRows,
  omChoose,
  omRule
};

// The name the server knows a mode by ("FIRST_ROWS_10"); empty for omDefault.
std::string OptimizerModeName(TOptimizerMode mode);

class TOraSessionOptions : public dacore::TDAConnectionOptions {
  CLASSLIB_CLASS(TOraSessionOptions, dacore::TDAConnectionOptions)
 public:
  explicit TOraSessionOptions(TOraSession* owner);

  // 0: the server is asked at connect.
  uint16_t CharLength() const { return char_length_; }
  void SetCharLength(uint16_t value);
  const std::string& Charset() const { return charset_; }
  void SetCharset(const std::string& value);  // trimmed
  bool UseUnicode() const { return use_unicode_; }
  void SetUseUnicode(bool value);
  // Kept by the session component itself.
  bool ConvertEOL() const;
  void SetConvertEOL(bool value);
  // A live driver connection answers with the server's value.
  std::string DateFormat() const;
  void SetDateFormat(const std::string& value);
  bool DateFormatSet() const { return date_format_set_; }
  std::string DateLanguage() const;
  void SetDateLanguage(const std::string& value);
  bool DateLanguageSet() const { return date_language_set_; }
  bool EnableIntegers() const { return enable_integers_; }
  void SetEnableIntegers(bool value);
  bool EnableNumbers() const { return enable_numbers_; }
  void SetEnableNumbers(bool value);
  bool NeverConnect() const { return !KeepDesignConnected; }
  void SetNeverConnect(bool value) { KeepDesignConnected = !value; }
  bool UseOCI7() const { return use_oci7_; }
  void SetUseOCI7(bool value);
  TOptimizerMode OptimizerMode() const { return optimizer_mode_; }
  // Applied at once to a connected session, then stored.
  void SetOptimizerMode(TOptimizerMode value);
  // Milliseconds; used only in direct mode.
  uint32_t ConnectionTimeout() const { return connection_timeout_; }
  void SetConnectionTimeout(uint32_t value) { connection_timeout_ = value; }
  bool StatementCache() const { return statement_cache_; }
  void SetStatementCache(bool value) { statement_cache_ = value; }
  uint32_t StatementCacheSize() const { return statement_cache_size_; }
  void SetStatementCacheSize(uint32_t value) { statement_cache_size_ = value; }
  const std::string& ClientIdentifier() const { return client_identifier_; }
  // Sent at once to a connected session, then stored.
  void SetClientIdentifier(const std::string& value);
  // Whether the session talks to the server without the client library.
  bool Direct() const { return direct_; }
  void SetDirect(bool value);
  bool Net() const { return direct_; }
  void SetNet(bool value) { SetDirect(value); }

 protected:
  void AssignTo(classlib::TPersistent* dest) const override;

 private:
  friend class TOraSession;

  TOraSession* session_;
  uint16_t char_length_ = 1;
  std::string charset_;
  bool use_unicode_ = false;
  std::string date_format_, date_language_;
  bool date_format_set_ = false, date_language_set_ = false;
  bool enable_integers_ = true;
  bool enable_numbers_ = false;
  bool use_oci7_ = false;
  TOptimizerMode optimizer_mode_ = omDefault;
  uint32_t connection_timeout_ = 0;
  bool statement_cache_ = false;
  uint32_t statement_cache_size_ = 20;
  std::string client_identifier_;
  bool direct_ = false;
};

class TOraPoolingOptions : public dacore::TPoolingOptions {
  CLASSLIB_CLASS(TOraPoolingOptions, dacore::TPoolingOptions)
 public:
  explicit TOraPoolingOptions(TOraSession* owner);

  // Each change disconnects the owning session first.
  TOraPoolingType PoolType() const { return pool_type_; }
  void SetPoolType(TOraPoolingType value);
  const std::string& ProxyUsername() const { return proxy_username_; }
  void SetProxyUsername(const std::string& value);
  const std::string& ProxyPassword() const { return proxy_password_; }
  void SetProxyPassword(const std::string& value);

 protected:
  void AssignTo(classlib::TPersistent* dest) const override;

 private:
  TOraSession* session_;
  TOraPoolingType pool_type_ = optLocal;
  std::string proxy_username_, proxy_password_;
};

}  // namespace oracle
