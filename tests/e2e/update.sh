#!/usr/bin/env bash
# The self-update as a member meets it: after the first refresh the new-version dialog shows the
# release notes, Download fetches the installer, the ready dialog appears, and Install later
# hands the installer to the next logon in place of the program's own logon entry.
#
#   update.sh PLOTVANE_EXE DEMO_SERVICE_EXE
set -uo pipefail
exe=$1
demo=$2
source "$(dirname "$0")/../../scripts/desktop.sh"
work=$(mktemp -d /tmp/pvupdate-XXXXXX)
trap 'pv_stop; rm -rf "$work"' EXIT

pv_profile "$work" E2E-MEMBER 2 2
# The member starts Plotvane at logon: the installer must take that place.
mkdir -p "$XDG_CONFIG_HOME/autostart"
printf '[Desktop Entry]\nType=Application\nName=Plotvane\nExec=%s\n' "$exe" > "$XDG_CONFIG_HOME/autostart/plotvane.desktop"
pv_desktop tray || { echo "FAILED: no desktop"; exit 1; }
pv_demo "$demo" "$work/demo.log" || { echo "FAILED: no demo service"; exit 1; }
curl -s -o /dev/null "http://www.netflix.com/demo/update?variant=newer"

pv_launch "$exe" "$work/plotvane.log"
app=$pv_app

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
shown() { [[ -n $(visible "$1") ]]; }
gone() { [[ -z $(visible "$1") ]]; }
shot() { [[ -n "${PV_SHOTS:-}" ]] && import -window root "$PV_SHOTS/$1.png"; return 0; }

pv_check "after the first refresh the new-version dialog opens" pv_wait 300 shown '^New version of Plotvane$' ||
    { pv_result; exit 1; }
pv_check "the update server was asked for the project" grep -q 'GetProjectInfo?ProjectID=Plotvane' "$work/demo.log"
shot new-version
# Keys go to the focused dialog through XTEST, press and release alike: sent to a window, the
# release would go nowhere once the press has closed it.
press() { xdotool windowfocus --sync "$1" && xdotool key "$2"; }
dialog=$(visible '^New version of Plotvane$')
press "$dialog" Return # Download is the default button
pv_check "Download closes it" pv_wait 50 gone '^New version of Plotvane$'
pv_check "the installer is downloaded and the ready dialog opens" pv_wait 300 shown '^Ready to install new version$' ||
    { pv_result; exit 1; }
shot ready
# Downloads to be run go to a folder only the member may enter, not the shared TMPDIR.
installer=$XDG_CACHE_HOME/Plotvane/plotvane-setup.sh
pv_check "the installer is in the temporary folder, whole" test "$(head -c 9 "$installer")" = '#!/bin/sh' -a \
    "$(stat -c %s "$installer")" -gt 262000
pv_check "and ready to run" test -x "$installer"
ready=$(visible '^Ready to install new version$')
# The buttons are clicked by their place in the dialog: not before the window manager has put it.
pv_wait 50 pv_settled "$ready"
press "$ready" Escape
sleep 1
pv_check "Escape does not close the ready dialog" shown '^Ready to install new version$'
xdotool mousemove --window "$ready" 209 171 click 1 # Install later
pv_check "Install later closes it" pv_wait 50 gone '^Ready to install new version$'
entry=$XDG_CONFIG_HOME/autostart/plotvane-update.desktop
pv_check "the one-shot logon entry runs the installer" grep -q "plotvane-setup.sh" "$entry"
pv_check "the program's own logon entry is withdrawn" test ! -e "$XDG_CONFIG_HOME/autostart/plotvane.desktop"
pv_check "the program goes on" kill -0 "$app"

# What the next logon does: run the entry's command, which removes itself and runs the installer.
command=$(sed -n 's/^Exec=//p' "$entry" | sed -e 's/^"\/bin\/sh" -c "//' -e 's/"$//' -e 's/\\\\/\\/g' -e 's/\\"/"/g')
sh -c "$command"
pv_check "at the next logon the installer runs once" test -s "$XDG_CACHE_HOME/Plotvane/plotvane-setup.ran"
pv_check "and the entry is gone" test ! -e "$entry"

pv_ours "$app" && kill -TERM "$app"
pv_wait 50 sh -c "! kill -0 $app 2>/dev/null"
pv_check "the update status is kept in the registry" grep -q '"UpdateState"=hex:' "$XDG_CONFIG_HOME/Plotvane/registry.reg"
pv_result
