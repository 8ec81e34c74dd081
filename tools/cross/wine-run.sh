#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine:
#   wine-run.sh PREFIX [PROGRAM [ARGS...]]
# PREFIX is a Wine prefix of the build's own, made on first use (quietly:
# no Mono or Gecko installers, no display needed, as root too). Concurrent
# first uses wait for one another. Without PROGRAM it only makes the prefix.
set -euo pipefail
prefix=$1
shift

export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$prefix"
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      wineboot -i >/dev/null 2>&1
      wineserver -w
    fi
  ) 9>"$prefix.lock"
fi

[ $# -gt 0 ] || exit 0
# The server runs detached, as a session leader: a COM port it opens on a
# pseudo-terminal becomes its controlling terminal, and when the far side
# closes it gets SIGHUP, on which it writes a dump of all its objects to
# its standard error. Started here (it returns once it is ready), that goes
# nowhere; the program's own output is untouched. It stays for 10 s after
# its last program, so that a series of test programs shares it.
wineserver -p10 2>/dev/null || true  # answers 2 when one is running already
exec wine "$@"
