// Database and transaction parameter blocks built from text lines.
//
// Users write DBParams and TRParams as lines "name" or "name=value"; the
// builders turn them into the bytes the client library expects when a
// database is attached (DPB) or a transaction started (TPB). A name may carry
// its isc_dpb_ / isc_tpb_ prefix and any case; the value keeps its case.
// Bad lines raise EFIBClientError (unknown or unsupported names, values that
// do not fit their one-byte length or number) or EConvertError (a number
// that is not one); the list is then left trimmed and otherwise unchanged.
#pragma once

#include <ibase.h>

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace classlib {
class TStrings;
}

namespace fib {

constexpr std::string_view kDPBPrefix = "isc_dpb_";
constexpr std::string_view kTPBPrefix = "isc_tpb_";

// ---- parameter lines -------------------------------------------------------

// A line as the builders read it: the name before the first "=", lower-cased
// and without `prefix`; the value after it ("" when there is no "=").
struct ParamLine {
  std::string name;
  std::string value;
};
ParamLine SplitParamLine(std::string_view line, std::string_view prefix);

// The first line whose whole name is `name` (any case, with or without
// `prefix`), so "password" never finds "password_enc=..."; -1 when none.
int IndexOfParamLine(const classlib::TStrings& lines, std::string_view name,
                     std::string_view prefix);
// That line's value, "" when there is no such line.
std::string ParamLineValue(const classlib::TStrings& lines, std::string_view name,
                           std::string_view prefix);

// ---- builders --------------------------------------------------------------

// Both trim every line in place first. The block's length is its size(),
// which never exceeds what the client library's 16-bit count can carry.
std::string BuildDPB(classlib::TStrings& lines);

// Which server the TPB goes to. Code 21 means no_savepoint to InterBase but
// lock_timeout (with a value) to Firebird, which refuses the whole block when
// it meets a bare 21; for Firebird the name is therefore refused here.
enum class TPBServer { Firebird, InterBase };
// No lines give an empty block: the server's default transaction.
std::string BuildTPB(classlib::TStrings& lines, TPBServer server = TPBServer::Firebird);

// ---- built-in transaction parameters ---------------------------------------

// Read committed, reading the latest committed version, not waiting on
// locks: the database's own internal transaction and tpbReadCommitted.
constexpr std::array<std::string_view, 4> kReadCommittedTPBLines = {
    "write", "isc_tpb_nowait", "rec_version", "read_committed"};
// Snapshot isolation, not waiting on locks: tpbRepeatableRead. The
// isolation is named outright; Firebird refuses rec_version without
// read_committed, so that older spelling of the same transaction is not used.
constexpr std::array<std::string_view, 3> kRepeatableReadTPBLines = {
    "write", "isc_tpb_nowait", "concurrency"};

// Replaces the lines by a built-in set.
void SetTPBLines(classlib::TStrings& lines, std::span<const std::string_view> builtin);

// ---- transaction existence blocks ------------------------------------------

// One entry of the array isc_start_multiple reads per database: the address
// of the attachment handle, the TPB length and the TPB's address. The length
// is a C long so the entry has the client library's pointer-aligned layout
// whether it reads the length as 32 or 64 bits.
struct TransactionExistenceBlock {
  isc_db_handle* database;
  long tpb_length;
  const char* tpb;
};
static_assert(sizeof(TransactionExistenceBlock) == 3 * sizeof(void*));

// One entry per database, in order, all sharing `tpb` (which must outlive
// the entries).
std::vector<TransactionExistenceBlock> BuildTEB(std::span<isc_db_handle* const> databases,
                                                const std::string& tpb);

}  // namespace fib
