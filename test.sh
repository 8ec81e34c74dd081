#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite:
#   1. the normal build (Qt on the offscreen platform, Xvfb where a real X server is needed);
#   2. the same suite under AddressSanitizer + UndefinedBehaviorSanitizer;
#   3. the serial component's tests under ThreadSanitizer (no Qt in that build);
#   4. a Windows cross build of everything below Qt (MinGW-w64): its tests
#      run under Wine, the serial component's on COM ports that the rig puts
#      pseudo-terminals behind, and galt-loader-cli.exe installs against the
#      Linux emulator behind COM5;
#   5. the Debian package, built as it ships and checked by lintian and the
#      desktop and AppStream validators;
#   6. the fuzz targets for a bounded time.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export CTEST_OUTPUT_ON_FAILURE=1

stage() { printf '\n==== %s ====\n' "$*"; }

stage "build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
stage "tests"
ctest --test-dir build -j"$jobs" --timeout 300

stage "build (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DGALT_SANITIZE=address >/dev/null
cmake --build build-asan -j"$jobs"
stage "tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" \
  ctest --test-dir build-asan -j"$jobs" --timeout 600

stage "build (ThreadSanitizer, serial component)"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DGALT_SANITIZE=thread >/dev/null
cmake --build build-tsan -j"$jobs"
stage "tests (ThreadSanitizer, serial component)"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build-tsan -j"$jobs" --timeout 600

stage "build (Windows cross build, MinGW-w64)"
cmake -S . -B build-wine -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/tools/cross/mingw-w64-x86_64.cmake" >/dev/null
cmake --build build-wine -j"$jobs"
stage "tests (Windows cross build, under Wine)"
# Nothing Wine started for the tests outlives the stage, whether it passes
# or not.
trap './tools/cross/wine-end.sh build-wine/wineprefix' EXIT
ctest --test-dir build-wine -j"$jobs" --timeout 600
./tools/cross/wine-end.sh build-wine/wineprefix
trap - EXIT

stage "package (lintian, desktop-file-validate, appstreamcli)"
deb=$(./tools/make-package.sh build-package | tail -n 1)
./tools/check-package.sh "$deb"

stage "fuzz targets"
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGALT_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j"$jobs"
for f in build-fuzz/tests/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  name=$(basename "$f")
  corpus="build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  echo "running $name for 30 s"
  "$f" -max_total_time=30 -print_final_stats=0 "$corpus" >"build-fuzz/$name.log" 2>&1 \
    || { tail -n 40 "build-fuzz/$name.log"; exit 1; }
  tail -n 1 "build-fuzz/$name.log"
done

echo
echo "All stages passed."
