// The connection settings of a database: its parameter lines, the user,
// role, password and character set shown as properties over those lines,
// and the schema-cache options.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "classlib/component.h"
#include "classlib/persistent.h"
#include "classlib/strings.h"

namespace fib {

// DPB codes of the parameters that TConnectParams shows.
constexpr int kDPBUserName = 28;
constexpr int kDPBPassword = 29;
constexpr int kDPBCharSet = 48;  // lc_ctype
constexpr int kDPBRoleName = 60;

// The lines "name=value" of a database's parameter block. Lookups match a
// line's whole name (with or without its isc_dpb_ prefix, any case), so
// "password" never finds "password_enc".
class TDBParams : public classlib::TStringList {
  CLASSLIB_CLASS(TDBParams, classlib::TStringList)
 public:
  // `owner` is the database (implementing IDatabaseParams) or nullptr.
  explicit TDBParams(classlib::TComponent* owner = nullptr) : owner_(owner) {}

  // The value of the parameter with DPB code `code` (1..67); "" when no
  // line names it or the line has no "=".
  std::string ParamValue(int code) const;
  // An empty value deletes the parameter's line; otherwise the line is
  // replaced by (or appended as) name "=" value.
  void SetParamValue(int code, const std::string& value);
  void SetParamValue(std::string_view name, const std::string& value);

  // Stored forms: the lines are stored when they differ from the ancestor's
  // or, without ancestor, when there are any; the password never reaches
  // the store when the database says so.
  bool ShouldStore(const TDBParams* ancestor) const;
  std::vector<std::string> LinesToStore() const;
  void ReadStoredLines(const std::vector<std::string>& lines);

  classlib::TPersistent* GetOwner() const override { return owner_; }

 private:
  classlib::TComponent* owner_;
};

// The user name, role, password and character set of a database's
// parameter lines as properties. Owned by anything but a database, they
// read as "" and ignore writes.
class TConnectParams : public classlib::TPersistent {
  CLASSLIB_CLASS(TConnectParams, classlib::TPersistent)
 public:
  explicit TConnectParams(classlib::TComponent* owner) : owner_(owner) {}

  std::string UserName() const { return Get(kDPBUserName); }
  void SetUserName(const std::string& v) { Set(kDPBUserName, v); }
  std::string RoleName() const { return Get(kDPBRoleName); }
  void SetRoleName(const std::string& v) { Set(kDPBRoleName, v); }
  std::string Password() const { return Get(kDPBPassword); }
  void SetPassword(const std::string& v) { Set(kDPBPassword, v); }
  std::string CharSet() const { return Get(kDPBCharSet); }
  // Written in upper case (ASCII letters).
  void SetCharSet(const std::string& v);

  classlib::TPersistent* GetOwner() const override { return owner_; }

 private:
  TDBParams* Lines() const;
  std::string Get(int code) const;
  void Set(int code, const std::string& value);

  classlib::TComponent* owner_;
};

class TCacheSchemaOptions : public classlib::TPersistent {
  CLASSLIB_CLASS(TCacheSchemaOptions, classlib::TPersistent)
 public:
  explicit TCacheSchemaOptions(classlib::TComponent* owner) : owner_(owner) {}

  const std::string& LocalCacheFile() const { return local_cache_file_; }
  void SetLocalCacheFile(const std::string& v) { local_cache_file_ = v; }
  bool AutoSaveToFile() const { return auto_save_; }
  void SetAutoSaveToFile(bool v) { auto_save_ = v; }
  bool AutoLoadFromFile() const { return auto_load_; }
  void SetAutoLoadFromFile(bool v) { auto_load_ = v; }
  bool ValidateAfterLoad() const { return validate_after_load_; }
  void SetValidateAfterLoad(bool v) { validate_after_load_ = v; }

  classlib::TPersistent* GetOwner() const override { return owner_; }

 private:
  classlib::TComponent* owner_;
  std::string local_cache_file_;
  bool auto_save_ = false;
  bool auto_load_ = false;
  bool validate_after_load_ = true;
};

}  // namespace fib
