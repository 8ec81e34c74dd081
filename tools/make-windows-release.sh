#!/usr/bin/env bash
# The Windows release in one command, on Debian 12, from a clean clone:
#   tools/make-windows-release.sh [--sign CERT.pfx [--timestamp URL]] [BUILD_DIR]
# (BUILD_DIR: build-windows-release by default.) Installs what is missing
# (as root; tools/install-deps.sh --windows: MinGW-w64, NSIS, icoutils,
# osslsigncode), cross-builds only what ships (no tests or benchmarks),
# checks that both programs import only Windows' own DLLs, and leaves in
# BUILD_DIR:
#   galt-loader-0211-win64.zip   galt-loader.exe, galt-loader-cli.exe and a
#                                Russian read-me; nothing to install
#   galt-loader-0211-setup.exe   a per-user installer (NSIS), /S for silent
# --sign signs both programs, the installer and its uninstaller with
# Authenticode (SHA-256, osslsigncode) with the certificate and key in
# CERT.pfx, whose password is taken from the environment variable
# GALT_SIGN_PASSWORD; --timestamp has the signatures timestamped by that
# server (without it they hold only as long as the certificate).
# GALT_WERROR=ON makes compile warnings errors.
set -euo pipefail
usage() { echo "usage: $0 [--sign CERT.pfx [--timestamp URL]] [BUILD_DIR]" >&2; exit 2; }
cert= timestamp= build=build-windows-release
while [ $# -gt 0 ]; do
  case $1 in
    --sign) [ $# -ge 2 ] || usage; cert=$(realpath "$2"); shift 2 ;;
    --timestamp) [ $# -ge 2 ] || usage; timestamp=$2; shift 2 ;;
    -*) usage ;;
    *) build=$1; shift ;;
  esac
done
[ -z "$timestamp" ] || [ -n "$cert" ] || usage
[ -z "$cert" ] || [ -f "$cert" ] || { echo "$0: no certificate $cert" >&2; exit 2; }
cd "$(dirname "$0")/.."

./tools/install-deps.sh --windows >&2
# Optimised as the Wine stage's build that the tests run (-O2; the shipped
# copies are stripped of the debug information).
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGALT_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/tools/cross/mingw-w64-x86_64.cmake" \
  -DGALT_SIGN_CERT="$cert" -DGALT_SIGN_TIMESTAMP="$timestamp" \
  -DGALT_WERROR="${GALT_WERROR:-OFF}" >&2
cmake --build "$build" -j"$(nproc)" --target galt_windows_release >&2
./tools/cross/check-windows-imports.sh --gui "$build/app/win32/stage/galt-loader.exe" \
  "$build/app/win32/stage/galt-loader-cli.exe" >&2
ls -l "$build/app/win32/stage/"*.exe >&2
realpath "$build"/galt-loader-*-win64.zip "$build"/galt-loader-*-setup.exe
