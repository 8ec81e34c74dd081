#!/usr/bin/env bash
# Paced installs in a row under plain Wine (no terminal shim), against
# galt-emulator --pace behind COM5 (a line paced as 14400 baud), as the
# Wine stage's checks run one of each (not part of the test suite), on the
# bare line and through each ADAPTER named (galt-emulator --adapter; "all":
# every modelled one):
#   tools/cross/wine-bench-paced.sh [BUILD_DIR [N [ADAPTER...]]]   (build-wine, 20, the bare line)
# N installs of galt-loader-cli.exe (tools/cross/wine-cli-check.sh install:
# timed from its start to its exit), then N of the window galt-loader.exe
# on an Xvfb display, keys typed with xdotool; both are the builds the
# checks run, on ports that read back their rate (tools/cross/rig/WineComPorts.h)
# (tools/cross/wine-window-check.sh: timed from the press to the success
# box). Each line: pass or fail, seconds, the ratio to the wire time (every
# frame byte of a whole install both ways at 10 bits / 14400 baud plus the
# fixed 1.5 s before the first status query: 46.199 s) plus the adapter's
# own waits, which no loader can avoid (the emulator's "adapter waits"), and
# the machine's load average over the last minute, as a loaded machine slows
# Wine down.
# A failed run's output is kept in BUILD_DIR/bench-paced/.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build-wine}" && pwd)
runs=${2:-20}
shift $(($# < 2 ? $# : 2))
adapters=("$@")
[ ${#adapters[@]} -gt 0 ] || adapters=(bare)
[ "${adapters[*]}" != all ] || adapters=(bare ftdi ftdi-low-latency ch340 cp210x cdc bluetooth)
host=$build/host
logs=$build/bench-paced
mkdir -p "$logs"
rm -f "$logs"/*.log
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT

# One deactivation (20 bytes), 233 blocks written (276), one activation (20),
# one status query (18).
wire=$(awk 'BEGIN { printf "%.3f", (20 + 233 * 276 + 20 + 18) * 10 / 14400 + 1.5 }')

# bench NAME COMMAND...: runs COMMAND N times; its output's "after N ms" is
# the time, its "adapter waits N ms" the adapter's share, its exit status
# the result.
bench() {
  local name=$1 i out ms waits code passed=0
  shift
  : >"$logs/$name.times"
  for i in $(seq "$runs"); do
    out=$("$@" 2>&1)
    code=$?
    ms=$(sed -n 's/.* after \([0-9]*\) ms.*/\1/p' <<<"$out" | tail -n 1)
    waits=$(sed -n 's/.*, adapter waits \([0-9]*\) ms,.*/\1/p' <<<"$out" | tail -n 1)
    if [ "$code" -eq 0 ]; then
      passed=$((passed + 1))
      awk -v ms="${ms:-0}" -v a="${waits:-0}" -v w="$wire" 'BEGIN { print ms, ms / 1000 / (w + a / 1000) }' \
        >>"$logs/$name.times"
    else
      echo "$out" >"$logs/$name-$i.log"
    fi
    awk -v n="$name" -v i="$i" -v N="$runs" -v ok="$code" -v ms="${ms:-}" -v w="$wire" -v a="${waits:-0}" \
      -v load="$(cut -d ' ' -f 1 /proc/loadavg)" 'BEGIN {
      printf "  %-22s %2d/%d  %s", n, i, N, ok == 0 ? "pass" : "FAIL"
      if (ms != "") printf "  %7.3f s", ms / 1000
      if (a > 0) printf "  adapter %.3f s", a / 1000
      if (ms != "" && ok == 0) printf "  ratio %.4f", ms / 1000 / (w + a / 1000)
      print "  load " load
    }'
    [ "$code" -eq 0 ] || grep -m 1 -E '^FAIL|^Ошибка' <<<"$out" | sed 's/^/           /'
  done
  sort -n -k 2 "$logs/$name.times" | awk -v n="$name" -v p="$passed" -v N="$runs" '
    { s[NR] = $1 / 1000; r[NR] = $2 }
    END {
      printf "  %s: %d of %d passed", n, p, N
      if (NR > 0) printf "; seconds %.3f to %.3f; ratio min %.4f, median %.4f, max %.4f",
        s[1], s[NR], r[1], r[int((NR + 1) / 2)], r[NR]
      print ""
    }'
}

echo "== $runs paced installs each under plain Wine, wire time $wire s"
for adapter in "${adapters[@]}"; do
  if [ "$adapter" = bare ]; then unset GALT_EMULATOR_ADAPTER; else export GALT_EMULATOR_ADAPTER=$adapter; fi
  echo "-- galt-loader-cli.exe --port COM5 --serial 237 ($adapter)"
  bench "cli-$adapter" "$here/wine-cli-check.sh" install "$build/wineprefix" \
    "$host/tools/galt-emulator/galt-emulator" "$build/tests/app/cli/galt-loader-cli-wine.exe"
  echo "-- galt-loader.exe, keys typed ($adapter)"
  bench "window-$adapter" "$here/wine-window-check.sh" "$build/wineprefix-display" \
    "$host/tools/galt-emulator/galt-emulator" "$build/tests/app/win32/galt-loader-wine.exe" "$shots"
done
