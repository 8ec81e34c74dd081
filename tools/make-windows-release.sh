#!/usr/bin/env bash
# The Windows release in one command, on Debian 12, from a clean clone:
#   tools/make-windows-release.sh [SIGNING] [BUILD_DIR]
#   SIGNING: (--sign CERT.pfx | --sign-pkcs11 URI --pkcs11-module MODULE)
#            (--timestamp URL | --no-timestamp)
# (BUILD_DIR: build-windows-release by default.) Installs what is missing
# (as root; tools/install-deps.sh --windows: MinGW-w64, NSIS, wixl and
# msitools, icoutils, osslsigncode and OpenSSL's PKCS#11 engine),
# cross-builds only what ships (no tests or benchmarks), checks that both
# programs import only Windows' own DLLs, and leaves in BUILD_DIR:
#   galt-loader-0211-win64.zip   galt-loader.exe, galt-loader-cli.exe and a
#                                Russian read-me; nothing to install
#   galt-loader-0211-setup.exe   an installer (NSIS): for the user, or with
#                                /ALLUSERS for every user; /S for silent
#   galt-loader-0211-x64.msi     a Windows Installer package, per machine,
#                                for deployment tools (msiexec /i … /qn)
# Signing signs both programs, the installer, its uninstaller and the MSI
# with Authenticode (SHA-256, osslsigncode): --sign with the certificate and
# key in CERT.pfx, whose password is taken from GALT_SIGN_PASSWORD;
# --sign-pkcs11 with a key on a hardware token or HSM, named by an RFC 7512
# URI (pkcs11:token=galt;object=signkey: the object holds the key and its
# certificate) through the token's PKCS#11 MODULE, the PIN taken from
# GALT_SIGN_PIN. --timestamp has the signatures timestamped by that server;
# without one a signature ends with its certificate, which --no-timestamp
# says knowingly. GALT_WERROR=ON makes compile warnings errors.
set -euo pipefail
usage() {
  echo "usage: $0 [(--sign CERT.pfx | --sign-pkcs11 URI --pkcs11-module MODULE) (--timestamp URL | --no-timestamp)] [BUILD_DIR]" >&2
  exit 2
}
cert= uri= module= timestamp= build=build-windows-release
while [ $# -gt 0 ]; do
  case $1 in
    --sign) [ $# -ge 2 ] || usage; cert=$(realpath "$2"); shift 2 ;;
    --sign-pkcs11) [ $# -ge 2 ] || usage; uri=$2; shift 2 ;;
    --pkcs11-module) [ $# -ge 2 ] || usage; module=$(realpath "$2"); shift 2 ;;
    --timestamp) [ $# -ge 2 ] || usage; timestamp=$2; shift 2 ;;
    --no-timestamp) timestamp=none; shift ;;
    -*) usage ;;
    *) build=$1; shift ;;
  esac
done
if [ -n "$cert" ] || [ -n "$uri" ]; then
  [ -z "$cert" ] || [ -z "$uri" ] || usage
  [ -z "$uri" ] || [ -n "$module" ] || usage
  [ -n "$timestamp" ] || { echo "$0: a signature needs --timestamp URL, or --no-timestamp" >&2; exit 2; }
else
  [ -z "$timestamp$module" ] || usage
fi
[ -z "$cert" ] || [ -f "$cert" ] || { echo "$0: no certificate $cert" >&2; exit 2; }
[ -z "$module" ] || [ -f "$module" ] || { echo "$0: no PKCS#11 module $module" >&2; exit 2; }
cd "$(dirname "$0")/.."

./tools/install-deps.sh --windows >&2
# Optimised as the Wine stage's build that the tests run (-O2; the shipped
# copies are stripped of the debug information).
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGALT_TESTS=OFF \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/tools/cross/mingw-w64-x86_64.cmake" \
  -DGALT_SIGN_CERT="$cert" -DGALT_SIGN_PKCS11="$uri" -DGALT_SIGN_PKCS11_MODULE="$module" \
  -DGALT_SIGN_TIMESTAMP="$timestamp" -DGALT_WERROR="${GALT_WERROR:-OFF}" >&2
cmake --build "$build" -j"$(nproc)" --target galt_windows_release >&2
./tools/cross/check-windows-imports.sh --gui "$build/app/win32/stage/galt-loader.exe" \
  "$build/app/win32/stage/galt-loader-cli.exe" >&2
ls -l "$build/app/win32/stage/"*.exe >&2
realpath "$build"/galt-loader-*-win64.zip "$build"/galt-loader-*-setup.exe "$build"/galt-loader-*-x64.msi
