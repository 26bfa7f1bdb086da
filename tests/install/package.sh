#!/usr/bin/env bash
# What a member installs. `cmake --install` into a throw-away prefix, checked as the desktop's and
# AppStream's tools check it; then the Debian package, unpacked into a throw-away root, its
# dependencies read, and its program run under Xvfb against the demo service.
#
#   package.sh BUILD_DIR DEMO_SERVICE_EXE
set -uo pipefail
build=$1
demo=$2
source "$(dirname "$0")/../../scripts/desktop.sh"
work=$(mktemp -d /tmp/pvpkg-XXXXXX)
trap 'pv_stop; rm -rf "$work"' EXIT
id=example.plotvane.Plotvane
quiet() { "$@" >>"$work/tools.log" 2>&1; }

prefix=$work/prefix
pv_check "cmake --install" quiet cmake --install "$build" --prefix "$prefix"
pv_check "the executable is installed" test -x "$prefix/bin/plotvane"
pv_check "the launcher passes desktop-file-validate" quiet desktop-file-validate "$prefix/share/applications/$id.desktop"
pv_check "the metainfo passes appstreamcli validate" quiet appstreamcli validate --no-net \
    "$prefix/share/metainfo/$id.metainfo.xml"
pv_check "the launcher runs the program by name" grep -qx "Exec=plotvane" "$prefix/share/applications/$id.desktop"
pv_check "the launcher names the theme's icon" grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop"
for size in 16 22 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
    pv_check "the ${size}x${size} icon" test "$(identify -format %wx%h "$png" 2>/dev/null)" = "${size}x${size}"
done
is_svg() { python3 -c 'import sys, xml.etree.ElementTree as E
sys.exit(E.parse(sys.argv[1]).getroot().tag != "{http://www.w3.org/2000/svg}svg")' "$1"; }
pv_check "the scalable icon is SVG" is_svg "$prefix/share/icons/hicolor/scalable/apps/$id.svg"

pv_check "the copyright file and the compressed change log are installed" test -s \
    "$prefix/share/doc/plotvane/copyright" -a -s "$prefix/share/doc/plotvane/changelog.gz"
pv_check "the change log names this version" sh -c "gzip -dc '$prefix/share/doc/plotvane/changelog.gz' | head -n 1 |
    grep -qF \"plotvane ($(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt"))\""
# Building the program alone (as scripts/run does) must leave what packaging needs.
pv_check "the program's target builds the icons and the change log" sh -c \
    "ninja -C '$build' -t inputs src/app/plotvane | grep -q plotvane_icons &&
     ninja -C '$build' -t inputs src/app/plotvane | grep -q plotvane_changelog"

# The package, made in the throw-away folder.
quiet cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/deb"
deb=$(ls "$work"/deb/plotvane_*.deb 2>/dev/null | head -n 1)
pv_check "cpack -G DEB makes the package" test -f "$deb" || { pv_result; exit 1; }
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for package in libqt6widgets6 libqt6gui6 libcurl4 libxml2 libjpeg62-turbo libgif7 libsqlite3-0 zlib1g xdg-utils; do
    pv_check "it depends on $package" grep -qE "(^|, )$package( |,|$)" <<<"$depends"
done
installed() {
    local name
    for name in $(sed -E 's/\([^)]*\)//g; s/,/ /g' <<<"$1"); do
        [[ $(dpkg-query -W -f='${Status}' "$name" 2>/dev/null) == "install ok installed" ]] || return 1
    done
}
pv_check "every package it depends on is one Debian has installed here" installed "$depends"
root=$work/root
dpkg-deb -x "$deb" "$root"
exe=$root/usr/bin/plotvane
pv_check "the package holds the program, the launcher, the metainfo and the icons" test -x "$exe" \
    -a -f "$root/usr/share/applications/$id.desktop" -a -f "$root/usr/share/metainfo/$id.metainfo.xml" \
    -a -f "$root/usr/share/icons/hicolor/scalable/apps/$id.svg"
pv_check "lintian finds no error in the package" sh -c "lintian '$deb' 2>&1 |
    tee -a '$work/tools.log' | grep -v 'root privileges' | grep -q '^E:' && exit 1 || exit 0"
pv_check "lintian finds a manual page" sh -c "! grep -q no-manual-page '$work/tools.log'"
man=$root/usr/share/man/man1/plotvane.1.gz
pv_check "the package holds the manual page, compressed" test -f "$man"
pv_check "which renders without a warning" sh -c "test -z \"\$(zcat '$man' | groff -ww -z -man 2>&1)\""
pv_check "the stripped program keeps its version note" sh -c "readelf -n '$exe' | grep -q Plotvane"
pv_check "every library it needs is found" sh -c "! ldd '$exe' | grep -q 'not found'"

# The unpacked program runs as a member's would. The member started an earlier copy at logon
# from where it is no longer installed.
pv_profile "$work/home" PKG-MEMBER 7 0
autostart=$XDG_CONFIG_HOME/autostart/plotvane.desktop
mkdir -p "$XDG_CONFIG_HOME/autostart"
printf '%s\n' '[Desktop Entry]' 'Type=Application' 'Name=Plotvane' 'Exec="/opt/removed/plotvane"' >"$autostart"
pv_desktop tray || { echo "FAILED: no desktop"; pv_result; exit 1; }
pv_demo "$demo" "$work/demo.log" || { echo "FAILED: no demo service"; pv_result; exit 1; }
pv_launch "$exe" "$work/plotvane.log"
pv_check "the unpacked program shows its window" pv_wait 300 pv_window_shown
pv_check "and brings the lists with their box art" pv_wait 300 pv_have_box_art
pv_check "the logon entry now starts the installed program" grep -qx "Exec=\"$exe\"" "$autostart"

pv_result
