#!/usr/bin/env bash
# Holds every #include against the module order and each module's layer table.
#
#   scripts/check-includes.sh [ROOT]      (ROOT: the source tree, default: this checkout)
#
# A module is a folder of ROOT that holds a CMakeLists.txt; its library code is
# every .c, .cpp and .h file under it outside its test folders (tests/,
# sqlite_tests/, bench/, fuzz/ and below). Its layer table is the table of its
# README.md whose header starts with "layer" and has a column "prefixes"; rows
# run bottom up, and a file belongs to the row of the longest prefix its name
# starts with. An include names a file from ROOT ("dacore/lexer_parser.h") or
# from the including file's folder. The check fails, naming the including
# file and line, when
#   - a module includes a module that is not below it in the module order
#     (MODULE_ORDER; tests, benchmarks and fuzz harnesses may use testing/ too);
#   - any file includes another module's test folders, or a module's library
#     code includes its own;
#   - library code includes a file of its module that sits in a higher row of
#     the layer table than its own;
#   - a layer table with a column "folder" names a folder the file is not in.

set -uo pipefail

root=${1:-"$(cd "$(dirname "$0")/.." && pwd)"}
cd "$root" || exit 2

# What each module may include besides itself: the order of the design
# (classlib <- platform <- fib, dacore <- oracle <- oranet; app uses them all),
# with the platform's programs in tools/ and the shared test support in
# testing/, which may use every module.
MODULE_ORDER="
classlib:
platform: classlib
tools: platform classlib
fib: platform classlib
dacore: platform classlib
oracle: dacore platform classlib
oranet: oracle dacore platform classlib
app: oranet oracle dacore fib tools platform classlib
testing: app oranet oracle dacore fib tools platform classlib
"

shopt -s nullglob
modules=()
for cmakelists in */CMakeLists.txt; do modules+=("${cmakelists%/CMakeLists.txt}"); done

# "MAP<TAB>module<TAB>row<TAB>prefix<TAB>folder<TAB>row name", from each layer table.
layer_rows() {
  local module
  for module in "${modules[@]}"; do
    [ -f "$module/README.md" ] || continue
    awk -F'|' -v module="$module" '
      function trim(s) { gsub(/^[ \t`]+|[ \t`\/]+$/, "", s); return s }
      !/^[ \t]*\|/ { if (state == 2) exit; state = 0; next }
      state == 0 {
        prefixes = 0; folder = 0
        for (i = 2; i < NF; i++) {
          if (trim($i) == "prefixes") prefixes = i
          if (trim($i) == "folder") folder = i
        }
        state = (trim($2) ~ /^layer/ && prefixes) ? 1 : 3
        next
      }
      state == 3 { next }
      $0 ~ /^[ \t]*\|[ \t:-]*-[ \t:|-]*$/ { next }
      {
        state = 2; row++
        where = folder ? trim($folder) : ""
        cell = $prefixes
        while (match(cell, /`[^`]+`/)) {
          printf "MAP\t%s\t%d\t%s\t%s\t%s\n", module, row, substr(cell, RSTART + 1, RLENGTH - 2), where, trim($2)
          cell = substr(cell, RSTART + RLENGTH)
        }
      }' "$module/README.md"
  done
}

# "INC<TAB>file<TAB>line<TAB>included path", for every quoted include.
includes() {
  local module
  for module in "${modules[@]}"; do
    find "$module" -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) -print0 |
      xargs -0 -r grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' /dev/null |
      sed -E 's/^([^:]*):([0-9]+):[^"]*"([^"]*)".*/INC\t\1\t\2\t\3/'
  done
}

# "FILE<TAB>path" for every source file (to resolve includes relative to a folder).
sources() {
  local module
  for module in "${modules[@]}"; do
    find "$module" -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' \) | sed 's/^/FILE\t/'
  done
}

{ echo "$MODULE_ORDER" | sed '/^[[:space:]]*$/d; s/^/ORDER\t/'; layer_rows; sources; includes; } | awk -F'\t' '
  function module_of(path) { sub(/\/.*/, "", path); return path }
  function is_test(path) { return path ~ /^[^\/]+\/(tests|sqlite_tests|bench|fuzz)(\/|$)/ }
  function base(path) { sub(/.*\//, "", path); return path }
  function dir(path) { if (path !~ /\//) return ""; sub(/\/[^\/]*$/, "", path); return path }
  # The row of a file of module m in its layer table, 0 when none.
  function row_of(m, path,    name, i, best, best_len) {
    name = base(path); best = 0; best_len = 0
    for (i = 1; i <= count[m]; i++)
      if (substr(name, 1, length(prefix[m, i])) == prefix[m, i] && length(prefix[m, i]) > best_len) {
        best = i; best_len = length(prefix[m, i])
      }
    return best
  }
  function fault(text) { print text > "/dev/stderr"; faults++ }
  $1 == "ORDER" {
    split($2, parts, ":"); m = parts[1]; known[m] = 1
    n = split(parts[2], below, " ")
    for (i = 1; i <= n; i++) allowed[m, below[i]] = 1
    next
  }
  $1 == "MAP" {
    m = $2; count[m]++; prefix[m, count[m]] = $4
    row[m, count[m]] = $3; folder[m, count[m]] = $5; row_name[m, count[m]] = $6
    if ($5 != "") has_folders[m] = 1
    next
  }
  $1 == "FILE" {
    exists[$2] = 1
    m = module_of($2)
    if (has_folders[m] && !is_test($2)) {
      i = row_of(m, $2)
      if (i && dir($2) != m "/" folder[m, i])
        fault($2 ": lies outside " m "/" folder[m, i] "/, the folder of its row \"" row_name[m, i] "\" in " m "/README.md")
    }
    next
  }
  $1 == "INC" {
    file = $2; line = $3; target = $4
    if (exists[dir(file) "/" target]) target = dir(file) "/" target
    else if (!exists[target]) next  # a system or third-party header
    from = module_of(file); to = module_of(target)
    where = file ":" line ": includes \"" $4 "\""
    if (from != to) {
      if (!known[from]) fault(where ": module " from " has no place in the module order")
      else if (!allowed[from, to] && !(to == "testing" && is_test(file)))
        fault(where ", but " to "/ is not below " from "/ in the module order")
      if (is_test(target)) fault(where ", a file of another module'"'"'s test folders")
      next
    }
    if (is_test(target) && !is_test(file)) { fault(where ", a file of its test folders, from library code"); next }
    if (is_test(file) || is_test(target)) next
    i = row_of(from, file); j = row_of(from, target)
    if (i && j && row[from, j] > row[from, i])
      fault(where ", a row above its own in " from "/README.md: \"" row_name[from, j] "\" over \"" row_name[from, i] "\"")
    next
  }
  END {
    if (faults) { print faults " fault(s) in the direction of includes" > "/dev/stderr"; exit 1 }
    print "includes point down the module order and the layer tables"
  }'
