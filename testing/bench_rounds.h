// Benchmarks run in rounds: each round runs every selected benchmark once
// (in a random order when --benchmark_enable_random_interleaving is set), so
// that a comparison can pair each run of our side with the peer's run next
// to it in time instead of only comparing medians taken minutes apart.
//
//   --rounds=N          the number of rounds (default 1: a plain run)
//   --rounds_out=FILE   writes every run as JSON: its name, round, place
//                       in the order of execution, times and counters
//
// Every other argument goes to Google Benchmark as usual.
#pragma once

namespace bench {

// Runs the benchmarks as above; the process's exit code.
int RunBenchmarkRounds(int argc, char** argv);

}  // namespace bench
