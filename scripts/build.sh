#!/usr/bin/env bash
# Configures and builds Trevlamark with a preset of CMakePresets.json:
#   bash scripts/build.sh [PRESET] [CMAKE_ARGS...]
# PRESET is default (./build, Release with debug info; the default), asan,
# tsan or fuzz. CMAKE_ARGS go to the configure step, e.g.
# -DCMAKE_COMPILE_WARNING_AS_ERROR=ON, which .ci/run passes.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=default
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then
    preset=$1
    shift
fi
extra=()
if command -v ccache >/dev/null 2>&1; then
    # A shared base folder, and leaving the working directory (which -g would
    # add) out of the hash, let separate checkouts reuse each other's objects.
    export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
    extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake --preset "$preset" "${extra[@]}" "$@"
cmake --build --preset "$preset"
