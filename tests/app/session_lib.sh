# SPDX-License-Identifier: GPL-3.0-or-later
# What the real-session tests share: skipping, failing, waiting for a
# condition, and a work folder that goes, with every process the test
# started, when the test ends. A test defines stop_processes before
# calling session_start.

skip() {
  echo "SKIP: $* (scripts/setup.sh test)"
  exit 77
}
fail() {
  echo "FAIL: $*"
  exit 1
}
wait_for() { # tenths of a second, condition...
  local tenths=$1
  shift
  for _ in $(seq "$tenths"); do
    "$@" && return 0
    sleep 0.1
  done
  "$@"
}
session_finish() {
  stop_processes
  wait 2>/dev/null
  rm -rf "$work"
}
session_start() { # name of the test
  work=$(mktemp -d "${TMPDIR:-/tmp}/korvex-$1.XXXXXX")
  chmod 700 "$work"
  trap session_finish EXIT
}
