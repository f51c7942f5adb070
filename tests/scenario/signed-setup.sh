#!/usr/bin/env bash
# An installer built by the Linux stubpack and then signed with osslsigncode
# still installs: run hidden under Wine, it extracts its files past the
# certificate table, starts the engine, and the engine copies the files with
# their exact bytes into its /Install target.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }
: "${ORVANE_BUILD_DIR:?}" "${ORVANE_SOURCE_DIR:?}"
stubpack="$ORVANE_BUILD_DIR/tools/stubpack/stubpack"
stub="$ORVANE_BUILD_DIR/win64/src/Stub.exe"
engine="$ORVANE_BUILD_DIR/win64/tools/engine/engine.exe"
viewer="$ORVANE_BUILD_DIR/win64/tests/zdebugview.exe"
wine_run="$ORVANE_SOURCE_DIR/tests/harness/wine-run"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
win() { local p="Z:${1//\//\\}"; printf '%s' "$p"; }

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Orvane-Test \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null || fail "openssl"
mkdir "$work/files"
printf 'read me\r\n' >"$work/files/readme.txt"
head -c 300000 /dev/urandom >"$work/files/data.bin"      # stored: does not compress
seq 1 20000 >"$work/files/numbers.txt"                  # compressed

"$stubpack" build -q --stub "$stub" -o "$work/unsigned.exe" \
  --file "$engine=engine.exe*/Record=$(win "$work/rec.txt") /Install=$(win "$work/target") /ExitCode=7" \
  --file "$work/files/readme.txt" --file "$work/files/data.bin" --file "$work/files/numbers.txt" ||
  fail "stubpack build"
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -n "Orvane Test" \
  -in "$work/unsigned.exe" -out "$work/Setup.exe" >"$work/sign.log" 2>&1 ||
  { cat "$work/sign.log"; fail "osslsigncode sign"; }
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/Setup.exe" >"$work/verify.log" 2>&1 ||
  { cat "$work/verify.log"; fail "osslsigncode verify"; }
(( $(stat -c %s "$work/Setup.exe") > $(stat -c %s "$work/unsigned.exe") )) ||
  fail "the signature added nothing to the file"

set +e
"$wine_run" "$viewer" "$(win "$work/Setup.exe")" /hide >"$work/trace.txt" 2>&1
rc=$?
set -e
[[ $rc -eq 7 ]] || { cat "$work/trace.txt"; fail "exit code $rc, not the engine's 7"; }

[[ -s "$work/rec.txt" ]] || { cat "$work/trace.txt"; fail "the engine did not run"; }
cmdline=$(sed -n 's/^cmdline=//p' "$work/rec.txt")
[[ "$cmdline" == *'\engine.exe /hide /Record='*" /ExitCode=7 /TH_ID=_"* ]] &&
  [[ "$cmdline" == *" /OriginExe=\"$(win "$work/Setup.exe")\"" ]] ||
  fail "engine command line: $cmdline"
grep -qx 'show=0' "$work/rec.txt" || { cat "$work/rec.txt"; fail "the engine was not started hidden"; }
grep -qx 'atom=deleted' "$work/rec.txt" || { cat "$work/rec.txt"; fail "atom"; }
for f in readme.txt data.bin numbers.txt; do
  grep -qx "copied=$f" "$work/rec.txt" || { cat "$work/rec.txt"; fail "$f not installed"; }
  cmp "$work/files/$f" "$work/target/$f" || fail "$f installed with other bytes"
done
[[ $(ls "$work/target" | wc -l) -eq 3 ]] || { ls -la "$work/target"; fail "other files installed"; }
echo ok
