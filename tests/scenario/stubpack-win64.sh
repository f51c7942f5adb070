#!/usr/bin/env bash
# The 64-bit Windows stubpack.exe, run under Wine, builds the same installers
# as the Linux stubpack from the same project: a set of volumes with
# languages, internet settings and an update key, and an internet setup whose
# download block it fills in from the setup file. Every file written must be
# byte for byte the Linux build's. Both run in one time zone that is not UTC,
# with SOURCE_DATE_EPOCH, as a reproducible build of a vendor would.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }
: "${ORVANE_BUILD_DIR:?}" "${ORVANE_SOURCE_DIR:?}"
stubpack="$ORVANE_BUILD_DIR/tools/stubpack/stubpack"
stubpack_exe="$ORVANE_BUILD_DIR/win64/tools/stubpack/stubpack.exe"
stub="$ORVANE_BUILD_DIR/win32/src/Stub.exe"
wine_run="$ORVANE_SOURCE_DIR/tests/harness/wine-run"
for f in "$stubpack" "$stubpack_exe" "$stub"; do
  [[ -f "$f" ]] || fail "$f is missing"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
win() { printf 'Z:%s' "${1//\//\\}"; }
export TZ=Europe/Berlin SOURCE_DATE_EPOCH=1700000000

# The project, as a vendor keeps it; each build gets a copy of its own.
mkdir -p "$work/project/files" "$work/project/out"
cp "$stub" "$work/project/Stub.exe"
head -c 150000 /dev/urandom >"$work/project/files/engine.exe"
seq 1 50000 >"$work/project/files/readme.txt"
printf 'licence\r\n' >"$work/project/files/licence.txt"
touch -d '2021-06-15 13:45:31 UTC' "$work/project/files/readme.txt" # odd second, in summer time
touch -d '1979-12-31 23:00:00 UTC' "$work/project/files/licence.txt" # before DOS dates
# engine.exe keeps the time of now: later than SOURCE_DATE_EPOCH.
"$stubpack" keygen --out "$work/project/acme" >/dev/null || fail "keygen"
stub_size=$(stat -c %s "$stub")
cat >"$work/project/acme.ini" <<INI
[Setup]
Stub = Stub.exe
Output = out\\acme.exe
MaxVolumeSize = $((stub_size + 70000))
ActivityBar = yes

[Files]
files\\engine.exe = setup.exe*/Q /log
files\\*.txt

[Language.English]
s0 = "Acme Setup"
s1 = "Unpacking Acme; please wait"

[Internet]
InfoUrl = https://updates.example.com/acme
InfoFile = acme.info
AgentFile = Acme_AU.exe
ProductToken = acme-token
UpdateKey = acme.pub

[Download]
Location = https://download.example.com/acme
FileName = acme.exe
Token = acme-download
INI
cat >"$work/project/web.ini" <<'INI'
[Setup]
Stub = Stub.exe
Output = out\web.exe
InternetSetup = yes
ConfirmDownload = yes

[Download]
Location = https://download.example.com/acme
File = full\acme.exe
Token = acme-download
INI

# build NAME RUN...: copies the project to NAME and builds both installers
# there with the command RUN, given the Windows or Linux path of a project.
build() {
  local name="$1" path
  shift
  cp -a "$work/project" "$work/$name"
  for ini in acme web; do
    path="$work/$name/$ini.ini"
    [[ "$name" == linux ]] || path="$(win "$path")"
    if [[ "$ini" == web ]]; then
      # The internet setup reads the full installer as its setup file.
      mkdir -p "$work/$name/full"
      cp -p "$work/$name/out/acme.exe" "$work/$name/full/acme.exe"
    fi
    "$@" build "$path" -q >"$work/$name-$ini.log" 2>&1 || { cat "$work/$name-$ini.log"; fail "$name: build $ini"; }
  done
}
build linux "$stubpack"
build windows "$wine_run" "$stubpack_exe"

[[ -f "$work/linux/out/acme.exe.002" ]] || fail "the Linux build wrote no volumes"
(cd "$work/linux/out" && ls) >"$work/linux.files"
(cd "$work/windows/out" && ls) >"$work/windows.files"
diff "$work/linux.files" "$work/windows.files" || fail "the builds wrote other files"
while read -r f; do
  cmp "$work/linux/out/$f" "$work/windows/out/$f" || fail "$f differs"
done <"$work/linux.files"

# The Windows build read the setup file it was pointed at.
"$stubpack" inspect "$work/windows/out/web.exe" --json >"$work/web.json" || fail "inspect web"
grep -qF "\"sha256\": \"$(sha256sum "$work/windows/full/acme.exe" | cut -c1-64)\"" "$work/web.json" ||
  fail "the internet setup does not carry the setup file's SHA-256"
echo "ok: $(wc -l <"$work/linux.files") files alike"
