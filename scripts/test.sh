#!/usr/bin/env bash
# The project's test command: install dependencies, configure and build with
# AddressSanitizer and UndefinedBehaviorSanitizer, run every test through CTest.
# A local Firebird server runs around CTest for the tests that attach through
# "localhost:"; it is stopped again even when CTest fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset asan
cmake --build --preset asan

export UPDATER_FB_PASSWORD="${UPDATER_FB_PASSWORD:-masterkey}"
# The server's pid file lives in a folder of this run, so a run that found a
# server already answering never stops that other run's server.
export UPDATER_FB_STATE_DIR="$(mktemp -d)"
server="$PWD/scripts/firebird-server.sh"
# The tests' temporary files (database files, registry hives, release
# folders) go to memory-backed storage when it has room for them: the
# embedded engine writes its pages through to the disk and SQLite syncs
# every commit, so on a disk many tests spend most of their time waiting
# for it. The folder is made for this run and removed with it.
test_tmp=""
if [ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ] && [ -w /dev/shm ] &&
  [ "$(df -P -k /dev/shm | awk 'NR == 2 { print $4 }')" -ge $((2 * 1024 * 1024)) ]; then
  test_tmp="$(mktemp -d /dev/shm/updater-tests.XXXXXX)"
fi
trap '"$server" stop; rm -rf "$UPDATER_FB_STATE_DIR" ${test_tmp:+"$test_tmp"}' EXIT
"$server" start
status=0
if [ -n "$test_tmp" ]; then
  TMPDIR="$test_tmp" ctest --preset asan || status=$?
else
  ctest --preset asan || status=$?
fi
exit "$status"
