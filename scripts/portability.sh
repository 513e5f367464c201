#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Other processors: the advisor's tests on a build without the wide-vector
# path (the path every processor but x86-64 takes), and every source compiled
# for aarch64 (clang, Debian's cross headers, the host's Qt headers; syntax and
# types only, nothing is linked).
# Usage: scripts/portability.sh   (BUILD_DIR: the normal build folder, default
# build; PORTABLE_DIR: the portable one, default build-portable)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
portable=${PORTABLE_DIR:-build-portable}
start=$(date +%s)

fail() { echo "portability: $*" >&2; exit 1; }
log=$(mktemp)
trap 'rm -f "$log"' EXIT
quiet() { "$@" >"$log" 2>&1 || { cat "$log"; fail "failed: $*"; }; }

bash scripts/setup.sh test

# --- the portable path: only the core and the advisor's tests are built
# (optimised as the normal build, without its debugging information).
quiet cmake -S . -B "$portable" -DCMAKE_BUILD_TYPE=Release -DKORVEX_WIDE_VECTORS=OFF -DKORVEX_BUILD_BENCH=OFF
quiet cmake --build "$portable" --target tst_advisor -j"$(nproc)"
! grep -q KORVEX_WIDE_VECTORS "$portable/compile_commands.json" || fail "the portable build still asks for wide vectors"
ctest --test-dir "$portable" -R '^tst_advisor$' --output-on-failure
echo "portable build and tests took $(( $(date +%s) - start )) s"

# --- every source for aarch64, with the flags of the normal build (wide
# vectors asked for, so the guard itself is what is checked).
[ -f "$build/compile_commands.json" ] || cmake -S . -B "$build" >/dev/null
# Sources include what moc writes at build time.
mapfile -t autogen < <(cmake --build "$build" --target help | sed -n 's/^\.\.\. \(.*_autogen\)$/\1/p')
cmake --build "$build" --target "${autogen[@]}" -j"$(nproc)" >/dev/null
python3 - "$build/compile_commands.json" "$(nproc)" <<'EOF'
import json, os, re, shlex, subprocess, sys
from concurrent.futures import ThreadPoolExecutor

db, jobs = sys.argv[1], int(sys.argv[2])
units = []
for entry in json.load(open(db)):
    args = entry.get("arguments") or shlex.split(entry["command"])
    # Drop a launcher (ccache) and the compiler; keep defines, include paths
    # and options, but not the output or dependency files.
    first = next(i for i, a in enumerate(args) if re.search(r"(c\+\+|g\+\+|clang\+\+)(-[0-9]+)?$", a))
    kept, skip = [], False
    for a in args[first + 1:]:
        if skip:
            skip = False
        elif a in ("-o", "-MF", "-MT", "-MQ"):
            skip = True
        elif a not in ("-c", "-MD", "-MMD"):
            kept.append(a)
    if os.path.isfile(entry["file"]):  # generated files that were never built are left out
        units.append((entry["directory"], entry["file"], kept))

def check(unit):
    directory, path, args = unit
    run = subprocess.run(["clang++", "--target=aarch64-linux-gnu", "-fsyntax-only", "-Werror"] + args,
                         cwd=directory, capture_output=True, text=True)
    return path, run.returncode, run.stderr

failed = 0
with ThreadPoolExecutor(max_workers=jobs) as pool:
    for path, rc, err in pool.map(check, units):
        if rc != 0:
            failed += 1
            print(f"aarch64: {path} does not compile:\n{err}", file=sys.stderr)
print(f"aarch64: {len(units) - failed} of {len(units)} sources compile")
sys.exit(1 if failed or not units else 0)
EOF

echo "portability checks passed in $(( $(date +%s) - start )) s"
