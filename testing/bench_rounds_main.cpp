// The main of every module's benchmark program.
#include "testing/bench_rounds.h"

int main(int argc, char** argv) { return bench::RunBenchmarkRounds(argc, argv); }
