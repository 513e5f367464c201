#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds a release of Korvex and measures it: the in-process benchmarks, then
# the started program side by side with the toolkit floor on private X servers,
# then a session of our own that starts a game and rolls through xdotool.
# Every figure is printed as median [min..max] with its ratio to the floor.
set -u -o pipefail
export LC_ALL=C

usage() {
  cat <<'EOF'
usage: bench/run.sh [options]
  -n N          runs of each measurement (default 5)
  -i SECS       idle window with the cover up (default 10)
  --no-build    use what is already in build-release
  --skip-gui    only the in-process benchmarks
  --skip-inproc only the measurements of the started programs
  --skip-harness leave out the gui-bench.sh runs (keeps the own session)
  -h, --help    this text
Environment: KORVEX_PERF_TOOLS (default ../shared/tools/perf beside the repository)
EOF
}

RUNS=5 IDLE=10 BUILD=1 GUI=1 INPROC=1 HARNESS=1
while (($#)); do
  case $1 in
    -n) RUNS=${2:?}; shift 2 ;;
    -i) IDLE=${2:?}; shift 2 ;;
    --no-build) BUILD=0; shift ;;
    --skip-gui) GUI=0; shift ;;
    --skip-inproc) INPROC=0; shift ;;
    --skip-harness) HARNESS=0; shift ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done
[[ $RUNS =~ ^[1-9][0-9]*$ ]] || { echo "run.sh: -n needs a whole number" >&2; exit 2; }

ROOT=$(cd -- "$(dirname -- "${BASH_SOURCE[0]}")/.." && pwd)
REL=$ROOT/build-release
PERF=${KORVEX_PERF_TOOLS:-$ROOT/../shared/tools/perf}
GAME=$REL/bin/korvex
FLOOR=$REL/perf-floor/qt6-floor
WORK=$(mktemp -d "${TMPDIR:-/tmp}/korvex-bench.XXXXXX") || exit 2
chmod 700 "$WORK"

# Processes this script started, stopped by their ids on the way out.
OWN_PIDS=()
RESULTS=$REL/bench-results
cleanup() {
  local p
  for p in "${OWN_PIDS[@]}"; do kill "$p" 2>/dev/null; done
  for p in "${OWN_PIDS[@]}"; do wait "$p" 2>/dev/null; done
  # The raw figures of the last run stay beside the build.
  if [[ -d $REL ]]; then
    rm -rf -- "$RESULTS"; mkdir -p "$RESULTS"
    cp -- "$WORK"/*.txt "$WORK"/*.csv "$WORK"/*.log "$RESULTS"/ 2>/dev/null
  fi
  rm -rf -- "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

say() { printf '%s\n' "$*"; }
head1() { printf '\n== %s\n' "$*"; }
load() { read -r a b c _ </proc/loadavg; echo "load $a $b $c on $(nproc) cores"; }

# median [min..max] of the numbers on stdin
summary() {
  sort -g | awk 'NF{v[++n]=$1} END{ if (!n) { print "n/a"; exit }
    m = n % 2 ? v[(n+1)/2] : (v[n/2]+v[n/2+1])/2;
    printf "%g [%g..%g]\n", m, v[1], v[n] }'
}
median() { summary | awk '{print $1}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN{ if (a == "n/a" || b == "n/a") print "n/a";
  else if (b+0 == 0) print (a+0 == 0 ? "1.00 (both 0)" : "inf"); else printf "%.2f\n", a/b }'; }

say "# Korvex benchmarks  $(date -u +%FT%TZ)  $(uname -r)"
say "# start: $(load)"

# ---------------------------------------------------------------- build
if ((BUILD)); then
  head1 "build"
  cmake -S "$ROOT" -B "$REL" -DCMAKE_BUILD_TYPE=Release -DKORVEX_BUILD_TESTS=OFF -DKORVEX_BUILD_BENCH=ON \
    >"$WORK/cmake.log" 2>&1 || { cat "$WORK/cmake.log"; exit 1; }
  cmake --build "$REL" --target korvex korvex_bench_startup korvex_bench_ops korvex_bench_statistics korvex_bench_practice korvex_bench_stalls advisor_selfplay review_bench -j2 >"$WORK/build.log" 2>&1 ||
    { tail -n 30 "$WORK/build.log"; exit 1; }
  cmake -S "$PERF/floor" -B "$REL/perf-floor" -DCMAKE_BUILD_TYPE=Release >"$WORK/floor.log" 2>&1 &&
    cmake --build "$REL/perf-floor" -j2 >>"$WORK/floor.log" 2>&1 || { tail -n 30 "$WORK/floor.log"; exit 1; }
  say "release build in $REL, floor in $REL/perf-floor"
fi
for f in "$GAME" "$REL/bench/korvex_bench_startup" "$REL/bench/korvex_bench_ops" "$REL/bench/korvex_bench_statistics" "$REL/bench/korvex_bench_practice" "$REL/bench/korvex_bench_stalls" \
  "$REL/bench/advisor_selfplay" "$REL/bench/review_bench" "$FLOOR"; do
  [[ -x $f ]] || { echo "run.sh: missing $f (run without --no-build)" >&2; exit 1; }
done

# ---------------------------------------------------------------- in-process
if ((INPROC)); then
  head1 "in-process start-up work, offscreen, $RUNS cold processes each"
  for ((r = 1; r <= RUNS; r++)); do
    QT_QPA_PLATFORM=offscreen "$REL/bench/korvex_bench_startup" >>"$WORK/startup.txt" 2>/dev/null
    QT_QPA_PLATFORM=offscreen "$REL/bench/korvex_bench_startup" --with-files >>"$WORK/startup-files.txt" 2>/dev/null
    QT_QPA_PLATFORM=offscreen "$REL/bench/korvex_bench_startup" --bare >>"$WORK/bare.txt" 2>/dev/null
  done
  fig() { awk -v k="$2" '$1==k{print $2}' "$WORK/$1" | summary; }
  printf '%-28s %-28s %-28s\n' "figure (ms)" "first start" "with settings files"
  for k in qapplication configuration texts typeface dice_pictures main_window topten_dialog \
    settings_dialog first_render total_after_qapp; do
    printf '%-28s %-28s %-28s\n' "$k" "$(fig startup.txt "startup.$k")" "$(fig startup-files.txt "startup.$k")"
  done
  printf '%-28s %-28s\n' "peak RSS (MiB)" "$(fig startup.txt startup.peak_rss)"
  say "bare window beside it (a main window with a menu bar, labels and buttons, as the floor builds):"
  for k in qapplication window first_render total_after_qapp peak_rss; do
    printf '  %-26s %s\n' "$k" "$(fig bare.txt "bare.$k")"
  done
  g=$(awk '$1=="startup.total_after_qapp"{print $2}' "$WORK/startup.txt" | median)
  b=$(awk '$1=="bare.total_after_qapp"{print $2}' "$WORK/bare.txt" | median)
  say "program's own start-up work after QApplication: $g ms, bare window $b ms, ratio $(ratio "$g" "$b")"

  head1 "in-process operations, warm, offscreen"
  QT_QPA_PLATFORM=offscreen "$REL/bench/korvex_bench_ops" 2>/dev/null | tee "$WORK/ops.txt"
  [[ ${PIPESTATUS[0]} == 0 ]] || say "!! the die-step check FAILED (see above)"

  head1 "statistics: a file of 10,000 games loaded, a game added, the window opened after the solve; best play's spread against $((RUNS * 400)) games"
  QT_QPA_PLATFORM=offscreen "$REL/bench/korvex_bench_statistics" $((RUNS * 4)) $((RUNS * 400)) 2>/dev/null | tee "$WORK/statistics.txt"
  [[ ${PIPESTATUS[0]} == 0 ]] || say "!! a statistics figure is OVER its budget (see above)"

  head1 "practice: a verdict once solved, the built-in set chosen, the window opened"
  QT_QPA_PLATFORM=offscreen "$REL/bench/korvex_bench_practice" $((RUNS * 4)) 2>/dev/null | tee "$WORK/practice.txt"
  [[ ${PIPESTATUS[0]} == 0 ]] || say "!! a practice figure is OVER its budget (see above)"

  head1 "stalls: the longest the user-interface thread goes without handling events, windows opening and a game played"
  QT_QPA_PLATFORM=offscreen "$REL/bench/korvex_bench_stalls" 2>/dev/null | tee "$WORK/stalls.txt"
  [[ ${PIPESTATUS[0]} == 0 ]] || say "!! a stall is OVER its budget (see above)"

  head1 "advisor: self-play (best play: $((RUNS * 800)) games at Winner 1000, $((RUNS * 400)) at 2000 with the band in every thousand) and solve times"
  "$REL/bench/advisor_selfplay" $((RUNS * 800)) | tee "$WORK/advisor.txt"
  [[ ${PIPESTATUS[0]} == 0 ]] || say "!! the best play's mean rounds are OFF the solver's (see above)"

  head1 "game review: rounds lost to decisions per strategy ($((RUNS * 60)) games each), time and memory"
  "$REL/bench/review_bench" $((RUNS * 60)) | tee "$WORK/review.txt"
  [[ ${PIPESTATUS[0]} == 0 ]] || say "!! the best play's luck is OFF 0 (see above)"
fi

((GUI)) || exit 0

# ---------------------------------------------------------------- gui-bench side by side
if ((HARNESS)); then
head1 "started programs on private X servers: floor and korvex alternating, $RUNS runs each (+1 warm-up)"
say "# $(load)"
CSV=$WORK/gui.csv
gb() {  # label program csv
  "$PERF/gui-bench.sh" -n 1 -w 0 -i "$IDLE" -l "$1" --csv "$3" -- "$2" >>"$WORK/gui.log" 2>&1 ||
    say "   (a $1 run failed; see the harness output below)"
}
gb floor "$FLOOR" "$WORK/warm.csv"
gb korvex "$GAME" "$WORK/warm.csv"
for ((r = 1; r <= RUNS; r++)); do
  if ((r % 2)); then gb floor "$FLOOR" "$CSV"; gb korvex "$GAME" "$CSV"
  else gb korvex "$GAME" "$CSV"; gb floor "$FLOOR" "$CSV"; fi
done
grep -E 'FAIL|note:' "$WORK/gui.log" | sed 's/^/   /'
col() {  # label column-number
  awk -F, -v l="$1" -v c="$2" '$1==l && $2 ~ /^run/ {print $c}' "$CSV" | summary
}
printf '%-22s %-24s %-24s %s\n' figure floor korvex "ratio of medians (goal)"
row() {  # name column goal
  local f k
  f=$(col floor "$2"); k=$(col korvex "$2")
  printf '%-22s %-24s %-24s %s\n' "$1" "$f" "$k" "$(ratio "${k%% *}" "${f%% *}") $3"
}
row "map ms" 4 "(<= 1.25)"
row "RSS MiB" 5 "(<= 1.15)"
row "HWM MiB" 6 ""
row "PSS MiB" 7 ""
row "idle CPU ms/${IDLE}s" 10 "(cover up: 0)"
row "idle CPU ns-ms" 11 ""
row "wake-ups all thr." 13 "(cover up: 0)"
row "threads" 9 ""
for l in floor korvex; do
  printf 'map ms per run, %-7s %s\n' "$l:" "$(awk -F, -v l="$l" '$1==l && $2 ~ /^run/ {printf "%s ", $4}' "$CSV")"
done
fi

# ---------------------------------------------------------------- own session: GL, CPU to map, playing, roll
head1 "own session: OpenGL check, CPU until the map, playing without rolling, one roll ($RUNS runs)"
need_ok=1
for t in Xvfb xdpyinfo xdotool dbus-daemon cc; do
  command -v "$t" >/dev/null || { say "missing $t: session measurements skipped"; need_ok=0; }
done
((need_ok)) || exit 0
cc -O2 -o "$WORK/mapwait" "$PERF/mapwait.c" -lX11 2>"$WORK/mapwait.log" ||
  { say "cannot build mapwait: session measurements skipped"; exit 0; }

XPID="" DISP=""
for ((n = 140; n < 180; n++)); do
  [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$WORK/xvfb.log" 2>&1 </dev/null &
  XPID=$!
  for ((i = 0; i < 100; i++)); do
    xdpyinfo -display ":$n" >/dev/null 2>&1 && { DISP=":$n"; break; }
    kill -0 "$XPID" 2>/dev/null || break
    sleep 0.05
  done
  [[ -n $DISP ]] && { OWN_PIDS+=("$XPID"); break; }
  kill "$XPID" 2>/dev/null; wait "$XPID" 2>/dev/null; XPID=""
done
[[ -n $DISP ]] || { say "cannot start Xvfb: session measurements skipped"; exit 0; }
RUNTIME=$WORK/runtime; mkdir -p -m 700 "$RUNTIME"
HOMEDIR=$WORK/home; mkdir -p "$HOMEDIR"
BUS=""
dbus-daemon --session --nofork --nopidfile --address="unix:path=$RUNTIME/bus" --print-address=1 \
  >"$WORK/bus.addr" 2>/dev/null </dev/null &
OWN_PIDS+=("$!")
for ((i = 0; i < 100; i++)); do [[ -s $WORK/bus.addr ]] && { BUS=$(head -n1 "$WORK/bus.addr"); break; }; sleep 0.05; done
APP_ENV=(PATH="$PATH" HOME="$HOMEDIR" USER="${USER:-$(id -un)}" XDG_RUNTIME_DIR="$RUNTIME" LANG=C.UTF-8
  XDG_SESSION_TYPE=x11 QT_QPA_PLATFORM=xcb NO_AT_BRIDGE=1 QT_ACCESSIBILITY=0 DISPLAY="$DISP")
[[ -n $BUS ]] && APP_ENV+=(DBUS_SESSION_BUS_ADDRESS="$BUS")

cpu_ns() {  # all threads of $1, nanoseconds
  local f v s=0
  for f in /proc/"$1"/task/*/schedstat; do { read -r v _ <"$f"; } 2>/dev/null && s=$((s + v)); done
  echo "$s"
}
csw() {  # voluntary + involuntary switches of all threads of $1
  local f k v s=0
  for f in /proc/"$1"/task/*/status; do
    while read -r k v _; do
      [[ $k == voluntary_ctxt_switches: || $k == nonvoluntary_ctxt_switches: ]] && s=$((s + v))
    done <"$f" 2>/dev/null
  done
  echo "$s"
}
us_now() { local t=$EPOCHREALTIME; echo "${t/./}"; }
mkfifo "$WORK/never"
exec 9<>"$WORK/never"
nap() { read -r -t "$1" -u 9 _ || true; }   # a sleep without a fork

APP="" WIN="" MAPCPU=""
launch() {  # program -> APP (pid), WIN, MAPCPU (CPU ms of all its threads when the window maps)
  local out=$WORK/mapwait.out line
  : >"$out"
  DISPLAY=$DISP "$WORK/mapwait" 20 >"$out" 2>/dev/null </dev/null &
  local mw=$!
  for ((i = 0; i < 100; i++)); do grep -q READY "$out" && break; sleep 0.05; done
  env -i "${APP_ENV[@]}" "$1" >>"$WORK/app.log" 2>&1 </dev/null &
  APP=$!
  OWN_PIDS+=("$APP")
  wait "$mw"
  line=$(grep '^MAPPED' "$out")
  local c; c=$(cpu_ns "$APP")
  read -r _ _ WIN _ <<<"$line"
  MAPCPU=$(awk -v c="$c" 'BEGIN{printf "%.1f\n", c/1e6}')
}
finish() {
  [[ -n $APP ]] || return 0
  kill "$APP" 2>/dev/null; wait "$APP" 2>/dev/null; APP=""
}
gl_libs() {  # OpenGL implementations mapped into $1 (the dispatch stubs Qt links are listed apart)
  local impl stubs
  impl=$(grep -oE '[^/ ]*(GLX_mesa|EGL_mesa|llvmpipe|libLLVM|gallium|_dri|swrast|libGL\.so)[^/ ]*$' "/proc/$1/maps" | sort -u | tr '\n' ' ')
  stubs=$(grep -oE 'lib(GLX|EGL|OpenGL|GLdispatch)\.so[^/ ]*$' "/proc/$1/maps" | sort -u | tr '\n' ' ')
  echo "implementation: ${impl:-none}; dispatch stubs linked by QtGui: ${stubs:-none}"
}

: >"$WORK/floor-map.txt"; : >"$WORK/game-map.txt"
: >"$WORK/play-cpu.txt"; : >"$WORK/play-csw.txt"
: >"$WORK/roll-cpu.txt"; : >"$WORK/roll-len.txt"; : >"$WORK/roll-share.txt"; : >"$WORK/roll-csw.txt"
for ((r = 0; r <= RUNS; r++)); do   # run 0 warms the caches and is not counted
  launch "$FLOOR"
  ((r == 1)) && say "floor  OpenGL: $(gl_libs "$APP")"
  ((r > 0)) && echo "$MAPCPU" >>"$WORK/floor-map.txt"
  finish

  launch "$GAME"
  ((r > 0)) && echo "$MAPCPU" >>"$WORK/game-map.txt"
  nap 2
  ((r == 1)) && say "korvex OpenGL: $(gl_libs "$APP")"
  # Start from the cover with the keyboard, then the clock runs: 5 s of play without rolling.
  DISPLAY=$DISP xdotool windowfocus --sync "$WIN" >/dev/null 2>&1
  DISPLAY=$DISP xdotool key --window "$WIN" Return >/dev/null 2>&1
  nap 0.5
  a=$(cpu_ns "$APP"); s=$(csw "$APP"); nap 5
  b=$(cpu_ns "$APP"); t=$(csw "$APP")
  if ((r > 0)); then
    awk -v x="$((b - a))" 'BEGIN{printf "%.1f\n", x/1e6}' >>"$WORK/play-cpu.txt"
    echo "$((t - s))" >>"$WORK/play-csw.txt"
  fi
  # One roll of six dice: sample every 20 ms for 3 s; the roll ends with the
  # last of its dense wake-ups (the clock's tick a second stands alone).
  : >"$WORK/samples"
  t0=$(us_now); a=$(cpu_ns "$APP"); s=$(csw "$APP")
  DISPLAY=$DISP xdotool key --window "$WIN" r >/dev/null 2>&1
  while (($(us_now) - t0 < 3000000)); do
    echo "$(us_now) $(cpu_ns "$APP") $(csw "$APP")" >>"$WORK/samples"
    nap 0.02
  done
  read -r len cpu share sw < <(awk -v t0="$t0" -v c0="$a" -v s0="$s" '
    { t[NR]=$1; c[NR]=$2; w[NR]=$3 }
    END { last=0; prevup=0
      for (i = 2; i <= NR; i++) if (w[i] > w[i-1]) {
        if (prevup && t[i] - t[prevup] <= 150000) last = i
        prevup = i }
      if (!last) { print "0 0 0 0"; exit }
      len = (t[last] - t0) / 1000; cpu = (c[last] - c0) / 1e6
      printf "%.0f %.1f %.2f %d\n", len, cpu, (len > 0 ? 100 * cpu / len : 0), w[last] - s0 }' "$WORK/samples")
  if ((r > 0)); then
    echo "$len" >>"$WORK/roll-len.txt"; echo "$cpu" >>"$WORK/roll-cpu.txt"
    echo "$share" >>"$WORK/roll-share.txt"; echo "$sw" >>"$WORK/roll-csw.txt"
  fi
  finish
done
fm=$(summary <"$WORK/floor-map.txt"); gm=$(summary <"$WORK/game-map.txt")
printf '%-30s %-24s %-24s %s\n' figure floor korvex ratio
printf '%-30s %-24s %-24s %s\n' "CPU until the map, ms" "$fm" "$gm" "$(ratio "${gm%% *}" "${fm%% *}")"
say "playing, not rolling (5 s, clock running; goal: its one wake-up a second):"
say "  CPU ms $(summary <"$WORK/play-cpu.txt"), wake-ups $(summary <"$WORK/play-csw.txt")"
say "one roll of six dice, from the key press to its last die step:"
say "  length ms $(summary <"$WORK/roll-len.txt"), CPU ms $(summary <"$WORK/roll-cpu.txt"), wake-ups $(summary <"$WORK/roll-csw.txt")"
say "  share of one core % $(summary <"$WORK/roll-share.txt")  (goal <= 5)"
say "  per run: length ms $(tr '\n' ' ' <"$WORK/roll-len.txt")| CPU ms $(tr '\n' ' ' <"$WORK/roll-cpu.txt")"
say "# end: $(load); raw figures in $RESULTS"
