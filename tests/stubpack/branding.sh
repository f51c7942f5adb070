#!/usr/bin/env bash
# [Branding] writes the vendor's icon and version resource into both
# launchers: the result is a well-formed PE that objdump reads, inspect shows
# the texts and icon sizes, osslsigncode signs it and the package stays
# valid. Bad input is reported at its project line.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }

: "${STUBPACK:?}" "${STUB_WIN32:?}" "${STUB_WIN64:?}"
command -v osslsigncode > /dev/null || fail "osslsigncode is not installed"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# An icon of three 32-bit bitmaps.
python3 - << 'PY'
import struct
def dib(n):
    return struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 32, 0, 0, 0, 0, 0, 0) + b'\x40\x80\xc0\xff' * n * n + b'\0' * (((n + 31) // 32) * 4 * n)
images = [(16, dib(16)), (32, dib(32)), (48, dib(48))]
head = struct.pack('<HHH', 0, 1, len(images)); data = b''
for n, b in images:
    head += struct.pack('<BBBBHHII', n, n, 0, 0, 1, 32, len(b), 6 + 16 * len(images) + len(data)); data += b
open('vendor.ico', 'wb').write(head + data)
PY
head -c 30000 /dev/urandom > engine.exe
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Orvane-Test \
  -keyout key.pem -out cert.pem 2> /dev/null || fail "openssl"

for arch in 32 64; do
  stub_var="STUB_WIN$arch"
  stub=${!stub_var}
  objdump=$([ $arch = 32 ] && echo i686-w64-mingw32-objdump || echo x86_64-w64-mingw32-objdump)
  cat > vendor$arch.ini << INI
[Setup]
Stub = $stub
Output = vendor$arch.exe
[Files]
engine.exe = setup.exe*
[Branding]
Icon = vendor.ico
ProductName = Acme Pröduct
CompanyName = Acme Ltd
FileDescription = Acme Setup
Version = 3.2.1
Copyright = © 2025 Acme
INI
  "$STUBPACK" build vendor$arch.ini -q || fail "branded build $arch"
  $objdump -p vendor$arch.exe > pe.txt || fail "objdump cannot read the branded $arch image"
  grep -q 'Resource Directory \[.rsrc\]' pe.txt || fail "no resource directory ($arch)"
  grep -q 'CheckSum[[:space:]]*00000000' pe.txt || fail "stale PE checksum ($arch)"
  cmp -n 248 "$stub" vendor$arch.exe || fail "the stub's head changed ($arch)"
  "$STUBPACK" inspect vendor$arch.exe > inspect.txt || fail "inspect $arch"
  for line in 'icon +16x16, 32x32, 48x48$' 'version +3.2.1.0$' 'ProductName +Acme Pröduct$' \
    'CompanyName +Acme Ltd$' 'FileDescription +Acme Setup$' 'LegalCopyright +© 2025 Acme$' \
    'OriginalFilename +vendor'$arch'.exe$' 'InternalName +vendor'$arch'$' 'FileVersion +3.2.1$'; do
    grep -qE "^  $line" inspect.txt || { cat inspect.txt; fail "inspect $arch lacks '$line'"; }
  done
  grep -q '(valid)' inspect.txt || fail "branded package not valid ($arch)"

  osslsigncode sign -certs cert.pem -key key.pem -n Acme -in vendor$arch.exe -out signed$arch.exe \
    > sign.log 2>&1 || { cat sign.log; fail "osslsigncode sign $arch"; }
  osslsigncode verify -CAfile cert.pem -in signed$arch.exe > verify.log 2>&1 ||
    { cat verify.log; fail "osslsigncode verify $arch"; }
  "$STUBPACK" inspect signed$arch.exe --json > signed.json || fail "inspect signed $arch"
  grep -qF '"valid": true' signed.json || fail "signed branded package not valid ($arch)"
  grep -qF '"value": "Acme Pr\u00f6duct"' signed.json || fail "ProductName not in JSON ($arch)"

  # Without [Branding] the launcher is copied byte for byte.
  "$STUBPACK" build --stub "$stub" -o plain$arch.exe --file engine.exe=setup.exe* -q ||
    fail "plain build $arch"
  # (but for the package-end pointer, bytes 248-255).
  size=$(stat -c %s "$stub")
  cmp -n 248 "$stub" plain$arch.exe && cmp -i 256 -n $((size - 256)) "$stub" plain$arch.exe ||
    fail "a build without [Branding] changed the launcher ($arch)"
done

# Errors at their line.
printf 'not an icon' > bad.ico
check_error() { # EXPECTED-TEXT then project lines
  local expected=$1
  shift
  printf '%s\n' "[Setup]" "Stub = $STUB_WIN32" "Output = e.exe" "[Files]" "engine.exe = setup.exe*" \
    "[Branding]" "$@" > e.ini
  if "$STUBPACK" build e.ini -q 2> err.txt; then fail "built with: $*"; fi
  grep -qF "$expected" err.txt || { cat err.txt; fail "no '$expected' for: $*"; }
}
check_error 'is not a usable icon file: not an icon file (it must start with the icon header 00 00 01 00) (e.ini:7)' 'Icon = bad.ico'
check_error "cannot read [Branding] Icon" 'Icon = missing.ico'
check_error 'Version=1.2.3.4.5 is not a version' 'ProductName = A' 'Version = 1.2.3.4.5'
check_error '(e.ini:8)' 'ProductName = A' 'Version = 70000'
check_error 'but no Version' 'ProductName = A'
check_error "unknown setting 'Vendor' in [Branding]" 'Vendor = x'
[ ! -e e.exe ] || fail "a failed build left its output"
echo "ok"
