#!/usr/bin/env bash
# Shows that scripts/check-test-timeouts.sh fails on a build tree holding a
# test without a timeout (or with a timeout of 0), naming each such test and
# no other, fails on a tree without tests, and passes one whose tests all
# have a timeout. Builds small CTest trees in a scratch folder.
set -uo pipefail

check="$(cd "$(dirname "$0")" && pwd)/check-test-timeouts.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
fail() {
  echo "$1" >&2
  failed=1
}

# tree NAME TESTS...: a configured CTest tree; each TEST is name=timeout,
# or a bare name for a test without one.
tree() {
  local name=$1
  shift
  mkdir -p "$scratch/$name"
  {
    echo "cmake_minimum_required(VERSION 3.25)"
    echo "project($name NONE)"
    echo "enable_testing()"
    for test in "$@"; do
      echo "add_test(NAME ${test%%=*} COMMAND true)"
      [ "$test" = "${test%%=*}" ] || echo "set_tests_properties(${test%%=*} PROPERTIES TIMEOUT ${test#*=})"
    done
  } >"$scratch/$name/CMakeLists.txt"
  cmake -S "$scratch/$name" -B "$scratch/$name/build" >/dev/null || fail "cannot configure $name"
}

tree planted timed=30 untimed zero=0
if "$check" "$scratch/planted/build" >"$scratch/out" 2>&1; then
  fail "the check passed a tree with tests that have no timeout"
fi
grep -qx "  untimed" "$scratch/out" || fail "the check did not name the test without a timeout"
grep -qx "  zero" "$scratch/out" || fail "the check did not name the test with timeout 0"
grep -qx "  timed" "$scratch/out" && fail "the check named a test that has a timeout"
grep -q "3 tests registered, 1 with a timeout, 2 without" "$scratch/out" ||
  fail "the check miscounted: $(cat "$scratch/out")"

tree none
"$check" "$scratch/none/build" >"$scratch/out" 2>&1 && fail "the check passed a tree without tests"

tree all first=10 second=300
"$check" "$scratch/all/build" >"$scratch/out" 2>&1 ||
  fail "the check failed a tree whose tests all have a timeout: $(cat "$scratch/out")"

# twice NAME: one test name registered by two folders, each with a timeout.
mkdir -p "$scratch/twice/one" "$scratch/twice/two"
printf 'add_test(NAME same COMMAND true)\nset_tests_properties(same PROPERTIES TIMEOUT 5)\n' |
  tee "$scratch/twice/one/CMakeLists.txt" >"$scratch/twice/two/CMakeLists.txt"
printf 'cmake_minimum_required(VERSION 3.25)\nproject(twice NONE)\nenable_testing()\nadd_subdirectory(one)\nadd_subdirectory(two)\n' \
  >"$scratch/twice/CMakeLists.txt"
cmake -S "$scratch/twice" -B "$scratch/twice/build" >/dev/null || fail "cannot configure twice"
"$check" "$scratch/twice/build" >"$scratch/out" 2>&1 && fail "the check passed a name registered twice"
grep -qx "  same" "$scratch/out" || fail "the check did not name the test registered twice"

[ "$failed" -eq 0 ] && echo "check-test-timeouts finds what it promises"
exit "$failed"
