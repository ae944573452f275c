#!/bin/sh
# cli-test.sh KELVANE
# The program's command line, run on a portable copy in a temporary folder
# (program folder, key store, runtime folder and autostart entry all there).
# A headless run with a saved login is a whole-program test (tests/world/).
# Prints one line per check.
set -u
program=$1
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

rm -f "$work/vkl.ini"
if [ "$(id -u)" = 0 ]; then
    check "--headless without a saved login exits with 1" 'timeout 20 unshare --net "$kelvane" --headless >/dev/null 2>&1; [ $? -eq 1 ]'
else
    echo "skipped: the --headless check needs root for its network namespace"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
