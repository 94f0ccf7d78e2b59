#include "fib/base/param_names.h"

#include <array>
#include <span>

#include "classlib/ansistr.h"

namespace fib {

namespace {

// Indexed by code - 1.
constexpr std::array<std::string_view, kDPBNameCount> kDPBNames = {
    "cdd_pathname",     "allocation",        "journal",           "page_size",
    "num_buffers",      "buffer_length",     "debug",             "garbage_collect",
    "verify",           "sweep",             "enable_journal",    "disable_journal",
    "dbkey_scope",      "number_of_users",   "trace",             "no_garbage_collect",
    "damaged",          "license",           "sys_user_name",     "encrypt_key",
    "activate_shadow",  "sweep_interval",    "delete_shadow",     "force_write",
    "begin_log",        "quit_log",          "no_reserve",        "user_name",
    "password",         "password_enc",      "sys_user_name_enc", "interp",
    "online_dump",      "old_file_size",     "old_num_files",     "old_file",
    "old_start_page",   "old_start_seqno",   "old_start_file",    "drop_walfile",
    "old_dump_id",      "wal_backup_dir",    "wal_chkptlen",      "wal_numbufs",
    "wal_bufsize",      "wal_grp_cmt_wait",  "lc_messages",       "lc_ctype",
    "cache_manager",    "shutdown",          "online",            "shutdown_delay",
    "reserved",         "overwrite",         "sec_attach",        "disable_wal",
    "connect_timeout",  "dummy_packet_interval", "gbak_attach",   "sql_role_name",
    "set_page_buffers", "working_directory", "sql_dialect",       "set_db_readonly",
    "set_db_sql_dialect", "gfix_attach",     "gstat_attach",
};

constexpr std::array<std::string_view, kTPBNameCount> kTPBNames = {
    "consistency",    "concurrency",   "shared",           "protected",    "exclusive",
    "wait",           "nowait",        "read",             "write",        "lock_read",
    "lock_write",     "verb_time",     "commit_time",      "ignore_limbo", "read_committed",
    "autocommit",     "rec_version",   "no_rec_version",   "restart_requests",
    "no_auto_undo",   "no_savepoint",
};

int CodeOf(std::span<const std::string_view> names, std::string_view name) {
  for (size_t i = 0; i < names.size(); ++i)
    if (classlib::SameText(names[i], name)) return static_cast<int>(i) + 1;
  return 0;
}

std::string_view NameOf(std::span<const std::string_view> names, int code) {
  if (code < 1 || code > static_cast<int>(names.size())) return {};
  return names[static_cast<size_t>(code) - 1];
}

}  // namespace

int DPBCode(std::string_view name) { return CodeOf(kDPBNames, name); }
int TPBCode(std::string_view name) { return CodeOf(kTPBNames, name); }
std::string_view DPBName(int code) { return NameOf(kDPBNames, code); }
std::string_view TPBName(int code) { return NameOf(kTPBNames, code); }

}  // namespace fib
