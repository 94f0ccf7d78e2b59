#!/usr/bin/env bash
# Installs every Debian package the project builds, tests and runs with.
# Idempotent: when all packages are present it only checks and returns.
set -euo pipefail

packages=(
  # build and tests
  cmake ninja-build g++ lld libgtest-dev libgmock-dev libbenchmark-dev
  # reads CTest's test list for the check that every test has a timeout
  jq
  # compression of large values
  zlib1g-dev
  # Firebird client, embedded engine and server (remote tests)
  libfbclient2 firebird-dev firebird3.0-server-core firebird3.0-utils firebird3.0-server
  # window, message loop, XML, ADO stand-in
  qt6-base-dev libqt6sql6-ibase libqt6sql6-odbc libqt6sql6-sqlite
  # Qt's own Russian texts for standard buttons and dialogs
  qt6-translations-l10n
  unixodbc-dev tdsodbc libsqliteodbc libsqlite3-dev
  # hashes and ciphers
  libssl-dev
  # an XML reader for the tests of the data sets' XML export
  libexpat1-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# Package scripts must not try to start services: tests start what they need.
policy=/usr/sbin/policy-rc.d
made_policy=0
if [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" >/dev/null
  $sudo chmod 755 "$policy"
  made_policy=1
fi
cleanup() { [ "$made_policy" -eq 0 ] || $sudo rm -f "$policy"; }
trap cleanup EXIT

export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
