#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A player at a real X server: start the game, press Start with the mouse,
# roll with R, pause with P, open the rules with F1 and close them with
# Escape, leave with Ctrl+Q, and the program must end by itself.
# Usage: gui_smoke.sh path/to/korvex
# Exit status 77 means skipped: no Xvfb or xdotool here.
set -u

exe=${1:?usage: gui_smoke.sh path/to/korvex}
. "$(dirname "$0")/session_lib.sh"
for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done

xvfb_pid=
game_pid=
stop_processes() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
session_start gui

# The game writes its settings beside itself: give it a folder of its own,
# and a home of its own for anything else.
mkdir -p "$work/game" "$work/home"
cp "$exe" "$work/game/korvex"
rules="$(dirname "$exe")/KVXRules.rtf"
[ -f "$rules" ] && cp "$rules" "$work/game/"

# Xvfb picks a free display itself and tells which on the descriptor.
# The screen's memory is a file (-fbdir), so the test can see what changed.
Xvfb -displayfd 3 -screen 0 1024x768x24 -fbdir "$work" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 300 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"

env -u QT_QPA_PLATFORM HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
  XDG_DATA_HOME="$work/home/.local/share" XDG_RUNTIME_DIR="$work/home" \
  QT_QPA_PLATFORM=xcb "$work/game/korvex" >"$work/game.log" 2>&1 &
game_pid=$!

wid=$(timeout 90 xdotool search --sync --onlyvisible --name '^Korvex$' | head -n1)
[ -n "$wid" ] || fail "no window titled Korvex appeared: $(cat "$work/game.log")"
xdotool windowfocus --sync "$wid" || fail "the window cannot take the focus"

picture() { md5sum <"$work/Xvfb_screen0"; }
differs() { [ "$(picture)" != "$1" ]; }
# The screen holds still for a moment: whatever moved has stopped.
settled() {
  local a
  a=$(picture)
  sleep 0.6
  ! differs "$a"
}

# Start sits on the cover at (100, 96), 124 x 41, the cover at client y 33.
# Without a window manager there is no frame: the window is the menu bar
# above the client area, whose height at the normal size is 277.
eval "$(xdotool getwindowgeometry --shell "$wid")"
menu=$((HEIGHT - 277))
[ "$menu" -gt 0 ] && [ "$menu" -lt 60 ] || fail "unexpected window height $HEIGHT"
xdotool mousemove --window "$wid" $((100 + 62)) $((menu + 33 + 96 + 20))
wait_for 50 settled
covered=$(picture)
xdotool click 1
wait_for 300 differs "$covered" || fail "the click on Start left the cover up"

# R rolls: the dice turn, so the picture changes.
wait_for 50 settled
before=$(picture)
xdotool key r
wait_for 300 differs "$before" || fail "R did not set the dice rolling"

# Every die has stopped after about 2.1 s. P pauses: the cover comes back.
sleep 2.5
wait_for 100 settled || fail "the dice did not come to rest"
kill -0 "$game_pid" 2>/dev/null || fail "the game ended before the keys"
playing=$(picture)
xdotool key p
wait_for 300 differs "$playing" || fail "P did not pause the game"

# F1 opens the rules in the settings dialog; Escape closes it again.
xdotool key F1
setup=$(timeout 60 xdotool search --sync --onlyvisible --name '^Setup$' | head -n1)
[ -n "$setup" ] || fail "F1 did not open the rules"
xdotool key --window "$setup" Escape
for _ in $(seq 300); do
  xdotool search --onlyvisible --name '^Setup$' >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --onlyvisible --name '^Setup$' >/dev/null 2>&1 && fail "Escape left the settings open"

# Ctrl+Q ends the program as Alt+X does (both are ignored while dice roll,
# so on a slow machine it is pressed again until the program ends).
xdotool windowfocus --sync "$wid" 2>/dev/null
for _ in $(seq 120); do
  xdotool key ctrl+q 2>/dev/null
  for _ in $(seq 5); do
    kill -0 "$game_pid" 2>/dev/null || break 2
    sleep 0.1
  done
done
if kill -0 "$game_pid" 2>/dev/null; then
  fail "the game was still running 60 s after the first Ctrl+Q"
fi
wait "$game_pid"
status=$?
game_pid=
[ "$status" -eq 0 ] || fail "the game ended with status $status: $(cat "$work/game.log")"
