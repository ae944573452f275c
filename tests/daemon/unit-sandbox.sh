#!/bin/sh
# unit-sandbox.sh KELVANED
# kelvaned as its user unit runs it, where no user manager runs: the unit's
# sandbox approximated with a mount namespace (everything read-only but the
# unit's ReadWritePaths), no new privileges and no capabilities, loopback
# only. On a session bus of the test's own it comes on the bus, writes its
# status file, and ends with 0 on SIGTERM. Skipped unless root.
set -u
[ "$(id -u)" -eq 0 ] || { echo "skipped: needs root for the namespaces"; exit 77; }
for tool in dbus-daemon busctl setpriv unshare; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
pids=
trap 'kill $pids 2>/dev/null; wait; rm -rf "$work"' EXIT INT TERM
mkdir -p "$work/bin" "$work/home/.local/share/kelvane" "$work/home/.config"
mkdir -m 700 "$work/run"
cp "$1" "$work/bin/kelvaned"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" DBUS_SESSION_BUS_ADDRESS="unix:path=$work/run/bus"
unset XDG_CONFIG_HOME XDG_DATA_HOME
failed=0
within() { for _ in $(seq 100); do eval "$1" && return 0; sleep 0.2; done; return 1; }
check() { if within "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failed=1; fi; }

# The unit's writable paths stay writable; the rest, the program's own folder included, is not.
sandboxed() {
    exec unshare -m -n --propagation private sh -c '
        mount --bind "$0" "$0" && mount -o remount,ro,bind "$0" &&
        mount -o remount,ro,bind / &&
        for path in "$HOME/.local/share/kelvane" "$HOME/.config" "$XDG_RUNTIME_DIR"; do
            mount --bind "$path" "$path" && mount -o remount,rw,bind "$path" || exit 1
        done &&
        exec setpriv --no-new-privs --bounding-set=-all --inh-caps=-all "$@"' "$work" "$@"
}

dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork >/dev/null 2>&1 &
pids=$!
within 'test -S "$work/run/bus"' || { echo "FAILED: the bus did not start"; exit 1; }
check "the sandbox keeps the program's folder read-only, the unit's paths writable" '! (sandboxed touch "$work/bin/x" 2>/dev/null) && (sandboxed touch "$HOME/.config/x")'
echo secret | (sandboxed "$work/bin/kelvaned" --save-login unit.kelvane.example) >/dev/null
check "--save-login keeps the login where the unit may write" 'test -s "$HOME/.local/share/kelvane/vkl.ini"'
sandboxed "$work/bin/kelvaned" >"$work/journal" 2>&1 &
engine=$!
pids="$pids $engine"
check "the unit's engine comes on the session bus" 'busctl --address="$DBUS_SESSION_BUS_ADDRESS" get-property example.kelvane.Kelvane /example/kelvane/Kelvane example.kelvane.Engine2 StartedFor 2>/dev/null | grep -q "\"service\""'
check "and writes its status file" 'ls "$XDG_RUNTIME_DIR" | grep -q "\.status$"'
kill -TERM $engine
wait $engine
status=$?
pids=${pids% *}
check "SIGTERM ends it with 0" '[ $status -eq 0 ]'
[ $failed -eq 0 ] || cat "$work/journal"
exit $failed
