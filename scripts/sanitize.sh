#!/usr/bin/env bash
# Builds Trevlamark with a sanitizer and runs every test under it.
#   address  AddressSanitizer + UndefinedBehaviorSanitizer, in ./build-asan
#   thread   ThreadSanitizer, in ./build-tsan (no suppressions)
# Any report fails the test that triggered it.
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:-}
case "$kind" in
    address) dir=build-asan ;;
    thread) dir=build-tsan ;;
    *) echo "usage: scripts/sanitize.sh address|thread" >&2; exit 2 ;;
esac
extra=()
[ "${CI:-}" = "true" ] && extra+=(-DTREVLAMARK_WERROR=ON)
if command -v ccache >/dev/null 2>&1; then
    export CCACHE_BASEDIR="$PWD"
    extra+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTREVLAMARK_SANITIZE="$kind" "${extra[@]}"
cmake --build "$dir"

# Leak checking stays on; a report makes the test exit non-zero.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Qt is not built with ThreadSanitizer: what its own code allocates, copies and
# frees is handed between threads under locks the sanitizer cannot see, so only
# calls from our (instrumented) code are checked. QProcess forks from a process
# with threads; the child only execs, which the sanitizer would refuse by default.
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1:die_after_fork=0"
# One test at a time, as in scripts/test.sh: suites that mount the test shares must not overlap.
ctest --test-dir "$dir" --output-on-failure
