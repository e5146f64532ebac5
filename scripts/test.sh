#!/usr/bin/env bash
# Builds Trevlamark (preset "default", ./build) and runs every test.
# Arguments go to the configure step, as in scripts/build.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh default "$@"
# One test at a time (the preset says so): several suites mount the same test
# shares and read the whole mount table, so they must not overlap.
ctest --preset default
