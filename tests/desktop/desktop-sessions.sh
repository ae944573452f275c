#!/bin/sh
# desktop-sessions.sh KELVANE
# The program on real display servers: under Xvfb with a window manager and a
# tray host, the tray icon's menu is opened with the mouse and each item picked
# (the program lives on, its window comes back), and at scales 2 and 1.5 on
# 1920x1080 and 1366x768 the window a click on the icon restores is measured
# with its frame; under weston's
# headless back end, through Qt's Wayland plugin, the primary window is shown,
# not minimised. As root each
# copy runs in a network namespace with loopback only, so its start-up
# look-ups go nowhere; skipped otherwise.
set -u
program=$1
[ "$(id -u)" -eq 0 ] || { echo "skipped: needs root for a network namespace"; exit 77; }
for tool in Xvfb openbox trayer xdotool weston; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
pids=
stop() {
    [ -z "$pids" ] || kill $pids 2>/dev/null
    wait
    rm -rf "$work"
}
trap stop EXIT INT TERM
mkdir -m 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"
# The suite may run offscreen or on a session bus; these copies use the display
# servers started here, and the X11 tray.
unset QT_QPA_PLATFORM DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
failed=0
started() { "$@" >>"$work/log" 2>&1 & pids="$pids $!"; }
# Up to 30 s for a condition (a shell command line): the machine may be busy.
within() { for _ in $(seq 150); do eval "$1" && return 0; sleep 0.2; done; return 1; }
check() { if within "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failed=1; fi; }
copy() { rm -rf "$work/copy" && mkdir "$work/copy" && cp "$program" "$work/copy/kelvane"; }

started Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display"
within 'test -s "$work/display"' || { echo "FAILED: Xvfb did not start"; exit 1; }
export DISPLAY=:$(cat "$work/display")
started openbox
started trayer --edge top --align right --widthtype pixel --width 100 --height 24
copy
started unshare -n "$work/copy/kelvane"
kelvane=${pids##* }
icon() { xdotool search --onlyvisible --classname '^kelvane$' getwindowgeometry %@ 2>/dev/null |
    awk '/^Window/ { w = $2 } /Geometry: [2-5][0-9]x[2-5][0-9]$/ { print w; exit }'; }
window() { xdotool search --onlyvisible --name '^Kelvane' >/dev/null 2>&1; }
hasIcon() { [ -n "$(icon)" ]; }
for keys in Escape "Down Return" "Down Down Return"; do
    check "the tray icon is there before the menu ($keys)" hasIcon
    xdotool mousemove --window "$(icon)" 11 11 click 3 && sleep 1 && xdotool key $keys
    check "after the menu ($keys) the program lives and its window is back" 'kill -0 $kelvane && window'
    xdotool search --onlyvisible --name '^Kelvane' windowminimize 2>/dev/null
done

# At scales 2 and 1.5, on 1920x1080 and 1366x768, the window a click on the
# icon restores has its whole frame (client area and the window manager's
# extents) on the screen. Each round has a display of its own, stopped after it.
kill $kelvane
frameInside() { # WIDTH HEIGHT
    id=$(xdotool search --onlyvisible --name '^Kelvane' | head -1) && set -- "$1" "$2" $(xwininfo -id "$id" |
        awk -F: '/Absolute upper-left [XY]|Width|Height/ { printf "%d ", $2 }') $(xprop -id "$id" _NET_FRAME_EXTENTS | tr -dc '0-9 ')
    [ $# -eq 10 ] && [ $(($3 - $7)) -ge 0 ] && [ $(($4 - $9)) -ge 0 ] && [ $(($3 + $5 + $8)) -le $1 ] &&
        [ $(($4 + $6 + ${10})) -le $2 ]
}
round=0
for screen in 1920x1080:2 1920x1080:1.5 1366x768:2 1366x768:1.5; do
    size=${screen%:*} scale=${screen#*:} round=$((round + 1)) before=$pids
    started Xvfb -displayfd 3 -screen 0 ${size}x24 -nolisten tcp 3>"$work/display-$round"
    within 'test -s "$work/display-$round"' && export DISPLAY=:$(cat "$work/display-$round")
    started openbox
    started trayer --edge top --align right --widthtype pixel --width 100 --height 24
    copy
    QT_SCALE_FACTOR=$scale started unshare -n "$work/copy/kelvane"
    check "at scale $scale on $size the tray icon is there" hasIcon
    xdotool mousemove --window "$(icon)" 11 11 click 1
    check "at scale $scale on $size the restored window's frame lies on the screen" \
        "frameInside ${size%x*} ${size#*x}"
    # The README's pictures: KELVANE_SCREENSHOTS=folder keeps each round's screen.
    [ -z "${KELVANE_SCREENSHOTS:-}" ] || { sleep 1 && import -window root "$KELVANE_SCREENSHOTS/restore-$size-$scale.png"; }
    kill ${pids#"$before"} 2>/dev/null
    pids=$before
done

copy
started weston --backend=headless-backend.so --socket=wayland-kv --idle-time=0
within 'test -S "$work/run/wayland-kv"'
WAYLAND_DISPLAY=wayland-kv QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 unshare -n "$work/copy/kelvane" \
    >"$work/wayland.log" 2>&1 &
pids="$pids $!"
check "under Wayland the primary window is shown" "grep -q 'xdg_toplevel@[0-9]*\.set_title(\"Kelvane' '$work/wayland.log'"
# Without a tray host it starts at its normal size: never asked to be minimised.
sleep 2 && ! grep -q 'set_minimized' "$work/wayland.log" && echo "ok: under Wayland it is not minimised" ||
    { echo "FAILED: under Wayland it starts minimised"; failed=1; }
exit $failed
