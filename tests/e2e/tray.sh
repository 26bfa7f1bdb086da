#!/usr/bin/env bash
# The program's life in the tray, as a member lives it: "Close" from the tray menu refused while
# the feeds download and obeyed afterwards, and the first length check after a change at the
# service raising the notification at the bottom right of the screen without taking the focus.
# The first check comes 6 minutes after the pictures arrive (the shortest interval a member can
# choose), so this test takes about 7 minutes.
#
#   tray.sh PLOTVANE_EXE DEMO_SERVICE_EXE
set -uo pipefail
exe=$1
demo=$2
source "$(dirname "$0")/../../scripts/desktop.sh"
work=$(mktemp -d /tmp/pvtray-XXXXXX)
trap 'pv_stop; rm -rf "$work"' EXIT

# Shortest check interval (row 0); every feed answer slowed to 3 s so "Close" meets a download.
pv_profile "$work" E2E-MEMBER 7 0
# A compositing desktop, as members' are: the notification must reach the screen through it.
pv_desktop compositor || { echo "FAILED: no desktop"; exit 1; }
pv_demo "$demo" "$work/demo.log" 100000 3000 || { echo "FAILED: no demo service"; exit 1; }

pv_launch "$exe" "$work/plotvane.log"
app=$pv_app
cache=$XDG_DATA_HOME/Plotvane/Plotvane/Cache

tray_icon() {
    local w
    for w in $(xdotool search --class '^plotvane$' 2>/dev/null); do
        # The icon is the program's small window that the tray host swallowed.
        xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable' || continue
        [[ $(xwininfo -id "$w" | awk '/Width:/ {print $2}') -le 64 ]] && echo "$w" && return 0
    done
    return 1
}
pv_check "the icon is in the tray" pv_wait 100 tray_icon >/dev/null || { pv_result; exit 1; }
icon=$(tray_icon)

# The tray menu: the program's one visible window that is wide and low.
menu_open() {
    local w
    for w in $(xdotool search --onlyvisible --class '^plotvane$' 2>/dev/null); do
        eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)"
        [[ ${WIDTH:-0} -ge 100 && ${HEIGHT:-0} -lt 80 ]] && return 0
    done
    return 1
}
# "Close" is the menu's last entry; the key Up wraps round to it.
tray_close() {
    local X Y WIDTH HEIGHT
    for _ in 1 2 3; do
        eval "$(xdotool getwindowgeometry --shell "$icon")"
        xdotool mousemove $((X + 8)) $((Y + 8)) click 3
        pv_wait 30 menu_open && break
    done
    menu_open || return 1
    xdotool key Up Return
    pv_wait 30 menu_closed
}
menu_closed() { ! menu_open; }
pv_wait 100 pv_window_shown
pv_check "the tray menu's Close is chosen while the feeds download" tray_close
sleep 1
pv_check "and the program goes on" kill -0 "$app"
pv_check "a feed download was indeed under way" sh -c "! test -s '$cache/TrackingRSS.xml' -a -s '$cache/QueueRSS.xml'"

pv_check "the lists and the box art arrive" pv_wait 600 pv_have_box_art
queue_size=$(stat -c %s "$cache/QueueRSS.xml")

# A change at the service: the next length check must notice it.
curl -s -o /dev/null "http://www.netflix.com/demo/advance"
popup_window() { xdotool search --onlyvisible --name '^Plotvane: Movie remainder$' 2>/dev/null | head -n 1; }
popup_shown() { [[ -n $(popup_window) ]]; }
pv_check "a length check after the change raises the notification" pv_wait 4500 popup_shown
popup=$(popup_window)
if [[ -n "$popup" ]]; then
    eval "$(xdotool getwindowgeometry --shell "$popup")"
    read -r _ _ area_w area_h _ < <(xprop -root _NET_WORKAREA | tr -d ',' | awk '{print $3, $4, $5, $6}')
    pv_check "the notification sits at the bottom right of the work area (${X},${Y} ${WIDTH}x${HEIGHT})" \
        test $((X + WIDTH)) -eq "$area_w" -a $((Y + HEIGHT)) -eq "$area_h"
    pv_check "the notification has not taken the focus" test "$(xdotool getactivewindow 2>/dev/null)" != "$popup"
    opaque() { xprop -id "$popup" _NET_WM_WINDOW_OPACITY 2>/dev/null | grep -q '= 4294967295$'; }
    pv_check "its fade reaches the compositor: fully opaque while it holds" pv_wait 40 opaque
    pv_check "the notification fades out by itself" pv_wait 200 sh -c "! xwininfo -id $popup 2>/dev/null | grep -q IsViewable"
fi
queue_changed() { [[ $(stat -c %s "$cache/QueueRSS.xml") -ne $queue_size ]]; }
pv_check "the refresh after the notification downloads the changed feed" pv_wait 300 queue_changed

# The refresh may still hold its feeds; once they are in, the tray's Close ends the program.
gone() { ! kill -0 "$app" 2>/dev/null; }
close_when_allowed() {
    for _ in $(seq 20); do
        tray_close
        pv_wait 30 gone && return 0
    done
    return 1
}
pv_check "after the download the tray menu's Close ends the program" close_when_allowed
pv_check "and the window placement is stored" grep -q '"WindowFlags"=hex:' "$XDG_CONFIG_HOME/Plotvane/registry.reg"

pv_result
