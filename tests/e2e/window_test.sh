#!/usr/bin/env bash
# The real program in a real SDL window on a virtual X display: it starts with its
# splash, an unfocused window that is uncovered shows its last frame, a second start
# raises the first copy and ends with 0, SIGTERM takes the
# orderly exit that writes the settings, and failed starts show their closing messages.
set -euo pipefail
exe=$1
data=$2
source "$(dirname "$0")/lib.sh"

# Failed starts: no display, no data.
out=$(env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=x11 "$exe" --data-dir "$data" 2>&1) && fail "started without a display"
grep -q "General error encountered." <<<"$out" || fail "no closing message without a display: $out"

start_xvfb

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
wait_for_window
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" -eq 480 ] && [ "$HEIGHT" -eq 640 ] || fail "window is ${WIDTH}x${HEIGHT}, expected 480x640"

# Unfocused (its display suspended), covered by another window and uncovered again, the
# window shows the program's last frame, not the other window's pixels (there is no
# compositor on the virtual display: the program repaints on the expose).
wait_until_idle
xdotool windowfocus --sync "$wid"
sleep 0.5
# The window's pixels as the screen shows them.
shot() { import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$1"; }
shot "$work/before.png"

# Another window takes the focus (the program suspends its display) and covers ours.
xmessage -title cover -geometry "${WIDTH}x${HEIGHT}+${X}+${Y}" -bg red "cover" &
cover=$!
for _ in $(seq 100); do
  cw=$(xdotool search --onlyvisible --name '^cover$' 2>/dev/null | head -1 || true)
  [ -n "$cw" ] && break
  sleep 0.1
done
[ -n "$cw" ] || fail "the covering window did not appear"
xdotool windowfocus --sync "$cw"
sleep 0.5
shot "$work/covered.png"
[ "$(compare -metric AE "$work/before.png" "$work/covered.png" null: 2>&1 || true)" != 0 ] ||
  fail "the covering window does not cover the program's window"

# The other window goes away without giving the focus back.
kill "$cover"
wait "$cover" 2>/dev/null || true
sleep 0.7
shot "$work/after.png"
diff=$(compare -metric AE "$work/before.png" "$work/after.png" null: 2>&1 || true)
[ "$diff" = 0 ] || fail "$diff pixels differ from the last frame after the window was uncovered"

# A second start asks the first to show itself and ends with 0 at once.
second=$(timeout 10 "$exe" --data-dir "$data" 2>&1) || fail "second start did not end with 0"
[ "$second" = "Orrelux is already running; its window was brought to the front" ] || fail "second start said: $second"
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
