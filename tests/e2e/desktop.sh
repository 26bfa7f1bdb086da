#!/usr/bin/env bash
# The real program on a desktop: Xvfb with openbox and a tray host, against the demo service, in
# a throw-away profile. Checks what a member sees: the lists with box art, the close button
# taking the program to the tray, a second start bringing it back.
#
#   desktop.sh PLOTVANE_EXE DEMO_SERVICE_EXE
set -uo pipefail
exe=$1
demo=$2
work=$(mktemp -d /tmp/pve2e-XXXXXX)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

passed=0
failed=0
check() { # description, then the command that must succeed
    local what=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok: $what"
    else
        failed=$((failed + 1))
        echo "FAILED: $what"
    fi
}
wait_for() { # tenths of a second, then a command
    local tenths=$1
    shift
    for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
    return 1
}

export HOME=$work XDG_CONFIG_HOME=$work/.config XDG_DATA_HOME=$work/.local/share XDG_RUNTIME_DIR=$work/run \
       TMPDIR=$work/tmp
mkdir -p "$XDG_CONFIG_HOME/Plotvane" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR" "$TMPDIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset WAYLAND_DISPLAY
cat > "$XDG_CONFIG_HOME/Plotvane/registry.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Plotvane\Config]
"Movies in queue"=dword:00000007
"Check for new movies"=dword:00000000
"Update interval"=dword:00000002
"NetFlixID"="E2E-MEMBER"
"Minimize on run"=dword:00000000
"Auto startup"=dword:00000000
"NLFA"=hex:00,00,00,00,00,00,00,00

REG

exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
wait_for 100 test -s "$work/display" || { echo "FAILED: Xvfb did not start"; exit 1; }
export DISPLAY=:$(cat "$work/display")
openbox >/dev/null 2>&1 &
pids+=($!)
wait_for 100 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window'
trayer --edge bottom --align right --widthtype request --height 24 >/dev/null 2>&1 &
pids+=($!)
wait_for 100 sh -c 'xwininfo -root -tree 2>/dev/null | grep -q "\"panel\""'

"$demo" --port-file "$work/port" >"$work/demo.log" 2>&1 &
pids+=($!)
wait_for 100 test -s "$work/port" || { echo "FAILED: the demo service did not start"; exit 1; }
export http_proxy=http://127.0.0.1:$(cat "$work/port") no_proxy=
export QT_QPA_PLATFORM=xcb

"$exe" 2>"$work/plotvane.log" &
app=$!
pids+=($app)
cache=$XDG_DATA_HOME/Plotvane/Plotvane/Cache
have_box_art() { [[ $(ls "$cache"/*.jpg 2>/dev/null | wc -l) -ge 10 ]]; }
check "the feeds and the box art reach the cache" wait_for 300 have_box_art
check "both feeds are cached" test -s "$cache/QueueRSS.xml" -a -s "$cache/TrackingRSS.xml"
window=$(xdotool search --onlyvisible --name '^Plotvane$' | head -n 1)
check "the window is on the screen" test -n "$window"
mapped() { xwininfo -id "$window" 2>/dev/null | grep -q 'IsViewable'; }
unmapped() { xwininfo -id "$window" 2>/dev/null | grep -q 'IsUnMapped'; }
check "the broken box art was looked up on its movie page" grep -q 'MovieDisplay?movieid=70001148' "$work/demo.log"

xdotool windowactivate --sync "$window" key alt+F4
check "the close button hides the window" wait_for 50 unmapped
check "the program goes on in the tray" kill -0 "$app"

start=$(date +%s%N)
timeout 5 "$exe"
check "a second start ends within 2 s" test $(( ($(date +%s%N) - start) / 1000000 )) -lt 2000
check "a second start brings the window back" wait_for 30 mapped
check "the first copy still runs" kill -0 "$app"

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
