#!/usr/bin/env bash
# Bad input to stubpack: a clear error, a non-zero exit, and no output file
# (nor any temporary file) left behind.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }

: "${STUBPACK:?}" "${STUB_WIN32:?}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
cp "$STUB_WIN32" stub.exe
printf 'engine' > engine.exe
printf 'not a launcher' > text.exe

# expect CODE MESSAGE ARGS...: stubpack exits with CODE, says MESSAGE, writes nothing.
expect() {
  local code=$1 message=$2
  shift 2
  local before after status=0
  before=$(ls -A)
  "$STUBPACK" "$@" > out.log 2> err.log || status=$?
  after=$(ls -A | grep -vx 'out.log\|err.log' || true)
  [ "$status" = "$code" ] || { cat err.log; fail "'$*' exited with $status, not $code"; }
  grep -qF -- "$message" err.log || { cat err.log; fail "'$*' did not say: $message"; }
  [ "$after" = "$(printf '%s\n' "$before" | grep -vx 'out.log\|err.log' || true)" ] \
    || fail "'$*' left files behind: $after"
}

project() { printf '[Setup]\nStub = %s\nOutput = setup.exe\n[Files]\n%b' "$1" "$2" > p.ini; }

project stub.exe 'engine.exe = setup.exe*\n'
expect 1 "cannot read project file 'missing.ini'" build missing.ini
project missing-stub.exe 'engine.exe = setup.exe*\n'
expect 1 "cannot read the launcher stub" build p.ini
project text.exe 'engine.exe = setup.exe*\n'
expect 1 "is not a launcher image (it needs \"MZ\" at offset 0 and \"PE\" at 256) (p.ini:2)" build p.ini
project stub.exe 'engine.exe = setup.exe\n'
expect 1 "no start entry" build p.ini
project stub.exe 'engine.exe = setup.exe*\nengine.exe = tool.exe*/S\n'
expect 1 "a second start entry 'tool.exe'" build p.ini
project stub.exe 'engine.exe = ..\\\\evil.exe*\n'
expect 1 "has a folder part" build p.ini
project stub.exe 'engine.exe = setup.exe*\nengine.exe = C:evil.dll\n'
expect 1 "drive or stream part" build p.ini
project stub.exe 'engine.exe = setup.exe*\nnothing.txt\n'
expect 1 "nothing.txt' does not exist (p.ini:6)" build p.ini
project stub.exe 'engine.exe = setup.exe*\n'
expect 1 "leaves no room for file data" build p.ini --max-volume-size 100K
# A missing output folder is made, and removed again when the build fails.
expect 1 "leaves no room for file data" build p.ini --max-volume-size 100K -o no/such/setup.exe
expect 1 "cannot create folder 'engine.exe/no': Not a directory (-o)" build p.ini -o engine.exe/no/setup.exe

# The output is never a file the build reads, whatever path names it, nor
# anything but a regular file (a symbolic link to a device is a device).
ln engine.exe linked.exe
mkfifo pipe
ln -s /dev/full full
expect 1 "the output './stub.exe' is the launcher stub 'stub.exe'" build p.ini -o ./stub.exe
expect 1 "the output 'p.ini' is the project file 'p.ini'" build p.ini -o p.ini
expect 1 "the output 'linked.exe' is a file to pack 'engine.exe'" build p.ini -o linked.exe
expect 1 "cannot create 'pipe': it is a named pipe, not a regular file" build p.ini -o pipe
expect 1 "cannot create 'full': it is a device, not a regular file" build p.ini -o full
cmp -s stub.exe "$STUB_WIN32" || fail "the stub was overwritten"
[ "$(cat engine.exe)" = engine ] || fail "the packed file was overwritten"
grep -qx 'Stub = stub.exe' p.ini || fail "the project file was overwritten"
[ -p pipe ] && [ -L full ] || fail "the pipe or the link was replaced"
rm linked.exe pipe full
mkdir folder
project folder 'engine.exe = setup.exe*\n'
expect 1 "'folder' is a folder, not a launcher file" build p.ini
rmdir folder
project stub.exe 'engine.exe = setup.exe*\n'

# Usage errors exit with 2.
expect 2 "unknown option '--bogus'" build p.ini --bogus
expect 2 "unknown command 'pack'" pack p.ini
expect 2 "inspect needs a file" inspect

# A package that is not sound: non-zero, and the message names the offset.
"$STUBPACK" build p.ini -q || fail "good build"
size=$(stat -c %s setup.exe)
printf '\xff\xff\xff\x7f' | dd of=setup.exe bs=1 seek=$(( $(stat -c %s stub.exe) )) conv=notrunc 2> /dev/null
status=0
"$STUBPACK" inspect setup.exe > out.log 2> err.log || status=$?
[ "$status" = 1 ] || fail "a damaged package gave exit code $status"
grep -qF "(offset $(stat -c %s stub.exe))" err.log || { cat err.log; fail "no offset in the message"; }
head -c $((size - 100)) setup.exe > cut.exe
status=0
"$STUBPACK" inspect cut.exe > out.log 2> err.log || status=$?
[ "$status" = 1 ] || fail "a cut package gave exit code $status"
grep -qF "package-end pointer" err.log || { cat err.log; fail "cut package not explained"; }
echo "ok"
