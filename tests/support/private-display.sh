#!/bin/sh
# Runs a command on an X server of its own, so that no window of another test running at the same time
# can take the keyboard focus or move the pointer under it. Xvfb picks a free display number itself.
set -u
dir=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 200); do
    [ -s "$dir/display" ] && break
    sleep 0.05
done
DISPLAY=":$(cat "$dir/display")" "$@"
status=$?
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
rm -rf "$dir"
exit "$status"
