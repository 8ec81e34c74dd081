#!/usr/bin/env bash
# Installs what is missing, builds the loader and starts it.
set -euo pipefail
cd "$(dirname "$0")"
./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target galt-loader
exec ./build/app/galt-loader
