#!/usr/bin/env bash
# Installs the Debian packages the loader needs: to build and run it (no
# option), to build its Debian package (--package), to make the Windows
# release (--windows: the cross compilers, NSIS, wixl and msitools, icotool,
# osslsigncode and OpenSSL's PKCS#11 engine; no Wine), or to run the whole
# test suite as well (--tests, all of these, with SoftHSM2 and p11tool for
# the token the signing check makes).
# Only what is missing is installed; the package lists are refreshed first
# when something has to be fetched.
set -euo pipefail

build=(
  cmake g++ make pkg-config
  qt6-base-dev libgl-dev
  libudev-dev
  fonts-dejavu-core
)
package=(dpkg-dev file)
windows=(
  cmake make
  g++-mingw-w64-x86-64-posix
  nsis wixl msitools icoutils osslsigncode libengine-pkcs11-openssl
)
tests=(
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth
  umockdev libumockdev-dev
  wine wine64 googletest
  xdotool imagemagick openssl softhsm2 gnutls-bin
  lintian desktop-file-utils appstream
)

case "${1:-}" in
  "") packages=("${build[@]}") ;;
  --package) packages=("${build[@]}" "${package[@]}") ;;
  --windows) packages=("${windows[@]}") ;;
  --tests) packages=("${build[@]}" "${package[@]}" "${windows[@]}" "${tests[@]}") ;;
  *) echo "usage: $0 [--package | --windows | --tests]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run as root, or install them with: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
