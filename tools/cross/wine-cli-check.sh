#!/usr/bin/env bash
# galt-loader-cli.exe under Wine against galt-emulator running on Linux
# behind COM5 (or COM PORT) of the Wine prefix:
#   wine-cli-check.sh install|install-unpaced|silent|unicode|console PREFIX EMULATOR CLI.EXE [PORT]
# Wine is plain (no terminal shim): the loader needs no modem lines.
# install: the full install of serial number 237 exits 0 and the emulator's
# flash holds 237 when it stops; the emulator is paced as a 14400-baud line,
# its bytes come over time as a real device's do. install-unpaced: the same
# with a device that answers at once (for ports where the number, not the
# timing, is the point). silent: a device that never answers makes
# the program exit non-zero with the deactivation error on stderr. unicode:
# --read into C:\тест\прошивка.hex writes that file, and --verify of it
# passes (the name goes in and out in UTF-16, not the ANSI code page).
# install and silent also find their line in the journal. With
# GALT_EMULATOR_ADAPTER set, the emulator answers through that adapter
# (galt-emulator --adapter). console:
# --help on a Wine console (a pseudo-terminal, through script) shows its
# Russian text and Windows examples, and into a pipe it is the same UTF-8.
set -euo pipefail
check=$1 prefix=$2 emulator=$3 cli=$4 port=${5:-5}
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*"; exit 1; }
"$here/wine-run.sh" "$prefix"

work=$(mktemp -d)
emu=
folder="$prefix/drive_c/тест"
cleanup() {
  if [ -n "$emu" ]; then kill -INT "$emu" 2>/dev/null || true; fi
  rm -rf "$work"
  [ "$check" != unicode ] || rm -rf "$folder"
}
trap cleanup EXIT

if [ "$check" = console ]; then
  # Wine's console draws on the terminal with cursor sequences, a blank as
  # a move to the right; dropped, the text is left.
  LANG=C.UTF-8 script -qec "'$here/wine-run.sh' '$prefix' '$cli' --help" /dev/null >"$work/console.raw" 2>&1 ||
    fail "galt-loader-cli.exe --help on a console exit $?"
  sed -e 's/\x1b\[[0-9]*C/ /g' -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' -e 's/\r//g' "$work/console.raw" >"$work/console.txt"
  "$here/wine-run.sh" "$prefix" "$cli" --help >"$work/pipe.txt" || fail "galt-loader-cli.exe --help into a pipe exit $?"
  echo "--- on the console"; cat "$work/console.txt"
  for out in console pipe; do
    iconv -f UTF-8 -t UTF-8 "$work/$out.txt" >/dev/null || fail "$out: not UTF-8"
    grep -q "загрузчик версии 0211 в GALT-5R" "$work/$out.txt" || fail "$out: the Russian text is not there"
    grep -q -- "--port COM5 --serial 237" "$work/$out.txt" || fail "$out: no Windows example"
    ! grep -q "/dev/tty" "$work/$out.txt" || fail "$out: a Linux port in the help"
  done
  echo PASS
  exit 0
fi

link="$prefix/dosdevices/com$port"
args=(--link "$link")
case $check in install) args+=(--pace) ;; silent) args+=(--silent) ;; unicode) args+=(--serial 237) ;; esac
[ -z "${GALT_EMULATOR_ADAPTER:-}" ] || args+=(--adapter "$GALT_EMULATOR_ADAPTER")
rm -f "$link"
"$emulator" "${args[@]}" >"$work/emulator.out" 2>"$work/emulator.err" &
emu=$!
for _ in $(seq 100); do [ -L "$link" ] && break; sleep 0.1; done
[ -L "$link" ] || { echo "galt-emulator made no $link"; cat "$work/emulator.err"; exit 1; }

# Runs the program against the emulator: its exit in $code, its output in
# cli.out and cli.err. Wine takes the command line in the locale's charset.
run_cli() {
  local start=$(date +%s%N)
  set +e
  LANG=C.UTF-8 "$here/wine-run.sh" "$prefix" "$cli" "$@" >"$work/cli.out" 2>"$work/cli.err"
  code=$?
  set -e
  echo "galt-loader-cli.exe $* exit $code after $(( ($(date +%s%N) - start) / 1000000 )) ms"
  echo "--- stdout"; cat "$work/cli.out"
  echo "--- stderr"; cat "$work/cli.err"
}
if [ "$check" = unicode ]; then
  rm -rf "$folder" && mkdir "$folder"
  run_cli --port "COM$port" --read 'C:\тест\прошивка.hex'
  [ "$code" -eq 0 ] && [ -s "$folder/прошивка.hex" ] && [ "$(ls -A "$folder")" = прошивка.hex ] ||
    fail "--read exit $code; in C:\тест: $(ls -A "$folder")"
  run_cli --port "COM$port" --serial 237 --verify 'C:\тест\прошивка.hex'
  [ "$code" -eq 0 ] && grep -qF "Данные FLASH-памяти проверены" "$work/cli.out" || fail "--verify exit $code"
  echo PASS
  exit 0
fi

# The run's journal line, at the journal's place in the prefix
# (%LOCALAPPDATA%\GALT-5R\journal.csv).
journal_lines() {
  local journal
  journal=$(find "$prefix/drive_c/users" -path '*/GALT-5R/journal.csv' 2>/dev/null | head -n 1)
  [ -n "$journal" ] || { echo 0; return; }
  grep -cE "^[0-9-]+ [0-9:]+;UTC[+-][0-9]{2}:[0-9]{2};cli [^;]*;[^;]*;[^;]*;COM$port;[^;]*;установка;237;GALT-5R\.0211;$1;" \
    "$journal" || true
}
outcome=confirmed
[ "$check" != silent ] || outcome=deactivation-failed
journalled=$(journal_lines $outcome)
run_cli --port "COM$port" --serial 237
[ "$(journal_lines $outcome)" -gt "$journalled" ] || fail "no $outcome line for 237 on COM$port in the journal"
kill -INT "$emu"
wait "$emu" || true
emu=
echo "--- galt-emulator"; tail -n 1 "$work/emulator.out"

case $check in
  install | install-unpaced)
    [ "$code" -eq 0 ] || { echo "FAIL: exit $code, expected 0"; exit 1; }
    grep -q "serial in flash 237$" "$work/emulator.out" || { echo "FAIL: serial 237 is not in the flash"; exit 1; }
    ;;
  silent)
    [ "$code" -ne 0 ] || { echo "FAIL: exit 0 from a silent device"; exit 1; }
    grep -qF "Ошибка деактивизации FLASH!" "$work/cli.err" || { echo "FAIL: no deactivation error on stderr"; exit 1; }
    ;;
  *) echo "unknown check $check"; exit 2 ;;
esac
echo PASS
