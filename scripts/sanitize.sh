#!/usr/bin/env bash
# Builds Trevlamark with a sanitizer and runs every test under it.
#   address  AddressSanitizer + UndefinedBehaviorSanitizer, preset asan, in ./build-asan
#   thread   ThreadSanitizer, preset tsan, in ./build-tsan (no suppressions)
# Any report fails the test that triggered it. Further arguments go to the
# configure step, as in scripts/build.sh.
#
# The sanitizer options are in the test presets. Leak checking stays on; a
# report makes the test exit non-zero. Qt is not built with ThreadSanitizer:
# what its own code allocates, copies and frees is handed between threads under
# locks the sanitizer cannot see, so only calls from our (instrumented) code are
# checked (ignore_noninstrumented_modules). QProcess forks from a process with
# threads; the child only execs, which the sanitizer would refuse by default
# (die_after_fork=0).
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-}
case "$kind" in
    address) preset=asan ;;
    thread) preset=tsan ;;
    *) echo "usage: scripts/sanitize.sh address|thread [CMAKE_ARGS...]" >&2; exit 2 ;;
esac
shift
bash scripts/build.sh "$preset" "$@"
# One test at a time, as in scripts/test.sh: suites that mount the test shares must not overlap.
ctest --preset "$preset"
