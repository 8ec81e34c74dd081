#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite, in
# stages (compile warnings are errors in every build):
#   native   the normal build and its tests (Qt on the offscreen platform,
#            Xvfb where a real X server is needed);
#   asan     the same suite under AddressSanitizer + UndefinedBehaviorSanitizer;
#   tsan     the serial component's tests under ThreadSanitizer (no Qt);
#   wine     a Windows cross build (MinGW-w64) of everything but the Qt
#            window, its tests under Wine: the serial component's and the
#            Windows window's on COM ports that the rig puts pseudo-terminals
#            behind, galt-loader-cli.exe and galt-loader.exe (on an Xvfb
#            display, keys typed) against the Linux emulator behind COM5, the
#            installer and the MSI installed, refused and uninstalled
#            silently; the release made afresh, signed from a .pfx and from a
#            SoftHSM2 token, and verified (tools/cross/check-signing.sh);
#   package  the Debian package, built as it ships and checked by lintian
#            and the desktop and AppStream validators;
#   fuzz     the fuzz targets for a bounded time (tools/fuzz-long.sh).
#   ./test.sh              every stage, in this order
#   ./test.sh wine ...     only the stages named
set -euo pipefail
cd "$(dirname "$0")"

all=(native asan tsan wine package fuzz)
stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=("${all[@]}")
for s in "${stages[@]}"; do
  case " ${all[*]} " in *" $s "*) ;; *) echo "unknown stage '$s'; stages: ${all[*]}" >&2; exit 2 ;; esac
done

./tools/install-deps.sh --tests

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export CTEST_OUTPUT_ON_FAILURE=1
werror=-DGALT_WERROR=ON

stage() { printf '\n==== %s ====\n' "$*"; }

native() {
  stage "build"
  cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DGALT_TESTS=ON $werror >/dev/null
  cmake --build build -j"$jobs"
  stage "tests"
  ctest --test-dir build -j"$jobs" --timeout 300
  stage "the README's paths, the programs built by ./run.sh"
  ./tools/check-readme-paths.sh
}

asan() {
  stage "build (AddressSanitizer + UndefinedBehaviorSanitizer)"
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DGALT_SANITIZE=address $werror >/dev/null
  cmake --build build-asan -j"$jobs"
  stage "tests (AddressSanitizer + UndefinedBehaviorSanitizer)"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" \
    ctest --test-dir build-asan -j"$jobs" --timeout 600
}

tsan() {
  stage "build (ThreadSanitizer, serial component)"
  cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Debug -DGALT_SANITIZE=thread $werror >/dev/null
  cmake --build build-tsan -j"$jobs"
  stage "tests (ThreadSanitizer, serial component)"
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    ctest --test-dir build-tsan -j"$jobs" --timeout 600
}

wine() {
  stage "build (Windows cross build, MinGW-w64)"
  cmake -S . -B build-wine -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/tools/cross/mingw-w64-x86_64.cmake" $werror >/dev/null
  cmake --build build-wine -j"$jobs"
  stage "tests (Windows cross build, under Wine)"
  # Nothing Wine started for the tests outlives the stage, whether it passes
  # or not.
  trap './tools/cross/wine-end.sh build-wine/wineprefix' EXIT
  ctest --test-dir build-wine -j"$jobs" --timeout 600
  ./tools/cross/wine-end.sh build-wine/wineprefix
  trap - EXIT
  stage "the signed Windows release, as tools/make-windows-release.sh --sign and --sign-pkcs11 make it"
  GALT_WERROR=ON ./tools/cross/check-signing.sh build-windows-signed
}

package() {
  stage "package (lintian, desktop-file-validate, appstreamcli)"
  local deb
  deb=$(GALT_WERROR=ON ./tools/make-package.sh build-package | tail -n 1)
  ./tools/check-package.sh "$deb"
}

fuzz() {
  stage "fuzz targets"
  # Two at a time, 20 s each: about a minute in all.
  GALT_WERROR=ON ./tools/fuzz-long.sh --seconds 20
}

for s in "${stages[@]}"; do "$s"; done

echo
echo "All stages passed: ${stages[*]}."
