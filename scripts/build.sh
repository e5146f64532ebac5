#!/usr/bin/env bash
# Configures and builds Trevlamark in ./build (Release with debug info).
set -euo pipefail
cd "$(dirname "$0")/.."
extra=()
[ "${CI:-}" = "true" ] && extra+=(-DTREVLAMARK_WERROR=ON)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" "$@"
cmake --build build
