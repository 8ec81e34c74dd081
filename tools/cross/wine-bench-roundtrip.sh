#!/usr/bin/env bash
# The serial round trip of the Win32 backend under Wine: a 138-byte frame out
# through COM20 of the cross build's prefix and its echo back, sent at once
# by galt-wine-rig on Linux.
#   tools/cross/wine-bench-roundtrip.sh [BUILD_DIR]   (default build-wine)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-build-wine}" && pwd)
prefix=$build/wineprefix
"$here/wine-run.sh" "$prefix"
exec "$build/host/tools/cross/rig/galt-wine-rig" --prefix "$prefix" --echo 20 \
  --preload "$build/host/tools/cross/rig/galt-wine-ptyshim.so" -- \
  "$here/wine-run.sh" "$prefix" "$build/bench/bench_serial_roundtrip.exe" '\\.\COM20'
