#!/usr/bin/env bash
# A newcomer's first start: no settings at all, so the options dialog opens on its NetFlix page.
# Step 2 reads the demo service's RSS-feeds page; a signed-out page is refused, the member's own
# page gives the code, the member answers Yes and presses Ok, and the lists arrive.
#
#   firststart.sh PLOTVANE_EXE DEMO_SERVICE_EXE
set -uo pipefail
exe=$1
demo=$2
source "$(dirname "$0")/../../scripts/desktop.sh"
work=$(mktemp -d /tmp/pvfirst-XXXXXX)
trap 'pv_stop; rm -rf "$work"' EXIT

pv_profile "$work" "" 0 0
rm -f "$XDG_CONFIG_HOME/Plotvane/registry.reg"
pv_desktop tray || { echo "FAILED: no desktop"; exit 1; }
pv_demo "$demo" "$work/demo.log" || { echo "FAILED: no demo service"; exit 1; }
curl -s -o /dev/null "http://www.netflix.com/demo/rss-page?variant=signed-out"

pv_launch "$exe" "$work/plotvane.log"
app=$pv_app

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
shown() { [[ -n $(visible "$1") ]]; }
gone() { [[ -z $(visible "$1") ]]; }
pv_check "the options dialog opens by itself" pv_wait 100 shown '^Options$' || { pv_result; exit 1; }
dialog=$(visible '^Options$')
main=$(visible '^Plotvane$')

# Centred on the main window, whose position the window manager chose; a loaded machine's
# window manager may still be placing the dialog when it is first seen.
centred() {
    eval "$(xdotool getwindowgeometry --shell "$main")"
    local main_centre=$((X + WIDTH / 2))
    eval "$(xdotool getwindowgeometry --shell "$dialog")"
    test $((X + WIDTH / 2 - main_centre)) -le 2 -a $((main_centre - X - WIDTH / 2)) -le 2
}
pv_check "centred on the main window" pv_wait 30 centred
pv_check "its client area is 399 x 263" test "${WIDTH}x${HEIGHT}" = 399x263

# PV_SHOTS=DIR keeps screenshots of the message boxes there.
# The buttons by their place in the dialog: step 2 on the page below the tabs, Ok beneath.
step2() { xdotool mousemove --window "$dialog" 320 130 click 1; }
ok() { xdotool mousemove --window "$dialog" 268 238 click 1; }
two_windows() { [[ $(xdotool search --onlyvisible --name '^Plotvane$' 2>/dev/null | wc -l) -ge 2 ]]; }
one_window() { ! two_windows; }

step2
pv_check "a signed-out page: the error box" pv_wait 100 two_windows
[[ -n "${PV_SHOTS:-}" ]] && import -window root "$PV_SHOTS/step2-error.png"
xdotool key Return
pv_wait 50 one_window

curl -s -o /dev/null "http://www.netflix.com/demo/rss-page?variant=member"
step2
pv_check "the member's page: the confirmation" pv_wait 100 two_windows
[[ -n "${PV_SHOTS:-}" ]] && import -window root "$PV_SHOTS/step2-confirm.png"
xdotool key Return # Yes
pv_wait 50 one_window
[[ -n "${PV_SHOTS:-}" ]] && import -window root "$PV_SHOTS/step2-found.png"
ok
pv_check "Ok closes the dialog" pv_wait 50 gone '^Options$'
pv_check "the code is stored" grep -q '"NetFlixID"="DEMO8015427"' "$XDG_CONFIG_HOME/Plotvane/registry.reg"
pv_check "the page was asked for twice" test "$(grep -c 'GET http://www.netflix.com/RSSFeeds?lnkctr=mfRSS' "$work/demo.log")" -eq 2
pv_check "the lists and their box art arrive" pv_wait 300 pv_have_box_art
pv_check "the feeds were fetched with the found code" grep -q 'GET http://rss.netflix.com/QueueRSS?id=DEMO8015427' "$work/demo.log"

pv_result
