#!/usr/bin/env bash
# How quiet Plotvane is when idle in the tray: starts it against the demo service under Xvfb
# with a tray host, waits for the lists, closes the window into the tray, then reports the CPU
# time the process used and its resident memory over an idle period.
#
#   bench/idle.sh [SECONDS]     (60 by default; run from the repository after a build)
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=${PLOTVANE_BUILD_DIR:-build}
work=$(mktemp -d /tmp/pvidle-XXXXXX)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"' EXIT

export HOME=$work XDG_CONFIG_HOME=$work/.config XDG_DATA_HOME=$work/.local/share XDG_RUNTIME_DIR=$work/run TMPDIR=$work/tmp
mkdir -p "$XDG_CONFIG_HOME/Plotvane" "$XDG_RUNTIME_DIR" "$TMPDIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Plotvane\\Config]\n"Movies in queue"=dword:00000007\n"Check for new movies"=dword:00000002\n"Update interval"=dword:00000002\n"NetFlixID"="IDLE"\n"Minimize on run"=dword:00000000\n"Auto startup"=dword:00000000\n"NLFA"=hex:00,00,00,00,00,00,00,00\n\n' \
    > "$XDG_CONFIG_HOME/Plotvane/registry.reg"
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display") QT_QPA_PLATFORM=xcb
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
trayer --edge bottom --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)
"$build/tools/demo-service/demo-service" --port-file "$work/port" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -s "$work/port" ]] && break; sleep 0.1; done
export http_proxy=http://127.0.0.1:$(cat "$work/port") no_proxy=
"$build/src/app/plotvane" 2>/dev/null &
app=$!
pids+=($app)
cache=$XDG_DATA_HOME/Plotvane/Plotvane/Cache
for _ in $(seq 300); do [[ $(ls "$cache"/*.jpg 2>/dev/null | wc -l) -ge 40 ]] && break; sleep 0.1; done
sleep 3
window=$(xdotool search --onlyvisible --name '^Plotvane$' | head -n 1)
xdotool windowactivate --sync "$window" key alt+F4
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
