#!/bin/sh
# desktop-attach.sh KELVANE KELVANED
# The desktop program as a face of the engine on the session bus, on a bus
# and an X display of the test's own (Xvfb, a window manager, a tray host):
# the first face starts kelvaned, a second start hands over to it, the face
# shrinks back to a tray process without the browser engine once its window
# has been shown and hidden, an engine that dies is started again under the
# shown window, and the engine ends after the face that started it crashed. As
# root each copy runs in a network namespace with loopback only; skipped
# otherwise.
set -u
[ "$(id -u)" -eq 0 ] || { echo "skipped: needs root for a network namespace"; exit 77; }
for tool in Xvfb openbox trayer xdotool dbus-daemon busctl; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
pids=
stop() {
    engine=$(engines)
    [ -z "$pids$engine" ] || kill $pids $engine 2>/dev/null
    wait
    rm -rf "$work"
}
trap stop EXIT INT TERM
mkdir -m 700 "$work/run" "$work/copy"
cp "$1" "$2" "$work/copy/"
module=$(dirname "$1")/kelvane_webengine.so
[ -e "$module" ] && cp "$module" "$work/copy/"
export XDG_RUNTIME_DIR="$work/run" XDG_CONFIG_HOME="$work/config" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
failed=0
started() { "$@" >>"$work/log" 2>&1 & pids="$pids $!"; }
# Up to 30 s for a condition (a shell command line): the machine may be busy.
within() { for _ in $(seq 150); do eval "$1" && return 0; sleep 0.2; done; return 1; }
check() { if within "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failed=1; fi; }
engines() { for pid in $(pgrep -x kelvaned); do [ "$(readlink /proc/$pid/exe)" = "$work/copy/kelvaned" ] && echo $pid; done; }
browserEngine() { grep -q libQt6WebEngineCore "/proc/$1/maps"; }
onBus() { busctl --address="$DBUS_SESSION_BUS_ADDRESS" status example.kelvane.Kelvane >/dev/null 2>&1; }

started dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork
started Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display"
within 'test -s "$work/display" && test -S "$work/bus"' || { echo "FAILED: Xvfb or the bus did not start"; exit 1; }
export DISPLAY=:$(cat "$work/display")
started openbox
started trayer --edge top --align right --widthtype pixel --width 100 --height 24
icon() { xdotool search --onlyvisible --classname '^kelvane$' getwindowgeometry %@ 2>/dev/null |
    awk '/^Window/ { w = $2 } /Geometry: 2[0-9]x2[0-9]$/ { print w; exit }'; }

KELVANE_PANE_RELEASE_SECONDS=2 started unshare -n "$work/copy/kelvane"
first=${pids##* }
check "with no engine running, the desktop program starts kelvaned, which takes the bus name" 'onBus && [ -n "$(engines)" ]'
window() { xdotool search --onlyvisible --name '^Kelvane' >/dev/null 2>&1; }
check "a first run, no login saved yet, opens its window" window
# One desktop per user: a second start shows the first copy's window and ends.
timeout 30 unshare -n "$work/copy/kelvane" >>"$work/log" 2>&1
secondExit=$?
check "a second start ends with 0, handing over to the copy that runs: its window shown, one engine" '[ $secondExit -eq 0 ] && kill -0 $first && window && [ "$(engines | wc -w)" -eq 1 ] && ! grep -q "has been running" "$work/log"'

enginePid=$(engines)
# A click on the icon, again until the window shows: a busy program may miss one.
shown() { window || xdotool mousemove --window "$(icon)" 11 11 click 1; sleep 0.5; window; }
check "minimised at first, it goes to the tray" 'xdotool search --onlyvisible --name "^Kelvane" windowminimize >/dev/null 2>&1; sleep 0.5; ! window && [ -n "$(icon)" ]'
check "a click on the tray icon shows the window" shown
if [ -e "$work/copy/kelvane_webengine.so" ]; then
    check "shown, the window loads the browser engine" 'browserEngine $first'
    # A window manager may pass over a minimise that comes while it maps the window.
    hidden() { xdotool search --onlyvisible --name '^Kelvane' windowminimize >/dev/null 2>&1; sleep 0.5; ! window; }
    check "minimised, the window goes to the tray" hidden
    check "hidden, once its panes are let go, the same process no longer maps the browser engine" 'kill -0 $first && ! browserEngine $first && [ -n "$(icon)" ]'
    check "and the engine's helper processes are gone" '! pgrep -P $first >/dev/null'
else
    echo "skipped: the shrink back (a build with the light pane never loads the browser engine)"
fi
check "the engine ran on through it: the same process, the only one" '[ "$(engines)" = "$enginePid" ]'
check "shown again from the tray" shown
since() { echo "$(date +%s%N) $1" | awk '{ printf "%.1f", ($1 - $2) / 1e9 }'; }
attached() { busctl --address="$DBUS_SESSION_BUS_ADDRESS" get-property example.kelvane.Kelvane /example/kelvane/Kelvane example.kelvane.Engine2 StartedFor >/dev/null 2>&1; }
killed=$(date +%s%N)
kill -9 $enginePid
check "an engine that dies under a shown window is started again by the face, the window staying" '[ -n "$(engines)" ] && [ "$(engines)" != "$enginePid" ] && attached && kill -0 $first && window'
echo "measured: a new engine on the bus $(since $killed) s after the old one was killed"
killed=$(date +%s%N)
kill -9 $first
check "a face that crashed leaves no engine behind" '[ -z "$(engines)" ]'
echo "measured: the engine gone $(since $killed) s after its face was killed"
exit $failed
