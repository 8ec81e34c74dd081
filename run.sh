#!/usr/bin/env bash
# Installs what building and running need (not the test suite's tools),
# builds the loader, galt-loader-cli and the device emulator, and starts the
# loader; with --build-only it stops after the build. GALT_BUILD_DIR names
# the build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
dir=${GALT_BUILD_DIR:-build}
# A first build leaves the tests out (they need the test suite's packages);
# a folder that ./test.sh has set up keeps them.
tests=()
[ -f "$dir/CMakeCache.txt" ] || tests=(-DGALT_TESTS=OFF)
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${tests[@]}" >/dev/null
cmake --build "$dir" -j"$(nproc)" --target galt_programs
[ "${1:-}" = "--build-only" ] && exit 0
exec "$dir/app/qt/galt-loader"
