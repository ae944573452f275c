#!/bin/sh
# cli-test.sh KELVANE FAKE_PROVIDER_NAMESPACE_SCRIPT
# The program's command line, run on a portable copy in a temporary folder
# (program folder, key store, runtime folder and autostart entry all there).
# As root it also runs --headless in a network namespace of its own against
# the fake provider. Prints one line per check.
set -u
program=$1
namespace_script=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/kelvane"
mkdir -m 700 "$work/run"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen
kelvane="$work/kelvane"
passed=0
failed=0
check() { if eval "$2"; then echo "ok: $1"; passed=$((passed + 1)); else echo "FAILED: $1"; failed=$((failed + 1)); fi; }

check "--version" '"$kelvane" --version | grep -q "^kelvane 2.0$"'
check "an unknown option exits with 2" '"$kelvane" --bogus >/dev/null 2>&1; [ $? -eq 2 ]'
check "--autostart on writes the entry" '"$kelvane" --autostart on >/dev/null && grep -q "^Exec=\"$work/kelvane\"$" "$XDG_CONFIG_HOME/autostart/kelvane.desktop"'
check "--autostart off removes it" '"$kelvane" --autostart off >/dev/null && [ ! -e "$XDG_CONFIG_HOME/autostart/kelvane.desktop" ]'
check "--save-login without a password exits with 2" 'echo "" | "$kelvane" --save-login a.kelvane.example >/dev/null 2>&1; [ $? -eq 2 ] && [ ! -e "$work/vkl.ini" ]'
check "--save-login stores the login" 'echo secret | "$kelvane" --save-login a.kelvane.example | grep -q "a.kelvane.example" && [ "$(head -n 1 "$work/vkl.ini")" = "$(printf "kelvane.example###*****ret\r")" ] && grep -q "^vkl01=a.\*\*\*$" "$XDG_CONFIG_HOME/Vizivuri"'

if [ "$(id -u)" = 0 ]; then
    cat > "$work/headless.sh" <<SCRIPT
"$kelvane" --headless > "$work/out" 2> "$work/err" &
pid=\$!
i=0
while [ \$i -lt 100 ] && ! grep -q "Login success" "$work/out"; do sleep 0.2; i=\$((i + 1)); done
timeout 20 "$kelvane" --headless > /dev/null 2> "$work/second-err"
echo \$? > "$work/second-status"
kill -TERM \$pid
wait \$pid
echo \$? > "$work/status"
SCRIPT
    LANG=C LC_ALL=C timeout 60 unshare --net --mount --uts sh "$namespace_script" sh "$work/headless.sh" >/dev/null 2>&1
    check "--headless logs in and prints the success line" 'grep -q "Login success" "$work/out"'
    check "--headless ends with 0 on SIGTERM" '[ "$(cat "$work/status" 2>/dev/null)" = 0 ]'
    check "a second --headless is refused on standard error" '[ "$(cat "$work/second-status" 2>/dev/null)" = 1 ] && grep -q "Software has been running" "$work/second-err"'
    rm -f "$work/vkl.ini"
    check "--headless without a saved login exits with 1" 'timeout 20 unshare --net "$kelvane" --headless >/dev/null 2>&1; [ $? -eq 1 ]'
else
    echo "skipped: the --headless checks need root for their network namespace"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
