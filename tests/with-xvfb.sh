#!/bin/sh
# Runs a command on a private Xvfb display, stopped after it. Xvfb picks a free
# display number itself (-displayfd), so tests may run side by side. It does
# not reset when its last client leaves: a client connecting meanwhile would be
# refused.
set -u
# TMPDIR as the caller has it, if it is there.
dir=$(mktemp -d 2>/dev/null || mktemp -d -p /tmp) || exit 1
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/display" 2>"$dir/log" &
server=$!
until grep -q '^[0-9][0-9]*$' "$dir/display" 2>/dev/null; do
  kill -0 "$server" 2>/dev/null || { cat "$dir/log" >&2; rm -rf "$dir"; exit 1; }
  sleep 0.05
done
DISPLAY=:$(cat "$dir/display") "$@"
status=$?
kill "$server"; wait "$server" 2>/dev/null
rm -rf "$dir"
exit $status
