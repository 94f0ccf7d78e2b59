#include "fib/statements/db_params.h"

#include "classlib/ansistr.h"
#include "fib/base/param_blocks.h"
#include "fib/base/param_names.h"
#include "fib/statements/zod_props_owners.h"

namespace fib {

std::string TDBParams::ParamValue(int code) const {
  std::string_view name = DPBName(code);
  if (name.empty()) return {};
  return ParamLineValue(*this, name, kDPBPrefix);
}

void TDBParams::SetParamValue(int code, const std::string& value) {
  std::string_view name = DPBName(code);
  if (!name.empty()) SetParamValue(name, value);
}

void TDBParams::SetParamValue(std::string_view name, const std::string& value) {
  int index = IndexOfParamLine(*this, name, kDPBPrefix);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  std::string line = std::string(name) + "=" + value;
  if (index >= 0) SetStrings(index, line);
  else Add(line);
}

bool TDBParams::ShouldStore(const TDBParams* ancestor) const {
  return ancestor ? !Equals(*ancestor) : Count() > 0;
}

std::vector<std::string> TDBParams::LinesToStore() const {
  auto* database = dynamic_cast<IDatabaseParams*>(owner_);
  int password = database && database->NotSavePassword() ? IndexOfParamLine(*this, "password", kDPBPrefix)
                                                         : -1;
  std::vector<std::string> lines;
  for (int i = 0; i < Count(); ++i)
    if (i != password) lines.push_back(Strings(i));
  return lines;
}

void TDBParams::ReadStoredLines(const std::vector<std::string>& lines) {
  classlib::TStrings::Updating updating(*this);
  Clear();
  for (const std::string& line : lines) Add(line);
}

TDBParams* TConnectParams::Lines() const {
  auto* database = dynamic_cast<IDatabaseParams*>(owner_);
  return database ? &database->DBParams() : nullptr;
}

std::string TConnectParams::Get(int code) const {
  TDBParams* lines = Lines();
  return lines ? lines->ParamValue(code) : std::string();
}

void TConnectParams::Set(int code, const std::string& value) {
  if (TDBParams* lines = Lines()) lines->SetParamValue(code, value);
}

void TConnectParams::SetCharSet(const std::string& v) { Set(kDPBCharSet, classlib::UpperCase(v)); }

}  // namespace fib
