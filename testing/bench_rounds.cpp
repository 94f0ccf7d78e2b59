#include "testing/bench_rounds.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

namespace {

struct TRecordedRun {
  std::string name;
  int round = 0;
  int sequence = 0;  // place in the order the runs finished
  bool aggregate = false;
  std::string error;
  double real_time = 0;
  double cpu_time = 0;
  std::string time_unit;
  std::vector<std::pair<std::string, double>> counters;
};

// The console's report, and a record of every run with its round and place.
class TRoundsReporter : public benchmark::ConsoleReporter {
 public:
  bool ReportContext(const Context& context) override {
    // The machine's description once, not once per round.
    return round_ > 0 || ConsoleReporter::ReportContext(context);
  }
  void ReportRuns(const std::vector<Run>& reports) override {
    for (const Run& report : reports) Record(report);
    ConsoleReporter::ReportRuns(reports);
  }
  void NextRound() { ++round_; }
  const std::vector<TRecordedRun>& Runs() const { return runs_; }

 private:
  void Record(const Run& report) {
    TRecordedRun run;
    run.name = report.benchmark_name();
    run.round = round_;
    run.sequence = static_cast<int>(runs_.size());
    run.aggregate = report.run_type == Run::RT_Aggregate;
    if (report.error_occurred) run.error = report.error_message.empty() ? "error" : report.error_message;
    run.real_time = report.GetAdjustedRealTime();
    run.cpu_time = report.GetAdjustedCPUTime();
    run.time_unit = benchmark::GetTimeUnitString(report.time_unit);
    for (const auto& [name, counter] : report.counters) run.counters.emplace_back(name, counter.value);
    runs_.push_back(std::move(run));
  }

  int round_ = 0;
  std::vector<TRecordedRun> runs_;
};

std::string Quoted(const std::string& text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string Number(double value) {
  if (!std::isfinite(value)) return "null";
  char text[32];
  std::snprintf(text, sizeof text, "%.17g", value);
  return text;
}

bool WriteRuns(const std::string& path, const std::vector<TRecordedRun>& runs) {
  std::ofstream out(path);
  out << "{\"runs\": [\n";
  for (size_t i = 0; i < runs.size(); ++i) {
    const TRecordedRun& run = runs[i];
    out << "  {\"name\": " << Quoted(run.name) << ", \"round\": " << run.round
        << ", \"sequence\": " << run.sequence << ", \"aggregate\": " << (run.aggregate ? "true" : "false")
        << ", \"error\": " << Quoted(run.error) << ", \"real_time\": " << Number(run.real_time)
        << ", \"cpu_time\": " << Number(run.cpu_time) << ", \"time_unit\": " << Quoted(run.time_unit)
        << ", \"counters\": {";
    for (size_t c = 0; c < run.counters.size(); ++c)
      out << (c ? ", " : "") << Quoted(run.counters[c].first) << ": " << Number(run.counters[c].second);
    out << "}}" << (i + 1 < runs.size() ? "," : "") << "\n";
  }
  out << "]}\n";
  return static_cast<bool>(out);
}

// Takes our two options out of argv; false on a malformed one.
bool TakeOptions(int& argc, char** argv, int& rounds, std::string& out) {
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--rounds=", 9) == 0) {
      char* end = nullptr;
      rounds = static_cast<int>(std::strtol(argv[i] + 9, &end, 10));
      if (*end != '\0' || rounds < 1) return false;
    } else if (std::strncmp(argv[i], "--rounds_out=", 13) == 0) {
      out = argv[i] + 13;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  argv[argc] = nullptr;
  return true;
}

// glibc raises its mmap threshold to the largest mapped block freed so far
// and trims the heap against twice that, so a benchmark's page faults, and
// with them its time, depend on which benchmarks ran before it in the
// process: a fetch loop that keeps 100 000 rows took 27 ms alone and 61 ms
// after the data set's benchmark, with eight times the page faults. Fixed
// thresholds, the highest glibc would reach on its own, give every
// benchmark of a round the same allocator, whatever ran before it.
void FixAllocatorThresholds() {
  constexpr int kMmapThreshold = 32 << 20;  // glibc's ceiling for the moving threshold (64-bit)
  mallopt(M_MMAP_THRESHOLD, kMmapThreshold);
  mallopt(M_TRIM_THRESHOLD, 2 * kMmapThreshold);
}

}  // namespace

int RunBenchmarkRounds(int argc, char** argv) {
  FixAllocatorThresholds();
  int rounds = 1;
  std::string out;
  if (!TakeOptions(argc, argv, rounds, out)) {
    std::fprintf(stderr, "--rounds takes a positive number\n");
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TRoundsReporter reporter;
  for (int round = 0; round < rounds; ++round, reporter.NextRound())
    benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  if (!out.empty() && !WriteRuns(out, reporter.Runs())) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return 1;
  }
  return 0;
}

}  // namespace bench
