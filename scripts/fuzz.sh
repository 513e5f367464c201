#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang into build-fuzz/ (or BUILD_DIR) and runs
# each for SECONDS (default 30), starting from the seeds in fuzz/corpus/.
# Fails when any target finds a crash, a hang or a broken rule; the input
# that did it is left in build-fuzz/artifacts/<target>/.
# Usage: scripts/fuzz.sh [SECONDS] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-30}
shift || true
build=${BUILD_DIR:-build-fuzz}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(rtf ini savedgame topten statistics practice)

bash scripts/setup.sh test
CC=clang CXX=clang++ cmake -S . -B "$build" -DKORVEX_FUZZ=ON -DKORVEX_BUILD_TESTS=OFF \
  -DKORVEX_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target $(printf 'fuzz_%s ' "${targets[@]}")

# The targets write small files all the time; in memory, syncing them costs nothing.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi
export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"

failed=()
summary=()
for t in "${targets[@]}"; do
  work="$build/work/$t"          # what the run adds; the committed seeds stay as they are
  artifacts="$build/artifacts/$t/"
  log="$build/fuzz_$t.log"
  mkdir -p "$work" "$artifacts"
  echo "--- fuzz_$t for $seconds s"
  start=$(date +%s)
  status=0
  "$build/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -print_final_stats=1 -artifact_prefix="$artifacts" "$work" "fuzz/corpus/$t" >"$log" 2>&1 || status=$?
  took=$(( $(date +%s) - start ))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  line="fuzz_$t: ${runs:-?} executions in $took s"
  if [ $status -ne 0 ]; then
    line="$line, FAILED (exit $status)"
    failed+=("$t")
    grep -E 'ERROR|broken:|SUMMARY|Test unit written|deadly signal|timeout' "$log" | head -20 || true
  fi
  echo "$line"
  summary+=("$line")
done

echo "=== fuzzing summary"
printf '%s\n' "${summary[@]}"
[ ${#failed[@]} -eq 0 ] || { echo "failing targets: ${failed[*]} (logs in $build/)"; exit 1; }
