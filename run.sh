#!/usr/bin/env bash
# Installs what is missing, builds the loader and the device emulator and
# starts the loader; with --build-only it stops after the build.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target galt-loader galt-emulator
[ "${1:-}" = "--build-only" ] && exit 0
exec ./build/app/qt/galt-loader
