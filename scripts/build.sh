#!/usr/bin/env bash
# Configures and builds Trevlamark in ./build (Release with debug info).
set -euo pipefail
cd "$(dirname "$0")/.."
extra=()
[ "${CI:-}" = "true" ] && extra+=(-DTREVLAMARK_WERROR=ON)
if command -v ccache >/dev/null 2>&1; then
    # A shared base folder lets separate checkouts reuse each other's objects.
    export CCACHE_BASEDIR="$PWD"
    extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}" "$@"
cmake --build build
