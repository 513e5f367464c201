#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The game in a Wayland session, on weston's headless backend: natively, every
# window maximised and restored without losing the connection (the probe), the
# game itself started and still running afterwards with nothing fatal said;
# then with both displays given, the game must come up on XWayland.
# Usage: wayland_session.sh path/to/korvex path/to/korvex_wayland_probe QT_PLUGIN_DIR
# Exit status 77 means skipped: no weston, Qt's Wayland plugin or Xwayland here.
set -u

exe=${1:?usage: wayland_session.sh korvex probe plugin-dir}
probe=${2:?usage: wayland_session.sh korvex probe plugin-dir}
plugins=${3:?usage: wayland_session.sh korvex probe plugin-dir}
. "$(dirname "$0")/session_lib.sh"
command -v weston >/dev/null 2>&1 || skip "weston is not installed"
[ -e "$plugins/platforms/libqwayland-generic.so" ] || skip "Qt's Wayland plugin is not installed"
command -v Xwayland >/dev/null 2>&1 || skip "Xwayland is not installed"
command -v xdotool >/dev/null 2>&1 || skip "xdotool is not installed"
# Xwayland puts its socket there, as any X server does.
if [ ! -d /tmp/.X11-unix ]; then
  mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix || skip "cannot make /tmp/.X11-unix"
fi

weston_pid=
game_pid=
stop_processes() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  # weston leads a session of its own: its shell clients and Xwayland go with it.
  [ -n "$weston_pid" ] && kill -- "-$weston_pid" 2>/dev/null
}
session_start wayland
# Nothing fatal on the error output: no protocol error, no lost connection, no crash.
# (Lines of the client's protocol log, "[time] ...", are not its messages.)
fatal_in() {
  grep -vE '^\[ *[0-9]+\.[0-9]+\] ' "$1" | grep -iE 'fatal|protocol error|connection (broke|experienced)|segmentation|abort'
}
# The game's window is on screen: titled Korvex, its first configure
# acknowledged and a buffer drawn for it, as the client's protocol log shows.
mapped() {
  awk '/set_title\("Korvex"\)/ { titled = 1 }
       titled && /ack_configure\(/ { configured = 1 }
       configured && /\.attach\(wl_buffer@/ { drawn = 1 }
       END { exit !drawn }' "$1"
}

mkdir -p "$work/runtime" "$work/home" "$work/game"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config"
export XDG_DATA_HOME="$work/home/.local/share"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

start=$(date +%s)
setsid weston --backend=headless-backend.so --socket=korvex-test --idle-time=0 --xwayland \
  --log="$work/weston.log" >"$work/weston.out" 2>&1 &
weston_pid=$!
wait_for 300 test -S "$work/runtime/korvex-test" || fail "weston did not start: $(cat "$work/weston.log")"
export WAYLAND_DISPLAY=korvex-test

# Natively: every window maximised and restored.
timeout 150 env QT_QPA_PLATFORM=wayland "$probe" >"$work/probe.out" 2>"$work/probe.err"
status=$?
cat "$work/probe.out"
[ "$status" -eq 0 ] || fail "the probe ended with status $status: $(cat "$work/probe.err")"
! fatal_in "$work/probe.err" || fail "the probe's error output"

# The game itself, natively, from a folder of its own.
cp "$exe" "$work/game/korvex"
rules="$(dirname "$exe")/KVXRules.rtf"
[ -f "$rules" ] && cp "$rules" "$work/game/"
QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client "$work/game/korvex" >"$work/native.log" 2>&1 &
game_pid=$!
# However slow the machine: until its window is drawn, or it ends.
wait_for 900 eval 'mapped "$work/native.log" || ! kill -0 "$game_pid" 2>/dev/null'
kill -0 "$game_pid" 2>/dev/null || fail "the game ended on Wayland: $(fatal_in "$work/native.log" || tail -n 20 "$work/native.log")"
mapped "$work/native.log" || fail "the game drew no window on Wayland in 90 s"
! fatal_in "$work/native.log" || fail "the game's error output on Wayland"
kill "$game_pid"
wait "$game_pid" 2>/dev/null
game_pid=
echo "ok: the game runs natively when asked (QT_QPA_PLATFORM=wayland)"

# Both displays, as a Wayland desktop gives them: the game takes XWayland.
wait_for 600 grep -q 'xserver listening on display' "$work/weston.log" ||
  fail "weston started no X server: $(cat "$work/weston.log")"
display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -n1)
XDG_SESSION_TYPE=wayland DISPLAY=$display "$work/game/korvex" >"$work/both.log" 2>&1 &
game_pid=$!
wid=$(DISPLAY=$display timeout 90 xdotool search --sync --onlyvisible --name '^Korvex$' 2>/dev/null | head -n1)
[ -n "$wid" ] || fail "no X window titled Korvex on XWayland: $(cat "$work/both.log")"
kill -0 "$game_pid" 2>/dev/null || fail "the game ended on XWayland: $(cat "$work/both.log")"
! fatal_in "$work/both.log" || fail "the game's error output on XWayland"
echo "ok: with both displays the game runs on XWayland ($display)"
echo "PASS: Wayland session in $(($(date +%s) - start)) s"
