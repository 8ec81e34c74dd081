#!/usr/bin/env bash
# galt-emulator behind COMn of a Wine prefix, as a port driver puts a device
# there: the link dosdevices/comN, through which the port opens, and the
# port's value in HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, where galt-loader-cli
# --list and the window's list find it (a link alone opens with --port COMn
# but is listed nowhere). Wine makes HKLM\HARDWARE anew for every session,
# so one session of the prefix is kept for as long as the emulator runs.
# Runs until Ctrl+C; then the link, the value and the session go.
#   tools/cross/wine-emulator.sh PREFIX [N [EMULATOR-OPTIONS...]]
# N is 5 unless given; the options are galt-emulator's (--pace unless any
# are given). The emulator is the one the cross build made for Linux
# (build-wine/host), or the native build's. Wine runs through wine-run.sh,
# as root, in a /dev without this machine's serial ports: plain Wine puts
# them behind COM1 and up (/dev/ttyS0, often the console, as COM1).
set -euo pipefail
prefix=${1:?usage: tools/cross/wine-emulator.sh PREFIX [N [EMULATOR-OPTIONS...]]}
port=${2:-5}
shift $(( $# < 2 ? $# : 2 ))
[ $# -gt 0 ] || set -- --pace
[[ $port =~ ^[1-9][0-9]*$ ]] || { echo "N is a COM port's number, 1 and up: $port" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
prefix=$(mkdir -p "$prefix" && cd "$prefix" && pwd)
emulator=
for candidate in "$root/build-wine/host/tools/galt-emulator/galt-emulator" \
                 "$root/build/tools/galt-emulator/galt-emulator"; do
  [ -x "$candidate" ] && { emulator=$candidate; break; }
done
[ -n "$emulator" ] || { echo "no galt-emulator built: run ./run.sh --build-only or build build-wine" >&2; exit 1; }

value="\\Device\\GaltEmulator$port"
key='HKLM\HARDWARE\DEVICEMAP\SERIALCOMM'
link="$prefix/dosdevices/com$port"
"$here/wine-run.sh" "$prefix"  # the prefix, made on first use
work=$(mktemp -d)
cleanup() {
  "$here/wine-run.sh" "$prefix" reg delete "$key" /v "$value" /f >/dev/null 2>&1 || true
  rm -f "$link"
  exec 3>&-  # the session's holder reads its end and leaves
  "$here/wine-end.sh" "$prefix" >/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# The session's holder: a program that waits for a line this script never
# writes, until the script closes the pipe.
mkfifo "$work/hold"
"$here/wine-run.sh" "$prefix" cmd.exe /c "set /p _=" <"$work/hold" >/dev/null 2>&1 &
exec 3>"$work/hold"
"$here/wine-run.sh" "$prefix" reg add "$key" /v "$value" /d "COM$port" /f >/dev/null 2>&1 ||
  { echo "cannot name COM$port in SERIALCOMM" >&2; exit 1; }
rm -f "$link"
echo "galt-emulator behind COM$port of $prefix (Ctrl+C ends it)"
"$emulator" "$@" --link "$link"
