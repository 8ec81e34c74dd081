#!/usr/bin/env bash
# Fails when a COM port of a Wine prefix can lead to one of this machine's
# own serial ports:
#   wine-host-ports-check.sh PREFIX
# With a session of the prefix running (started here if none is), the Wine
# server, which opens the devices for its programs, must see a /dev made by
# wine-private-dev.sh, with no ttyS*, ttyUSB* or ttyACM*; and no COM port
# the prefix names (a dosdevices/comN link, or COMn in the registry's
# SERIALCOMM, where Wine's detection names the ports it found) may link to
# one of those.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*"; exit 1; }
"$here/wine-run.sh" "$1"
prefix=$(cd "$1" && pwd)  # as wine-run.sh puts it in its processes' WINEPREFIX
named=$("$here/wine-run.sh" "$prefix" reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' 2>/dev/null |
  tr -d '\r' | sed -n 's/.*REG_SZ *COM\([0-9]*\)$/com\1/p') || true
server=
for pid in $(pgrep -x 'wineserver(64)?'); do
  ! tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qxF "WINEPREFIX=$prefix" || server=/proc/$pid
done
[ -n "$server" ] || fail "no Wine server of $prefix runs"
[ -e "$server/root/dev/.galt-wine-dev" ] || fail "the Wine server of $prefix runs with this machine's own /dev"
ports=$(ls "$server/root/dev" | grep -E '^tty(S|USB|ACM)[0-9]+$' | tr '\n' ' ') || true
[ -z "$ports" ] || fail "the Wine server of $prefix sees $ports"
for name in $({ (cd "$prefix/dosdevices" && ls -d com*) 2>/dev/null || true; echo "$named"; } | sort -u); do
  target=$(readlink "$prefix/dosdevices/$name") || target=nothing
  [[ ! $target =~ ^/dev/tty(S|USB|ACM)[0-9]+$ ]] || fail "${name^^} leads to $target"
  echo "  ${name^^} -> $target"
done
echo "PASS: no COM port of $prefix leads to a serial port of this machine"
