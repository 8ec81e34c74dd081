#!/usr/bin/env bash
# galt-loader-cli.exe under Wine against galt-emulator running on Linux
# behind COM5 (or COM PORT) of the Wine prefix:
#   wine-cli-check.sh install|install-unpaced|silent|console PREFIX EMULATOR CLI.EXE [PORT]
# install: the full install of serial number 237 exits 0 and the emulator's
# flash holds 237 when it stops; the emulator is paced as a 14400-baud line,
# and Wine is plain (no terminal shim): the loader needs no modem lines, and
# bytes that come over time are what a real device gives it. install-unpaced:
# the same with a device that answers at once (for ports where the number,
# not the timing, is the point). silent: a device that never answers makes
# the program exit non-zero with the deactivation error on stderr. console:
# --help on a Wine console (a pseudo-terminal, through script) shows its
# Russian text and Windows examples, and into a pipe it is the same UTF-8.
set -euo pipefail
check=$1 prefix=$2 emulator=$3 cli=$4 port=${5:-5}
here=$(cd "$(dirname "$0")" && pwd)
"$here/wine-run.sh" "$prefix"

work=$(mktemp -d)
emu=
cleanup() {
  if [ -n "$emu" ]; then kill -INT "$emu" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

if [ "$check" = console ]; then
  fail() { echo "FAIL: $*"; exit 1; }
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
case $check in install) args+=(--pace) ;; silent) args+=(--silent) ;; esac
rm -f "$link"
"$emulator" "${args[@]}" >"$work/emulator.out" 2>"$work/emulator.err" &
emu=$!
for _ in $(seq 100); do [ -L "$link" ] && break; sleep 0.1; done
[ -L "$link" ] || { echo "galt-emulator made no $link"; cat "$work/emulator.err"; exit 1; }

start=$(date +%s%N)
set +e
"$here/wine-run.sh" "$prefix" "$cli" --port "COM$port" --serial 237 >"$work/cli.out" 2>"$work/cli.err"
code=$?
set -e
end=$(date +%s%N)
kill -INT "$emu"
wait "$emu" || true
emu=

echo "galt-loader-cli.exe exit $code after $(( (end - start) / 1000000 )) ms"
echo "--- stdout"; cat "$work/cli.out"
echo "--- stderr"; cat "$work/cli.err"
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
