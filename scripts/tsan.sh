#!/usr/bin/env bash
# Runs the tests of every module that runs threads under ThreadSanitizer:
#
#   scripts/tsan.sh [repeats]      (repeats: default 5)
#
# Builds the `tsan` preset (build/tsan, through the compiler cache when
# CMAKE_CXX_COMPILER_LAUNCHER is set; CMAKE_BUILD_PARALLEL_LEVEL bounds the
# jobs), or only the modules named in TSAN_MODULES (default: classlib
# platform dacore fib oracle oranet app), runs the tests of those modules
# once, then runs the tests that race
# threads against each other `repeats` more times: the background fetch and
# execute, the exec threads, the connection pools, the change
# notifications, the statement threads and the calls posted to the window's
# thread, the SQL monitor's writer, the blob cache's validator, the script
# file's thread, the progress relay and the Qt message loop. Those tests show
# their faults by their own checks and watchdogs (a hang fails with every
# thread's stack) as much as by the sanitizer. Reports judged false are
# listed with their reasons in scripts/tsan.supp; the lock-order detector is on in every module. Every
# report goes to build/tsan/tsan-reports/; the script prints the tests run
# and failed and the reports found, and fails when a test failed or any
# report was written.
set -euo pipefail
cd "$(dirname "$0")/.."
repeats="${1:-5}"

modules_list="${TSAN_MODULES:-classlib platform dacore fib oracle oranet app}"
targets=()
for module in $modules_list; do
  targets+=("${module}_tests")
  [ "$module" = dacore ] && targets+=(dacore_sqlite_tests)
done
targets+=(tsan_clone_preload)

scripts/install-deps.sh >/dev/null
cmake --preset tsan >/dev/null
cmake --build build/tsan --target "${targets[@]}"

reports="$PWD/build/tsan/tsan-reports"
rm -rf "$reports" build/tsan/tsan*-all.log build/tsan/tsan*-repeat.log
mkdir -p "$reports"
# halt_on_error=0: a test goes on after a report, so one run shows them all;
# exitcode: a process that reported fails its test even when its checks held.
export TSAN_OPTIONS="halt_on_error=0:exitcode=66:second_deadlock_stack=1:history_size=4:suppressions=$PWD/scripts/tsan.supp:log_path=$reports/report"
export QT_QPA_PLATFORM=offscreen

# Every process of the run gets two libraries preloaded, as the tsan test
# preset does (CMakePresets.json): the clone wrapper
# (testing/tsan_clone_preload.c: Qt's child processes would otherwise blind
# the sanitizer to the thread that started them) and the embedded Firebird
# engine, so that it stays loaded to the end of each process that uses it:
# scripts/tsan.supp ignores the calls it makes, and the sanitizer ends a
# process that unloads a library it ignores. (Every process, not only those
# of fib and app: a test name that two modules share carries both labels.)
# The engine is preloaded by its own path: loaded through a link, its plugin
# loader no longer finds its entry point.
clone_preload="$PWD/build/tsan/testing/libtsan_clone_preload.so"
engine_preload=$(find /usr/lib -path '*/firebird/*/plugins/libEngine12.so' -print -quit)
[ -n "$engine_preload" ] || { echo "tsan: the Firebird engine plugin libEngine12.so is not installed" >&2; exit 1; }
preload="$clone_preload $engine_preload"
# The modules that load the engine run as a group of their own.
engine_modules=()
other_modules=()
for module in $modules_list; do
  case "$module" in fib|app) engine_modules+=("$module") ;; *) other_modules+=("$module") ;; esac
done
# The fuzz harnesses' tests (corpus replays, a harness that must leave no
# file) have no threads, and their harnesses are not built here; the server
# tests need a server.
# The blob round trip of every size runs on one thread and spends eight
# minutes under ThreadSanitizer on its 10 MiB case alone, past any timeout on
# a busy machine; the other blob stream tests keep the stream's code covered.
exclude='^(fuzz_replay\.|[a-z]+\.fuzz_|BlobStreamTest\.ContentsOfEverySizeComeBackEqual$)'
racing='(SharedRows|Background|ExecThread|Pool|Pooling|ChangeNotification|Notify|StatementThread|AnotherThread'
racing+='|SqlMonitor|BlobCacheValidator|ScriptFileThread|ProgressRelay|QtMessageLoop)'

status=0
summary() {
  local log="$1" name="$2"
  local line
  line=$(grep -E '^[0-9]+% tests passed' "$log" | tail -1 || true)
  echo "tsan: $name: ${line:-no tests ran}"
}

# run_group LOG NAME MODULES...
run_group() {
  local log="$1" name="$2"
  shift 2
  [ $# -eq 0 ] && return
  local labels="^($(IFS='|'; echo "$*"))\$"
  LD_PRELOAD="$preload" ctest --test-dir build/tsan -L "$labels" -LE firebird_server -E "$exclude" \
      --output-on-failure -j 4 --timeout 600 > "build/tsan/$log-all.log" 2>&1 || status=1
  summary "build/tsan/$log-all.log" "every test of $name"
  LD_PRELOAD="$preload" ctest --test-dir build/tsan -L "$labels" -LE firebird_server -E "$exclude" -R "$racing" \
      --repeat until-fail:"$repeats" --output-on-failure -j 4 --timeout 600 \
      > "build/tsan/$log-repeat.log" 2>&1 || status=1
  summary "build/tsan/$log-repeat.log" "racing tests of $name, up to $repeats runs each"
}

run_group tsan "${other_modules[*]:-}" "${other_modules[@]}"
run_group tsan-engine "${engine_modules[*]:-}" "${engine_modules[@]}"

found=$(find "$reports" -type f | wc -l)
if [ "$found" -gt 0 ]; then
  echo "tsan: $found report file(s) in $reports:"
  grep -h -E '^(WARNING: )?ThreadSanitizer' "$reports"/* | sed -E 's/ \(pid=[0-9]+\)//; s/\(tid=[0-9]+\)//' | sort | uniq -c
  status=1
else
  echo "tsan: no report"
fi
grep -h -E '^\s+[0-9]+ - ' build/tsan/tsan*-all.log build/tsan/tsan*-repeat.log 2>/dev/null || true
exit "$status"
