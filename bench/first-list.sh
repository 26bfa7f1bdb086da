#!/usr/bin/env bash
# Time from process start to the first painted list, with a warm cache (both feeds and every
# picture cached, 40 queue entries): runs Plotvane once against the demo service to fill the
# cache, then RUNS more times and prints the median. Under Xvfb; run after a build.
#
#   bench/first-list.sh [RUNS]      (7 by default)
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/desktop.sh
runs=${1:-7}
build=${PLOTVANE_BUILD_DIR:-build}
work=$(mktemp -d /tmp/pvfirst-XXXXXX)
trap 'pv_stop; rm -rf "$work"' EXIT

pv_profile "$work" FIRST 5 2
pv_desktop
pv_demo "$build/tools/demo-service/demo-service" "$work/demo.log" 100000
export QT_LOGGING_RULES="plotvane.main.info=true" QT_MESSAGE_PATTERN="%{time process} %{message}"

run_once() {
    "$build/src/app/plotvane" 2>"$work/log" &
    local app=$!
    pv_wait 300 grep -q 'lists painted' "$work/log"
    sleep 1 # the pictures
    kill "$app" 2>/dev/null
    wait "$app" 2>/dev/null
    awk '/lists painted/ {print $1 * 1000; exit}' "$work/log"
}

run_once >/dev/null # fills the cache
times=()
for _ in $(seq "$runs"); do times+=("$(run_once)"); done
printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR] = $1} END {printf "first painted list after process start, warm cache: median %.0f ms (min %.0f, max %.0f, %d runs)\n", a[int((NR + 1) / 2)], a[1], a[NR], NR}'
