#!/bin/bash
# The suite check (tests/harness/check-suites) against a stand-in test
# program that prints a GoogleTest listing: it passes when every suite of the
# listing is registered (plain, value-parameterised and typed suites), and
# fails on a suite left out and on a program that lists nothing.
set -euo pipefail
root="${ORVANE_SOURCE_DIR:?}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cat >"$work/program" <<'LISTING'
#!/bin/bash
[[ "${1:-}" == --gtest_list_tests ]] || exit 9
cat "$(dirname "$0")/listing"
LISTING
chmod +x "$work/program"
cat >"$work/listing" <<'LISTING'
Running main() from gmock_main.cc
Plain.
  OneCase
  OtherCase
Cases/Param.
  Runs/0  # GetParam() = 1
Typed/0.  # TypeParam = int
  Works
LISTING
fail() { echo "FAIL: $*"; exit 1; }
check() { printf '%s\n' "$@" >"$work/suites"; "$root/tests/harness/check-suites" "$work/suites" "$work/program" >"$work/out" 2>&1; }

check Plain Param Typed || { cat "$work/out"; fail "all suites registered, yet refused"; }
check Plain Typed && fail "an unregistered parameterised suite passed"
grep -q "Param" "$work/out" || fail "the message does not name the missing suite"
check Param Typed && fail "an unregistered plain suite passed"
: >"$work/listing"
check Plain Param Typed && fail "a program without tests passed"
echo "ok: missing suites and empty programs fail, a full registration passes"
