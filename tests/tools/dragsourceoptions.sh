#!/bin/sh
# brisklet-drag-source's options: help and mistakes answer at once, with no display, and a
# name after "--" is a file even when it looks like an option.
#   dragsourceoptions.sh PROGRAM
program=$1
failures=0

# expect STATUS TEXT ARGUMENT...: exits with STATUS within a few seconds, printing TEXT.
expect() {
    status=$1 text=$2
    shift 2
    printed=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM timeout 10 "$program" "$@" 2>&1)
    got=$?
    if [ "$got" -ne "$status" ] || ! printf '%s\n' "$printed" | grep -qF -- "$text"; then
        echo "FAIL: $* exited $got (expected $status) and printed: $printed"
        failures=$((failures + 1))
    fi
}

expect 0 "Usage: brisklet-drag-source" --help
expect 0 "Usage: brisklet-drag-source" -h
expect 0 "Usage: brisklet-drag-source" some-file --help
expect 2 "unknown option: --bogus" --bogus some-file
expect 2 "unknown option: -x" some-file -x
expect 2 "no file given"
expect 2 "no file given" --

# After "--" the window opens for a file named --help and waits for a drag (timeout's 124).
QT_QPA_PLATFORM=offscreen timeout 3 "$program" -- --help >/dev/null 2>&1
got=$?
if [ "$got" -ne 124 ]; then
    echo "FAIL: -- --help exited $got instead of opening the window"
    failures=$((failures + 1))
fi

[ "$failures" -eq 0 ]
