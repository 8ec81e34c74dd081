#!/usr/bin/env bash
# The real galt-loader.exe under Wine on a virtual X display, against
# galt-emulator running on Linux behind COM5:
#   wine-window-check.sh PREFIX EMULATOR LOADER.EXE OUT_DIR
# PREFIX is a Wine prefix for programs shown on a display (wine-run.sh with
# GALT_WINE_DISPLAY), kept apart from the tests' own. Keys are typed as an
# engineer would: Tab to the port list, "COM5" and Enter; Shift+Tab to the
# serial number, 237; Shift+Tab to the install button, Enter. Success when
# the window's success box comes and the emulator's flash holds 237. Before
# the keys, a second galt-loader.exe must end at once, leaving one window.
# The window runs with --trace: its trace must hold every block's echo and
# the install's outcome.
# Screenshots go to OUT_DIR: galt-loader-window.png (the window while it
# confirms, its title counting down), galt-loader-done.png (the window and
# its success box). The emulator is paced as a 14400-baud line and Wine is
# plain (no terminal shim), as for galt-loader-cli.exe (wine-cli-check.sh);
# no COM port of PREFIX may lead to a serial port of this machine
# (wine-host-ports-check.sh). With GALT_EMULATOR_ADAPTER set, the emulator
# answers through that adapter (galt-emulator --adapter).
set -euo pipefail
prefix=$1 emulator=$2 loader=$3 out=$4
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
xvfb= emu= app=
cleanup() {
  [ -z "$app" ] || kill "$app" 2>/dev/null || true
  GALT_WINE_DISPLAY=${display:-:0} "$here/wine-end.sh" "$prefix" >/dev/null 2>&1 || true
  [ -z "$emu" ] || kill -INT "$emu" 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  [ ! -s "$work/emulator.err" ] || { echo "--- galt-emulator"; tail -n 5 "$work/emulator.err"; }
  exit 1
}

# A display of its own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 800x600x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
display=:$(cat "$work/display")
export DISPLAY=$display GALT_WINE_DISPLAY=$display
echo "display $display"

"$here/wine-run.sh" "$prefix"
# Windows drawn by Wine itself, title bar included, with no window manager.
if ! grep -qF '"Managed"="N"' "$prefix/user.reg" 2>/dev/null; then
  "$here/wine-run.sh" "$prefix" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
fi
"$here/wine-host-ports-check.sh" "$prefix" || fail "a COM port of $prefix can lead to a serial port of this machine"

link=$prefix/dosdevices/com5
rm -f "$link"
# As a port driver does: the port is named in the registry, where the
# window's discovery finds it.
"$here/wine-run.sh" "$prefix" reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\GaltEmulator5' /d COM5 /f \
  >/dev/null 2>&1 || fail "cannot name COM5 in SERIALCOMM"
adapter=()
[ -z "${GALT_EMULATOR_ADAPTER:-}" ] || adapter=(--adapter "$GALT_EMULATOR_ADAPTER")
"$emulator" --pace "${adapter[@]}" --link "$link" >"$work/emulator.out" 2>"$work/emulator.err" &
emu=$!
for _ in $(seq 100); do [ -L "$link" ] && break; sleep 0.1; done
[ -L "$link" ] || fail "galt-emulator made no $link"

# The window's own --trace: what crossed the line, for support.
trace=$prefix/drive_c/galt-window-trace.txt
rm -f "$trace"
"$here/wine-run.sh" "$prefix" "$loader" --trace 'C:\galt-window-trace.txt' >"$work/loader.out" 2>&1 &
app=$!
window=$(timeout 60 xdotool search --sync --name '^GALT-5R' | head -n 1) || fail "the window did not appear"
echo "window: $(xdotool getwindowname "$window")"

# One loader at a time: a second start brings this window to the front and
# ends at once, leaving one window.
"$here/wine-run.sh" "$prefix" "$loader" >"$work/second.out" 2>&1 &
second=$!
for _ in $(seq 150); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
windows=$(xdotool search --onlyvisible --name '^GALT-5R' | wc -l)
if kill "$second" 2>/dev/null; then fail "a second loader still runs after 15 s, with $windows windows"; fi
wait "$second" || fail "a second loader ended with exit code $?"
[ "$windows" -eq 1 ] || fail "$windows loader windows after a second start"
echo "a second start ended at once, leaving one window"
xdotool windowfocus --sync "$window"
# Whichever port start-up opened, COM5 is chosen by name.
xdotool key --delay 100 Tab Tab
xdotool type --delay 50 COM5
xdotool key --delay 100 Return shift+Tab
xdotool type --delay 50 237
xdotool key --delay 100 shift+Tab Return
start=$(date +%s%N)

# The title shows the phase and progress; the last phase before the box
# is kept in a screenshot. The paced install takes some 46 s.
shot=
titles=$work/titles
while [ $(( ($(date +%s%N) - start) / 1000000000 )) -lt 120 ]; do
  title=$(xdotool getwindowname "$window" 2>/dev/null) || break
  [ "$(tail -n 1 "$titles" 2>/dev/null)" = "$title" ] || echo "$title" >>"$titles"
  if [ -z "$shot" ] && [[ $title == *"проверка запуска"* ]]; then
    sleep 0.2
    import -window "$window" "$out/galt-loader-window.png" && shot=1
  fi
  xdotool search --onlyvisible --name '^Активизация программы$' >/dev/null 2>&1 && break
  if xdotool search --onlyvisible --name 'Tornel Ltd$' >/dev/null 2>&1; then
    import -window root "$out/galt-loader-done.png" || true
    fail "an error box came instead after $(( ($(date +%s%N) - start) / 1000000 )) ms, at $(tail -n 1 "$titles")"
  fi
  sleep 0.1
done
timeout 30 xdotool search --sync --onlyvisible --name '^Активизация программы$' >/dev/null || fail "no success box"
echo "success box after $(( ($(date +%s%N) - start) / 1000000 )) ms"
sleep 0.3
import -window root "$out/galt-loader-done.png"
[ -n "$shot" ] || import -window "$window" "$out/galt-loader-window.png"
echo "titles seen:"
sed 's/^/  /' "$titles"
grep -q '^№ 237 · [0-9]*/233' "$titles" || fail "the title never showed the blocks being written"

# The box, which has the focus, closes on Enter; the window on Alt+F4, and
# the program ends.
xdotool key Return
sleep 0.3
xdotool windowfocus --sync "$window" key alt+F4
for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the program did not end when its window closed"
app=

kill -INT "$emu"
wait "$emu" || true
emu=
tail -n 1 "$work/emulator.out"
grep -q "serial in flash 237$" "$work/emulator.out" || fail "serial 237 is not in the emulator's flash"
[ -f "$trace" ] || fail "--trace made no $trace"
echoes=$(grep -c ' <- эхо блока [0-9]* ' "$trace" || true)
grep -q 'итог: confirmed' "$trace" || fail "the trace does not end with the install's outcome: $(tail -n 2 "$trace")"
[ "$echoes" -eq 233 ] || fail "the trace holds $echoes block echoes, not 233"
echo "trace: $echoes block echoes, $(grep 'итог:' "$trace")"
echo "screenshots: $out/galt-loader-window.png $out/galt-loader-done.png"
echo PASS
