#!/bin/bash
# whole-program-test.sh SCENARIO BUILD
# Runs the real program of BUILD in the closed world (world.sh) and prints one
# line per check. Scenarios:
#   desktop   the windows (offscreen) with a saved login and two stored mappings:
#             registration with both servers, the account type saved, the mappings
#             on the router, a second copy refused, hostile datagrams survived,
#             and a new external address: mappings applied again, logged in again
#   headless  the same with --headless, which also prints the success line
#   silent    the primary server leaves the first login unanswered: it is sent again 15 s later
#   natpmp    kelvaned with a router that has UPnP off and speaks NAT-PMP: the
#             mappings on it, --status and --router-mappings name the protocol,
#             and a router restart is mapped again
#   journal   kelvaned: the lines printed in a minute of normal operation, and in
#             a minute of an outage (the provider stopped) after its first minute
# Exits 77 (skipped) when not run as root.
set -uo pipefail
if [ "$(id -u)" != 0 ]; then
    echo "SKIPPED: the closed world needs root for its network namespaces"
    exit 77
fi
scenario=$1
build=$(cd "$2" && pwd)
world="$(cd "$(dirname "$0")" && pwd)/world.sh"
export WORLD=kvworld-test WORLD_DIR=/tmp/kvworld-test QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
domain=demo.second.example
passed=0
failed=0
pid=

check() { if eval "$2"; then echo "ok: $1"; passed=$((passed + 1)); else echo "FAILED: $1"; failed=$((failed + 1)); fi; }
# wait_for SECONDS CONDITION: true as soon as CONDITION holds, false after SECONDS.
wait_for() {
    local tries=$(($1 * 5))
    while [ "$tries" -gt 0 ]; do
        eval "$2" && return 0
        sleep 0.2
        tries=$((tries - 1))
    done
    return 1
}
logins() { grep -c "^[0-9]* $1 verarod47$domain&&&" "$WORLD_DIR/provider.log"; }
mapped() { "$world" run upnpc -l 2>/dev/null | grep -Eq "^ *[0-9]+ $1 +$2->192\.168\.77\.10:$3 "; }
both_mapped() { mapped TCP 8080 80 && mapped UDP 2222 22; }
# The router's rules, for a router that cannot be asked by UPnP.
forwarded() { ip netns exec "$WORLD-router" nft list chain inet filter prerouting_miniupnpd 2>/dev/null | grep -q "dport $1 dnat"; }
both_forwarded() { forwarded 8080 && forwarded 2222; }
running() { kill -0 "$pid" 2>/dev/null; }
stop_program() {
    [ -n "$pid" ] || return 0
    kill -TERM "$pid" 2>/dev/null
    local i
    for i in $(seq 1 50); do running || break; sleep 0.1; done
    running && kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    status=$?
    pid=
}
provider_pid() { cat "$WORLD_DIR/provider.pid" 2>/dev/null; }
trap 'p=$(provider_pid); [ -n "$p" ] && kill -CONT "$p" 2>/dev/null; stop_program; "$world" down >/dev/null 2>&1' EXIT
lines_printed() { wc -l < "$WORLD_DIR/out"; }
lines_in_a_minute() {
    before=$(lines_printed)
    sleep 60
    echo $(($(lines_printed) - before))
}

start_world() {
    "$world" up "$build" "$@" >/dev/null || { echo "FAILED: the closed world did not come up"; exit 1; }
    printf '11.22.33.2:8080  TCP  192.168.77.10:80\r\n11.22.33.2:2222  UDP  192.168.77.10:22\r\n' \
        > "$WORLD_DIR/work/jilu.txt"
    echo secret | "$world" program --save-login "$domain" >/dev/null
}

# start_program program|service [ARG...]: kelvane or kelvaned.
start_program() {
    "$world" "$@" > "$WORLD_DIR/out" 2> "$WORLD_DIR/err" &
    pid=$!
}

# From another host of the LAN (127.0.0.2 here): random bytes, broken markers,
# a NUL and 60,000 "&" to the reply port and both check channels.
hostile_datagrams() {
    "$world" run python3 -c '
import os, socket
sender = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
sender.bind(("127.0.0.2", 0))
texts = [b"&&&", b"&&&&&&###", b"8*888", b"8*888###&&&", b"&&&99999999999999999999&&&-5###",
         b"dengluok", b"dengluok0&&&&&&sjend###", b"nzhuceyonghu", b"a\0b&&&1&&&1###",
         b"203.0.113.7&&&1&&&0###"]
for port in (9812, 8881, 8882):
    for i in range(1, 21):
        sender.sendto(os.urandom(i * 70), ("127.0.0.1", port))
    for text in texts:
        sender.sendto(text, ("127.0.0.1", port))
    try:
        sender.sendto(b"&" * 60000, ("127.0.0.1", port))
    except OSError:
        pass
' 2>/dev/null
}

scenario_registration_and_mappings() {
    check "logs in with the primary server (port 9715) at start-up" 'wait_for 15 "[ \$(logins 9715) -ge 1 ]"'
    check "and with the secondary server (port 9725), the same datagram" \
        'wait_for 5 "[ \$(logins 9725) -ge 1 ]" && [ "$(grep -m1 " 9715 " "$WORLD_DIR/provider.log" | cut -d" " -f3-)" = "$(grep -m1 " 9725 " "$WORLD_DIR/provider.log" | cut -d" " -f3-)" ]'
    check "account code 0 writes settings line 5 as 6" \
        'wait_for 10 "[ \"\$(sed -n 6p \"$WORLD_DIR/program/vkl.ini\" | tr -d \"\\r\")\" = 6 ]"'
    check "the stored mappings are on the router (upnpc -l)" 'wait_for 20 both_mapped'

    timeout 20 "$world" program --headless > /dev/null 2> "$WORLD_DIR/second-err"
    check "a second copy is refused while the first runs" \
        '[ $? -eq 1 ] && grep -q "Software has been running" "$WORLD_DIR/second-err"'

    hostile_datagrams
    sleep 2
    check "hostile datagrams to 9812, 8881 and 8882 leave it running" running
    local before
    before=$(logins 9715)
    "$world" run bash -c 'printf "203.0.113.9&&&1&&&1###" > /dev/udp/127.0.0.1/8881'
    check "and answering: a confirmation naming another address makes it log in again" \
        'wait_for 10 "[ \$(logins 9715) -gt $before ]"'

    "$world" run sh -c 'upnpc -d 8080 TCP; upnpc -d 2222 UDP' > /dev/null 2>&1
    wait_for 5 '! mapped TCP 8080 80 && ! mapped UDP 2222 22' || echo "note: the mappings could not be removed"
    before=$(logins 9715)
    "$world" set-external-address 11.22.33.3
    check "a new external address: the mappings are applied again" 'wait_for 30 both_mapped'
    check "and the program logs in again" 'wait_for 25 "[ \$(logins 9715) -gt $before ]"'
    check "still running at the end" running
    check "no sanitizer report on standard error" '! grep -q "runtime error:\|Sanitizer" "$WORLD_DIR/err"'
}

case "$scenario" in
desktop)
    start_world
    start_program program
    scenario_registration_and_mappings
    stop_program
    check "ends with 0 on SIGTERM" '[ "$status" -eq 0 ]'
    ;;
headless)
    start_world
    start_program program --headless
    scenario_registration_and_mappings
    check "prints the success line" 'grep -q "Login success" "$WORLD_DIR/out"'
    # The router holds a mapping about a second before the answer to its add is read.
    check "prints the port mapping log" 'wait_for 5 "[ \$(grep -c \"\[port mapping\] 增加端口成功\" \"$WORLD_DIR/out\") -ge 4 ]"'
    check "one time stamp per line, no line without a word, no status twice in a row" \
        '! grep -Eq "^[0-9-]+ [0-9:]+ ([0-9/.-]+ )?[0-9]{1,2}:[0-9]{2}" "$WORLD_DIR/out" && ! grep -Eq "^[0-9-]+ [0-9:]+ (\[port mapping\] *)?[.,:;!！。 ]*$" "$WORLD_DIR/out" && [ -z "$(cut -d" " -f3- "$WORLD_DIR/out" | uniq -d | grep -v "^\[port mapping\]")" ]'
    check "--status: running, registered, the router, its address and the mappings" \
        '"$world" program --status > "$WORLD_DIR/status" && grep -q "^login: $domain .* registered$" "$WORLD_DIR/status" && grep -q "^router external address: 11.22.33.3$" "$WORLD_DIR/status" && grep -q "^mapping: 11.22.33.3:8080  TCP  192.168.77.10:80$" "$WORLD_DIR/status"'
    printf '11.22.33.3:3333  TCP  192.168.77.10:33\r\n' >> "$WORLD_DIR/work/jilu.txt"
    kill -HUP "$pid"
    check "SIGHUP reads the mapping list again and applies its new line" 'wait_for 20 "mapped TCP 3333 33" && running'
    stop_program
    check "ends with 0 on SIGTERM" '[ "$status" -eq 0 ]'
    "$world" program --status > /dev/null
    check "--status after the end exits with 3" '[ $? -eq 3 ]'
    ;;
silent)
    start_world --silent-first 1
    start_program program
    check "sends the login at start-up" 'wait_for 15 "[ \$(logins 9715) -ge 1 ]"'
    check "sends it again 15 s later when the server stays silent" 'wait_for 20 "[ \$(logins 9715) -ge 2 ]"'
    first=$(grep -m1 " 9715 " "$WORLD_DIR/provider.log" | cut -d" " -f1)
    second=$(grep " 9715 " "$WORLD_DIR/provider.log" | sed -n 2p | cut -d" " -f1)
    check "after 15 s, not sooner" '[ $((second - first)) -ge 14500 ] && [ $((second - first)) -le 17000 ]'
    check "and is registered then" \
        'wait_for 5 "[ \"\$(sed -n 6p \"$WORLD_DIR/program/vkl.ini\" | tr -d \"\\r\")\" = 6 ]"'
    ;;
natpmp)
    PMP_ONLY=yes start_world
    start_program service
    check "the stored mappings are on the router by PCP, which this NAT-PMP daemon also speaks" 'wait_for 30 both_forwarded'
    check "--status names the protocol" \
        '"$world" program --status | grep -qx "router: gateway at 192.168.77.1 (PCP)"'
    "$world" program --router-mappings > /dev/null 2> "$WORLD_DIR/listing"
    check "--router-mappings says NAT-PMP cannot list them, and exits with 1" \
        '[ $? -eq 1 ] && grep -q "NAT-PMP" "$WORLD_DIR/listing"'
    "$world" restart-router
    restarted=$(date +%s%N)
    check "a restarted router has them again" 'wait_for 40 both_forwarded'
    echo "NAT-PMP restart to restored: $((($(date +%s%N) - restarted) / 1000000)) ms"
    check "natpmpc, the reference, reads the same external address" \
        '"$world" run natpmpc -g 192.168.77.1 | grep -q "Public IP address : 11.22.33.2"'
    check "still running at the end" running
    ;;
journal)
    start_world
    start_program service
    check "logs in and applies the mappings" 'wait_for 15 "[ \$(logins 9715) -ge 1 ]" && wait_for 20 both_mapped'
    sleep 20 # the first check and router poll are printed
    normal=$(lines_in_a_minute)
    echo "normal operation: $normal lines in a minute"
    check "a minute of normal operation prints at most one line" '[ "$normal" -le 1 ]'
    kill -STOP "$(provider_pid)"
    "$world" set-external-address 11.22.33.3
    check "a silent provider is said once, naming the server" \
        'wait_for 100 "grep -q \"no answer from primary DNS since [0-9][0-9]:[0-9][0-9]\$\" \"$WORLD_DIR/out\""'
    outage=$(lines_in_a_minute)
    echo "outage after its first minute: $outage lines in a minute"
    check "a minute of the outage after that prints at most one line" '[ "$outage" -le 1 ]'
    kill -CONT "$(provider_pid)"
    check "and once when it answers again" 'wait_for 40 "grep -q \"primary DNS answers again\" \"$WORLD_DIR/out\""'
    check "one notice each" '[ "$(grep -c "no answer from primary DNS" "$WORLD_DIR/out")" -eq 1 ]'
    ;;
*)
    echo "unknown scenario $scenario"
    exit 2
    ;;
esac
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
