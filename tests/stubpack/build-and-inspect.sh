#!/usr/bin/env bash
# stubpack with the real launchers: build an installer from a project file,
# inspect it as JSON, build it again in volumes, and check what inspect reports.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }
# json_has FILE TEXT: the JSON report holds the line fragment TEXT.
json_has() { grep -qF -- "$2" "$1" || fail "$1 lacks: $2"; }

: "${STUBPACK:?}" "${STUB_WIN32:?}" "${STUB_WIN64:?}"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/engine" "$work/out"
head -c 300000 /dev/urandom > "$work/engine/setup.exe"
seq 1 30000 > "$work/readme.txt"
touch -d '2021-06-15 13:45:30 UTC' "$work/readme.txt"
cat > "$work/demo.ini" <<'INI'
; a project as a vendor writes it
[Setup]
Output = out\setup.exe
ActivityBar = yes

[Files]
engine\setup.exe = setup.exe*/Q /log
readme.txt

[Language.English]
Charset = 0
FontName = Tahoma
s0 = "Demo Setup"

[Internet]
InfoUrl = http://127.0.0.1/updates
InfoFile = demo.info
AgentFile = demo-agent.exe
ProductToken = demo-product-token
INI

for stub in "$STUB_WIN32" "$STUB_WIN64"; do
  [ -f "$stub" ] || fail "no launcher at $stub"
  stub_size=$(stat -c %s "$stub")
  rm -f "$work"/out/*

  "$STUBPACK" build "$work/demo.ini" --stub "$stub" > "$work/build.log" || fail "build with $stub"
  [ -f "$work/out/setup.exe" ] || fail "no installer written"
  size=$(stat -c %s "$work/out/setup.exe")

  "$STUBPACK" inspect "$work/out/setup.exe" --json > "$work/report.json" || fail "inspect"
  json_has "$work/report.json" '"valid": true'
  json_has "$work/report.json" '"launcherImage": true'
  json_has "$work/report.json" "\"packageEndPointer\": $size,"
  json_has "$work/report.json" "\"packageStart\": $stub_size,"
  json_has "$work/report.json" '"fileCount": 2,'
  json_has "$work/report.json" '"magic": 1245391901,'
  json_has "$work/report.json" '"trailerLength": 74'
  json_has "$work/report.json" '"ActivityBar"'
  json_has "$work/report.json" '"name": "setup.exe",'
  json_has "$work/report.json" '"size": 300000,'
  json_has "$work/report.json" '"arguments": "/Q /log",'
  json_has "$work/report.json" '"name": "readme.txt",'
  json_has "$work/report.json" '"date": "2021-06-15 13:45:30",'
  json_has "$work/report.json" '"productTokenValid": true,'
  json_has "$work/report.json" '"agentFile": "demo-agent.exe",'
  json_has "$work/report.json" '"value": "Demo Setup"'
  [ "$(grep -c '"start": true' "$work/report.json")" = 1 ] || fail "not exactly one start entry"
  ! grep -q 'demo-product-token' "$work/report.json" || fail "the report shows the token"
  ! grep -qa 'demo-product-token' "$work/out/setup.exe" || fail "the token is stored in plain"

  # Volumes of at most 150 KB after the launcher's volume.
  limit=$((stub_size + 50000))
  [ "$limit" -ge 150000 ] || limit=150000
  "$STUBPACK" build "$work/demo.ini" --stub "$stub" --max-volume-size "$limit" \
    -o "$work/out/cd.exe" -q || fail "volume build"
  [ -f "$work/out/cd.exe.002" ] || fail "no volumes written"
  for volume in "$work"/out/cd.exe*; do
    [ "$(stat -c %s "$volume")" -le "$limit" ] || fail "$volume is too large"
  done
  last=$(ls "$work"/out/cd.exe.* | sort | tail -1)
  "$STUBPACK" inspect "$work/out/cd.exe" --json > "$work/volumes.json" || fail "inspect volumes"
  json_has "$work/volumes.json" '"valid": true'
  json_has "$work/volumes.json" '"moreVolumes": true'
  json_has "$work/volumes.json" "\"path\": \"$last\""
  ! grep -qF '"verdict": "bad"' "$work/volumes.json" || fail "a volume checksum is bad"
  [ "$(grep -c '"size": ' "$work/volumes.json")" -ge 4 ] || fail "split entries missing"

  # A separate first volume: the launcher relaunches itself to read setup.exe.001.
  "$STUBPACK" build "$work/demo.ini" --stub "$stub" --first-volume 001 -o "$work/out/cd1.exe" -q \
    || fail "build with a .001 volume"
  [ -f "$work/out/cd1.exe.001" ] || fail "no .001 volume"
  "$STUBPACK" inspect "$work/out/cd1.exe" > "$work/launcher.txt" || fail "inspect the launcher"
  grep -q 'RelaunchFromTemp' "$work/launcher.txt" || fail "the launcher does not relaunch"
  grep -qF "note: the files are in '$work/out/cd1.exe.001'" "$work/launcher.txt" || fail "no note"
  "$STUBPACK" inspect "$work/out/cd1.exe.001" --json | grep -qF '"arguments": "/Q /log",' \
    || fail "the .001 volume lacks the start entry"
done
echo "ok"
