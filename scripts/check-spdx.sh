#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every source, script and CMake file opens with its licence line: an
# SPDX-License-Identifier within its first five lines (a shebang may come
# first). Checks the files git tracks below DIR (default: this checkout), or
# every file there when DIR is not a git checkout. Names each file without
# one and fails.
# Usage: scripts/check-spdx.sh [DIR]
set -euo pipefail
dir=${1:-$(dirname "$0")/..}
cd "$dir"

if [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$(pwd -P)" ]; then
  mapfile -d '' files < <(git ls-files -z)
else
  mapfile -d '' files < <(find . -path ./.git -prune -o -path './build*' -prune -o -type f -printf '%P\0')
fi

# Sources, scripts and CMake files by their names; any other file that starts
# with a shebang is a script too.
wants_line() {
  case "$1" in
    *.cpp | *.cc | *.c | *.h | *.hpp | *.sh | *.bash | *.py | *.cmake | CMakeLists.txt | */CMakeLists.txt | .ci/* | */.ci/*)
      return 0 ;;
  esac
  [ "$(head -c 2 -- "$1" 2>/dev/null | tr -d '\0')" = '#!' ]
}

checked=0
missing=0
for f in "${files[@]}"; do
  [ -f "$f" ] || continue
  wants_line "$f" || continue
  checked=$((checked + 1))
  if ! head -n 5 -- "$f" | grep -qE '^(//|#|/\*|\*| \*) *SPDX-License-Identifier: [A-Za-z0-9.+-]+'; then
    echo "no SPDX-License-Identifier line at the top of $f"
    missing=$((missing + 1))
  fi
done

[ "$checked" -gt 0 ] || { echo "no source files found below $(pwd)"; exit 1; }
if [ "$missing" -gt 0 ]; then
  echo "licence lines: $missing of $checked files lack one"
  exit 1
fi
echo "licence lines: all $checked source, script and CMake files have one"
