#!/usr/bin/env bash
# Builds Trevlamark and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
# One test at a time: several suites mount the same test shares and read the
# whole mount table, so they must not overlap.
ctest --test-dir build --output-on-failure
