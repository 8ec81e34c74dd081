#!/usr/bin/env bash
# The Windows release in one command, on Debian 12, from a clean clone:
#   tools/make-windows-release.sh [BUILD_DIR]     (default build-windows-release)
# Installs what is missing (as root; tools/install-deps.sh --windows:
# MinGW-w64, NSIS, icoutils, osslsigncode), cross-builds
# only what ships (no tests or benchmarks) with Debian's MinGW-w64, checks
# that both programs import only Windows' own DLLs, and leaves in BUILD_DIR:
#   galt-loader-0211-win64.zip   galt-loader.exe, galt-loader-cli.exe and a
#                                Russian read-me; nothing to install
#   galt-loader-0211-setup.exe   a per-user installer (NSIS), /S for silent
# GALT_WERROR=ON makes compile warnings errors.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-windows-release}

./tools/install-deps.sh --windows >&2
# Optimised as the Wine stage's build that the tests run (-O2; the shipped
# copies are stripped of the debug information).
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGALT_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/tools/cross/mingw-w64-x86_64.cmake" \
  -DGALT_WERROR="${GALT_WERROR:-OFF}" >&2
cmake --build "$build" -j"$(nproc)" --target galt_windows_release >&2
./tools/cross/check-windows-imports.sh --gui "$build/app/win32/stage/galt-loader.exe" \
  "$build/app/win32/stage/galt-loader-cli.exe" >&2
ls -l "$build/app/win32/stage/"*.exe >&2
realpath "$build"/galt-loader-*-win64.zip "$build"/galt-loader-*-setup.exe
