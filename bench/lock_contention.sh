#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Six copies of the game winning at once into one folder (300 wins each, three
# writes a win: 5,400 writes); then counts the games the statistics hold.
#   bench/lock_contention.sh [build dir] [copies] [wins]
set -e
build=${1:-build}
copies=${2:-6}
wins=${3:-300}
dir=$(mktemp -d)
i=0
while [ "$i" -lt "$copies" ]; do
    "$build/bench/lock_contention" "$dir" "$wins" $((100000 * (i + 1))) > "$dir/copy$i.out" &
    i=$((i + 1))
done
wait
cat "$dir"/copy*.out
games=$(tr -d '\r' < "$dir/KVXStats.ini" | awk '/^\[/ { in_games = ($0 == "[Games]") } in_games && /^[0-9]+=/ { n++ } END { print n + 0 }')
printf 'games in the statistics: %s of %s\n' "$games" $((copies * wins))
rm -rf "$dir"
