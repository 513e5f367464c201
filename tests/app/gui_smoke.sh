#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A player at a real X server with a window manager, on a 1024 x 768 screen:
# start the game with the mouse, roll with R, pause with P, open the rules
# with F1 and close them with Escape; then play on with the keyboard and
# look at what a player sees: the focus marked after Tab, the arrow keys
# picking a valuation, a saved game opened showing what Done would bank,
# the advisor opened beside the game without taking the keys, the top ten,
# the review and the statistics in front with the keys and closed by Escape,
# no side window over the dice, and side windows opened together whole on
# the screen, clear of the dice and, where there is room, of the game and of
# one another. Ctrl+Q
# leaves, and the program must end by itself.
# Usage: gui_smoke.sh path/to/korvex
# Exit status 77 means skipped: no Xvfb, openbox, xdotool or xwininfo here.
set -u

exe=${1:?usage: gui_smoke.sh path/to/korvex}
. "$(dirname "$0")/session_lib.sh"
for tool in Xvfb openbox xdotool xwininfo xprop python3; do
  command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done

xvfb_pid=
wm_pid=
game_pid=
stop_processes() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
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
wait_for 300 xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null 2>&1 \
  || fail "the X server does not answer: $(cat "$work/xvfb.log")"
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }
for _ in 1 2 3; do
  HOME="$work/home" openbox >"$work/openbox.log" 2>&1 &
  wm_pid=$!
  wait_for 300 eval 'wm_ready || ! kill -0 "$wm_pid" 2>/dev/null'
  wm_ready && break
done
wm_ready || fail "openbox did not take the screen: $(cat "$work/openbox.log")"

# /CHEAT: the test buttons stage the dice a check needs.
env -u QT_QPA_PLATFORM HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
  XDG_DATA_HOME="$work/home/.local/share" XDG_RUNTIME_DIR="$work/home" \
  QT_QPA_PLATFORM=xcb "$work/game/korvex" /CHEAT >"$work/game.log" 2>&1 &
game_pid=$!

wid=$(timeout 90 xdotool search --sync --onlyvisible --name '^Korvex$' | head -n1)
[ -n "$wid" ] || fail "no window titled Korvex appeared: $(cat "$work/game.log")"
xdotool windowactivate --sync "$wid" || fail "the window cannot take the focus"

picture() { md5sum <"$work/Xvfb_screen0"; }
differs() { [ "$(picture)" != "$1" ]; }
# The screen holds still for a moment: whatever moved has stopped.
settled() {
  local a
  a=$(picture)
  sleep 0.6
  ! differs "$a"
}
# A part of the screen in the game's client coordinates (x y width height), as a sum.
area() {
  python3 - "$work/Xvfb_screen0" $((cx + $1)) $((cy + $2)) "$3" "$4" <<'EOF'
import hashlib, struct, sys
d = open(sys.argv[1], 'rb').read()
f = struct.unpack('>25I', d[:100])
x, y, w, h = map(int, sys.argv[2:6])
off, bpl, px = f[0] + f[19] * 12, f[12], f[11] // 8
print(hashlib.md5(b''.join(d[off + r * bpl + x * px:off + r * bpl + (x + w) * px] for r in range(y, y + h))).hexdigest())
EOF
}
area_differs() { [ "$(area "$1" "$2" "$3" "$4")" != "$5" ]; }
area_settled() { local a; a=$(area "$@"); sleep 0.4; [ "$(area "$@")" = "$a" ]; }
geometry() { xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Width:/ {w=$NF} /Height:/ {print x, y, w, $NF}'; }
# The client area's corner on the screen, below the menu bar (the client is 314 high with /CHEAT).
locate() { local w h; read -r cx cy w h <<<"$(geometry "$wid")"; cy=$((cy + h - 314)); }
locate
# A window's outer frame leaves the dice, Roll, Done and the choice lists
# (client x 0 to 457, y 40 to 281) in sight.
clear_of_play() {
  local x y w h l r t b
  read -r x y w h <<<"$(geometry "$1")"
  read -r l r t b <<<"$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')"
  [ $((x + w + r)) -le "$cx" ] || [ $((x - l)) -ge $((cx + 457)) ] || [ $((y + h + b)) -le $((cy + 40)) ] \
    || [ $((y - t)) -ge $((cy + 281)) ]
}
# A menu command by its letters, the item's once the menu is open.
menu_pick() {
  local shut; shut=$(area 0 0 230 140)
  xdotool key "alt+$1"
  wait_for 300 area_differs 0 0 230 140 "$shut" || fail "Alt+$1 did not open its menu"
  xdotool key "$2"
}
# The game's first window that was not open before ($known).
new_window() {
  local w
  for _ in $(seq 100); do
    w=$(comm -13 <(echo "$known") <(xdotool search --onlyvisible --class korvex | sort) | head -n1)
    [ -n "$w" ] && echo "$w" && return
    sleep 0.1
  done
}
shown() { xdotool search --onlyvisible --class korvex | grep -qx "$1"; }
active_is_game() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$wid" ]; }
gone() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
# Message boxes (a bust) are answered.
answer_boxes() {
  for w in $(xdotool search --onlyvisible --name '^Korvex$' 2>/dev/null); do
    [ "$w" = "$wid" ] || xdotool windowactivate --sync "$w" key Return 2>/dev/null
  done
}

# Start sits on the cover at (100, 96), 124 x 41, the cover at client y 33.
xdotool mousemove $((cx + 100 + 62)) $((cy + 33 + 96 + 20))
wait_for 300 settled
covered=$(picture)
xdotool click 1
wait_for 300 differs "$covered" || fail "the click on Start left the cover up"

# R rolls: the dice turn, so the picture changes.
wait_for 300 settled
before=$(picture)
xdotool key r
wait_for 300 differs "$before" || fail "R did not set the dice rolling"

# Every die has stopped after about 2.1 s. P pauses: the cover comes back.
sleep 2.5
wait_for 300 settled || fail "the dice did not come to rest"
answer_boxes
kill -0 "$game_pid" 2>/dev/null || fail "the game ended before the keys"
playing=$(picture)
xdotool key p
wait_for 300 differs "$playing" || fail "P did not pause the game"

# F1 opens the rules in the settings dialog; Escape closes it again.
xdotool key F1
setup=$(timeout 60 xdotool search --sync --onlyvisible --name '^Setup$' | head -n1)
[ -n "$setup" ] || fail "F1 did not open the rules"
xdotool key --window "$setup" Escape
wait_for 300 gone '^Setup$' || fail "Escape left the settings open"
xdotool windowactivate --sync "$wid" 2>/dev/null

# Enter continues. Roll has the focus; Tab takes it to Done, which shows it,
# and Shift+Tab twice to the last die, which shows it too.
dice="16 40 426 66"
subtotal="336 152 121 28"
xdotool key Return
wait_for 300 area_settled $dice || fail "the dice did not come to rest"
marked() { # keys, the control, its place
  local keys=$1 what=$2 before
  shift 2
  before=$(area "$@")
  xdotool key $keys
  wait_for 300 area_differs "$@" "$before" || fail "the focused $what shows no mark"
}
marked Tab Done 233 112 97 33
marked "shift+Tab shift+Tab" die 376 40 66 66

# Six ones from the test button; three selected bring up their choice list.
# Down picks the next valuation, the focus still on the test button.
xdotool mousemove $((cx + 45)) $((cy + 300)) click 1
wait_for 300 area_settled $dice
xdotool key 1 2 3
wait_for 300 area_settled $subtotal
full=$(area $subtotal)
xdotool key Down
wait_for 300 area_differs $subtotal "$full" || fail "Down did not reach the choice list"

# Saved and opened again, the subtotal shows what Done would bank: the same
# as once the selection is counted anew (die 1 released and taken again).
for step in "ctrl+s Save" "ctrl+o Open"; do
  set -- $step
  xdotool windowactivate --sync "$wid" key "$1"
  timeout 60 xdotool search --sync --onlyvisible --name "^$2 Game" >/dev/null || fail "$1 did not ask for a file"
  xdotool type --delay 20 "$work/game/ones.kvx"
  xdotool key Return
  wait_for 300 gone "^$2 Game" || fail "the $2 dialog stayed open"
done
xdotool windowactivate --sync "$wid" key Return
wait_for 300 area_settled $dice
opened=$(area $subtotal)
xdotool key 1
wait_for 300 area_differs $subtotal "$opened" || fail "releasing a one left the subtotal"
xdotool key 1
wait_for 300 area_settled $subtotal
[ "$(area $subtotal)" = "$opened" ] || fail "after the open the subtotal was not what Done banks"

# The advisor opens beside the game, clear of the dice, and the keyboard
# stays with the game: R rolls at once.
menu_pick t a
advisor=$(timeout 60 xdotool search --sync --onlyvisible --name '^Advisor$' | head -n1)
[ -n "$advisor" ] || fail "the advisor did not open"
wait_for 300 active_is_game || fail "the advisor took the keyboard"
locate # the game may have made room
clear_of_play "$advisor" || fail "the advisor covers the dice: $(geometry "$advisor")"
rolled=$(area $dice)
xdotool key r
wait_for 300 area_differs $dice "$rolled" || fail "R after opening the advisor did not roll"
sleep 2.5
wait_for 300 area_settled $dice || fail "the dice did not come to rest"
answer_boxes
xdotool windowactivate --sync "$wid" 2>/dev/null

# The top ten opens in front of the game and takes the keyboard, so that
# nothing typed there reaches the game; Escape closes it.
known=$(xdotool search --onlyvisible --class korvex | sort)
menu_pick f t
topten=$(new_window)
[ -n "$topten" ] || fail "the top ten did not open"
in_front() {
  xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/, /\n/g' | while read -r w; do echo $((w)); done \
    | sed -n "/^$wid\$/,\$p" | grep -qx "$topten"
}
active_is() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
wait_for 300 in_front || fail "the top ten opened behind the game"
wait_for 300 active_is "$topten" || fail "the top ten left the keyboard with the game"
# (Pressed again if the menu, letting go of the keyboard, swallowed it.)
for _ in $(seq 10); do
  xdotool key Escape
  wait_for 5 eval '! shown "$topten"' && break
done
shown "$topten" && fail "Escape left the top ten open"

# The review, the advisor closed, opens clear of the dice too: where there is
# no room beside the game, the game makes room. It takes the keyboard, and
# Escape closes it.
xdotool windowactivate --sync "$advisor" key Escape
wait_for 300 gone '^Advisor$' || fail "Escape left the advisor open"
xdotool windowactivate --sync "$wid"
known=$(xdotool search --onlyvisible --class korvex | sort)
menu_pick t e
review=$(new_window)
[ -n "$review" ] || fail "the review did not open"
locate
clear_of_play "$review" || fail "the review covers the dice: $(geometry "$review")"
wait_for 300 active_is "$review" || fail "the review left the keyboard with the game"
xdotool key Escape
wait_for 300 eval '! shown "$review"' || fail "Escape left the review open"

# So do the statistics.
xdotool windowactivate --sync "$wid"
known=$(xdotool search --onlyvisible --class korvex | sort)
menu_pick f Up # round from the first item to the last but one
xdotool key Up Return
statistics=$(new_window)
[ -n "$statistics" ] || fail "the statistics did not open"
locate
clear_of_play "$statistics" || fail "the statistics cover the dice: $(geometry "$statistics")"
wait_for 300 active_is "$statistics" || fail "the statistics left the keyboard with the game"
xdotool key Escape
wait_for 300 eval '! shown "$statistics"' || fail "Escape left the statistics open"

# Opened together, the advisor and the review each fit the screen whole,
# clear of the game and of each other; the statistics and the practice,
# opened next with no free room left, keep their title bars on the screen
# and the dice in sight.
outer() {
  local x y w h l r t b
  read -r x y w h <<<"$(geometry "$1")"
  read -r l r t b <<<"$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')"
  echo $((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))
}
on_screen() {
  local x y w h
  read -r x y w h <<<"$(outer "$1")"
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1024 ] && [ $((y + h)) -le 768 ]
}
apart() {
  local ax ay aw ah bx by bw bh
  read -r ax ay aw ah <<<"$(outer "$1")"
  read -r bx by bw bh <<<"$(outer "$2")"
  [ $((ax + aw)) -le "$bx" ] || [ $((bx + bw)) -le "$ax" ] || [ $((ay + ah)) -le "$by" ] || [ $((by + bh)) -le "$ay" ]
}
open_beside() { # the menu's letter, the item's keys
  local menu=$1
  shift
  xdotool windowactivate --sync "$wid"
  known=$(xdotool search --onlyvisible --class korvex | sort)
  menu_pick "$menu" "$1"
  shift
  [ $# -gt 0 ] && xdotool key "$@"
  new_window
}
side=()
for item in "t a" "t e"; do
  w=$(open_beside $item)
  [ -n "$w" ] || fail "the side window of '$item' did not open"
  sleep 0.5
  side+=("$w")
done
locate
for w in "${side[@]}"; do
  on_screen "$w" || fail "$(xprop -id "$w" WM_NAME) does not fit the screen: $(outer "$w")"
  apart "$w" "$wid" || fail "$(xprop -id "$w" WM_NAME) lies over the game: $(outer "$w"), the game $(outer "$wid")"
done
apart "${side[@]}" || fail "the advisor and the review overlap: $(outer "${side[0]}"), $(outer "${side[1]}")"
for item in "f Up Up Return" "t Up Return"; do
  w=$(open_beside $item)
  [ -n "$w" ] || fail "the side window of '$item' did not open"
  sleep 0.5
  locate
  on_screen "$w" || fail "$(xprop -id "$w" WM_NAME) does not fit the screen: $(outer "$w")"
  clear_of_play "$w" || fail "$(xprop -id "$w" WM_NAME) covers the dice: $(outer "$w")"
done

# Ctrl+Q ends the program as Alt+X does (both are ignored while dice roll,
# so on a slow machine it is pressed again until the program ends).
xdotool windowactivate --sync "$wid" 2>/dev/null
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
