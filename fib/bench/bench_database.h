// What the Firebird benchmarks share: a scratch database file on the
// embedded engine, a connection that calls the client library directly (the
// baseline the layer is measured against), and an iteration timer.
#pragma once

#include <benchmark/benchmark.h>
#include <ibase.h>
#include <stdlib.h>
#include <time.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#include "fib/base/client_library.h"
#include "fib/base/errors.h"
#include "fib/base/param_blocks.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"
#include "testing/bench_counted.h"

namespace fib_bench {

inline double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

inline double WallSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Times one iteration by the calling thread's CPU time; the wall time goes
// into a counter beside it.
class IterationTimer {
 public:
  explicit IterationTimer(benchmark::State& state)
      : state_(state), cpu_(ThreadSeconds()), wall_(WallSeconds()) {}
  ~IterationTimer() {
    state_.SetIterationTime(ThreadSeconds() - cpu_);
    state_.counters["wall_ms"] = (WallSeconds() - wall_) * 1000;
  }

 private:
  benchmark::State& state_;
  double cpu_;
  double wall_;
  bench::TCountedSpan counted_;  // last: starts after the clocks are read
};

// An attachment through the client library's own calls, SYSDBA, WIN1251.
class RawConnection {
 public:
  explicit RawConnection(const std::string& path)
      : library_(fib::FindOrLoadClientLibrary(fib::DefaultLibraryName())) {
    std::string dpb(1, isc_dpb_version1);
    auto add = [&dpb](char item, const std::string& text) {
      dpb += item;
      dpb += static_cast<char>(text.size());
      dpb += text;
    };
    add(isc_dpb_user_name, "SYSDBA");
    add(isc_dpb_password, "masterkey");
    add(isc_dpb_lc_ctype, "WIN1251");
    Check(library_->isc_attach_database(Status(), 0, path.c_str(), &db_,
                                        static_cast<short>(dpb.size()), dpb.data()));
  }
  ~RawConnection() { library_->isc_detach_database(Status(), &db_); }
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  fib::IIBClientLibrary& Lib() { return *library_; }
  isc_db_handle* Db() { return &db_; }
  static ISC_STATUS* Status() { return fib::StatusVector(); }
  void Check(ISC_STATUS status) { fib::CheckClientCall(status, true, *library_, nullptr); }

  isc_tr_handle Start() {
    isc_tr_handle tr = 0;
    fib::TransactionExistenceBlock teb{&db_, 0, nullptr};
    Check(library_->isc_start_multiple(Status(), &tr, 1, &teb));
    return tr;
  }
  void Commit(isc_tr_handle& tr) { Check(library_->isc_commit_transaction(Status(), &tr)); }
  void Execute(const std::string& sql) {
    isc_tr_handle tr = Start();
    Check(library_->isc_dsql_execute_immediate(Status(), &db_, &tr, 0, sql.c_str(), 3, nullptr));
    Commit(tr);
  }

 private:
  fib::ClientLibraryRef library_;
  isc_db_handle db_ = 0;
};

// A new WIN1251 database "bench.fdb" in a temporary folder of its own,
// removed with the folder.
class ScratchDatabase {
 public:
  explicit ScratchDatabase(const std::string& folder_prefix) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (folder_prefix + ".XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    folder_ = pattern;
    path_ = folder_ + "/bench.fdb";
    auto library = fib::FindOrLoadClientLibrary(fib::DefaultLibraryName());
    const std::string create = "CREATE DATABASE '" + path_ +
                               "' USER 'SYSDBA' PASSWORD 'masterkey' DEFAULT CHARACTER SET WIN1251";
    isc_db_handle created = 0;
    isc_tr_handle none = 0;
    fib::CheckClientCall(library->isc_dsql_execute_immediate(fib::StatusVector(), &created, &none,
                                                             0, create.c_str(), 3, nullptr),
                         true, *library, nullptr);
    library->isc_detach_database(fib::StatusVector(), &created);
  }
  ~ScratchDatabase() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  ScratchDatabase(const ScratchDatabase&) = delete;
  ScratchDatabase& operator=(const ScratchDatabase&) = delete;

  const std::string& Path() const { return path_; }

 private:
  std::string folder_;
  std::string path_;
};

// Connects the layer's database to `path` as the raw connection attaches,
// with `tr` as its default transaction.
inline void ConnectLayer(fib::TFIBDatabase& db, fib::TFIBTransaction& tr, const std::string& path) {
  db.SetDBName(path);
  db.DBParams().SetText("user_name=SYSDBA\r\npassword=masterkey\r\nlc_ctype=WIN1251");
  db.SetSQLDialect(3);
  db.SetSynchronizeTime(false);
  tr.SetDefaultDatabase(&db);
  db.SetDefaultTransaction(&tr);
  db.Connect();
}

}  // namespace fib_bench
