#include "fib/base/param_blocks.h"

#include <climits>
#include <cstdint>

#include "classlib/ansistr.h"
#include "classlib/exceptions.h"
#include "classlib/format.h"
#include "classlib/numconv.h"
#include "classlib/strings.h"
#include "fib/base/errors.h"
#include "fib/base/param_names.h"

namespace fib {

namespace {

// The client library takes parameter-block lengths as signed 16-bit counts.
constexpr size_t kMaxBlockLength = INT16_MAX;
// A string value travels after a one-byte length.
constexpr size_t kMaxStringValue = UINT8_MAX;

// What a DPB code appends; codes not listed are refused.
enum class DPBKind { kUnsupported, kByteNumber, kFlag, kSweep, kLongNumber, kString, kDialect };

DPBKind KindOfDPB(int code) {
  switch (code) {
    case isc_dpb_num_buffers:
    case isc_dpb_verify:
    case isc_dpb_dbkey_scope:
    case isc_dpb_damaged:
    case isc_dpb_force_write:
    case isc_dpb_no_reserve:
    case isc_dpb_connect_timeout:
    case isc_dpb_dummy_packet_interval:
      return DPBKind::kByteNumber;
    case isc_dpb_garbage_collect:
    case isc_dpb_no_garbage_collect:
    case isc_dpb_activate_shadow:
    case isc_dpb_delete_shadow:
    case isc_dpb_begin_log:
    case isc_dpb_quit_log:
      return DPBKind::kFlag;
    case isc_dpb_sweep:
      return DPBKind::kSweep;
    case isc_dpb_sweep_interval:
      return DPBKind::kLongNumber;
    case isc_dpb_license:
    case isc_dpb_sys_user_name:
    case isc_dpb_encrypt_key:
    case isc_dpb_user_name:
    case isc_dpb_password:
    case isc_dpb_password_enc:
    case isc_dpb_lc_messages:
    case isc_dpb_lc_ctype:
    case isc_dpb_sql_role_name:
      return DPBKind::kString;
    case isc_dpb_sql_dialect:
      return DPBKind::kDialect;
    default:
      return DPBKind::kUnsupported;
  }
}

char Byte(unsigned value) { return static_cast<char>(static_cast<unsigned char>(value)); }

// Code, one-byte length, value: what DPB strings and TPB table names share.
void AppendCounted(std::string& block, int code, std::string_view value, std::string_view fmt,
                   std::string_view name) {
  if (value.size() > kMaxStringValue)
    RaiseClientErrorMsg(fmt, {name, static_cast<int>(value.size())});
  block += Byte(static_cast<unsigned>(code));
  block += Byte(static_cast<unsigned>(value.size()));
  block += value;
}

// The value's number, refused rather than cut when it does not fit one byte
// (num_buffers=300 must not reach the server as 44).
unsigned ByteNumber(std::string_view name, const std::string& value) {
  int number = classlib::StrToInt(value);
  if (number < 0 || number > UINT8_MAX)
    RaiseClientErrorMsg("DPB Constant (isc_dpb_%s) value %d is out of range 0..255.",
                        {name, number});
  return static_cast<unsigned>(number);
}

// The dialect travels as one byte; only a single digit says which.
unsigned DialectNumber(const std::string& value) {
  if (value.size() != 1 || value[0] < '0' || value[0] > '9')
    throw classlib::EConvertError(classlib::Format("'%s' is not a valid SQL dialect", {value}));
  return static_cast<unsigned>(value[0] - '0');
}

void AppendDPBLine(std::string& block, const ParamLine& line) {
  int code = DPBCode(line.name);
  if (code == 0) RaiseClientError(9, {line.name});
  std::string_view name = DPBName(code);
  unsigned code_byte = static_cast<unsigned>(code);
  switch (KindOfDPB(code)) {
    case DPBKind::kUnsupported:
      RaiseClientError(8, {name});
    case DPBKind::kByteNumber: {
      unsigned number = ByteNumber(name, line.value);
      block += {Byte(code_byte), Byte(1), Byte(number)};
      break;
    }
    case DPBKind::kFlag:
      block += {Byte(code_byte), Byte(1), Byte(0)};
      break;
    case DPBKind::kSweep:
      block += {Byte(code_byte), Byte(1), Byte(2)};
      break;
    case DPBKind::kLongNumber: {
      auto number = static_cast<uint32_t>(classlib::StrToInt(line.value));
      block += {Byte(code_byte), Byte(4)};
      for (int shift = 0; shift < 32; shift += 8) block += Byte(number >> shift);
      break;
    }
    case DPBKind::kString:
      AppendCounted(block, code, line.value,
                    "DPB Constant (isc_dpb_%s) value is %d bytes long; at most 255 are allowed.",
                    name);
      break;
    case DPBKind::kDialect:
      block += {Byte(code_byte), Byte(1), Byte(DialectNumber(line.value))};
      break;
  }
}

void AppendTPBLine(std::string& block, const ParamLine& line, TPBServer server) {
  int code = TPBCode(line.name);
  if (code == 0) RaiseClientError(11, {line.name});
  std::string_view name = TPBName(code);
  switch (code) {
    case isc_tpb_lock_read:
    case isc_tpb_lock_write:
      AppendCounted(block, code, line.value,
                    "TPB Constant (isc_tpb_%s) value is %d bytes long; at most 255 are allowed.",
                    name);
      break;
    case isc_tpb_verb_time:
    case isc_tpb_commit_time:
    case isc_tpb_autocommit:
    case isc_tpb_restart_requests:
      RaiseClientError(10, {name});
    case isc_tpb_lock_timeout:  // no_savepoint in the table
      if (server != TPBServer::InterBase) RaiseClientError(10, {name});
      block += Byte(static_cast<unsigned>(code));
      break;
    default:
      block += Byte(static_cast<unsigned>(code));
      break;
  }
}

void CheckBlockLength(const std::string& block, std::string_view kind) {
  if (block.size() > kMaxBlockLength)
    RaiseClientErrorMsg("%s is %d bytes long; at most 32767 are allowed.",
                        {kind, static_cast<int>(block.size())});
}

// Trims every line in place, as the lists show them afterwards even when a
// later line is refused.
void TrimLines(classlib::TStrings& lines) {
  for (int i = 0; i < lines.Count(); ++i) {
    std::string line = lines.Strings(i);
    std::string trimmed = classlib::Trim(line);
    if (trimmed != line) lines.SetStrings(i, trimmed);
  }
}

}  // namespace

ParamLine SplitParamLine(std::string_view line, std::string_view prefix) {
  ParamLine result;
  size_t eq = line.find('=');
  result.name = classlib::LowerCase(line.substr(0, eq));
  if (result.name.starts_with(prefix)) result.name.erase(0, prefix.size());
  if (eq != std::string_view::npos) result.value = std::string(line.substr(eq + 1));
  return result;
}

int IndexOfParamLine(const classlib::TStrings& lines, std::string_view name,
                     std::string_view prefix) {
  std::string wanted = SplitParamLine(name, prefix).name;
  for (int i = 0; i < lines.Count(); ++i)
    if (SplitParamLine(classlib::Trim(lines.Strings(i)), prefix).name == wanted) return i;
  return -1;
}

std::string ParamLineValue(const classlib::TStrings& lines, std::string_view name,
                           std::string_view prefix) {
  int index = IndexOfParamLine(lines, name, prefix);
  if (index < 0) return {};
  return SplitParamLine(classlib::Trim(lines.Strings(index)), prefix).value;
}

std::string BuildDPB(classlib::TStrings& lines) {
  TrimLines(lines);
  std::string block(1, Byte(isc_dpb_version1));
  for (int i = 0; i < lines.Count(); ++i) {
    std::string line = lines.Strings(i);
    if (!line.empty()) AppendDPBLine(block, SplitParamLine(line, kDPBPrefix));
  }
  CheckBlockLength(block, "Database parameter block");
  return block;
}

std::string BuildTPB(classlib::TStrings& lines, TPBServer server) {
  TrimLines(lines);
  if (lines.Count() == 0) return {};
  std::string block(1, Byte(isc_tpb_version3));
  for (int i = 0; i < lines.Count(); ++i) {
    std::string line = lines.Strings(i);
    if (!line.empty()) AppendTPBLine(block, SplitParamLine(line, kTPBPrefix), server);
  }
  CheckBlockLength(block, "Transaction parameter block");
  return block;
}

void SetTPBLines(classlib::TStrings& lines, std::span<const std::string_view> builtin) {
  classlib::TStrings::Updating updating(lines);
  lines.Clear();
  for (std::string_view line : builtin) lines.Add(std::string(line));
}

std::vector<TransactionExistenceBlock> BuildTEB(std::span<isc_db_handle* const> databases,
                                                const std::string& tpb) {
  std::vector<TransactionExistenceBlock> entries;
  entries.reserve(databases.size());
  for (isc_db_handle* database : databases)
    entries.push_back({database, static_cast<long>(tpb.size()), tpb.data()});
  return entries;
}

}  // namespace fib
