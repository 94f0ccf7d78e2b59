// What the Firebird benchmarks share: a scratch database file on the
// embedded engine, a connection that calls the client library directly (the
// baseline the layer is measured against), and an iteration timer.
#pragma once

#include <benchmark/benchmark.h>
#include <ibase.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "fib/base/client_library.h"
#include "fib/base/errors.h"
#include "fib/base/param_blocks.h"
#include "fib/sql/sql_trace_hook.h"
#include "fib/statements/fib_database.h"
#include "fib/statements/fib_transaction.h"
#include "testing/bench_counted.h"

namespace fib_bench {

// Said once on standard error as the program starts: whether a monitor's
// shared block exists where this process looks for one. With a block the
// statements read its counters and may trace, and the figures include it;
// scripts/bench.sh runs the programs where there is none.
inline const bool kMonitorBlockReported = [] {
  std::fprintf(stderr, fib::MonitorBlockExists()
                           ? "SQL monitor: a shared block exists; the figures include its cost\n"
                           : "SQL monitor: no shared block\n");
  return true;
}();

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

// Page faults of the calling thread so far (minor: memory the kernel hands
// out or maps in; major: read from disk).
inline rusage ThreadUsage() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return usage;
}

// Times one iteration by the calling thread's CPU time; the wall time and
// the thread's page faults go into counters beside it, so that a side whose
// time grows beyond its work shows whether fresh memory is the cause.
class IterationTimer {
 public:
  explicit IterationTimer(benchmark::State& state)
      : state_(state), usage_(ThreadUsage()), cpu_(ThreadSeconds()), wall_(WallSeconds()) {}
  ~IterationTimer() {
    state_.SetIterationTime(ThreadSeconds() - cpu_);
    state_.counters["wall_ms"] = (WallSeconds() - wall_) * 1000;
    const rusage now = ThreadUsage();
    state_.counters["minor_faults"] = static_cast<double>(now.ru_minflt - usage_.ru_minflt);
    state_.counters["major_faults"] = static_cast<double>(now.ru_majflt - usage_.ru_majflt);
  }

 private:
  benchmark::State& state_;
  rusage usage_;
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

// A scratch database with table SOURCE of kSourceRows rows of 6 mixed
// columns, attached through a raw connection for as long as it lives. The
// attachment matters: when the last one goes, the engine closes the file and
// drops its page cache, and the next run's first reads would fault a new
// cache in; every measured run should find the database as the one before
// it left it. No benchmark writes into it, so no reader runs right after a
// write that the engine is still flushing.
class SourceDatabase {
 public:
  static constexpr int kSourceRows = 100000;

  explicit SourceDatabase(const std::string& folder_prefix)
      : database_(folder_prefix), raw_(database_.Path()) {
    raw_.Execute(
        "create table SOURCE (ID integer, NAME varchar(40), AMOUNT numeric(15,2), "
        "CREATED timestamp, RATIO double precision, CODE bigint)");
    raw_.Execute(
        "execute block as declare i integer = 0; begin while (i < " +
        std::to_string(kSourceRows) +
        ") do begin insert into SOURCE values (:i, 'Row name ' || :i, :i * 1.25, "
        "dateadd(:i second to timestamp '2024-01-01 00:00:00'), :i / 7.0, :i * 1000000007); "
        "i = i + 1; end end");
    ReadOnce();
  }
  const std::string& Path() const { return database_.Path(); }
  RawConnection& Raw() { return raw_; }

 private:
  // The first reader of fresh rows pays for cleaning them up; none of the
  // measured readers should.
  void ReadOnce() {
    isc_tr_handle tr = raw_.Start();
    isc_stmt_handle stmt = 0;
    raw_.Check(raw_.Lib().isc_dsql_alloc_statement2(raw_.Status(), raw_.Db(), &stmt));
    std::vector<char> area(XSQLDA_LENGTH(1), 0);
    auto* out = reinterpret_cast<XSQLDA*>(area.data());
    out->version = SQLDA_VERSION1;
    out->sqln = 1;
    raw_.Check(raw_.Lib().isc_dsql_prepare(raw_.Status(), &tr, &stmt, 0, "select ID from SOURCE",
                                           3, out));
    int32_t id = 0;
    short null = 0;
    out->sqlvar[0].sqldata = reinterpret_cast<char*>(&id);
    out->sqlvar[0].sqlind = &null;
    raw_.Check(raw_.Lib().isc_dsql_execute(raw_.Status(), &tr, &stmt, 3, nullptr));
    while (raw_.Lib().isc_dsql_fetch(raw_.Status(), &stmt, 3, out) == 0) {
    }
    raw_.Check(raw_.Lib().isc_dsql_free_statement(raw_.Status(), &stmt, DSQL_drop));
    raw_.Commit(tr);
  }

  ScratchDatabase database_;
  RawConnection raw_;
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
