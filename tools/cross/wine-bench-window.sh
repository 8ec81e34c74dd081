#!/usr/bin/env bash
# Benchmarks of the Windows window under Wine (not part of the test suite):
#   tools/cross/wine-bench-window.sh [BUILD_DIR]     (default build-wine)
#  - the size of each program, stripped (goal: under 3 MB);
#  - start-up to the first paint (startup_probe_win32.exe on an Xvfb display:
#    from the process's creation, and the whole Wine launch to exit), five
#    runs, the median;
#  - the window's install against galt-emulator --pace behind COM5 (a line
#    paced as 14400 baud), on plain Wine (no terminal shim), timed from the
#    press to the success box and set against the wire-time bound: every
#    frame byte both ways at 10 bits / 14400 baud, plus the fixed 1.5 s
#    before the first status query (goal: ratio <= 1.02). Installs in a row,
#    the CLI's and the real window's: tools/cross/wine-bench-paced.sh.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build-wine}" && pwd)
host=$build/host
work=$(mktemp -d)
xvfb= emu=
named=
cleanup() {
  [ -z "$emu" ] || kill -INT "$emu" 2>/dev/null || true
  # The tests share the prefix: COM5 must not stay named there.
  [ -z "$named" ] || "$here/wine-run.sh" "$build/wineprefix" reg delete 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' \
    /v '\Device\GaltEmulator5' /f >/dev/null 2>&1 || true
  [ -n "${display:-}" ] && GALT_WINE_DISPLAY=$display "$here/wine-end.sh" "$build/wineprefix-display" >/dev/null 2>&1
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

echo "== size, stripped (goal < 3 MB)"
for exe in app/win32/galt-loader.exe app/cli/galt-loader-cli.exe; do
  x86_64-w64-mingw32-strip -o "$work/stripped.exe" "$build/$exe"
  printf '  %-22s %8d bytes  %.2f MB\n' "${exe##*/}" "$(stat -c %s "$work/stripped.exe")" \
    "$(awk -v b="$(stat -c %s "$work/stripped.exe")" 'BEGIN { print b / 1048576 }')"
done

echo "== start-up to the first paint (Xvfb, 5 runs)"
Xvfb -displayfd 3 -screen 0 800x600x24 -dpi 96 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
display=:$(cat "$work/display")
export GALT_WINE_DISPLAY=$display
prefix=$build/wineprefix-display
"$here/wine-run.sh" "$prefix"
"$here/wine-run.sh" "$prefix" cmd.exe /c exit  # the session's services up first
for _ in 1 2 3 4 5; do
  start=$(date +%s%N)
  "$here/wine-run.sh" "$prefix" "$build/bench/startup_probe_win32.exe" 2>/dev/null |
    tr -d '\r' | sed -n 's/^first paint \([0-9.]*\) ms.*/\1/p' >>"$work/paint"
  echo $(( ($(date +%s%N) - start) / 1000000 )) >>"$work/launch"
done
echo "  process created -> first paint: median $(median <"$work/paint") ms (runs: $(tr '\n' ' ' <"$work/paint"))"
echo "  wine launch -> exit:            median $(median <"$work/launch") ms (runs: $(tr '\n' ' ' <"$work/launch"))"
unset GALT_WINE_DISPLAY

echo "== the window's install against the paced emulator (goal: ratio <= 1.02)"
prefix=$build/wineprefix
"$here/wine-host-ports-check.sh" "$prefix" >"$work/ports.out" || { cat "$work/ports.out"; exit 1; }
link=$prefix/dosdevices/com5
rm -f "$link"
# Named in the registry, as a port driver does, so that discovery lists it.
"$here/wine-run.sh" "$prefix" reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\GaltEmulator5' /d COM5 /f \
  >/dev/null 2>&1 && named=1
"$host/tools/galt-emulator/galt-emulator" --pace --quiet --link "$link" >"$work/emulator.out" 2>&1 &
emu=$!
for _ in $(seq 100); do [ -L "$link" ] && break; sleep 0.1; done
"$here/wine-run.sh" "$prefix" "$build/bench/bench_window_install.exe" 5 >"$work/install.out" 2>&1 ||
  { cat "$work/install.out"; exit 1; }
kill -INT "$emu"
wait "$emu" || true
emu=
seconds=$(tr -d '\r' <"$work/install.out" | sed -n 's/^window install: \([0-9.]*\) s$/\1/p')
summary=$(tail -n 1 "$work/emulator.out")
count() { sed -n "s/.*$1 \([0-9]*\).*/\1/p" <<<"$summary"; }
bytes=$(( $(count deactivations) * 20 + $(count writes) * 276 + $(count activations) * 20 + $(count queries) * 18 ))
bound=$(awk -v b="$bytes" 'BEGIN { print b * 10 / 14400 + 1.5 }')
ratio=$(awk -v s="$seconds" -v b="$bound" 'BEGIN { print s / b }')
printf '  %.3f s, wire-time bound %.3f s (%d bytes), ratio %.4f\n' "$seconds" "$bound" "$bytes" "$ratio"
echo "  $summary"
awk -v r="$ratio" 'BEGIN { exit !(r <= 1.02) }' || { echo "  NOT MET"; exit 2; }
echo "  met"
