#!/bin/bash
# igd-lab.sh - a real UPnP gateway (miniupnpd, nftables build) as the router of
# three private network namespaces made here:
#
#   $LAB-wan  wan0 11.22.33.1 --veth-- ext0 11.22.33.2  $LAB-router  int0 192.168.77.1 --veth-- lan0 192.168.77.10  $LAB-lan
#
# No namespace has a link to the root namespace, so nothing sent in the lab
# (SSDP multicast included) can reach a real network.
#
#   igd-lab.sh up [1|2]    fresh lab (runs down first); 1 = IGD:1 description, 2 (default) = IGD:2
#   igd-lab.sh down        stops the daemon by its recorded PID, deletes the namespaces; safe to repeat
#   igd-lab.sh lan CMD...  runs CMD inside the LAN namespace
#   igd-lab.sh stop        stops the daemon only: a router that is off
#   igd-lab.sh start       starts it again with an empty table, as a router
#                          that restarted or was switched on late
#
# Settings from the environment: LAB (namespace prefix, default kvigd),
# RUN_DIR (default /tmp/$LAB-run), HTTP_PORT (default 5000),
# MAX_LIFETIME (seconds after which the daemon ends by itself, default 600),
# PMP_ONLY=yes (UPnP off; NAT-PMP on, which also answers PCP, as on routers without UPnP),
# IPV6=1 (IPv6 on as well: documentation addresses 2001:db8:ee::/64 outside and
# 2001:db8:77::/64 inside, forwarded, and the daemon's WANIPv6FirewallControl
# opening pinholes; secure mode off, since a pinhole asked over IPv4 is never
# "from" the IPv6 address it opens to).
set -euo pipefail

LAB=${LAB:-kvigd}
NS_WAN=$LAB-wan
NS_ROUTER=$LAB-router
NS_LAN=$LAB-lan
WAN_IP=11.22.33.1 # not a reserved range: miniupnpd refuses to map behind those
EXT_IP=11.22.33.2
ROUTER_LAN_IP=192.168.77.1
CLIENT_IP=192.168.77.10
RUN_DIR=${RUN_DIR:-/tmp/$LAB-run}
HTTP_PORT=${HTTP_PORT:-5000}
MAX_LIFETIME=${MAX_LIFETIME:-600}
PMP_ONLY=${PMP_ONLY:-no}
IPV6=${IPV6:-0}
WAN_IP6=2001:db8:ee::1
EXT_IP6=2001:db8:ee::2
ROUTER_LAN_IP6=2001:db8:77::1
CLIENT_IP6=2001:db8:77::10
PIDS_FILE=$RUN_DIR/pids
CONF=$RUN_DIR/miniupnpd.conf

die() { echo "igd-lab: $*" >&2; exit 1; }
[ "$(id -u)" = 0 ] || die "must run as root"

# True while the PID exists and is not a zombie.
alive() { [ -r "/proc/$1/stat" ] && [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" != Z ]; }

# Stops a PID recorded by `up`, only while it still is the process started
# there: same command name and our configuration file on its command line.
stop_pid() {
    local pid=$1 comm=$2 i
    [[ "$pid" =~ ^[0-9]+$ ]] || return 0
    # timeout ends by itself right after its child: give it a moment
    for i in $(seq 1 20); do alive "$pid" || return 0; [ "$comm" = timeout ] || break; sleep 0.1; done
    [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "$comm" ] || return 0
    tr '\0' ' ' < "/proc/$pid/cmdline" 2>/dev/null | grep -qF "$CONF" || return 0
    kill -TERM "$pid" 2>/dev/null || true
    for i in $(seq 1 50); do alive "$pid" || break; sleep 0.1; done
    if alive "$pid"; then kill -KILL "$pid" 2>/dev/null || true; fi
    echo "igd-lab: stopped $comm (PID $pid)"
}

has_netns() { ip netns list | awk '{print $1}' | grep -qxF "$1"; }

stop_daemon() {
    if [ -f "$PIDS_FILE" ]; then
        stop_pid "$(sed -n 's/^miniupnpd=//p' "$PIDS_FILE")" miniupnpd
        stop_pid "$(sed -n 's/^timeout=//p' "$PIDS_FILE")" timeout
        rm -f "$PIDS_FILE"
    fi
    rm -f "$RUN_DIR/miniupnpd.pid"
}

down() {
    stop_daemon
    local ns
    for ns in "$NS_LAN" "$NS_ROUTER" "$NS_WAN"; do
        if has_netns "$ns"; then
            ip netns del "$ns"
        fi
    done
}

up() {
    local version=${1:-2}
    [ "$version" = 1 ] || [ "$version" = 2 ] || die "IGD version must be 1 or 2"
    [ -x /usr/sbin/miniupnpd ] || die "miniupnpd is missing (scripts/install-deps installs miniupnpd-nftables)"
    /usr/sbin/miniupnpd --version 2>&1 | grep -q nftables || die "/usr/sbin/miniupnpd is not the nftables build"
    command -v nft >/dev/null || die "nft is missing (package nftables)"

    down >/dev/null
    mkdir -p "$RUN_DIR"
    rm -f "$RUN_DIR/miniupnpd.log" "$RUN_DIR/upnp.leases"

    local ns
    for ns in "$NS_WAN" "$NS_ROUTER" "$NS_LAN"; do
        ip netns add "$ns"
        ip -n "$ns" link set lo up
    done
    # veth ends are made inside the namespaces: none ever exists in the root one
    ip -n "$NS_WAN" link add wan0 type veth peer name ext0 netns "$NS_ROUTER"
    ip -n "$NS_LAN" link add lan0 type veth peer name int0 netns "$NS_ROUTER"
    ip -n "$NS_WAN" addr add "$WAN_IP/24" dev wan0
    ip -n "$NS_ROUTER" addr add "$EXT_IP/24" dev ext0
    ip -n "$NS_ROUTER" addr add "$ROUTER_LAN_IP/24" dev int0
    ip -n "$NS_LAN" addr add "$CLIENT_IP/24" dev lan0
    ip -n "$NS_WAN" link set wan0 up
    ip -n "$NS_ROUTER" link set ext0 up
    ip -n "$NS_ROUTER" link set int0 up
    ip -n "$NS_LAN" link set lan0 up
    # the default route also carries the SSDP multicast out of lan0
    ip -n "$NS_LAN" route add default via "$ROUTER_LAN_IP"
    ip -n "$NS_ROUTER" route add default via "$WAN_IP"
    ip netns exec "$NS_ROUTER" sysctl -qw net.ipv4.ip_forward=1
    [ "$IPV6" = 1 ] && up_ipv6

    # The chains miniupnpd adds its rules to must exist before it starts.
    ip netns exec "$NS_ROUTER" nft -f - <<NFT
table inet filter {
    chain forward {
        type filter hook forward priority 0; policy drop;
        ct state established,related accept
        iifname "int0" oifname "ext0" accept
        jump miniupnpd
    }
    chain miniupnpd { }
    chain prerouting {
        type nat hook prerouting priority -100; policy accept;
        jump prerouting_miniupnpd
    }
    chain postrouting {
        type nat hook postrouting priority 100; policy accept;
        jump postrouting_miniupnpd
        oifname "ext0" masquerade
    }
    chain prerouting_miniupnpd { }
    chain postrouting_miniupnpd { }
}
NFT

    local force_v1=no upnp=yes natpmp=no ipv6_disable=yes secure=yes
    [ "$version" = 1 ] && force_v1=yes
    [ "$IPV6" = 1 ] && ipv6_disable=no secure=no
    [ "$PMP_ONLY" = yes ] && upnp=no natpmp=yes
    cat > "$CONF" <<CONF
ext_ifname=ext0
listening_ip=int0
http_port=$HTTP_PORT
# unix sockets are not per namespace: point at one where no minissdpd listens
minissdpdsocket=$RUN_DIR/no-minissdpd.sock
ipv6_disable=$ipv6_disable
enable_upnp=$upnp
enable_natpmp=$natpmp
secure_mode=$secure
system_uptime=no
notify_interval=60
uuid=3d3cec3a-8cf0-11e0-98ee-001a6bd2d07b
friendly_name=Kelvane test gateway
force_igd_desc_v1=$force_v1
lease_file=$RUN_DIR/upnp.leases
upnp_table_name=filter
upnp_nat_table_name=filter
upnp_forward_chain=miniupnpd
upnp_nat_chain=prerouting_miniupnpd
upnp_nat_postrouting_chain=postrouting_miniupnpd
allow 1-65535 192.168.77.0/24 1-65535
deny 0-65535 0.0.0.0/0 0-65535
CONF

    start_daemon
}

# No duplicate address detection: the addresses are usable at once.
up_ipv6() {
    ip -n "$NS_WAN" addr add "$WAN_IP6/64" dev wan0 nodad
    ip -n "$NS_ROUTER" addr add "$EXT_IP6/64" dev ext0 nodad
    ip -n "$NS_ROUTER" addr add "$ROUTER_LAN_IP6/64" dev int0 nodad
    ip -n "$NS_LAN" addr add "$CLIENT_IP6/64" dev lan0 nodad
    ip -n "$NS_LAN" -6 route add default via "$ROUTER_LAN_IP6"
    ip -n "$NS_ROUTER" -6 route add default via "$WAN_IP6"
    ip -n "$NS_WAN" -6 route add 2001:db8:77::/64 via "$EXT_IP6"
    ip netns exec "$NS_ROUTER" sysctl -qw net.ipv6.conf.all.forwarding=1
}

start_daemon() {
    [ -f "$CONF" ] && has_netns "$NS_ROUTER" || die "no lab is up"
    stop_daemon >/dev/null
    rm -f "$RUN_DIR/upnp.leases"
    # The rules of the last run go with it, as on a router that restarts.
    ip netns exec "$NS_ROUTER" nft flush chain inet filter miniupnpd
    ip netns exec "$NS_ROUTER" nft flush chain inet filter prerouting_miniupnpd
    ip netns exec "$NS_ROUTER" nft flush chain inet filter postrouting_miniupnpd
    # `ip netns exec` execs timeout, so $! is timeout's PID; miniupnpd is its child.
    ip netns exec "$NS_ROUTER" timeout --signal=TERM "$MAX_LIFETIME" \
        /usr/sbin/miniupnpd -f "$CONF" -d -P "$RUN_DIR/miniupnpd.pid" \
        > "$RUN_DIR/miniupnpd.log" 2>&1 < /dev/null &
    local timeout_pid=$! daemon_pid= i
    printf 'timeout=%s\n' "$timeout_pid" > "$PIDS_FILE"
    for i in $(seq 1 50); do
        if [ -s "$RUN_DIR/miniupnpd.pid" ] && grep -qE "HTTP listening on port|NAT-PMP/PCP traffic on port" "$RUN_DIR/miniupnpd.log"; then
            daemon_pid=$(cat "$RUN_DIR/miniupnpd.pid")
            break
        fi
        alive "$timeout_pid" || break
        sleep 0.1
    done
    if [ -z "$daemon_pid" ]; then
        echo "igd-lab: miniupnpd did not come up; its log:" >&2
        cat "$RUN_DIR/miniupnpd.log" >&2
        down
        exit 1
    fi
    printf 'miniupnpd=%s\ntimeout=%s\n' "$daemon_pid" "$timeout_pid" > "$PIDS_FILE"
    echo "igd-lab: miniupnpd PID $daemon_pid at http://$ROUTER_LAN_IP:$HTTP_PORT/rootDesc.xml," \
        "external address $EXT_IP, LAN namespace $NS_LAN"
}

case "${1:-}" in
up) up "${2:-2}" ;;
down) down ;;
stop) stop_daemon ;;
start) start_daemon ;;
lan)
    shift
    has_netns "$NS_LAN" || die "no lab is up (namespace $NS_LAN missing)"
    exec ip netns exec "$NS_LAN" "$@"
    ;;
*) die "usage: igd-lab.sh up [1|2] | down | stop | start | lan CMD..." ;;
esac
