#!/usr/bin/env bash
# A launcher signed with osslsigncode after stubpack built it still reads its
# own package when it runs: an agent copy with the log flag, signed, reports
# the agent flag to the debug viewer and writes its log under Wine.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }
: "${ORVANE_BUILD_DIR:?}" "${ORVANE_SOURCE_DIR:?}"
stubpack="$ORVANE_BUILD_DIR/tools/stubpack/stubpack"
stub="$ORVANE_BUILD_DIR/win64/src/Stub.exe"
viewer="$ORVANE_BUILD_DIR/win64/tests/zdebugview.exe"
wine_run="$ORVANE_SOURCE_DIR/tests/harness/wine-run"

work=$(mktemp -d)
# The plain agent starts its X_ copy, which runs until told to stop: ask it
# to stop, and end it by its process id if it does not.
x_agent_pids() {
  local pid
  for pid in $(pgrep -f "X_Agent.exe"); do
    tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF "$(basename "$work")" && echo "$pid"
  done
  return 0
}
stop_x_agent() {
  [[ -f "$work/Agent.exe" ]] || return 0
  "$wine_run" "Z:${work//\//\\}\\Agent.exe" /STOP=0 >/dev/null 2>&1 || true
  for _ in $(seq 1 50); do
    [[ -z "$(x_agent_pids)" ]] && return 0
    sleep 0.2
  done
  x_agent_pids | xargs -r kill
}
trap 'stop_x_agent; rm -rf "$work"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Orvane-Test \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null || fail "openssl"
echo "payload" >"$work/payload.txt"

"$stubpack" build -q --stub "$stub" -o "$work/unsigned.exe" \
  --file "$work/payload.txt=setup.exe*" --flag AgentFlag --flag AgentLog \
  --set Internet.AgentFile=Agent.exe --set Internet.ProductToken=PT-9 || fail "stubpack build"
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -n "Orvane Test" \
  -in "$work/unsigned.exe" -out "$work/Agent.exe" >"$work/sign.log" 2>&1 ||
  { cat "$work/sign.log"; fail "osslsigncode sign"; }
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/Agent.exe" >"$work/verify.log" 2>&1 ||
  { cat "$work/verify.log"; fail "osslsigncode verify"; }

# The signed agent runs as the plain agent: it traces, starts its X_ copy
# and ends.
"$wine_run" "$viewer" "Z:${work//\//\\}\\Agent.exe" >"$work/trace.txt" 2>&1 ||
  { cat "$work/trace.txt"; fail "the signed launcher failed"; }
grep -q ' ==== ThisIs_AutoUpdateProg=TRUE' "$work/trace.txt" ||
  { cat "$work/trace.txt"; fail "the signed launcher did not find its package"; }
[[ -s "$work/X_Agent.log" ]] || fail "no agent log"
grep -q 'ThisIs_Plain_AutoUpdate_Exe=TRUE' "$work/X_Agent.log" || { cat "$work/X_Agent.log"; fail "log"; }

# The same check fails for the launcher without a package, so it is not
# vacuous. Run hidden, that one shows no box and ends with 1619: no package.
cp "$stub" "$work/Bare.exe"
"$wine_run" "$viewer" "Z:${work//\//\\}\\Bare.exe" /hide >"$work/bare.txt" 2>&1 || true
grep -q '^\[zdebugview\] exit code 1619[^0-9]*$' "$work/bare.txt" || { cat "$work/bare.txt"; fail "bare launcher"; }
grep -q ' ==== ThisIs_AutoUpdateProg=FALSE' "$work/bare.txt" || { cat "$work/bare.txt"; fail "bare"; }
echo ok
