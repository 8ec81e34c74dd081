#!/usr/bin/env bash
# A string value (REG_SZ or REG_EXPAND_SZ, unexpanded) of a Wine prefix's
# registry, in UTF-8, nothing when there is none:
#   wine-reg-value.sh PREFIX KEY NAME
# Read from reg export's file: reg query prints in the console's code page,
# which may not hold the value's characters.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=$1 key=$2 name=$3
file=$prefix/drive_c/galt-reg-value.reg
rm -f "$file"
"$here/wine-run.sh" "$prefix" reg export "$key" 'C:\galt-reg-value.reg' /y >/dev/null 2>&1 || exit 0
python3 - "$file" "$name" <<'PY'
import re, sys
text = open(sys.argv[1], encoding="utf-16").read().replace("\\\r\n", "").replace("\\\n", "")
name = sys.argv[2].lower()
for line in text.splitlines():
    m = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)
    if not m or re.sub(r"\\(.)", r"\1", m.group(1)).lower() != name:
        continue
    data = m.group(2)
    if data.startswith('"'):
        print(re.sub(r"\\(.)", r"\1", data[1:-1]))
    elif data.startswith("hex(2):"):
        raw = bytes(int(b, 16) for b in data[7:].replace(" ", "").split(",") if b)
        print(raw.decode("utf-16-le").rstrip("\0"))
    break
PY
rm -f "$file"
