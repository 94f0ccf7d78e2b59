#!/usr/bin/env bash
# Installs what is missing, builds the default preset, prepares a sample
# installation (product database on the embedded Firebird engine, registry
# hives, a release folder) and starts the updater on it.
#
# The sample lives outside the source tree: $UPDATER_SAMPLE_DIR, else
# $XDG_DATA_HOME/dbupdater-sample, else ~/.local/share/dbupdater-sample. It is
# made once; "--fresh" makes it anew (an update run changes the database).
# "--check" starts the updater, lets it show its window and quit, and fails
# unless it did. With no display the updater runs on the offscreen window
# system and says so; its message boxes then go to standard error.
set -euo pipefail
cd "$(dirname "$0")/.."
source_dir="$(pwd -P)"

fresh=0
check=0
args=()
for arg in "$@"; do
  case "$arg" in
    --fresh) fresh=1 ;;
    --check) check=1 ;;
    *) args+=("$arg") ;;
  esac
done

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target updater updater_sample fake_UpdateFull

data_home="${XDG_DATA_HOME:-$HOME/.local/share}"
sample="${UPDATER_SAMPLE_DIR:-$data_home/dbupdater-sample}"
sample="$(realpath -m "$sample")"
case "$sample/" in
  "$source_dir"/*)
    echo "The sample folder $sample lies inside the source tree; choose another one" \
         "with UPDATER_SAMPLE_DIR." >&2
    exit 2 ;;
esac
mkdir -p "$sample"
if [ "$fresh" -eq 1 ] || [ ! -f "$sample/release/updcfg.xml" ] || [ ! -f "$sample/product.fdb" ]; then
  rm -rf "${sample:?}/registry" "$sample/release" "$sample/Lexarium" "$sample/product.fdb"
  build/default/testing/updater_sample "$sample" build/default/testing/fake_release/Upd/UpdateFull.dll
  echo "Sample installation made in $sample"
fi

export UPDATER_REGISTRY="$sample/registry"
export UPDATER_RELEASE_DIR="$sample/release"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: the updater runs offscreen (QT_QPA_PLATFORM=offscreen)," \
       "its messages go to standard error." >&2
  export QT_QPA_PLATFORM=offscreen
fi

cat <<TEXT
Log in with:
  page "Выбор базы":        FIREBIRD, user SYSDBA, password masterkey,
                            database file $sample/product.fdb
  page "Выбор пользователя": user admin, group Администраторы, password secret
The release updates the database from 3.1 to 3.2; the run's log goes to
$sample/Lexarium/.
TEXT

if [ "$check" -eq 1 ]; then
  output="$(UPDATER_QUIT_AFTER_SHOW=1 build/default/app/updater "${args[@]}")"
  echo "$output"
  grep -q "^window shown: Обновление данных$" <<<"$output" &&
    grep -q "^release description: .*updcfg.xml (found)$" <<<"$output" || {
    echo "check failed: the updater did not show its window on the sample" >&2
    exit 1
  }
  echo "check passed"
  exit 0
fi
exec build/default/app/updater "${args[@]}"
