#!/usr/bin/env bash
# Ends every Wine process of one prefix, so that nothing a test stage
# started outlives it:
#   wine-end.sh PREFIX
# First the server's own session (wineserver -k, then waiting for the server
# to go). Then any Wine process of the prefix that the server no longer
# reaches: a session's services have been seen to stay for minutes after
# their server had gone, holding the standard streams they inherited.
# Processes of other prefixes, and anything that is not Wine, are left alone.
set -uo pipefail
prefix=$(cd "$1" 2>/dev/null && pwd) || exit 0  # no prefix, nothing of it runs

WINEPREFIX=$prefix wineserver -k 2>/dev/null
WINEPREFIX=$prefix wineserver -w 2>/dev/null

for proc in /proc/[0-9]*; do
  exe=$(readlink "$proc/exe" 2>/dev/null) || continue
  case ${exe##*/} in
    wine | wine64 | wine-preloader | wine64-preloader | wineserver | wineserver64) ;;
    *) continue ;;
  esac
  if tr '\0' '\n' <"$proc/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$prefix"; then
    cmd=$(tr '\0' ' ' <"$proc/cmdline" 2>/dev/null)
    echo "wine-end.sh: ending ${proc#/proc/} (${cmd%"${cmd##*[! ]}"}), left from an earlier session"
    kill -KILL "${proc#/proc/}" 2>/dev/null
  fi
done
exit 0
