#!/bin/bash
# The include check of the layers (cmake/CheckIncludes.cmake) on a small
# tree of its own: a file may include from its own folder and from the
# folders below it; an include from a folder above, or a path out of the
# folder with "../", fails.
set -euo pipefail
root="${ORVANE_SOURCE_DIR:?}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src/util" "$work/src/package" "$work/src/launcher"
echo '#pragma once' >"$work/src/util/Low.h"
echo '#pragma once' >"$work/src/launcher/High.h"

check() {  # check LAYER ALLOWED -> exit code of the check
  cmake -DLAYER="$1" -DALLOWED="$2" -DSOURCE_ROOT="$work/src" -DSTAMP="$work/stamp" \
    -P "$root/cmake/CheckIncludes.cmake" >"$work/out" 2>&1
}
fail() { echo "FAIL: $*"; cat "$work/out"; exit 1; }

# Own folder, lower folder and system headers are fine.
printf '#include "package/Mid.h"\n#include "util/Low.h"\n#include <string>\n' \
  >"$work/src/package/Mid.cpp"
check package package,util || fail "a downward include was refused"

# An include from above fails and names the file and the header.
printf '#include "util/Low.h"\n  #  include "launcher/High.h"\n' >"$work/src/package/Bad.cpp"
check package package,util && fail "an upward include passed"
grep -q 'Bad.cpp: #include "launcher/High.h"' "$work/out" || fail "the message does not name the include"
rm "$work/src/package/Bad.cpp"

# A relative path out of the folder fails too, in a header as well.
printf '#include "../launcher/High.h"\n' >"$work/src/package/Sneaky.h"
check package package,util && fail "a ../ include passed"
rm "$work/src/package/Sneaky.h"

check package package,util || fail "the clean tree was refused"
echo "ok: upward and ../ includes fail, downward ones pass"
