#!/usr/bin/env bash
# How quiet Plotvane is when idle in the tray: starts it against the demo service under Xvfb
# with a tray host, waits for the lists, closes the window into the tray, then reports the CPU
# time the process used and its resident memory over an idle period.
#
#   bench/idle.sh [SECONDS]     (60 by default; run from the repository after a build)
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/desktop.sh
seconds=${1:-60}
build=${PLOTVANE_BUILD_DIR:-build}
work=$(mktemp -d /tmp/pvidle-XXXXXX)
trap 'pv_stop; rm -rf "$work"' EXIT

pv_profile "$work" IDLE 7 2
pv_desktop tray
pv_demo "$build/tools/demo-service/demo-service" "$work/demo.log"
"$build/src/app/plotvane" 2>/dev/null &
app=$!
pv_pids+=($app)
cache=$XDG_DATA_HOME/Plotvane/Plotvane/Cache
pv_wait 300 sh -c "[ \$(ls '$cache'/*.jpg 2>/dev/null | wc -l) -ge 40 ]"
sleep 3
window=$(xdotool search --onlyvisible --name '^Plotvane$' | head -n 1)
wmctrl -i -c "$window"
sleep 2

ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
# Per thread, so that a thread that ends meanwhile does not count.
switches() { for t in /proc/$app/task/*; do echo "${t##*/} $(awk '/^voluntary_ctxt_switches/ {print $2}' "$t/status")"; done; }
hz=$(getconf CLK_TCK)
t0=$(ticks)
switches > "$work/before"
sleep "$seconds"
t1=$(ticks)
switches > "$work/after"
woken=$(awk 'NR == FNR {before[$1] = $2; next} ($1 in before) {n += $2 - before[$1]} END {print n + 0}' "$work/before" "$work/after")
rss=$(awk '/VmRSS/ {print $2}' "/proc/$app/status")
threads=$(ls "/proc/$app/task" | wc -l)
echo "idle in the tray for $seconds s: cpu $(awk -v d=$((t1 - t0)) -v hz="$hz" 'BEGIN {printf "%.2f", d / hz}') s," \
     "$woken wake-ups (voluntary context switches, all threads), resident $((rss / 1024)) MiB, $threads threads"
