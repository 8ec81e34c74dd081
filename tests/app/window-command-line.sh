#!/usr/bin/env bash
# The window program's own command line, answered without a window:
#   window-command-line.sh [--no-display] PROGRAM [WORDS...]
# PROGRAM WORDS... starts the window program (under Wine: wine-run.sh PREFIX
# galt-loader.exe). --no-display: also started without a graphical session.
set -uo pipefail
nodisplay=0
[ "$1" != --no-display ] || { nodisplay=1; shift; }
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
status=0
expect() {  # CODE PATTERN(stdout+stderr) -- ARGS...
  local code=$1 pattern=$2 rc
  shift 3
  timeout 60 "$@" >"$out" 2>"$err"
  rc=$?
  if [ $rc -ne "$code" ] || ! cat "$out" "$err" | grep -q -- "$pattern"; then
    echo "FAIL: ${*: -1}: exit $rc (expected $code), output:"; cat "$out" "$err"; status=1
  fi
}
expect 0 '^galt-loader 2\.11\.0 — загрузчик версии 0211 в GALT-5R$' -- "$@" --version
expect 0 '^  --version  *версия программы$' -- "$@" --help
expect 2 '^galt-loader: неизвестный параметр --verbose$' -- "$@" --verbose
expect 2 '^galt-loader: --trace: не указано значение ФАЙЛ$' -- "$@" --trace
[ $nodisplay -eq 0 ] || expect 1 'установите из командной строки: galt-loader-cli' -- env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"
[ $status -ne 0 ] || echo PASS
exit $status
