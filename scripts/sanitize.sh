#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Korvex with AddressSanitizer, UndefinedBehaviorSanitizer and
# LeakSanitizer into build-asan/ (or BUILD_DIR) and runs every test there.
# Any report ends the test that made it with a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${BUILD_DIR:-build-asan}

bash scripts/setup.sh test
start=$(date +%s)
cmake -S . -B "$build" -DKORVEX_SANITIZE=ON -DKORVEX_BUILD_BENCH=OFF \
  -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build "$build" -j"$(nproc)"
built=$(date +%s)

# No strict_string_checks: with it, strndup() on a counted buffer that has no
# terminator (as the X keyboard library does) reads as an overflow.
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1:exitcode=86:check_initialization_order=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=87"
# Leaks reported from inside third-party libraries only (see the file).
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"

status=0
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@" || status=$?
echo "sanitizer build: $((built - start)) s, tests: $(( $(date +%s) - built )) s"
exit $status
