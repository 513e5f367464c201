#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The licence-line check passes on this source tree, and fails on a tree
# where one source, script or CMake file lacks its line, naming that file.
# Usage: licence_lines.sh SOURCE_DIR
set -u
src=${1:?usage: licence_lines.sh SOURCE_DIR}
check="$src/scripts/check-spdx.sh"
fail() {
  echo "FAIL: $*"
  exit 1
}

out=$(bash "$check" "$src") || fail "the source tree itself: $out"
echo "$out"

work=$(mktemp -d "${TMPDIR:-/tmp}/korvex-licence.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree/sub" "$work/tree/.ci"
cd "$work/tree"
printf '// SPDX-License-Identifier: GPL-3.0-or-later\nint x;\n' >a.cpp
printf '#pragma once\n' >a.h
printf '#!/bin/sh\n# SPDX-License-Identifier: GPL-3.0-or-later\necho\n' >b.sh
printf '# SPDX-License-Identifier: GPL-3.0-or-later\nproject(x)\n' >sub/CMakeLists.txt
printf '#!/usr/bin/env python3\nprint()\n' >tool
printf 'x\nx\nx\nx\nx\nx\n# SPDX-License-Identifier: GPL-3.0-or-later\n' >late.py
printf '#!/usr/bin/env bash\ntrue\n' >.ci/run
printf 'no licence needed in plain data\n' >notes.txt

# One line at a time is put right; each run names exactly the files still without it.
expect_missing() { # files...
  local out status
  out=$(bash "$check" "$work/tree")
  status=$?
  if [ $# -eq 0 ]; then
    [ $status -eq 0 ] || fail "a tree with every line was refused: $out"
    return
  fi
  [ $status -ne 0 ] || fail "passed though $* lack(s) the line: $out"
  for f in "$@"; do
    grep -qx "no SPDX-License-Identifier line at the top of $f" <<<"$out" || fail "$f not named: $out"
  done
  [ "$(grep -c '^no SPDX' <<<"$out")" -eq $# ] || fail "other files named: $out"
}
expect_missing .ci/run a.h late.py tool
sed -i '1i // SPDX-License-Identifier: GPL-3.0-or-later' a.h
expect_missing .ci/run late.py tool
sed -i '1a # SPDX-License-Identifier: GPL-3.0-or-later' tool .ci/run
expect_missing late.py
sed -i '1i # SPDX-License-Identifier: GPL-3.0-or-later' late.py
expect_missing
echo "PASS: a missing licence line fails the check"
