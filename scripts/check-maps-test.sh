#!/usr/bin/env bash
# Shows that scripts/check-maps.sh finds each kind of fault it promises, and
# passes a tree whose map agrees with it. Works in a scratch folder.
set -uo pipefail

check="$(cd "$(dirname "$0")" && pwd)/check-maps.sh"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
expect() {  # expect TEXT: the last output holds TEXT
  if ! grep -qF -- "$1" "$scratch/out"; then
    echo "missing from the check's output: $1" >&2
    failed=1
  fi
}

mkdir -p "$scratch/tree/mod/tests/sub" "$scratch/tree/mod/bench" "$scratch/tree/docs"
touch "$scratch/tree/mod/CMakeLists.txt" "$scratch/tree/mod/alpha.h" "$scratch/tree/mod/alpha_io.cpp" \
      "$scratch/tree/mod/beta.cpp" "$scratch/tree/mod/tests/alpha_test.cpp" \
      "$scratch/tree/mod/tests/sub/fixture.c" "$scratch/tree/mod/bench/beta_bench.cpp" \
      "$scratch/tree/mod/notes.txt" "$scratch/tree/docs/stray.cpp"
cat > "$scratch/tree/mod/README.md" <<'MAP'
# mod

| layer | prefixes | what |
|---|---|---|
| 1 base | `alpha` | the first |
| 2 top | `beta` `fixture` | the second |
MAP

# A map that agrees with the tree passes; folders without CMakeLists.txt are
# no modules, and files other than C and C++ sources need no prefix.
if ! "$check" "$scratch/tree" > "$scratch/out" 2>&1; then
  echo "a true map was refused:" >&2
  cat "$scratch/out" >&2
  failed=1
fi

# Each fault is named with its file and README.
touch "$scratch/tree/mod/tests/gamma_test.cpp"
sed -i 's/`beta` `fixture`/`beta` `fixture` `delta` `alpha`/' "$scratch/tree/mod/README.md"
long=$(printf 'words %.0s' $(seq 60))
sed -i "s/| the second |/| $long |/" "$scratch/tree/mod/README.md"
mkdir -p "$scratch/tree/other" && touch "$scratch/tree/other/CMakeLists.txt"
mkdir -p "$scratch/tree/third" && touch "$scratch/tree/third/CMakeLists.txt" "$scratch/tree/third/x.cpp"
echo "# third, without a map" > "$scratch/tree/third/README.md"
if "$check" "$scratch/tree" > "$scratch/out" 2>&1; then
  echo "a false map passed" >&2
  failed=1
fi
expect "mod/tests/gamma_test.cpp: not in the map of mod/README.md"
expect "mod/README.md: prefix \`delta\` starts no file name under mod/"
expect "mod/README.md: prefix \`alpha\` is given twice"
expect "other/README.md: missing"
expect "third/README.md: no map"
expect "mod/README.md: the row \"2 top\": 359 characters long (over 300)"
[ $failed -eq 0 ] || { cat "$scratch/out" >&2; exit 1; }
echo "the map check finds unmapped files, stale and doubled prefixes, missing maps, paragraphs in cells"
