#!/bin/sh
# wayland-window.sh KELVANE
# Under weston's headless back end, through Qt's Wayland plugin, the program
# shows its primary window. As root it runs in a network namespace of its own
# with loopback only, so its start-up look-ups go nowhere; skipped otherwise.
set -u
program=$1
[ "$(id -u)" -eq 0 ] || { echo "skipped: needs root for a network namespace"; exit 77; }
command -v weston >/dev/null || { echo "skipped: weston is not installed"; exit 77; }
work=$(mktemp -d)
weston_pid=
program_pid=
stop() {
    [ -z "$program_pid" ] || kill "$program_pid" 2>/dev/null
    [ -z "$weston_pid" ] || kill "$weston_pid" 2>/dev/null
    wait
    rm -rf "$work"
}
trap stop EXIT INT TERM
cp "$program" "$work/kelvane"
mkdir -m 700 "$work/run"
XDG_RUNTIME_DIR="$work/run" weston --backend=headless-backend.so --socket=wayland-kv --idle-time=0 \
    >"$work/weston.log" 2>&1 &
weston_pid=$!

shown() { grep -q 'xdg_toplevel@[0-9]*\.set_title("Kelvane' "$work/program.log"; }
for _ in $(seq 50); do [ -S "$work/run/wayland-kv" ] && break; sleep 0.2; done
XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" WAYLAND_DISPLAY=wayland-kv \
    QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 unshare -n "$work/kelvane" >"$work/program.log" 2>&1 &
program_pid=$!
for _ in $(seq 100); do shown && break; sleep 0.2; done
if shown; then
    echo "ok: the primary window is shown under Wayland"
    exit 0
fi
echo "FAILED: no window under Wayland"
grep -v '^\[' "$work/program.log" | head -n 20
exit 1
