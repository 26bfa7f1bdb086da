#!/usr/bin/env bash
# How quickly Plotvane starts, against the floor: a minimal Qt 6 Widgets program with a tray icon
# (bench/start/Floor.cpp). Both are started through bench/start/Stamp.cpp, which stamps the
# monotonic clock and then execs the program, and both log their first paint with Qt's
# "%{time boot}" (the same clock): so every figure runs from the exec, not from whenever Qt first
# formatted a message. Plotvane runs with a warm profile (both feeds and every picture cached, 40
# queue entries, filled by a first run against the demo service). The runs are interleaved,
# floor then Plotvane, under Xvfb with openbox and trayer; the medians are printed.
#
#   bench/start.sh [RUNS]      (9 by default; run from the repository after a build)
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/desktop.sh
runs=${1:-9}
build=${PLOTVANE_BUILD_DIR:-build}
work=$(mktemp -d /tmp/pvstart-XXXXXX)
trap 'pv_stop; rm -rf "$work"' EXIT

pv_profile "$work" FIRST 5 2
pv_desktop tray
pv_demo "$build/tools/demo-service/demo-service" "$work/demo.log" 100000
export QT_LOGGING_RULES="plotvane.main.info=true" QT_MESSAGE_PATTERN="%{time boot} %{message}"
stamp=$build/bench/stamp

# run_once PROGRAM WHAT: starts the program through the launcher, waits for WHAT in its log, ends
# it, and prints the milliseconds from the exec to WHAT.
run_once() {
    "$stamp" "$1" 2>"$work/log" &
    local app=$!
    pv_wait 300 grep -q "$2" "$work/log"
    sleep 0.5
    kill "$app" 2>/dev/null
    wait "$app" 2>/dev/null
    awk -v what="$2" '
        / exec$/ && !start { start = $1 }
        index($0, what) && !done { done = $1 }
        END { if (start && done) printf "%.0f\n", (done - start) * 1000 }' "$work/log"
}

run_once "$build/src/app/plotvane" 'lists painted' >/dev/null # fills the cache
sleep 1
floor=() window=() lists=()
for _ in $(seq "$runs"); do
    floor+=("$(run_once "$build/bench/floor-program" 'window painted')")
    "$stamp" "$build/src/app/plotvane" 2>"$work/log" &
    app=$!
    pv_wait 300 grep -q 'lists painted' "$work/log"
    sleep 0.5
    kill "$app" 2>/dev/null
    wait "$app" 2>/dev/null
    window+=("$(awk '/ exec$/ && !s {s = $1} /window painted/ && !d {d = $1} END {printf "%.0f", (d - s) * 1000}' "$work/log")")
    lists+=("$(awk '/ exec$/ && !s {s = $1} /lists painted/ && !d {d = $1} END {printf "%.0f", (d - s) * 1000}' "$work/log")")
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
f=$(median "${floor[@]}")
w=$(median "${window[@]}")
l=$(median "${lists[@]}")
echo "exec -> window painted: floor $f ms, Plotvane $w ms, ratio $(awk -v a="$w" -v b="$f" 'BEGIN {printf "%.2f", a / b}') (medians of $runs)"
echo "exec -> lists painted, warm profile: Plotvane $l ms, ratio to the floor's window $(awk -v a="$l" -v b="$f" 'BEGIN {printf "%.2f", a / b}')"
