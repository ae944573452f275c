#!/bin/bash
# world.sh - a closed world for running the whole program as a user would:
# the gateway lab's namespaces (tests/gateway/igd-lab.sh: a real miniupnpd as
# the router, the LAN namespace as the user's machine), the fake provider
# (login servers and web site) on 127.0.0.1 inside the LAN namespace, and a
# temporary home: program folder, working folder, key store, runtime folder.
# Nothing in it is linked to the real network.
#
#   world.sh up BUILD [FAKE_PROVIDER_OPTION...]   fresh world (runs down first)
#   world.sh run CMD...              CMD in the LAN namespace with the world's /etc/hosts,
#                                    host name, home and folders; working folder $WORLD_DIR/work
#   world.sh program [ARG...]        the world's copy of kelvane (same as: run "$WORLD_DIR/program/kelvane" ...)
#   world.sh service [ARG...]        the world's copy of kelvaned, beside it
#   world.sh set-external-address A  gives the router the external address A; the provider publishes it
#   world.sh restart-router          the router restarts with an empty table
#   world.sh down                    stops what up started, removes the namespaces; safe to repeat
#
# Settings from the environment: WORLD (name prefix, default kvworld), WORLD_DIR
# (default /tmp/$WORLD), PMP_ONLY=yes (a router with UPnP off that speaks
# NAT-PMP, see igd-lab.sh). Files in WORLD_DIR: provider.log (one line per
# datagram the fake provider received), program/ (kelvane, vkl.ini ...),
# work/ (jilu.txt ...), home/ (XDG folders).
set -euo pipefail

WORLD=${WORLD:-kvworld}
WORLD_DIR=${WORLD_DIR:-/tmp/$WORLD}
here=$(cd "$(dirname "$0")" && pwd)
lab="$here/../gateway/igd-lab.sh"
export LAB=$WORLD RUN_DIR=$WORLD_DIR/lab
LAN=$WORLD-lan
ROUTER=$WORLD-router
LOCAL_ADDRESS=192.168.77.10 # the LAN end of igd-lab.sh
HOST_NAME=kelvane-world

die() { echo "world: $*" >&2; exit 1; }
[ "$(id -u)" = 0 ] || die "must run as root"

alive() { [ -r "/proc/$1/stat" ] && [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" != Z ]; }

# Every host name the program looks up, at 127.0.0.1; its own name at its LAN address.
write_hosts() {
    local deployment="$here/../../settings/deployment.h"
    {
        echo "127.0.0.1 localhost"
        echo "$LOCAL_ADDRESS $HOST_NAME"
        grep -o '"http://[a-z0-9.]*"' "$deployment" | tr -d '"' | sed 's|^http://|127.0.0.1 |'
        sed -n '/builtInZones/,/};/p' "$deployment" | grep -o '"[a-z0-9.]*"' | tr -d '"' |
            sed 's/^/127.0.0.1 main./'
        sed -n '/builtInZones/,/};/p' "$deployment" | grep -o '"second\.example"' | tr -d '"' |
            sed 's/^/127.0.0.1 main2./'
    } > "$WORLD_DIR/hosts"
}

down() {
    local pid
    if [ -f "$WORLD_DIR/provider.pid" ]; then
        pid=$(cat "$WORLD_DIR/provider.pid")
        if [[ "$pid" =~ ^[0-9]+$ ]] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = fake_provider ]; then
            kill -TERM "$pid" 2>/dev/null || true
        fi
        rm -f "$WORLD_DIR/provider.pid"
    fi
    "$lab" down >/dev/null
}

up() {
    local build=$1
    shift
    [ -x "$build/kelvane" ] && [ -x "$build/kelvaned" ] || die "no program at $build/kelvane and kelvaned (build first)"
    [ -x "$build/tests/tools/fake_provider" ] || die "no fake provider in $build/tests/tools"
    down
    rm -rf "$WORLD_DIR"
    mkdir -p "$WORLD_DIR/program" "$WORLD_DIR/work" "$WORLD_DIR/home/config" "$WORLD_DIR/home/data"
    mkdir -m 700 "$WORLD_DIR/home/run"
    cp "$build/kelvane" "$build/kelvaned" "$WORLD_DIR/program/"
    # The WebEngine pane's module, in a WebEngine build.
    if [ -f "$build/kelvane_webengine.so" ]; then cp "$build/kelvane_webengine.so" "$WORLD_DIR/program/"; fi
    write_hosts
    "$lab" up 2 >/dev/null
    external_address > "$WORLD_DIR/published-address"
    : > "$WORLD_DIR/provider.log"
    ip netns exec "$LAN" "$build/tests/tools/fake_provider" --log "$WORLD_DIR/provider.log" \
        --address-file "$WORLD_DIR/published-address" "$@" > "$WORLD_DIR/provider.out" 2>&1 &
    echo $! > "$WORLD_DIR/provider.pid"
    local i
    for i in $(seq 1 50); do
        grep -qs "^fake_provider: DNS" "$WORLD_DIR/provider.out" && break
        alive "$(cat "$WORLD_DIR/provider.pid")" || break
        sleep 0.1
    done
    grep -qs "web site on" "$WORLD_DIR/provider.out" || { cat "$WORLD_DIR/provider.out" >&2; down; die "the fake provider did not start"; }
    echo "world: up in $WORLD_DIR; router external address $(cat "$WORLD_DIR/published-address")"
}

external_address() {
    ip -n "$ROUTER" -4 -o addr show dev ext0 | awk '{print $4}' | cut -d/ -f1
}

set_external_address() {
    local address=$1 old
    old=$(external_address)
    ip -n "$ROUTER" addr del "$old/24" dev ext0
    ip -n "$ROUTER" addr add "$address/24" dev ext0
    ip -n "$ROUTER" route replace default via 11.22.33.1
    echo "$address" > "$WORLD_DIR/published-address"
}

# The LAN namespace, plus a mount and host-name namespace of its own for the hosts file.
run() {
    ip netns list | awk '{print $1}' | grep -qxF "$LAN" || die "no world is up (namespace $LAN missing)"
    cd "$WORLD_DIR/work"
    # HOME changes below: keep the display's key where the caller had it.
    if [ -z "${XAUTHORITY:-}" ] && [ -r "${HOME:-/nonexistent}/.Xauthority" ]; then
        export XAUTHORITY="$HOME/.Xauthority"
    fi
    exec ip netns exec "$LAN" unshare --mount --uts sh -c '
        mount --bind "$0/hosts" /etc/hosts && hostname "$1" || exit 1
        shift
        exec env HOME="$WORLD_DIR/home" XDG_CONFIG_HOME="$WORLD_DIR/home/config" \
            XDG_DATA_HOME="$WORLD_DIR/home/data" XDG_RUNTIME_DIR="$WORLD_DIR/home/run" "$@"' \
        "$WORLD_DIR" "$HOST_NAME" "$@"
}

case "${1:-}" in
up) [ $# -ge 2 ] || die "usage: world.sh up BUILD [FAKE_PROVIDER_OPTION...]"; shift; up "$@" ;;
down) down ;;
run) shift; export WORLD_DIR; run "$@" ;;
program) shift; export WORLD_DIR; run "$WORLD_DIR/program/kelvane" "$@" ;;
service) shift; export WORLD_DIR; run "$WORLD_DIR/program/kelvaned" "$@" ;;
set-external-address) set_external_address "$2" ;;
restart-router) "$lab" start >/dev/null ;;
*) die "usage: world.sh up BUILD [OPTION...] | run CMD... | program [ARG...] | set-external-address A | down" ;;
esac
