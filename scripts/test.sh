#!/usr/bin/env bash
# The project's test command: install dependencies, configure and build with
# AddressSanitizer and UndefinedBehaviorSanitizer, run every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset asan
cmake --build --preset asan
ctest --preset asan
