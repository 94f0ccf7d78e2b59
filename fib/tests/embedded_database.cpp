#include "embedded_database.h"

#include <filesystem>

#include "fib/base/errors.h"
#include "fib/base/param_blocks.h"
#include "platform/environment.h"

namespace fib_test {

namespace {

// As the updater does at its start: the embedded engine opens files by
// their UTF-8 names only under a UTF-8 character type, read at its first call.
[[maybe_unused]] const bool kUtf8FileNames = platform::UseUtf8CharacterType();

void AddText(std::string& dpb, char item, const std::string& text) {
  dpb += item;
  dpb += static_cast<char>(text.size());
  dpb += text;
}

}  // namespace

std::string ConnectionParameters() {
  std::string dpb(1, isc_dpb_version1);
  AddText(dpb, isc_dpb_user_name, "SYSDBA");
  AddText(dpb, isc_dpb_password, "masterkey");
  AddText(dpb, isc_dpb_lc_ctype, "WIN1251");
  dpb += static_cast<char>(isc_dpb_sql_dialect);
  dpb += '\1';
  dpb += '\3';
  return dpb;
}

EmbeddedDatabase::EmbeddedDatabase(const std::string& file_name)
    : library_(fib::FindOrLoadClientLibrary(fib::DefaultLibraryName())),
      path_(folder_.File(file_name)) {
  std::filesystem::create_directories(std::filesystem::path(path_).parent_path());
  std::string create = "CREATE DATABASE '" + path_ +
                       "' USER 'SYSDBA' PASSWORD 'masterkey' DEFAULT CHARACTER SET WIN1251";
  isc_db_handle created = 0;
  isc_tr_handle no_transaction = 0;
  ISC_STATUS* status = fib::StatusVector();
  fib::CheckClientCall(
      library_->isc_dsql_execute_immediate(status, &created, &no_transaction, 0, create.c_str(),
                                           3, nullptr),
      true, *library_, nullptr);
  fib::CheckClientCall(library_->isc_detach_database(status, &created), true, *library_,
                       nullptr);
  std::string dpb = ConnectionParameters();
  fib::CheckClientCall(
      library_->isc_attach_database(status, 0, path_.c_str(), &handle_,
                                    static_cast<short>(dpb.size()), dpb.data()),
      true, *library_, nullptr);
}

EmbeddedDatabase::~EmbeddedDatabase() {
  if (handle_ != 0) library_->isc_drop_database(fib::StatusVector(), &handle_);
}

isc_tr_handle EmbeddedDatabase::StartTransaction() {
  isc_tr_handle tr = 0;
  fib::TransactionExistenceBlock teb{&handle_, 0, nullptr};
  fib::CheckClientCall(library_->isc_start_multiple(fib::StatusVector(), &tr, 1, &teb), true,
                       *library_, nullptr);
  return tr;
}

}  // namespace fib_test
