#!/usr/bin/env bash
# Runs a Windows program of the cross build under Wine:
#   wine-run.sh PREFIX [PROGRAM [ARGS...]]
# PREFIX is a Wine prefix of the build's own, made on first use (quietly:
# no Mono or Gecko installers, no display needed, as root too). Concurrent
# first uses wait for one another. Without PROGRAM it only makes the prefix.
# Programs run without a display: their windows are made on Wine's null
# display driver (without a driver Wine refuses to make windows at all).
# With GALT_WINE_DISPLAY set (an X display such as :99), they are shown
# there through Wine's X11 driver instead; such a prefix is kept for that
# use only, as the driver is the prefix's setting.
# Every run is in a /dev without this machine's serial ports
# (wine-private-dev.sh), the server it starts too: no COM port of the prefix
# can lead to one.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ -e /dev/.galt-wine-dev ] || exec "$here/wine-private-dev.sh" "$here/wine-run.sh" "$@"
prefix=$1
shift

export WINEPREFIX=$prefix
export WINEDEBUG=-all
# No Mono or Gecko installers; no menu entries or file types made on the
# Linux desktop for what a program installs.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
display=${GALT_WINE_DISPLAY:-}
unset DISPLAY WAYLAND_DISPLAY
[ -z "$display" ] || export DISPLAY=$display

ready() {
  [ -f "$prefix/system.reg" ] || return 1
  [ -n "$display" ] || grep -qF '"Graphics"="null"' "$prefix/user.reg" 2>/dev/null
}
if ! ready; then
  mkdir -p "$prefix"
  (
    flock 9
    if ! ready; then
      [ -f "$prefix/system.reg" ] || wineboot -i >/dev/null 2>&1
      if [ -z "$display" ]; then
        wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
      fi
      wineserver -w
    fi
  ) 9>"$prefix.lock"
fi

# Links to the machine's serial ports made by sessions from before Wine's
# runs were kept from them: Wine never removes them itself.
for link in "$prefix"/dosdevices/com*; do
  if [[ $(readlink "$link") =~ ^/dev/tty(S|USB|ACM)[0-9]+$ ]]; then
    echo "wine-run.sh: removing ${link##*/} -> $(readlink "$link"), a serial port of this machine" >&2
    rm -f "$link"
  fi
done

[ $# -gt 0 ] || exit 0
# The server runs detached, as a session leader: a COM port it opens on a
# pseudo-terminal becomes its controlling terminal, and when the far side
# closes it gets SIGHUP, on which it writes a dump of all its objects to
# its standard error. Started here (it returns once it is ready), that goes
# nowhere; the program's own output is untouched. It stays for 10 s after
# its last program, so that a series of test programs shares it.
wineserver -p10 </dev/null >/dev/null 2>&1 || true  # answers 2 when one is running already
# The first program of a session starts the session's services (services.exe,
# winedevice.exe, plugplay.exe, svchost.exe, rpcss.exe), which inherit its
# standard error and can outlive it: on a test's pipe they would keep ctest
# waiting after the test has ended. So a program of no output starts them
# first, with every stream on /dev/null; when the session is up already it
# ends at once (about 0.1 s). Every run does this, so whichever program of a
# session comes first, it is this one.
wine cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
exec wine "$@"
