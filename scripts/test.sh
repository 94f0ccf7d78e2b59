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
trap '"$server" stop; rm -rf "$UPDATER_FB_STATE_DIR"' EXIT
"$server" start
status=0
ctest --preset asan || status=$?
exit "$status"
