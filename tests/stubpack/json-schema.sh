#!/usr/bin/env bash
# Every kind of report `stubpack inspect --json` writes follows the schema
# tools/stubpack/inspect.schema.json: a plain installer with languages and an
# update key, a volume set, an internet setup with its download block, a
# signed installer, damaged packages, files without a package. The validator
# itself must refuse reports that break the schema, so that a schema which
# accepts anything cannot pass.
set -euo pipefail

fail() { echo "FAIL: $*" >&2; exit 1; }

: "${STUBPACK:?}" "${STUB_WIN32:?}" "${ORVANE_SOURCE_DIR:?}"
schema="$ORVANE_SOURCE_DIR/tools/stubpack/inspect.schema.json"
python3 -c 'import jsonschema' 2> /dev/null ||
  fail "python3 lacks jsonschema (Debian: python3-jsonschema, installed by scripts/deps)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/reports"

# report NAME FILE [EXIT]: inspects FILE into reports/NAME.json; the exit
# code must be EXIT (default 0).
report() {
  local code=0
  "$STUBPACK" inspect "$2" --json > "$work/reports/$1.json" 2> "$work/reports/$1.err" || code=$?
  [ "$code" = "${3:-0}" ] || { cat "$work/reports/$1.err"; fail "inspect $1: exit code $code, expected ${3:-0}"; }
}

mkdir "$work/files"
head -c 200000 /dev/urandom > "$work/files/engine.exe" # stored: does not compress
seq 1 40000 > "$work/files/readme.txt"                  # compressed
"$STUBPACK" keygen --out "$work/acme" > /dev/null || fail "keygen"
cat > "$work/acme.ini" << INI
[Setup]
Stub = $STUB_WIN32
Output = acme.exe
ActivityBar = yes
AgentLog = yes

[Files]
files/engine.exe = setup.exe*/Q
files/readme.txt

[Language.English]
s0 = "Acme Setup"
s1 = "Unpacking Acme; please wait"

[Language.German]
s1 = "Acme wird entpackt..."

[Internet]
InfoUrl = https://updates.example.com/acme
InfoFile = acme.info
AgentFile = Acme_AU.exe
ProductToken = acme-token
UpdateKey = acme.pub
RunHidden = yes
INI
"$STUBPACK" build "$work/acme.ini" -q || fail "build the installer"
report plain "$work/acme.exe"

# Without internet settings, the builder writes its placeholder block.
"$STUBPACK" build --stub "$STUB_WIN32" -o "$work/bare.exe" --file "$work/files/engine.exe=setup.exe*" \
  -q || fail "build without internet settings"
report bare "$work/bare.exe"

stub_size=$(stat -c %s "$STUB_WIN32")
"$STUBPACK" build "$work/acme.ini" --max-volume-size $((stub_size + 60000)) -o "$work/cd.exe" -q ||
  fail "build volumes"
[ -f "$work/cd.exe.002" ] || fail "no second volume written"
report volumes "$work/cd.exe"

# An internet setup: its setup file carries the same download token.
cat > "$work/web.ini" << INI
[Setup]
Stub = $STUB_WIN32
Output = web.exe
InternetSetup = yes
ConfirmDownload = yes
AgentCopy = yes

[Internet]
InfoUrl = https://updates.example.com/acme
InfoFile = acme.info
AgentFile = Acme_AU.exe
ProductToken = acme-token

[Download]
Location = https://download.example.com/acme
File = full.exe
Token = acme-download
INI
"$STUBPACK" build "$work/acme.ini" -o "$work/full.exe" --set Download.Token=acme-download \
  --set Download.Location=https://download.example.com/acme --set Download.FileName=full.exe -q ||
  fail "build the setup file"
"$STUBPACK" build "$work/web.ini" -q || fail "build the internet setup"
report internet "$work/web.exe"
grep -qF '"download": {' "$work/reports/internet.json" || fail "the internet setup has no download block"

command -v osslsigncode > /dev/null || fail "osslsigncode is not installed"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Orvane-Test \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2> /dev/null || fail "openssl"
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -in "$work/bare.exe" \
  -out "$work/signed.exe" > /dev/null 2>&1 || fail "osslsigncode sign"
report signed "$work/signed.exe"

# Damaged packages: a byte of compressed data flipped, the last volume
# missing, the file cut short; and files that hold no package.
# The readme's compressed data, 100 bytes after its entry's length field.
readme_at=$(python3 -c 'import json, sys; print(json.load(sys.stdin)["entries"][1]["offset"])' \
  < "$work/reports/plain.json")
cp "$work/acme.exe" "$work/flipped.exe"
printf '\x55' | dd of="$work/flipped.exe" bs=1 seek=$((readme_at + 100)) conv=notrunc 2> /dev/null
report flipped "$work/flipped.exe" 1
rm "$work/cd.exe.002"
report missing-volume "$work/cd.exe" 1
head -c $((stub_size + 1000)) "$work/acme.exe" > "$work/cut.exe"
report cut "$work/cut.exe" 1
report launcher-only "$STUB_WIN32" 1
report text "$work/files/readme.txt" 1
report no-file "$work/none.exe" 1

python3 - "$schema" "$work/reports" << 'PY' || fail "a report does not follow the schema"
import json, pathlib, sys
from jsonschema import Draft202012Validator

schema = json.loads(pathlib.Path(sys.argv[1]).read_text())
Draft202012Validator.check_schema(schema)
validator = Draft202012Validator(schema)

def errors(document):
    return [f"{'/'.join(map(str, e.absolute_path))}: {e.message}"
            for e in validator.iter_errors(document)]

# Every member of the schema says what it holds.
def undocumented(node, path):
    if isinstance(node, dict):
        for name, member in node.get("properties", {}).items():
            if "description" not in member:
                yield f"{path}/{name}"
        for key, value in node.items():
            yield from undocumented(value, f"{path}/{key}")
    elif isinstance(node, list):
        for i, value in enumerate(node):
            yield from undocumented(value, f"{path}/{i}")

bad = list(undocumented(schema, "#"))
reports = {p.stem: json.loads(p.read_text()) for p in sorted(pathlib.Path(sys.argv[2]).glob("*.json"))}
for name, document in reports.items():
    bad += [f"{name}: {e}" for e in errors(document)]

# What the reports must show, so that the schema is tried on every branch.
expect = [
    ("plain", lambda d: d["valid"] and d["internet"]["updateKey"] is not None
        and d["internet"]["runHidden"] and len(d["languages"]) == 2
        and d["volumes"][0]["checksum"]["computed"] is None),
    ("plain", lambda d: [e["arguments"] for e in d["entries"]] == ["/Q", None]),
    ("plain", lambda d: d["languages"][0]["strings"][1]["value"] == "Unpacking Acme; please wait"),
    ("bare", lambda d: d["internet"]["placeholder"] and d["internet"]["infoUrl"] is None
        and d["download"] is None and d["internet"]["updateKey"] is None),
    ("volumes", lambda d: d["valid"] and len(d["volumes"]) >= 2 and d["volumes"][0]["moreVolumes"]),
    ("internet", lambda d: d["trailer"]["internetSetup"] is True and d["download"]["tokenValid"]
        and isinstance(d["download"]["size"], int) and len(d["download"]["sha256"]) == 64),
    ("flipped", lambda d: not d["valid"] and d["problems"][0]["severity"] == "error"
        and d["problems"][0]["where"].startswith("offset ")),
    ("missing-volume", lambda d: not d["valid"] and d["package"]),
    ("cut", lambda d: not d["package"] and d["trailer"] is None and d["volumes"] == []),
    ("launcher-only", lambda d: d["launcherImage"] is True and d["packageEndPointer"] is None),
    ("signed", lambda d: d["valid"] and d["certificate"]["size"] > 0),
    ("no-file", lambda d: d["fileSize"] is None and d["problems"][0]["where"] is None),
]
for name, check in expect:
    if not check(reports[name]):
        bad.append(f"{name}: not the report expected")

# Reports that break the schema are refused: a schema that accepts anything,
# or a validator that checks nothing, fails here.
def broken(change):
    document = json.loads(json.dumps(reports["plain"]))
    change(document)
    return document

breaks = {
    "an unknown member": lambda d: d.update(extra=1),
    "an unknown member of an entry": lambda d: d["entries"][0].update(extra=1),
    "no formatVersion": lambda d: d.pop("formatVersion"),
    "another formatVersion": lambda d: d.update(formatVersion=2),
    "a flag as text": lambda d: d["internet"].update(productTokenValid="valid"),
    "a number as text": lambda d: d["trailer"].update(checksum="1234"),
    "a negative size": lambda d: d["entries"][0].update(size=-1),
    "an unknown verdict": lambda d: d["volumes"][0]["checksum"].update(verdict="fine"),
    "an unknown flag name": lambda d: d["trailer"]["flagNames"].append("Fast"),
    "a short fingerprint": lambda d: d["internet"].update(updateKey="abc"),
    "a date of another form": lambda d: d["entries"][0].update(date="15.06.2021"),
    "a null file": lambda d: d.update(file=None),
}
for what, change in breaks.items():
    if not errors(broken(change)):
        bad.append(f"accepted a report with {what}")

print("\n".join(bad) if bad else f"ok: {len(reports)} reports follow the schema")
sys.exit(1 if bad else 0)
PY
