#!/bin/sh
# Sourced by the scripts that show windows on a display of their own.
# start_xvfb FOLDER WIDTHxHEIGHT: starts an Xvfb, sets $xvfb to its PID (the
# caller stops it) and exports DISPLAY and QT_QPA_PLATFORM=xcb. Returns 1 when
# there is no Xvfb, 2 when it did not come up within 10 s.
start_xvfb() {
    command -v Xvfb >/dev/null || return 1
    rm -f "$1/display"
    Xvfb -displayfd 3 -screen 0 "${2}x24" -nolisten tcp 3>"$1/display" 2>/dev/null &
    xvfb=$!
    xvfb_tries=0
    while [ ! -s "$1/display" ] && [ $xvfb_tries -lt 100 ]; do
        sleep 0.1
        xvfb_tries=$((xvfb_tries + 1))
    done
    [ -s "$1/display" ] || return 2
    export DISPLAY=":$(cat "$1/display")" QT_QPA_PLATFORM=xcb
}
