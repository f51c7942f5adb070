#!/usr/bin/env bash
# Ctrl-C (SIGINT), SIGTERM or SIGHUP during a build: the temporary output file
# goes, nothing else is left behind, and the exit status is the signal's. A
# signal the builder was started with ignored (nohup) stays ignored.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }

: "${STUBPACK:?}" "${STUB_WIN32:?}"
work=$(mktemp -d)
pid=
trap '[ -z "$pid" ] || kill -KILL "$pid" 2> /dev/null || true; rm -rf "$work"' EXIT
cd "$work"
cp "$STUB_WIN32" stub.exe
printf 'engine' > engine.exe
# 4 GiB of zeros, without writing them: compressing them takes much longer
# than the test waits.
truncate -s 4G zeros.bin
inputs='stub.exe\|engine.exe\|zeros.bin'
# Job control: without it a background job starts with SIGINT ignored.
set -m

# start [PREFIX...]: starts a build in the background and waits until its
# temporary file exists; sets pid and tmp.
start() {
  "$@" "$STUBPACK" build --stub stub.exe -o setup.exe --file 'engine.exe=setup.exe*' \
    --file zeros.bin -q &
  pid=$!
  for _ in $(seq 1 500); do
    tmp=$(compgen -G 'setup.exe.stubpack-*.tmp' || true)
    [ -z "$tmp" ] || return 0
    kill -0 "$pid" 2> /dev/null || fail "the build ended before its temporary file was seen"
    sleep 0.02
  done
  fail "no temporary file after 10 s"
}

# ends SIGNAL: the build ends through SIGNAL and leaves nothing behind.
ends() {
  local status=0
  wait "$pid" || status=$?
  pid=
  [ "$status" = $((128 + $(kill -l "$1"))) ] || fail "SIG$1: exit status $status"
  [ ! -e "$tmp" ] || fail "SIG$1 left $tmp behind"
  local left
  left=$(ls -A | grep -vx "$inputs" || true)
  [ -z "$left" ] || fail "SIG$1 left: $left"
}

for signal in INT TERM HUP; do
  start
  kill -s "$signal" "$pid"
  ends "$signal"
done

# Started with SIGHUP ignored, the build goes on after one.
start bash -c 'trap "" HUP; exec "$@"' ignore-hup
kill -s HUP "$pid"
sleep 0.3
kill -0 "$pid" 2> /dev/null || fail "an ignored SIGHUP ended the build"
[ -e "$tmp" ] || fail "an ignored SIGHUP removed the temporary file"
kill -s TERM "$pid"
ends TERM
echo "ok"
