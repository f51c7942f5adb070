#!/usr/bin/env bash
# An installer signed with osslsigncode after it was built keeps its package:
# the signature verifies, and the package-end pointer still leads to the
# package in front of the certificate table.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }

: "${STUBPACK:?}" "${STUB_WIN32:?}" "${STUB_WIN64:?}"
command -v osslsigncode > /dev/null || fail "osslsigncode is not installed"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Orvane-Test \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2> /dev/null || fail "openssl"
head -c 100000 /dev/urandom > "$work/engine.exe"
seq 1 5000 > "$work/readme.txt"

for stub in "$STUB_WIN32" "$STUB_WIN64"; do
  rm -f "$work/setup.exe" "$work/signed.exe"
  "$STUBPACK" build --stub "$stub" -o "$work/setup.exe" --file "$work/engine.exe=setup.exe*/S" \
    --file "$work/readme.txt" -q || fail "build with $stub"
  size=$(stat -c %s "$work/setup.exe")

  osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -n "Orvane Test" \
    -in "$work/setup.exe" -out "$work/signed.exe" > "$work/sign.log" 2>&1 \
    || { cat "$work/sign.log"; fail "osslsigncode sign"; }
  [ "$(stat -c %s "$work/signed.exe")" -gt "$size" ] || fail "the signature added nothing"

  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed.exe" > "$work/verify.log" 2>&1 \
    || { cat "$work/verify.log"; fail "osslsigncode verify"; }
  grep -q 'Signature verification: ok' "$work/verify.log" || fail "no verified signature"

  "$STUBPACK" inspect "$work/signed.exe" --json > "$work/signed.json" || fail "inspect signed"
  grep -qF '"valid": true' "$work/signed.json" || fail "signed package not valid"
  grep -qF "\"packageEndPointer\": $size," "$work/signed.json" || fail "pointer moved"
  grep -qF "\"packageEnd\": $size," "$work/signed.json" || fail "package end moved"
  grep -A1 -F '"certificate": {' "$work/signed.json" | grep -qF "\"offset\": $((size + (8 - size % 8) % 8))," \
    || fail "certificate table not found after the package"
  grep -qF '"name": "setup.exe",' "$work/signed.json" || fail "entry lost"
  grep -qF '"size": 100000,' "$work/signed.json" || fail "entry size wrong"

  # The unsigned bytes are all still there, in front of the signature, except
  # for the PE header fields the signature fills in.
  cmp -n 248 "$work/setup.exe" "$work/signed.exe" || fail "the stub head changed"
done
echo "ok"
