#!/usr/bin/env bash
# Fails, naming them, when tests registered in a build tree have no timeout:
# a test without one that hangs holds the whole run until CI gives up, and
# nobody learns which test it was. Fails too when two tests share a name:
# GoogleTest cases of two programs with the same suite and case names
# register twice, CTest then runs them under one name, and each carries the
# other's labels, so a run by label picks the wrong program.
#
#   scripts/check-test-timeouts.sh BUILD_DIR
#
# Reads CTest's own list of the tests with their properties
# (ctest --show-only=json-v1; $CTEST names the ctest to use), discovered
# GoogleTest cases included; a TIMEOUT of 0 means none. A tree with no test
# at all fails too: the check would otherwise pass on a list it could not
# read.
set -uo pipefail

build=${1:?usage: check-test-timeouts.sh BUILD_DIR}
command -v jq >/dev/null || {
  echo "jq is missing: scripts/install-deps.sh installs it" >&2
  exit 2
}
list=$("${CTEST:-ctest}" --test-dir "$build" --show-only=json-v1) || {
  echo "ctest could not list the tests of $build" >&2
  exit 2
}
counts=$(jq -r '[(.tests | length),
                 ([.tests[] | select(any(.properties[]?; .name == "TIMEOUT" and .value > 0))]
                  | length)] | @tsv' <<<"$list") || exit 2
read -r total timed <<<"$counts"
if [ "$total" -eq 0 ]; then
  echo "no test is registered in $build" >&2
  exit 1
fi
untimed=$((total - timed))
echo "$total tests registered, $timed with a timeout, $untimed without"
if [ "$untimed" -ne 0 ]; then
  echo "tests without a timeout:" >&2
  jq -r '.tests[] | select(any(.properties[]?; .name == "TIMEOUT" and .value > 0) | not)
         | "  " + .name' <<<"$list" >&2
  exit 1
fi
duplicates=$(jq -r '.tests[].name' <<<"$list" | sort | uniq -d)
if [ -n "$duplicates" ]; then
  echo "tests registered twice under one name:" >&2
  sed 's/^/  /' <<<"$duplicates" >&2
  exit 1
fi
