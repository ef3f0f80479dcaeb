#!/usr/bin/env bash
# The real program in a real SDL window on a virtual X display: it starts with its
# splash, a second start raises the first copy and ends with 0, SIGTERM takes the
# orderly exit that writes the settings, and failed starts show their closing messages.
set -euo pipefail
exe=$1
data=$2
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill -9 "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/share XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

# Failed starts: no display, no data.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 "$exe" --data-dir "$data" 2>&1) && fail "started without a display"
grep -q "General error encountered." <<<"$out" || fail "no closing message without a display: $out"

display=:$((90 + RANDOM % 800))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Without its data the program shows its closing message in a box and ends once the
# box is dismissed.
before=$(xdotool search --onlyvisible --name '' 2>/dev/null | sort)
"$exe" --data-dir "$work/missing" >"$work/fail.log" 2>&1 &
fail_pid=$!
# The program waits in its box: it is still there a second later.
sleep 1
kill -0 "$fail_pid" 2>/dev/null || fail "ended without showing its closing message: $(cat "$work/fail.log")"
# Dismiss the box (a new window other than the closed main window) with Return.
for _ in $(seq 150); do
  kill -0 "$fail_pid" 2>/dev/null || break
  for w in $(comm -13 <(echo "$before") <(xdotool search --onlyvisible --name '' 2>/dev/null | sort)); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "Orrelux" ] && continue
    xdotool key --window "$w" Return 2>/dev/null || true
  done
  sleep 0.1
done
kill -0 "$fail_pid" 2>/dev/null && { kill -9 "$fail_pid"; fail "the message box did not close"; }
wait "$fail_pid" && fail "a start without data ended with 0"
grep -q "General file error." "$work/fail.log" || fail "no closing message without data: $(cat "$work/fail.log")"
ls "$XDG_CONFIG_HOME/orrelux/settings.ini" 2>/dev/null && fail "a failed start wrote settings"

"$exe" --data-dir "$data" --scale 2 --time 2026-12-07T12:00:00Z >"$work/app.log" 2>&1 &
app_pid=$!
xdotool search --sync --onlyvisible --name '^Orrelux$' >/dev/null &
search=$!
for _ in $(seq 100); do kill -0 "$search" 2>/dev/null || break; sleep 0.1; done
kill "$search" 2>/dev/null && fail "no window appeared: $(cat "$work/app.log")"
wid=$(xdotool search --onlyvisible --name '^Orrelux$' | head -1)
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" -eq 480 ] && [ "$HEIGHT" -eq 640 ] || fail "window is ${WIDTH}x${HEIGHT}, expected 480x640"

# A second start asks the first to show itself and ends with 0 at once.
timeout 10 "$exe" --data-dir "$data" || fail "second start did not end with 0"
kill -0 "$app_pid" || fail "the first copy ended"

# SIGTERM: the orderly exit, which saves the settings.
sleep 1
kill -TERM "$app_pid"
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "did not end after SIGTERM"
wait "$app_pid" && rc=0 || rc=$?
app_pid=""
[ "$rc" -eq 0 ] || fail "exit code $rc after SIGTERM: $(cat "$work/app.log")"
grep -q '^\[General\]' "$XDG_CONFIG_HOME/orrelux/settings.ini" || fail "settings not written"
echo "window test passed"
