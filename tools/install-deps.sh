#!/usr/bin/env bash
# Installs the Debian packages the loader needs: to build and run it (no
# option), to build its Debian package (--package), or to run the whole
# test suite as well (--tests). Only what is missing is installed; the
# package lists are refreshed first when something has to be fetched.
set -euo pipefail

build=(
  cmake g++ make pkg-config
  qt6-base-dev libgl-dev
  libudev-dev
  fonts-dejavu-core
)
package=(dpkg-dev file)
tests=(
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  xvfb xauth
  umockdev libumockdev-dev
  g++-mingw-w64-x86-64-posix wine wine64 googletest
  nsis icoutils
  xdotool imagemagick
  lintian desktop-file-utils appstream
)

packages=("${build[@]}")
case "${1:-}" in
  "") ;;
  --package) packages+=("${package[@]}") ;;
  --tests) packages+=("${package[@]}" "${tests[@]}") ;;
  *) echo "usage: $0 [--package | --tests]" >&2; exit 2 ;;
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
