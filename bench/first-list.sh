#!/usr/bin/env bash
# Time from process start to the first painted list, with a warm cache (both feeds and every
# picture cached): runs Plotvane once against the demo service to fill the cache, then RUNS
# more times and prints each time and the median. Under Xvfb; run after a build.
#
#   bench/first-list.sh [RUNS]      (7 by default)
set -uo pipefail
cd "$(dirname "$0")/.."
runs=${1:-7}
build=${PLOTVANE_BUILD_DIR:-build}
work=$(mktemp -d /tmp/pvfirst-XXXXXX)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; wait 2>/dev/null; rm -rf "$work"' EXIT

export HOME=$work XDG_CONFIG_HOME=$work/.config XDG_DATA_HOME=$work/.local/share XDG_RUNTIME_DIR=$work/run TMPDIR=$work/tmp
mkdir -p "$XDG_CONFIG_HOME/Plotvane" "$XDG_RUNTIME_DIR" "$TMPDIR"
chmod 700 "$XDG_RUNTIME_DIR"
# 40 queue entries ("40"), as the measurement asks.
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Plotvane\\Config]\n"Movies in queue"=dword:00000005\n"Check for new movies"=dword:00000002\n"Update interval"=dword:00000002\n"NetFlixID"="FIRST"\n"Minimize on run"=dword:00000000\n"Auto startup"=dword:00000000\n"NLFA"=hex:00,00,00,00,00,00,00,00\n\n' \
    > "$XDG_CONFIG_HOME/Plotvane/registry.reg"
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display") QT_QPA_PLATFORM=xcb
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
"$build/tools/demo-service/demo-service" --port-file "$work/port" --step-seconds 100000 >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do [[ -s "$work/port" ]] && break; sleep 0.1; done
export http_proxy=http://127.0.0.1:$(cat "$work/port") no_proxy=
export QT_LOGGING_RULES="plotvane.main.info=true" QT_MESSAGE_PATTERN="%{time process} %{message}"

run_once() {
    "$build/src/app/plotvane" 2>"$work/log" &
    local app=$!
    for _ in $(seq 300); do grep -q 'lists painted' "$work/log" 2>/dev/null && break; sleep 0.05; done
    sleep 1 # the pictures
    kill "$app" 2>/dev/null
    wait "$app" 2>/dev/null
    awk '/lists painted/ {print $1 * 1000; exit}' "$work/log"
}

run_once >/dev/null # fills the cache
times=()
for _ in $(seq "$runs"); do times+=("$(run_once)"); done
printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR] = $1} END {printf "first painted list after process start, warm cache: median %.0f ms (min %.0f, max %.0f, %d runs)\n", a[int((NR + 1) / 2)], a[1], a[NR], NR}'
