#!/usr/bin/env bash
# A desktop without a tray, as GNOME is without its extensions: Xvfb and a window manager only.
# The window stays the program's face: minimised it is brought back by a second start, and its
# close button ends the program, placement stored.
#
#   notray.sh PLOTVANE_EXE DEMO_SERVICE_EXE
set -uo pipefail
exe=$1
demo=$2
source "$(dirname "$0")/../../scripts/desktop.sh"
work=$(mktemp -d /tmp/pvnotray-XXXXXX)
trap 'pv_stop; rm -rf "$work"' EXIT

pv_profile "$work" E2E-MEMBER 7 0
pv_desktop || { echo "FAILED: no desktop"; exit 1; }
pv_demo "$demo" "$work/demo.log" || { echo "FAILED: no demo service"; exit 1; }

pv_launch "$exe" "$work/plotvane.log"
app=$pv_app
pv_check "the window shows without a tray" pv_wait 300 pv_window_shown || { pv_result; exit 1; }
pv_check "the lists arrive" pv_wait 300 pv_have_box_art
window=$(xdotool search --onlyvisible --name '^Plotvane$' | head -n 1)
mapped() { xwininfo -id "$window" 2>/dev/null | grep -q 'IsViewable'; }
unmapped() { ! mapped; }
pv_check "no tray icon stands in for it" test -z "$(xdotool search --class plotvane 2>/dev/null |
    while read -r w; do [[ $(xwininfo -id "$w" | awk '/Width:/ {print $2}') -le 64 ]] && xwininfo -id "$w" |
        grep -q IsViewable && echo "$w"; done)"

xdotool windowminimize "$window"
pv_check "the window can be minimised" pv_wait 50 unmapped
timeout 5 "$exe"
pv_check "a second start brings it back" pv_wait 50 mapped
pv_check "the first copy still runs" kill -0 "$app"

# The feeds are in, so the close is not held back for a download.
close_window() {
    for _ in 1 2 3 4 5 6; do
        wmctrl -i -c "$window"
        pv_wait 40 sh -c "! kill -0 $app 2>/dev/null" && return 0
    done
    return 1
}
pv_check "its close button ends the program" close_window
pv_check "and the window placement is stored" grep -q '"WindowFlags"=hex:' "$XDG_CONFIG_HOME/Plotvane/registry.reg"

pv_result
