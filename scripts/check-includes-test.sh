#!/usr/bin/env bash
# Shows that scripts/check-includes.sh finds each kind of include it refuses:
# on a small tree made for it, and on a scratch copy of this source tree with
# an upward include planted (the copy passes before). Works in a scratch folder.
set -uo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
check="$here/check-includes.sh"
source_root="$(cd "$here/.." && pwd)"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
expect() {  # expect TEXT: the last output holds TEXT
  if ! grep -qF -- "$1" "$scratch/out"; then
    echo "missing from the check's output: $1" >&2
    failed=1
  fi
}
passes() {  # passes TREE WHAT
  if ! "$check" "$1" > "$scratch/out" 2>&1; then
    echo "$2 was refused:" >&2
    cat "$scratch/out" >&2
    failed=1
  fi
}
refuses() {  # refuses TREE WHAT
  if "$check" "$1" > "$scratch/out" 2>&1; then
    echo "$2 passed" >&2
    failed=1
  fi
}

# A tree of three modules in the order classlib <- platform, testing on top;
# platform keeps its files in folders its layer table names.
tree="$scratch/tree"
mkdir -p "$tree/classlib/tests" "$tree/platform/low" "$tree/platform/high" "$tree/platform/tests" \
         "$tree/testing"
touch "$tree/classlib/CMakeLists.txt" "$tree/platform/CMakeLists.txt" "$tree/testing/CMakeLists.txt"
cat > "$tree/classlib/README.md" <<'MAP'
| layer | prefixes | what |
|---|---|---|
| 1 base | `base` | the first |
| 2 top | `top` `base_impl.cpp` | the second, and the base's implementation |

| tests | prefixes |
|---|---|
| helpers | `helper` |
MAP
cat > "$tree/platform/README.md" <<'MAP'
| layer | folder | prefixes | what |
|---|---|---|---|
| 1 low | `low/` | `low` | the first |
| 2 high | `high/` | `high` | the second |
MAP
printf '| target | prefixes |\n|---|---|\n| all | `fixture` |\n' > "$tree/testing/README.md"
echo '#include <vector>' > "$tree/classlib/base.h"
printf '#include "classlib/base.h"\n#include "classlib/top.h"\n' > "$tree/classlib/base_impl.cpp"
echo '#include "base.h"' > "$tree/classlib/top.h"
echo '#include "classlib/top.h"' > "$tree/classlib/tests/helper.h"
printf '#include "classlib/base.h"\n#include "platform/low/low.h"\n' > "$tree/platform/high/high.cpp"
echo '#include "classlib/top.h"' > "$tree/platform/low/low.h"
printf '#include "platform/high/high.h"\n#include "testing/fixture.h"\n' > "$tree/platform/tests/high_test.cpp"
touch "$tree/platform/high/high.h"
printf '#include "platform/high/high.h"\n#include "classlib/top.h"\n' > "$tree/testing/fixture.h"

# Down the rows, down the module order, a file's own folder, an
# implementation mapped above its header, tests on testing/: all pass.
passes "$tree" "a tree whose includes point down"

# Each upward include is named with its file and line.
echo '#include "classlib/top.h"' >> "$tree/classlib/base.h"
echo '#include "top.h"' > "$tree/classlib/base_more.cpp"
echo '#include "platform/low/low.h"' >> "$tree/classlib/top.h"
echo '#include "classlib/tests/helper.h"' >> "$tree/platform/tests/high_test.cpp"
echo '#include "classlib/tests/helper.h"' > "$tree/classlib/top_impl.cpp"
echo '#include "testing/fixture.h"' >> "$tree/platform/low/low.h"
echo '#include "platform/high/high.h"' >> "$tree/platform/low/low.h"
touch "$tree/platform/high/low_misplaced.h"
refuses "$tree" "upward includes"
expect 'classlib/base.h:2: includes "classlib/top.h", a row above its own in classlib/README.md: "2 top" over "1 base"'
expect 'classlib/base_more.cpp:1: includes "top.h", a row above its own'
expect 'classlib/top.h:2: includes "platform/low/low.h", but platform/ is not below classlib/ in the module order'
expect 'platform/tests/high_test.cpp:3: includes "classlib/tests/helper.h", a file of another module'"'"'s test folders'
expect 'classlib/top_impl.cpp:1: includes "classlib/tests/helper.h", a file of its test folders, from library code'
expect 'platform/low/low.h:2: includes "testing/fixture.h", but testing/ is not below platform/'
expect 'platform/low/low.h:3: includes "platform/high/high.h", a row above its own in platform/README.md: "2 high" over "1 low"'
expect 'platform/high/low_misplaced.h: lies outside platform/low/, the folder of its row "1 low"'
[ $failed -eq 0 ] || { cat "$scratch/out" >&2; exit 1; }

# A copy of this source tree passes, and fails once an include points up.
copy="$scratch/copy"
mkdir -p "$copy"
(cd "$source_root" && for cmakelists in */CMakeLists.txt; do
   module=${cmakelists%/CMakeLists.txt}
   find "$module" -path "$module/build" -prune -o -type f \
     \( -name '*.c' -o -name '*.cpp' -o -name '*.h' -o -name README.md -o -name CMakeLists.txt \) -print
 done | xargs -d '\n' cp --parents -t "$copy")
passes "$copy" "the copy of the source tree"
echo '#include "fib/zod/zod_query.h"' >> "$copy/fib/base/str_util.cpp"
echo '#include "oracle/session_ora_session.h"' >> "$copy/oracle/call_state.h"
echo '#include "dacore/util_bytes.h"' >> "$copy/fib/base/str_util.h"
refuses "$copy" "the copy with upward includes"
expect 'fib/base/str_util.cpp:'
expect 'includes "fib/zod/zod_query.h", a row above its own in fib/README.md: "12 extended data set and components" over "1 helpers"'
expect 'oracle/call_state.h:'
expect 'includes "oracle/session_ora_session.h", a row above its own in oracle/README.md'
expect 'includes "dacore/util_bytes.h", but dacore/ is not below fib/ in the module order'
[ $failed -eq 0 ] || { cat "$scratch/out" >&2; exit 1; }
echo "the include check finds includes up a layer table, up the module order, into test folders, and files outside their row's folder"
