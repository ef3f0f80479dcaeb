#!/usr/bin/env bash
# A user's session in the real SDL window on a virtual X display: switch to the flat
# map with its command-bar button, drag the map, close through the exit confirmation
# ("Exit"), and find the new view in the settings file.
set -euo pipefail
exe=$1
data=$2
source "$(dirname "$0")/lib.sh"
start_xvfb

# Positions are window pixels at scale 2.
start_app

# "Spherical/Planar View" is the 7th button (frame x 87..103 in the bottom 21 rows).
click 190 620
# Drag the map 100 frame pixels to the left: it scrolls 100 columns east.
xdotool mousemove --window "$wid" 300 300 mousedown 1
for x in 280 240 200 160 120 100; do xdotool mousemove --window "$wid" "$x" 300; sleep 0.05; done
xdotool mouseup 1
sleep 0.3
# "Close..." (frame x 214..230), then "Exit" in the centred confirmation.
click 444 620
click 100 338

for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "still running after Exit"
wait "$app_pid" && rc=0 || rc=$?
app_pid=""
[ "$rc" -eq 0 ] || fail "exit code $rc: $(cat "$work/app.log")"

ini=$XDG_CONFIG_HOME/orrelux/settings.ini
[ -f "$ini" ] || fail "no settings file"
flags=$(sed -n 's/^Flags = dword:\(0x[0-9A-Fa-f]*\)$/\1/p' "$ini")
[ -n "$flags" ] || fail "no Flags in $(cat "$ini")"
(( (flags & 4) != 0 )) || fail "the flat map is not stored (Flags $flags)"
grep -q '^Last Flat Mode XY = dword:0x00000064$' "$ini" || fail "the dragged view is not stored: $(grep 'Last Flat' "$ini")"
echo "main window test passed"
