#!/usr/bin/env bash
# The real program on a desktop: Xvfb with openbox and a tray host, against the demo service, in
# a throw-away profile. Checks what a member sees: the lists with box art, the close button
# taking the program to the tray, a second start bringing it back.
#
#   desktop.sh PLOTVANE_EXE DEMO_SERVICE_EXE
set -uo pipefail
exe=$1
demo=$2
source "$(dirname "$0")/../../scripts/desktop.sh"
work=$(mktemp -d /tmp/pve2e-XXXXXX)
trap 'pv_stop; rm -rf "$work"' EXIT

pv_profile "$work" E2E-MEMBER 7 0
pv_desktop tray || { echo "FAILED: no desktop"; exit 1; }
pv_demo "$demo" "$work/demo.log" || { echo "FAILED: no demo service"; exit 1; }

pv_launch "$exe" "$work/plotvane.log"
app=$pv_app
cache=$XDG_DATA_HOME/Plotvane/Plotvane/Cache
pv_check "the feeds and the box art reach the cache" pv_wait 300 pv_have_box_art
pv_check "both feeds are cached" test -s "$cache/QueueRSS.xml" -a -s "$cache/TrackingRSS.xml"
window=$(xdotool search --onlyvisible --name '^Plotvane$' | head -n 1)
pv_check "the window is on the screen" test -n "$window"
mapped() { xwininfo -id "$window" 2>/dev/null | grep -q 'IsViewable'; }
unmapped() { xwininfo -id "$window" 2>/dev/null | grep -q 'IsUnMapped'; }
pv_check "the broken box art was looked up on its movie page" grep -q 'MovieDisplay?movieid=70001148' "$work/demo.log"

# The window manager's close, as its close button sends it; it needs no keyboard focus, which
# a busy desktop may be slow to give. While the feeds still download the close is refused, and
# a loaded machine may still be downloading.
close_window() {
    for _ in 1 2 3 4 5 6; do
        wmctrl -i -c "$window"
        pv_wait 40 unmapped && return 0
    done
    return 1
}
pv_check "the close button hides the window" close_window
pv_check "the program goes on in the tray" kill -0 "$app"

start=$(date +%s%N)
timeout 5 "$exe"
pv_check "a second start ends within 2 s" test $(( ($(date +%s%N) - start) / 1000000 )) -lt 2000
pv_check "a second start brings the window back" pv_wait 30 mapped
pv_check "the first copy still runs" kill -0 "$app"

pv_ours "$app" && kill -TERM "$app"
pv_check "the end of the session ends the program" pv_wait 50 sh -c "! kill -0 $app 2>/dev/null"
pv_check "and the window placement is stored" grep -q '"WindowFlags"=hex:' "$XDG_CONFIG_HOME/Plotvane/registry.reg"

pv_result
