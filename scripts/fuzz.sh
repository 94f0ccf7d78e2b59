#!/usr/bin/env bash
# Runs every libFuzzer harness for a bounded time: scripts/fuzz.sh [seconds]
# [pattern] (default 60 per harness; a pattern, an extended regular
# expression such as 'dacore_|oracle_', builds and runs only the harnesses
# whose executable names match it). Builds the `fuzz` preset with clang, which only
# this script installs, and runs about half the cores' worth of harnesses at
# once. Each harness works on its own corpus under build/fuzz/corpus/, seeded
# from the repository's <module>/fuzz/corpus/<harness>/ (kept crash inputs
# included), and saves a crash input in that folder's crashes/. Prints per
# harness the executions, the time and what it found; fails when any
# harness found something.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
pattern="${2:-}"

scripts/install-deps.sh
install_clang() {
  local missing=()
  for p in clang libclang-rt-dev; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [ "$status" = "install ok installed" ] || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "installing: ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" ||
    { $sudo apt-get update -q && DEBIAN_FRONTEND=noninteractive \
        $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"; }
}
install_clang

cmake --preset fuzz
if [ -z "$pattern" ]; then
  cmake --build --preset fuzz
else
  mapfile -t chosen < <(cmake --build build/fuzz --target help | grep -oE '^[a-z]+_fuzz_[a-z0-9_]+' |
    grep -E "$pattern" | sort -u)
  [ ${#chosen[@]} -gt 0 ] || { echo "no harness matches $pattern"; exit 1; }
  cmake --build build/fuzz --target "${chosen[@]}"
fi

out=build/fuzz/runs
rm -rf "$out"
mkdir -p "$out"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen

# run_one <executable>: one bounded run; writes <name>.log and <name>.result.
run_one() {
  local exe="$1" name module harness seeds crashes work start end found
  name=$(basename "$exe")
  module=${name%%_fuzz_*}
  harness=${name#*_fuzz_}
  seeds="$module/fuzz/corpus/$harness"
  crashes="$seeds/crashes"
  work="build/fuzz/corpus/$name"
  mkdir -p "$work" "$crashes"
  start=$(date +%s)
  found="nothing"
  "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="$crashes/" "$work" "$seeds" >"$out/$name.log" 2>&1 ||
    found=$(grep -m1 -o "Test unit written to .*" "$out/$name.log" || echo "failure, see $out/$name.log")
  end=$(date +%s)
  rmdir "$crashes" 2>/dev/null || true
  execs=$(grep -o "stat::number_of_executed_units: [0-9]*" "$out/$name.log" | grep -o "[0-9]*$" || echo "?")
  printf '%-36s %12s %6ss  %s\n' "$name" "$execs" "$((end - start))" "$found" >"$out/$name.result"
}
export -f run_one
export seconds out

jobs=$(( ($(nproc) + 1) / 2 ))
find build/fuzz -maxdepth 2 -type f -executable -name '*_fuzz_*' | sort |
  { if [ -n "$pattern" ]; then grep -E "/[^/]*(${pattern})[^/]*$"; else cat; fi; } |
  xargs -P "$jobs" -I{} bash -c 'run_one "$1"' _ {}

printf '%-36s %12s %7s  %s\n' "harness" "executions" "time" "found"
cat "$out"/*.result
! grep -qv "  nothing$" "$out"/*.result
