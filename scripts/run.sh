#!/usr/bin/env bash
# Installs what is missing, builds the default preset and starts the updater.
# With no display it runs on the offscreen window system and says so; its
# message boxes then go to standard error.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default
cmake --build --preset default --target updater

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: the updater runs offscreen (QT_QPA_PLATFORM=offscreen)," \
       "its messages go to standard error." >&2
  export QT_QPA_PLATFORM=offscreen
fi
exec build/default/app/updater "$@"
