#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine:
#   wine-run.sh PREFIX PROGRAM [ARGS...]
# PREFIX is a Wine prefix of the build's own, made on first use (quietly:
# no Mono or Gecko installers, no display needed, as root too). Concurrent
# first uses wait for one another.
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

exec wine "$@"
