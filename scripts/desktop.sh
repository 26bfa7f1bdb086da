# Sourced by scripts/run, the package test and the desktop benchmarks in bench/: a private
# profile, a desktop without a display (Xvfb, a window manager, a tray host), and the demo
# service, so that the program runs as a member's would without touching anything real.

pv_pids=()

# pv_profile DIR FEEDCODE QUEUE_ROW CHECK_ROW: HOME and the XDG folders in DIR; a registry with
# the feed code and the two list rows, unless one is there already.
pv_profile() {
    local dir=$1 code=$2 queue=$3 check=$4
    export HOME=$dir XDG_CONFIG_HOME=$dir/.config XDG_DATA_HOME=$dir/.local/share XDG_CACHE_HOME=$dir/.cache \
           XDG_RUNTIME_DIR=$dir/run TMPDIR=$dir/tmp
    mkdir -p "$XDG_CONFIG_HOME/Plotvane" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" "$TMPDIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    local registry=$XDG_CONFIG_HOME/Plotvane/registry.reg
    [[ -f "$registry" ]] || printf '%s\n' 'Windows Registry Editor Version 5.00' '' \
        '[HKEY_CURRENT_USER\Software\Plotvane\Config]' \
        "\"Movies in queue\"=dword:0000000$queue" "\"Check for new movies\"=dword:0000000$check" \
        '"Update interval"=dword:00000002' "\"NetFlixID\"=\"$code\"" '"Minimize on run"=dword:00000000' \
        '"Auto startup"=dword:00000000' '"NLFA"=hex:00,00,00,00,00,00,00,00' '' > "$registry"
}

# What the end-to-end checks wait for: the lists' box art in the profile's cache (ten pictures
# and more), and the main window on the screen.
pv_have_box_art() { [[ $(ls "$XDG_DATA_HOME"/Plotvane/Plotvane/Cache/*.jpg 2>/dev/null | wc -l) -ge 10 ]]; }
pv_window_shown() { [[ -n $(xdotool search --onlyvisible --name '^Plotvane$' 2>/dev/null) ]]; }

pv_passed=0
pv_failed=0
pv_check() { # description, then the command that must succeed
    local what=$1
    shift
    if "$@"; then
        pv_passed=$((pv_passed + 1))
        echo "ok: $what"
    else
        pv_failed=$((pv_failed + 1))
        echo "FAILED: $what"
        return 1
    fi
}

# pv_result: the tally, and the exit status of a test script. A failed run also shows the
# windows on the screen and the end of the program's log (pv_log), which go with the profile.
pv_log=
pv_wm=
pv_wm_log=
pv_result() {
    echo "$pv_passed passed, $pv_failed failed"
    [[ $pv_failed -eq 0 && $pv_passed -gt 0 ]] && return 0
    if [[ -n "${DISPLAY:-}" ]]; then
        echo "-- windows on $DISPLAY:"
        xwininfo -root -tree 2>/dev/null | grep -E '^ +0x[0-9a-f]+ "' | head -n 40
    fi
    if [[ -n "$pv_wm" ]]; then
        if kill -0 "$pv_wm" 2>/dev/null; then
            echo "-- the window manager runs"
        else
            wait "$pv_wm"
            echo "-- the window manager has ended, status $?"
        fi
        [[ -s "$pv_wm_log" ]] && tail -n 20 "$pv_wm_log"
    fi
    if [[ -n "$pv_log" && -s "$pv_log" ]]; then
        echo "-- the end of $pv_log:"
        tail -n 40 "$pv_log"
    fi
    return 1
}

pv_wait() { # tenths of a second, then a command that must succeed
    local tenths=$1
    shift
    for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
    return 1
}

# pv_desktop [NAME]: a desktop without a display, in the profile's environment. NAME is one of
#   notray          Xvfb and openbox (the default)
#   tray            Xvfb, openbox and trayer, an XEmbed tray
#   compositor      the same with xcompmgr compositing, as GNOME, KDE and XFCE do
#   tint2           Xvfb, openbox and tint2, another XEmbed tray
#   statusnotifier  a D-Bus session, Xvfb, openbox and xfce4-panel, a StatusNotifier host
#   weston          a headless Weston, Wayland alone
#   weston-xwayland a headless Weston with XWayland
# Xvfb's screen is PV_SCREEN (1280x800 unless set).
pv_desktop() {
    local name=${1:-notray}
    case "$name" in
        statusnotifier | weston | weston-xwayland) pv_dbus || return 1 ;;
    esac
    case "$name" in
        weston | weston-xwayland) pv_weston "$name"; return ;;
        notray | tray | compositor | tint2 | statusnotifier) ;;
        *) echo "unknown desktop: $name" >&2; return 1 ;;
    esac
    local fd_file
    fd_file=$(mktemp)
    exec 3>"$fd_file"
    # Without auto-repeat: a key whose release is lost (xdotool sends it to a window that closed
    # on the press) must not go on typing into the next window.
    Xvfb -displayfd 3 -screen 0 "${PV_SCREEN:-1280x800}x24" -nolisten tcp -r >/dev/null 2>&1 &
    pv_pids+=($!)
    pv_wait 300 test -s "$fd_file" || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=:$(cat "$fd_file") QT_QPA_PLATFORM=xcb XDG_SESSION_TYPE=x11
    unset WAYLAND_DISPLAY
    rm -f "$fd_file"
    # Openbox runs its startup command once it manages the screen: a window mapped before that
    # may stay undecorated at 0,0. No session manager of the machine's is asked.
    pv_wm_log=${TMPDIR:-/tmp}/openbox.log
    local wm_ready=${TMPDIR:-/tmp}/openbox.ready
    rm -f "$wm_ready"
    openbox --sm-disable --startup "touch $wm_ready" >"$pv_wm_log" 2>&1 &
    pv_wm=$!
    pv_pids+=($pv_wm)
    pv_wait 300 test -e "$wm_ready" && kill -0 "$pv_wm" 2>/dev/null &&
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window ||
        { echo "openbox did not start" >&2; cat "$pv_wm_log" >&2; return 1; }
    if [[ "$name" == compositor ]]; then
        xcompmgr >/dev/null 2>&1 &
        pv_pids+=($!)
        pv_wait 300 sh -c 'xdotool search --name "^xcompmgr$" >/dev/null 2>&1' ||
            { echo "xcompmgr did not start" >&2; return 1; }
    fi
    case "$name" in
        tray | compositor)
            trayer --edge bottom --align right --widthtype request --height 24 >/dev/null 2>&1 &
            pv_pids+=($!)
            pv_wait 300 sh -c 'xwininfo -root -tree 2>/dev/null | grep -q "\"panel\""' ||
                { echo "the tray host did not start" >&2; return 1; } ;;
        tint2)
            tint2 >/dev/null 2>&1 &
            pv_pids+=($!)
            pv_wait 300 sh -c 'xdotool search --classname "^tint2$" >/dev/null 2>&1' ||
                { echo "tint2 did not start" >&2; return 1; } ;;
        statusnotifier)
            NO_AT_BRIDGE=1 xfce4-panel >"${TMPDIR:-/tmp}/xfce4-panel.log" 2>&1 &
            pv_pids+=($!)
            pv_wait 300 sh -c 'gdbus call --session --dest org.kde.StatusNotifierWatcher --object-path /StatusNotifierWatcher \
                --method org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher IsStatusNotifierHostRegistered \
                2>/dev/null | grep -q true' || { echo "xfce4-panel did not start" >&2; return 1; } ;;
    esac
}

# pv_dbus: a D-Bus session of the profile's own.
pv_dbus() {
    local address_file=${TMPDIR:-/tmp}/dbus.address
    rm -f "$address_file"
    dbus-daemon --session --nofork --address="unix:path=$XDG_RUNTIME_DIR/bus" --print-address=1 >"$address_file" 2>/dev/null &
    pv_pids+=($!)
    pv_wait 100 test -s "$address_file" || { echo "dbus-daemon did not start" >&2; return 1; }
    DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$address_file")
    export DBUS_SESSION_BUS_ADDRESS
}

# pv_weston weston|weston-xwayland: a headless Weston; with XWayland, DISPLAY is its X server.
pv_weston() {
    local log=${TMPDIR:-/tmp}/weston.log
    local args=(--backend=headless-backend.so --socket=pv-wayland --idle-time=0 --width=1280 --height=800)
    [[ "$1" == weston-xwayland ]] && args+=(--xwayland)
    unset DISPLAY QT_QPA_PLATFORM
    weston "${args[@]}" >"$log" 2>&1 &
    pv_pids+=($!)
    pv_wait 300 test -S "$XDG_RUNTIME_DIR/pv-wayland" || { echo "weston did not start" >&2; cat "$log" >&2; return 1; }
    export WAYLAND_DISPLAY=pv-wayland XDG_SESSION_TYPE=wayland
    if [[ "$1" == weston-xwayland ]]; then
        pv_wait 300 grep -q 'xserver listening on display' "$log" || { echo "XWayland did not start" >&2; return 1; }
        DISPLAY=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$log" | head -n 1)
        export DISPLAY
    fi
}

# pv_demo EXE LOG [STEP_SECONDS [FEED_DELAY_MS]]: the demo service, and http_proxy pointing at it.
pv_demo() {
    local exe=$1 log=$2 step=${3:-180} delay=${4:-0}
    local port_file=$TMPDIR/demo.port
    rm -f "$port_file"
    "$exe" --port-file "$port_file" --step-seconds "$step" --feed-delay-ms "$delay" >"$log" 2>&1 &
    pv_pids+=($!)
    pv_wait 100 test -s "$port_file" || { echo "the demo service did not start" >&2; return 1; }
    export http_proxy=http://127.0.0.1:$(cat "$port_file") no_proxy=
}

# pv_ours PID: the process is still one this script started. A process that ended long ago
# may have left its number to another's (the machine counts only to 32768, and the waits above
# start several processes a second): that one is not ours to stop.
pv_ours() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) } # the name in brackets may hold anything
    local ppid
    read -r _ ppid _ <<<"$stat"
    [[ "$ppid" == "$$" ]]
}

# pv_launch EXE LOG: the program in the background, its errors in LOG (which a failed run shows),
# its process in pv_app and among those pv_stop ends.
pv_app=
pv_launch() {
    pv_log=$2
    "$1" 2>"$pv_log" &
    pv_app=$!
    pv_pids+=($pv_app)
}

# Last started, first stopped: the program goes before the display it draws on. What has not
# ended 5 s after its TERM is killed. Every status is ignored: this runs as the exit trap of
# scripts that stop at the first failing command, and must go through to the end.
pv_stop() {
    local i pid watchdog
    for ((i = ${#pv_pids[@]} - 1; i >= 0; i--)); do
        pid=${pv_pids[i]}
        pv_ours "$pid" || continue
        kill "$pid" 2>/dev/null || continue
        (sleep 5 && kill -KILL "$pid" 2>/dev/null) &
        watchdog=$!
        wait "$pid" 2>/dev/null || true
        kill "$watchdog" 2>/dev/null || true
        wait "$watchdog" 2>/dev/null || true
    done
}
