#!/bin/sh
# The real program as a native Wayland client of a headless Weston, given a
# chart by its path: the compositor maps a window titled "Chart Viewer"
# whose app id is the desktop entry's name (the protocol log shows all three).
# libwayland writes an object as wl_surface@12 before 1.23 and wl_surface#12 since.
# The headless backend has no input devices, so nothing can close the window
# as a user would: once it is shown the program must still be running, and
# then ends by SIGTERM.
set -eu
program=$1 chart=$2 id=$3
work=$(mktemp -d 2>/dev/null || mktemp -d -p /tmp)  # TMPDIR as the caller has it, if it is there
weston=
viewer=
cleanup() {
  [ -z "$viewer" ] || kill "$viewer" 2>/dev/null || true
  [ -z "$weston" ] || kill "$weston" 2>/dev/null || true
  wait
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "$1"
  echo "-- the program's protocol log:"; cat "$work/protocol.log" 2>/dev/null || true
  echo "-- Weston's log:"; cat "$work/weston.log"
  exit 1
}
# Up to 30 s for a condition, while the process $1 runs.
wait_for() {
  pid=$1; shift; tries=300
  until "$@"; do
    kill -0 "$pid" 2>/dev/null && [ $((tries -= 1)) -gt 0 ] || return 1
    sleep 0.1
  done
}

mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime" WAYLAND_DISPLAY=chartviewer-test
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --no-config --idle-time=0 \
  >"$work/weston.log" 2>&1 &
weston=$!
wait_for "$weston" test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || fail "Weston did not start"

cd "$work"
QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=1 "$program" "$chart" 2>"$work/protocol.log" &
viewer=$!
wait_for "$viewer" grep -q 'wl_surface[@#][0-9]*\.enter(wl_output[@#]' "$work/protocol.log" ||
  fail "No window was mapped"
grep -q 'xdg_toplevel[@#][0-9]*\.set_title("Chart Viewer")$' "$work/protocol.log" || fail "Wrong title"
grep -q "xdg_toplevel[@#][0-9]*\.set_app_id(\"$id\")\$" "$work/protocol.log" || fail "Wrong app id"

kill -0 "$viewer" 2>/dev/null || fail "The program ended with its window shown"
kill -TERM "$viewer"
status=0
wait "$viewer" || status=$?
viewer=
[ "$status" -eq 143 ] || fail "The program ended with status $status, not by SIGTERM"
