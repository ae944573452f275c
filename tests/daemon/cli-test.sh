#!/bin/sh
# cli-test.sh KELVANE KELVANED
# The programs' command line, run on portable copies in a temporary folder
# (program folders, key stores, runtime folder and autostart entry all there).
# A headless run that logs in is a whole-program test (tests/world/).
# Prints one line per check.
set -u
program=$1
service=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/kelvane"
cp "$service" "$work/kelvaned"
mkdir -m 700 "$work/run"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen
kelvane="$work/kelvane"
kelvaned="$work/kelvaned"
passed=0
failed=0
check() { if eval "$2"; then echo "ok: $1"; passed=$((passed + 1)); else echo "FAILED: $1"; failed=$((failed + 1)); fi; }

check "--version" '"$kelvane" --version | grep -q "^kelvane 2.0$"'
check "kelvane --help tells of the desktop program" '"$kelvane" --help | head -n 1 | grep -qx "Usage: kelvane \[option\]" && "$kelvane" --help | grep -q "notification area"'
check "kelvaned names itself, not the desktop program it may run without" '[ "$("$kelvaned" --version)" = "kelvaned 2.0" ] && "$kelvaned" --help | head -n 1 | grep -qx "Usage: kelvaned \[option\]" && ! "$kelvaned" --help | grep -q "notification area\|autostart"'
check "kelvaned --autostart exits with 2 and names the unit" 'out=$("$kelvaned" --autostart on 2>&1); [ $? -eq 2 ] && echo "$out" | grep -q "systemctl --user enable" && [ ! -e "$XDG_CONFIG_HOME/autostart/kelvane.desktop" ]'
check "an unknown option exits with 2" '"$kelvane" --bogus >/dev/null 2>&1; [ $? -eq 2 ]'
check "--autostart on writes the entry" '"$kelvane" --autostart on >/dev/null && grep -q "^Exec=\"$work/kelvane\"$" "$XDG_CONFIG_HOME/autostart/kelvane.desktop"'
check "--autostart off removes it" '"$kelvane" --autostart off >/dev/null && [ ! -e "$XDG_CONFIG_HOME/autostart/kelvane.desktop" ]'
check "--save-login without a password exits with 2" 'echo "" | "$kelvane" --save-login a.kelvane.example >/dev/null 2>&1; [ $? -eq 2 ] && [ ! -e "$work/vkl.ini" ]'
check "--save-login with a domain that is no host name exits with 2" 'echo secret | "$kelvane" --save-login a_b.kelvane.example >/dev/null 2>&1; [ $? -eq 2 ] && [ ! -e "$work/vkl.ini" ]'
check "--save-login stores the login" 'echo secret | "$kelvane" --save-login a.kelvane.example | grep -q "a.kelvane.example" && [ "$(head -n 1 "$work/vkl.ini")" = "$(printf "kelvane.example###*****ret\r")" ] && grep -q "^vkl01=a.\*\*\*$" "$work/Vizivuri" && [ ! -e "$XDG_CONFIG_HOME/Vizivuri" ]'

# Two portable copies side by side keep their own logins.
mkdir "$work/second" && cp "$program" "$work/second/kelvane"
echo bravo2 | "$work/second/kelvane" --save-login bravo.second.example >/dev/null
check "a second copy keeps its login beside itself, the first copy's stays whole" 'grep -q "^vkl01=br" "$work/second/Vizivuri" && grep -q "^vkl01=a.\*\*\*$" "$work/Vizivuri" && head -n 1 "$work/second/vkl.ini" | grep -q "second\.example###"'
mkdir -p "$work/fresh/run" "$work/fresh/tmp" && cp "$service" "$work/fresh/kelvaned"
check "--status for a new user makes no file or folder" 'XDG_RUNTIME_DIR="$work/fresh/run" TMPDIR="$work/fresh/tmp" "$work/fresh/kelvaned" --status >/dev/null; [ $? -eq 3 ] && [ "$(cd "$work/fresh" && find . | sort | tr "\n" " ")" = ". ./kelvaned ./run ./tmp " ]'
check "--status --json without a running copy: one JSON object, not running, exit 3" 'out=$("$kelvane" --status --json); [ $? -eq 3 ] && echo "$out" | python3 -c "import json,sys; s=json.load(sys.stdin); sys.exit(not (s[\"running\"] is False and s[\"engine\"] is None))"'
check "--status without a running copy exits with 3" '"$kelvane" --status | grep -q "not running"; [ $? -eq 0 ] && { "$kelvane" --status >/dev/null; [ $? -eq 3 ]; }'

# A full folder: writes beyond the file size limit (1 KiB) fail, in either file.
store=$work/Vizivuri
long_line() { head -c 2000 /dev/zero | tr '\0' "$1"; echo; }
save_on_full_folder() { (trap '' XFSZ; ulimit -f 2; echo newpassword | "$kelvane" --save-login new.second.example >/dev/null 2>&1); }
echo oldpassword | "$kelvane" --save-login old.second.example >/dev/null
long_line '#' >>"$store"
cp "$store" "$work/store.before" && cp "$work/vkl.ini" "$work/vkl.before"
check "--save-login on a full folder, the key store failing, keeps both files" 'save_on_full_folder; [ $? -eq 1 ] && cmp -s "$store" "$work/store.before" && cmp -s "$work/vkl.ini" "$work/vkl.before"'
grep -v '^###' "$work/store.before" >"$store"
long_line x >>"$work/vkl.ini"
cp "$work/vkl.ini" "$work/vkl.before"
check "--save-login on a full folder, vkl.ini failing, keeps vkl.ini" 'save_on_full_folder; [ $? -eq 1 ] && cmp -s "$work/vkl.ini" "$work/vkl.before"'

if [ "$(id -u)" = 0 ]; then
    headless() { timeout 20 unshare --net "$kelvane" --headless 2>&1; }
    # Exits with 1 and prints a line that matches $1.
    refuses() { out=$(headless) && return 1; [ $? -eq 1 ] && echo "$out" | grep -q "$1"; }
    # Without a complete saved login it says why and exits at once; with one it starts the login.
    check "--headless after those saves finds a whole login and starts it" 'headless | grep -q "准备登录"'
    check "without a display: one line, exit status 1" 'out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 20 unshare --net "$kelvane" 2>&1); [ $? -eq 1 ] && [ "$(echo "$out" | wc -l)" -eq 1 ] && echo "$out" | grep -q "no display.*--headless"'
    # A session bus of its own, on a socket file, which a network namespace does not hide.
    dbus-daemon --session --address="unix:path=$work/bus" --nofork >/dev/null 2>&1 &
    bus=$!
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
    tries=50
    while [ "$tries" -gt 0 ] && [ ! -S "$work/bus" ]; do sleep 0.1; tries=$((tries - 1)); done
    on_bus() { busctl --address="$DBUS_SESSION_BUS_ADDRESS" introspect example.kelvane.Kelvane /example/kelvane/Kelvane 2>/dev/null | grep -q "^example\.kelvane\.Engine2 "; }
    # One lock per settings folder, whatever the language.
    env -u LC_ALL -u LC_MESSAGES LANG=C timeout 60 unshare --net "$kelvane" --headless >"$work/first.out" 2>&1 &
    first=$!
    tries=50
    while [ "$tries" -gt 0 ] && ! "$kelvane" --status 2>/dev/null | grep -q "^router: "; do sleep 0.2; tries=$((tries - 1)); done
    # The status file may come a moment before the name on the bus.
    tries=50
    while [ "$tries" -gt 0 ] && ! on_bus; do sleep 0.2; tries=$((tries - 1)); done
    check "the running copy is on the session bus with its interface" 'on_bus'
    check "--status --json with a running copy: its interface's state under engine, not healthy, exit 1" 'out=$("$kelvane" --status --json); [ $? -eq 1 ] && echo "$out" | python3 -c "import json,sys; s=json.load(sys.stdin); e=s[\"engine\"]; sys.exit(not (s[\"running\"] and not s[\"healthy\"] and s[\"reasons\"] and isinstance(e[\"Logins\"], list) and isinstance(e[\"Mappings\"], list) and \"Password\" not in e))"'
    unset DBUS_SESSION_BUS_ADDRESS
    check "--status with a running copy that has no login yet exits with 1 and says why" 'out=$("$kelvane" --status); [ $? -eq 1 ] && echo "$out" | grep -q "^Kelvane is running" && echo "$out" | grep -q "^Not healthy: no login has succeeded yet$"'
    check "a copy started without XDG_RUNTIME_DIR (su -, cron) finds it: --status reads its status, --save-login is refused" 'env -u XDG_RUNTIME_DIR "$kelvane" --status | grep -q "^router: " && ! echo y | env -u XDG_RUNTIME_DIR "$kelvane" --save-login d.second.example >/dev/null 2>&1'
    check "a copy under another language is refused while it runs" 'echo x | env -u LC_ALL -u LC_MESSAGES LANG=zh_CN.UTF-8 "$kelvane" --save-login c.second.example >/dev/null 2>&1; [ $? -eq 1 ] && out=$(env -u LC_ALL -u LC_MESSAGES LANG=zh_CN.UTF-8 timeout 20 unshare --net "$kelvane" --headless 2>&1); [ $? -eq 1 ]'
    check "a copy with its own settings folder is not" 'echo charlie3 | "$work/second/kelvane" --save-login c.second.example >/dev/null'
    kill -TERM "$first" 2>/dev/null
    wait "$first"
    check "the running copy ended with 0 on SIGTERM and removed its status file" '[ $? -eq 0 ] && [ -z "$(ls "$XDG_RUNTIME_DIR" | grep "\.status$")" ]'
    kill -TERM "$bus" 2>/dev/null
    wait "$bus"
    printf 'garbage\0\377\n=\n' >"$store"
    check "--headless with a garbage key store says the login is incomplete" 'refuses "login is incomplete"'
    rm -f "$store" && ln -s Vizivuri "$store"
    check "--headless with an unreadable key store says so" 'refuses "key store cannot be read.*Vizivuri"'
    rm -f "$store" && mkdir "$store"
    check "--headless with a folder for a key store says so" 'refuses "Vizivuri is a folder"'
    rm -f "$work/vkl.ini"
    # Left by interrupted writes of each file a run writes (the mapping files in the folder it starts from).
    status_file=$XDG_RUNTIME_DIR/kelvane-$(printf %s "$(cd "$work" && pwd -P)" | sha256sum | cut -c 1-16).status
    for file in vkl.ini Vizivuri yuming.ini vkldomain.ini jilu.txt shijian.txt; do echo left >"$work/$file.kelvane-tmp-Ab12Cd"; done
    echo left >"$status_file.kelvane-tmp-Ab12Cd" && echo mine >"$work/vkl.ini.backup"
    check "--headless without a saved login exits with 1, having removed the temporaries of every file it writes, not a backup" '(cd "$work" && refuses "No saved login in .*vkl.ini") && [ -z "$(find "$work" "$XDG_RUNTIME_DIR" -name "*.kelvane-tmp-*")" ] && [ "$(cat "$work/vkl.ini.backup")" = mine ]'
    check "kelvaned without a saved login tells to run kelvaned --save-login" 'out=$(cd "$work" && timeout 20 unshare --net "$kelvaned" 2>&1); [ $? -eq 1 ] && echo "$out" | grep -q "run kelvaned --save-login DOMAIN first"'
else
    echo "skipped: the --headless checks need root for their network namespace"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
