#!/usr/bin/env bash
# Runs a command in a mount namespace of its own whose /dev holds only what
# Wine and the tests need, and none of this machine's serial ports:
#   wine-private-dev.sh COMMAND [ARGS...]
# Wine puts every /dev/ttyS*, ttyUSB* and ttyACM* it finds behind a COM port
# when a session starts, and the window's start-up opens the first of them:
# on a machine whose console is /dev/ttyS0, a test would write to it. Here
# /dev is a read-only tmpfs with null, zero, full, random, urandom, tty,
# ptmx, the fd links, and the machine's own pts and shm mounted as they are:
# a terminal made outside (by the emulator or the rig) has the same name
# inside, and the Wine server, which opens the devices for its programs,
# sees the same /dev whichever run started it, as every run comes through
# here. /dev/.galt-wine-dev marks such a /dev; a command run from inside one
# stays where it is.
# Needs root: the nodes are made with mknod (a bound ptmx would find no pts
# beside it), and a user namespace could not open the machine's terminals.
set -euo pipefail
marker=.galt-wine-dev
if [ "${1:-}" != --inside ]; then
  [ $# -gt 0 ] || { echo "usage: wine-private-dev.sh COMMAND [ARGS...]" >&2; exit 2; }
  [ ! -e "/dev/$marker" ] || exec "$@"
  if [ "$(id -u)" -ne 0 ]; then
    echo "wine-private-dev.sh: Wine runs here only as root, in a /dev without the machine's serial ports" >&2
    exit 1
  fi
  exec unshare --mount --propagation private -- "$0" --inside "$@"
fi
shift

dev=$(mktemp -d "${TMPDIR:-/tmp}/galt-wine-dev.XXXXXX")
mount -t tmpfs -o mode=0755,size=64k galt-wine-dev "$dev"
: >"$dev/$marker"
for node in null zero full random urandom tty ptmx; do
  if [ -L "/dev/$node" ]; then
    cp -P "/dev/$node" "$dev/$node"  # e.g. ptmx -> pts/ptmx in a container
  elif [ -c "/dev/$node" ]; then
    mknod -m "$(stat -c %a "/dev/$node")" "$dev/$node" c \
      $((16#$(stat -c %t "/dev/$node"))) $((16#$(stat -c %T "/dev/$node")))
  fi
done
for dir in pts shm; do
  mkdir "$dev/$dir"
  [ ! -d "/dev/$dir" ] || mount --bind "/dev/$dir" "$dev/$dir"
done
ln -s /proc/self/fd "$dev/fd"
ln -s /proc/self/fd/0 "$dev/stdin"
ln -s /proc/self/fd/1 "$dev/stdout"
ln -s /proc/self/fd/2 "$dev/stderr"
mount --move "$dev" /dev
rmdir "$dev"
# Nothing adds a node later; the mounts in it stay writable.
mount -o remount,ro /dev
exec "$@"
