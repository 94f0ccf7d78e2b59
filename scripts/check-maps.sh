#!/usr/bin/env bash
# Holds every module's README.md map against the module's files.
#
#   scripts/check-maps.sh [ROOT]      (ROOT: the source tree, default: this checkout)
#
# A module is a folder of ROOT that holds a CMakeLists.txt. Its README.md maps
# its files by the start of their names: every table of the README whose header
# has a column "prefixes" is read, and each `quoted` word in that column is a
# prefix. The check fails, naming the file and the README, when
#   - a .c, .cpp or .h file anywhere under the module folder (tests/, bench/,
#     fuzz/ and their sub-folders included) starts with no prefix of the map;
#   - a prefix starts no file's name (a renamed or removed file left behind);
#   - a prefix is given twice, or the README or its map is missing;
#   - a cell of a map table other than the prefixes is longer than
#     MAX_CELL characters (a cell names what the files hold; design notes go
#     under a heading of their own below the table).
set -uo pipefail

root=${1:-"$(cd "$(dirname "$0")/.." && pwd)"}
cd "$root" || exit 2

faults=0
MAX_CELL=300
fault() {
  echo "$1" >&2
  faults=$((faults + 1))
}

# The prefixes of the map tables in README file $1, one a line.
map_prefixes() {
  awk -F'|' '
    function trim(s) { gsub(/^[ \t]+|[ \t]+$/, "", s); return s }
    !/^[ \t]*\|/ { column = 0; next }
    column == 0 {
      for (i = 2; i < NF; i++) if (trim($i) == "prefixes") column = i
      next
    }
    $0 ~ /^[ \t]*\|[ \t:-]*-[ \t:|-]*$/ { next }
    {
      cell = $column
      while (match(cell, /`[^`]+`/)) {
        print substr(cell, RSTART + 1, RLENGTH - 2)
        cell = substr(cell, RSTART + RLENGTH)
      }
    }' "$1"
}

# "row: length" of each cell over MAX_CELL characters in the map tables of README $1.
long_cells() {
  awk -F'|' -v max="$MAX_CELL" '
    function trim(s) { gsub(/^[ \t]+|[ \t]+$/, "", s); return s }
    !/^[ \t]*\|/ { column = 0; next }
    column == 0 {
      for (i = 2; i < NF; i++) if (trim($i) == "prefixes") column = i
      next
    }
    $0 ~ /^[ \t]*\|[ \t:-]*-[ \t:|-]*$/ { next }
    {
      for (i = 2; i < NF; i++)
        if (i != column && length(trim($i)) > max) print "\"" trim($2) "\": " length(trim($i))
    }' "$1"
}

for cmakelists in */CMakeLists.txt; do
  module=${cmakelists%/CMakeLists.txt}
  readme="$module/README.md"
  if [ ! -f "$readme" ]; then
    fault "$readme: missing; every module folder keeps a README.md with a map of its files"
    continue
  fi
  mapfile -t prefixes < <(map_prefixes "$readme")
  if [ ${#prefixes[@]} -eq 0 ]; then
    fault "$readme: no map (a table with a column \"prefixes\" holding \`prefix\` words)"
    continue
  fi
  while IFS= read -r long; do
    fault "$readme: the row $long characters long (over $MAX_CELL); name what the files hold and put design notes under a heading below the table"
  done < <(long_cells "$readme")
  mapfile -t files < <(find "$module" -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) | sort)

  declare -A seen=()
  for prefix in "${prefixes[@]}"; do
    if [ -n "${seen[$prefix]:-}" ]; then
      fault "$readme: prefix \`$prefix\` is given twice"
    fi
    seen[$prefix]=1
    found=0
    for file in "${files[@]}"; do
      if [[ "${file##*/}" == "$prefix"* ]]; then found=1; break; fi
    done
    [ $found -eq 1 ] || fault "$readme: prefix \`$prefix\` starts no file name under $module/ (a file renamed or removed? correct the map)"
  done
  unset seen

  for file in "${files[@]}"; do
    name=${file##*/}
    mapped=0
    for prefix in "${prefixes[@]}"; do
      if [[ "$name" == "$prefix"* ]]; then mapped=1; break; fi
    done
    [ $mapped -eq 1 ] || fault "$file: not in the map of $readme (add a prefix of its name to the row of its layer)"
  done
done

if [ $faults -gt 0 ]; then
  echo "$faults fault(s) in the module maps" >&2
  exit 1
fi
echo "module maps agree with the tree"
