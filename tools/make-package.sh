#!/usr/bin/env bash
# Builds the Debian package: only what ships (no tests, no benchmarks), in
# parallel, with Debian's hardening flags, then runs cpack. Prints the path of
# the .deb as its last line.
#   tools/make-package.sh [build folder, default build-package]
# GALT_WERROR=ON makes compile warnings errors (./test.sh sets it).
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/install-deps.sh --package

dir=${1:-build-package}
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Read by CMake when it first configures a folder. CMake takes no CPPFLAGS,
# so the preprocessor's (_FORTIFY_SOURCE) go in with the compiler's.
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=None -DGALT_TESTS=OFF -DGALT_WERROR="${GALT_WERROR:-OFF}" >/dev/null
cmake --build "$dir" -j"$(nproc)"
(cd "$dir" && cpack -G DEB >/dev/null)
ls -t "$dir"/galt-loader_*.deb | head -n 1
